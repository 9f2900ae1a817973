#include "app/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace mirvo {

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    std::size_t end = slash;
    while (end > 0 && path[end - 1] == '/') --end;  // "a//b" has the folder "a"
    if (end == 0) return "/";
    return std::string(path.substr(0, end));
}

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (out.empty() || out.back() != '/') out += '/';
    out += name;
    return out;
}

std::string AbsolutePath(std::string_view path, std::string_view currentFolder) {
    if (path.empty()) return {};
    const std::string whole =
        path.front() == '/' ? std::string(path) : JoinPath(currentFolder, path);
    std::vector<std::string_view> steps;
    std::string_view rest(whole);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view step = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (step.empty() || step == ".") continue;
        if (step == "..") {
            if (!steps.empty()) steps.pop_back();
            continue;
        }
        steps.push_back(step);
    }
    std::string out;
    for (const std::string_view step : steps) out.append("/").append(step);
    return out.empty() ? "/" : out;
}

std::string AbsolutePath(std::string_view path) {
    std::string current(4096, '\0');
    while (::getcwd(current.data(), current.size()) == nullptr) {
        if (errno != ERANGE) return std::string(path);
        current.resize(current.size() * 2);
    }
    current.resize(std::char_traits<char>::length(current.c_str()));
    return AbsolutePath(path, current);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

static bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    if (IsFolder(path)) return true;
    const std::string parent = FolderOf(path);
    if (parent != path && parent != "." && !IsFolder(parent)) MakeFolders(parent);
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return IsFolder(path);
}

std::string ExecutableFolder() {
    std::string buf(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return ".";
        if (static_cast<std::size_t>(n) < buf.size()) {
            buf.resize(static_cast<std::size_t>(n));
            break;
        }
        buf.resize(buf.size() * 2);
    }
    return FolderOf(buf);
}

static std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

ProgramFolders ProgramFolders::Detect() {
    ProgramFolders f;
    f.ExecutableFolder = mirvo::ExecutableFolder();
    f.ShippedFolders.push_back(f.ExecutableFolder);
    f.ShippedFolders.push_back(JoinPath(FolderOf(f.ExecutableFolder), "share/mirvo"));

    const char* home = std::getenv("MIRVO_HOME");
    if (home && *home) {
        f.SettingsFolder = home;
    } else if (::access(f.ExecutableFolder.c_str(), W_OK) == 0) {
        f.SettingsFolder = f.ExecutableFolder;
    } else {
        // Only an absolute $XDG_CONFIG_HOME counts; a relative one is ignored.
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        const std::string config =
            (xdg && xdg[0] == '/') ? std::string(xdg) : JoinPath(HomeFolder(), ".config");
        f.SettingsFolder = JoinPath(config, "mirvo");
    }
    while (f.SettingsFolder.size() > 1 && f.SettingsFolder.back() == '/')
        f.SettingsFolder.pop_back();
    MakeFolders(f.SettingsFolder);
    return f;
}

std::string ProgramFolders::FindShippedFile(std::string_view name) const {
    for (const std::string& folder : ShippedFolders) {
        std::string path = JoinPath(folder, name);
        if (FileExists(path)) return path;
    }
    return {};
}

std::string FindShippedFile(std::string_view name) {
    return ProgramFolders::Detect().FindShippedFile(name);
}

}  // namespace mirvo
