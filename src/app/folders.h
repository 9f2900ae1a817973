// The program's folders and plain path arithmetic on "/" paths.
//
// Files shipped with the program (readme2.txt, readme.bmp, Change.WAV) are looked for in
// the executable's folder, then in the installed data folder <prefix>/share/mirvo (found
// from the executable's folder <prefix>/bin by the relative path the build configured).
// Files the program writes (Mirvo.INI, the folder MirvoKs, Mirvo_Log.TXT) live in the
// settings folder: the executable's folder when it is writable and the program is not
// installed (the build tree, a portable copy), else $XDG_CONFIG_HOME/mirvo
// (~/.config/mirvo). An installed program (its data folder exists) never writes into its
// prefix, even where it could (root, a prefix owned by the user). MIRVO_HOME names one
// folder that overrides both for the written files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mirvo {

// The folder part of `path`: no trailing "/" except for the root "/"; "." for a bare name.
std::string FolderOf(std::string_view path);
// The part after the last "/".
std::string BaseName(std::string_view path);
// `folder` + "/" + `name`, without doubling the "/" of the root.
std::string JoinPath(std::string_view folder, std::string_view name);
// `path` made absolute against `currentFolder` (a relative path) with "." and ".."
// steps and doubled "/" taken out, byte for byte: names that are not UTF-8 stay as they
// are. An empty path stays empty.
std::string AbsolutePath(std::string_view path, std::string_view currentFolder);
// The same against the process's current folder.
std::string AbsolutePath(std::string_view path);
// `path` made absolute as the kernel resolves it: its folder through realpath (so that
// "link/.." is the folder above the link's target, not the folder holding the link), its
// last name kept as given (a book reached through a link keeps its own name). A path that
// names a folder ("..", a trailing "/") is resolved whole. When the folder cannot be
// resolved (it does not exist, the result would pass the kernel's path limit), the text of
// the path is made absolute (AbsolutePath). Bytes stay bytes.
std::string KernelPath(std::string_view path);
// True when something that is not a folder exists at `path` (following links).
bool FileExists(const std::string& path);

// The environment variables that choose the settings folder; empty when unset.
struct FolderEnvironment {
    std::string MirvoHome, XdgConfigHome, Home;
    static FolderEnvironment Current();
};

struct ProgramFolders {
    std::string ExecutableFolder;
    std::string SettingsFolder;
    std::vector<std::string> ShippedFolders;  // searched in this order

    // The folders of the running program, from /proc/self/exe and the environment. The
    // settings folder is created when it does not exist.
    static ProgramFolders Detect();
    // The folders of a program whose executable lies in `executableFolder`; creates nothing.
    static ProgramFolders Resolve(const std::string& executableFolder,
                                  const FolderEnvironment& env);

    // The path of the first shipped file called `name`, or "" when none exists.
    std::string FindShippedFile(std::string_view name) const;
    // `name` in the settings folder.
    std::string SettingsPath(std::string_view name) const { return JoinPath(SettingsFolder, name); }
};

// The full path of the running executable, and its folder.
std::string ExecutablePath();
std::string ExecutableFolder();
// ProgramFolders::Detect().FindShippedFile(name).
std::string FindShippedFile(std::string_view name);

// `folder` followed by the relative `path` ("..": one folder up; "." and empty steps skipped).
std::string ResolveRelative(std::string_view folder, std::string_view path);

// Creates `path` and any missing parent folders; true when it exists as a folder afterwards.
bool MakeFolders(const std::string& path);

}  // namespace mirvo
