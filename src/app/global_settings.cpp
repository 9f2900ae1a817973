#include "app/global_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/messages.h"
#include "app/recent_books.h"

namespace mirvo {

namespace {

constexpr const char* kPosSize = "PosSize";

}  // namespace

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
    const SettingEntry& log = *FindSetting("Log");
    state.LogEnabled = file.ReadBool(log.section, log.key, std::get<bool>(log.def));
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
        if (!state.LogFile) {
            const std::string why = SystemErrorText(errno);
            logError =
                "ファイル:" + logPath + " を開けません" + (why.empty() ? "" : " (" + why + ")");
        }
    }

    FileSlots slots;
    // A colour that is no colour has been replaced by its default; the reader is told with
    // the log's message, at the start.
    for (const Problem& problem : ReadSettingsFile(file, SettingsFileKind::Global, settings, slots))
        logError += (logError.empty() ? "" : "\r\n") + Word(problem);
    state.DocumentPath = slots.Last.empty() ? FirstRunDocument(folders) : slots.Last;

    // An existing folder is the normal case; a failure shows later, when a book is saved.
    (void)::mkdir(folders.SettingsPath(kBookStateFolderName).c_str(), 0777);

    if (!arguments.empty() && !arguments.front().empty()) state.DocumentPath = arguments.front();
    return logError;
}

void WriteGlobalSettings(ProfileFile& file, const Settings& settings,
                         const std::string& documentPath, const std::vector<std::string>* recent) {
    ProfileEdit edit(file);
    WriteSettingsFile(edit, SettingsFileKind::Global, settings, FileSlots{documentPath});
    if (recent) WriteRecentBooks(edit, file, *recent);
    edit.Commit();
}

void ClearLastDocument(ProfileFile& file) {
    const SettingEntry& last = *FindSetting("Last");
    file.WriteString(last.section, last.key, "");
}

WindowBounds ReadPosSize(const ProfileFile& file) {
    WindowBounds b;
    for (const SettingEntry* e : GroupInOrder(kPosSize, false))
        b.*std::get<int WindowBounds::*>(e->field) =
            file.ReadInteger(e->section, e->key, std::get<int>(e->def));
    return b;
}

void WritePosSize(ProfileFile& file, const WindowBounds& b) {
    ProfileEdit edit(file);
    for (const SettingEntry* e : GroupInOrder(kPosSize, true))
        edit.SetInteger(e->section, e->key, b.*std::get<int WindowBounds::*>(e->field));
    edit.Commit();
}

}  // namespace mirvo
