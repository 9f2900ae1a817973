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

std::string KernelPath(std::string_view path) {
    if (path.empty()) return {};
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const bool named = !name.empty() && name != "." && name != "..";
    std::string folder(path);
    if (named)
        folder = slash == std::string_view::npos ? "." : std::string(path.substr(0, slash + 1));
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) return AbsolutePath(path);
    const std::string resolved(real);
    std::free(real);
    return named ? JoinPath(resolved, name) : resolved;
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

std::string ExecutablePath() {
    std::string buf(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buf.size()) {
            buf.resize(static_cast<std::size_t>(n));
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    return path.empty() ? "." : FolderOf(path);
}

std::string ResolveRelative(std::string_view folder, std::string_view path) {
    std::string out(folder);
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view step = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (step.empty() || step == ".") continue;
        out = step == ".." ? FolderOf(out) : JoinPath(out, step);
    }
    return out;
}

FolderEnvironment FolderEnvironment::Current() {
    auto get = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    FolderEnvironment env{get("MIRVO_HOME"), get("XDG_CONFIG_HOME"), get("HOME")};
    if (env.Home.empty()) {
        const passwd* pw = ::getpwuid(::getuid());
        env.Home = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
    }
    return env;
}

ProgramFolders ProgramFolders::Resolve(const std::string& executableFolder,
                                       const FolderEnvironment& env) {
    ProgramFolders f;
    f.ExecutableFolder = executableFolder;
    // MIRVO_DATA_FROM_BINDIR: the install's data folder seen from its bin folder, given by
    // the build ("../share/mirvo" for the usual layout).
    const std::string dataFolder = ResolveRelative(executableFolder, MIRVO_DATA_FROM_BINDIR);
    f.ShippedFolders = {executableFolder, dataFolder};

    const bool installed = IsFolder(dataFolder);
    if (!env.MirvoHome.empty()) {
        f.SettingsFolder = env.MirvoHome;
    } else if (!installed && ::access(executableFolder.c_str(), W_OK) == 0) {
        f.SettingsFolder = executableFolder;
    } else {
        // Only an absolute $XDG_CONFIG_HOME counts; a relative one is ignored.
        const std::string config =
            env.XdgConfigHome.starts_with('/') ? env.XdgConfigHome : JoinPath(env.Home, ".config");
        f.SettingsFolder = JoinPath(config, "mirvo");
    }
    while (f.SettingsFolder.size() > 1 && f.SettingsFolder.back() == '/')
        f.SettingsFolder.pop_back();
    return f;
}

ProgramFolders ProgramFolders::Detect() {
    ProgramFolders f = Resolve(mirvo::ExecutableFolder(), FolderEnvironment::Current());
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
