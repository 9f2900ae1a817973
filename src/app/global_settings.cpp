#include "app/global_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace mirvo {

namespace {

constexpr const char* kConfig = "Config";
constexpr const char* kMirvo = "Mirvo";
constexpr const char* kDebug = "Debug";
constexpr const char* kPosSize = "PosSize";

}  // namespace

int RowBytesOf(int charCount) {
    const long long rowBytes = 2LL * charCount;
    if (rowBytes > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max() - 1;
    if (rowBytes < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(rowBytes);
}

std::string GlobalSettingsPath(const ProgramFolders& folders) {
    return folders.SettingsPath(kGlobalSettingsFileName);
}

std::string FirstRunDocument(const ProgramFolders& folders) {
    for (const std::string& folder : folders.ShippedFolders) {
        const std::string text = JoinPath(folder, kFirstRunText);
        if (FileExists(text) && FileExists(JoinPath(folder, kFirstRunPicture))) return text;
    }
    return {};
}

std::string ReadGlobalSettings(const ProfileFile& file, const ProgramFolders& folders,
                               const std::vector<std::string>& arguments, Settings& settings,
                               GlobalState& state) {
    std::string logError;
    state.LogEnabled = file.ReadBool(kDebug, "Log", false);
    state.LogFile.reset();
    if (state.LogEnabled) {
        // Appending creates a missing file empty and leaves an existing one as it is. A FIFO
        // in its place must not block the start: it is opened without waiting.
        const std::string logPath = folders.SettingsPath(kLogFileName);
        const int fd =
            ::open(logPath.c_str(),
                   O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
        if (fd >= 0) {
            state.LogFile.reset(::fdopen(fd, "a"));
            if (!state.LogFile) ::close(fd);
        }
        if (!state.LogFile)
            logError = "ファイル:" + logPath + " を開けません (" + std::strerror(errno) + ")";
    }

    settings.RowCount = file.ReadInteger(kConfig, "RowCount", 10);
    const int charCount = file.ReadInteger(kConfig, "CharCount", 25);
    settings.UseRuby = file.ReadBool(kConfig, "UseRuby", true);
    settings.UseComment = file.ReadBool(kConfig, "UseComment", true);
    settings.UseImage = file.ReadBool(kConfig, "UseImage", true);
    settings.FontName = file.ReadString(kConfig, "FontName", "@ＭＳ ゴシック");
    settings.FontBold = file.ReadBool(kConfig, "FontBold", false);
    settings.UsePageTexture = file.ReadBool(kConfig, "UsePageTexture", true);
    state.DocumentPath = file.ReadString(kMirvo, "Last", "");
    settings.ChangeSpeed = file.ReadInteger(kConfig, "ChangeSpeed", 100);
    settings.Alias = file.ReadBool(kConfig, "Alias", true);
    settings.CoverColor = file.ReadString(kConfig, "CoverColor", "clWhite");
    settings.PageColor = file.ReadString(kConfig, "PageColor", "clWhite");
    settings.BKStandFolder = file.ReadString(kConfig, "BKStandFolder", "");

    if (state.DocumentPath.empty()) state.DocumentPath = FirstRunDocument(folders);

    // Doubling in 64 bits keeps a hostile CharCount from overflowing; the result is cut
    // back into the int range.
    settings.RowBytes = RowBytesOf(charCount);

    // An existing folder is the normal case; a failure shows later, when a book is saved.
    (void)::mkdir(folders.SettingsPath(kBookStateFolderName).c_str(), 0777);

    if (!arguments.empty() && !arguments.front().empty()) state.DocumentPath = arguments.front();
    return logError;
}

void WriteGlobalSettings(ProfileFile& file, const Settings& settings,
                         const std::string& documentPath) {
    file.WriteString(kMirvo, "Last", documentPath);
    file.WriteInteger(kConfig, "RowCount", settings.RowCount);
    file.WriteInteger(kConfig, "CharCount", settings.RowBytes / 2);
    file.WriteBool(kConfig, "UseRuby", settings.UseRuby);
    file.WriteBool(kConfig, "UseImage", settings.UseImage);
    file.WriteString(kConfig, "FontName", settings.FontName);
    file.WriteBool(kConfig, "FontBold", settings.FontBold);
    file.WriteInteger(kConfig, "FontSpace", settings.FontSpace);
    file.WriteBool(kConfig, "UsePageTexture", settings.UsePageTexture);
    file.WriteInteger(kConfig, "ChangeSpeed", settings.ChangeSpeed);
    file.WriteBool(kConfig, "Alias", settings.Alias);
    file.WriteString(kConfig, "CoverColor", settings.CoverColor);
    file.WriteString(kConfig, "PageColor", settings.PageColor);
    file.WriteString(kConfig, "BKStandFolder", settings.BKStandFolder);
}

void ClearLastDocument(ProfileFile& file) {
    file.WriteString(kMirvo, "Last", "");
}

WindowBounds ReadPosSize(const ProfileFile& file) {
    WindowBounds b;
    b.Width = file.ReadInteger(kPosSize, "Width", 600);
    b.Height = file.ReadInteger(kPosSize, "Height", 460);
    b.Top = file.ReadInteger(kPosSize, "Top", 0);
    b.Left = file.ReadInteger(kPosSize, "Left", 0);
    return b;
}

void WritePosSize(ProfileFile& file, const WindowBounds& b) {
    file.WriteInteger(kPosSize, "Top", b.Top);
    file.WriteInteger(kPosSize, "Left", b.Left);
    file.WriteInteger(kPosSize, "Width", b.Width);
    file.WriteInteger(kPosSize, "Height", b.Height);
}

}  // namespace mirvo
