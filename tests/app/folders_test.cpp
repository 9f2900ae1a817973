// Where the program looks for its shipped files and where it writes its own: the build
// tree and a portable copy keep everything beside the executable, an installed copy reads
// <prefix>/share/mirvo and writes under the user's configuration folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/folders.h"
#include "support/test_support.h"

namespace mirvo::test {
namespace {

TEST(ProgramFolders, RelativePathsFromTheExecutableFolder) {
    struct Case {
        const char *folder, *path, *expected;
    } cases[] = {
        {"/usr/bin", "../share/mirvo", "/usr/share/mirvo"},
        {"/opt/m/bin", "../../../usr/share/mirvo", "/usr/share/mirvo"},
        {"/usr/games", "../share/games/mirvo", "/usr/share/games/mirvo"},
        {"/a", "./b//c/", "/a/b/c"},
        {"/", "../..", "/"},
        {"/a/b", "", "/a/b"},
    };
    for (const Case& c : cases) EXPECT_EQ(ResolveRelative(c.folder, c.path), c.expected) << c.path;
}

TEST(ProgramFolders, SettingsFolderOfEachLayout) {
    TempDir t;
    const std::string build = t.Path() + "/build/src/ui";
    const std::string bin = t.Path() + "/usr/bin";
    std::filesystem::create_directories(build);
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(t.Path() + "/usr/share/mirvo");
    const std::string xdg = t.Path() + "/xdg";
    const std::string home = t.Path() + "/home";

    struct Case {
        const char* name;
        std::string executableFolder;
        FolderEnvironment env;
        std::string settings;
    } cases[] = {
        // The build tree has no data folder: the writable executable folder holds everything.
        {"build tree", build, {"", xdg, home}, build},
        // Installed: never into the prefix, although this one is writable.
        {"installed", bin, {"", xdg, home}, xdg + "/mirvo"},
        {"installed, relative XDG", bin, {"", "rel/xdg", home}, home + "/.config/mirvo"},
        {"installed, no XDG", bin, {"", "", home}, home + "/.config/mirvo"},
        {"MIRVO_HOME over installed", bin, {t.Path() + "/h//", xdg, home}, t.Path() + "/h"},
        {"MIRVO_HOME over build tree", build, {"/", xdg, home}, "/"},
    };
    for (const Case& c : cases) {
        const ProgramFolders f = ProgramFolders::Resolve(c.executableFolder, c.env);
        EXPECT_EQ(f.SettingsFolder, c.settings) << c.name;
        EXPECT_EQ(f.ExecutableFolder, c.executableFolder) << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(xdg)) << "resolving creates nothing";

    // Shipped files: beside the executable first, then the installed data folder.
    const ProgramFolders installed = ProgramFolders::Resolve(bin, {"", xdg, home});
    const std::vector<std::string> shipped{bin, t.Path() + "/usr/share/mirvo"};
    EXPECT_EQ(installed.ShippedFolders, shipped);
    WriteFileBytes(t.Path() + "/usr/share/mirvo/Change.WAV", "RIFF");
    EXPECT_EQ(installed.FindShippedFile("Change.WAV"), t.Path() + "/usr/share/mirvo/Change.WAV");
}

}  // namespace
}  // namespace mirvo::test
