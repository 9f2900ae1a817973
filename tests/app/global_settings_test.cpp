#include "app/global_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "render/color.h"
#include "settings_test_util.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::ReadFileBytes;
using test::RecordingProfile;
using test::TempDir;
using test::WriteFileBytes;

// A settings folder and a shipped-files folder of their own for every test.
struct Program {
    TempDir home, shipped;
    ProgramFolders folders;
    Program() {
        folders.ExecutableFolder = shipped.Path();
        folders.SettingsFolder = home.Path();
        folders.ShippedFolders = {shipped.Path()};
    }
    std::string Ini() const { return GlobalSettingsPath(folders); }
};

std::string Start(const Program& p, Settings& s, GlobalState& st,
                  std::vector<std::string> args = {}) {
    ProfileFile file(p.Ini());
    return ReadGlobalSettings(file, p.folders, args, s, st);
}

TEST(GlobalSettings, FirstStartWithoutAnyFile) {
    Program p;
    Settings s;
    s.RowCount = 3;  // proves the read replaces it
    GlobalState st;
    EXPECT_EQ(Start(p, s, st), "");
    const Settings d;
    EXPECT_EQ(s.RowCount, 10);
    EXPECT_EQ(s.RowBytes, 50);
    EXPECT_EQ(s.FontName, "@ＭＳ ゴシック");
    EXPECT_EQ(s.ChangeSpeed, 100);
    EXPECT_EQ(s.CoverColor, "clWhite");
    EXPECT_EQ(s.FontSpace, 0);
    EXPECT_TRUE(s.UseRuby && s.UseImage && s.UseComment && s.UsePageTexture && s.Alias);
    EXPECT_FALSE(s.FontBold);
    EXPECT_EQ(st.DocumentPath, "");
    EXPECT_FALSE(st.LogEnabled);
    EXPECT_FALSE(std::filesystem::exists(p.home.File("Mirvo_Log.TXT")));
    EXPECT_TRUE(std::filesystem::is_directory(p.home.File("MirvoKs")));
    EXPECT_FALSE(std::filesystem::exists(p.Ini()));  // reading creates nothing

    // Closing writes both sections in their order, and no UseComment.
    ProfileFile file(p.Ini());
    WriteGlobalSettings(file, s, st.DocumentPath);
    EXPECT_EQ(ReadFileBytes(p.Ini()),
              "[Mirvo]\nLast=\n\n[Config]\nRowCount=10\nCharCount=25\nUseRuby=1\nUseImage=1\n"
              "FontName=@ＭＳ ゴシック\nFontBold=0\nFontSpace=0\nUsePageTexture=1\n"
              "ChangeSpeed=100\nAlias=1\nCoverColor=clWhite\nPageColor=clWhite\n"
              "BKStandFolder=\nUseAozoraNotes=0\nTypesetting=0\nTextColor=clBlack\n");
}

TEST(GlobalSettings, ReadOrderAtCreation) {
    Program p;
    RecordingProfile file(p.Ini());
    Settings s;
    GlobalState st;
    ReadGlobalSettings(file, p.folders, {}, s, st);
    const std::vector<std::string> expected = {"Debug/Log",
                                               "Config/RowCount",
                                               "Config/CharCount",
                                               "Config/UseRuby",
                                               "Config/UseComment",
                                               "Config/UseImage",
                                               "Config/FontName",
                                               "Config/FontBold",
                                               "Config/UsePageTexture",
                                               "Mirvo/Last",
                                               "Config/ChangeSpeed",
                                               "Config/Alias",
                                               "Config/CoverColor",
                                               "Config/PageColor",
                                               "Config/BKStandFolder",
                                               "Config/UseAozoraNotes",
                                               "Config/Typesetting",
                                               "Config/TextColor"};
    EXPECT_EQ(file.reads, expected);
}

TEST(GlobalSettings, CharCountRoundTripAndKeysReadOrWrittenOnly) {
    for (int chars : {25, 13}) {
        Program p;
        WriteFileBytes(p.Ini(), "[Config]\nCharCount=" + std::to_string(chars) +
                                    "\nFontSpace=20\nUseComment=0\n");
        Settings s;
        GlobalState st;
        Start(p, s, st);
        EXPECT_EQ(s.RowBytes, 2 * chars);
        EXPECT_EQ(s.FontSpace, 0) << "FontSpace is not read from the global file";
        EXPECT_FALSE(s.UseComment);
        s.FontSpace = 12;
        s.UseComment = true;
        ProfileFile file(p.Ini());
        WriteGlobalSettings(file, s, "");
        EXPECT_EQ(file.ReadInteger("Config", "CharCount", 0), chars);
        EXPECT_EQ(file.ReadInteger("Config", "FontSpace", 0), 12);
        EXPECT_EQ(file.ReadString("Config", "UseComment", ""), "0") << "never written";
    }
}

TEST(GlobalSettings, FirstRunDocumentNeedsBothFiles) {
    Program p;
    WriteFileBytes(p.shipped.File("readme2.txt"), "text");
    Settings s;
    GlobalState st;
    Start(p, s, st);
    EXPECT_EQ(st.DocumentPath, "") << "readme2.txt alone opens nothing";

    WriteFileBytes(p.shipped.File("readme.bmp"), "BM");
    Start(p, s, st);
    EXPECT_EQ(st.DocumentPath, p.shipped.File("readme2.txt"));

    // A Last entry wins over the first-run document; an argument wins over both.
    WriteFileBytes(p.Ini(), "[Mirvo]\nLast=/books/a.txt\n");
    Start(p, s, st);
    EXPECT_EQ(st.DocumentPath, "/books/a.txt");
    Start(p, s, st, {"/books/b.txt", "/ignored"});
    EXPECT_EQ(st.DocumentPath, "/books/b.txt");
    Start(p, s, st, {""});
    EXPECT_EQ(st.DocumentPath, "/books/a.txt") << "an empty argument is no argument";
}

TEST(GlobalSettings, LogFileCreatedEmptyOrLeftAsItWas) {
    Program p;
    const std::string log = p.home.File("Mirvo_Log.TXT");
    WriteFileBytes(p.Ini(), "[debug]\nlog=1\n");
    {
        Settings s;
        GlobalState st;
        EXPECT_EQ(Start(p, s, st), "");
        EXPECT_TRUE(st.LogEnabled);
        EXPECT_TRUE(st.LogFile != nullptr);
        EXPECT_EQ(ReadFileBytes(log), "");
    }
    WriteFileBytes(log, "old lines\n");
    {
        Settings s;
        GlobalState st;
        Start(p, s, st);
        st.LogFile.reset();
        EXPECT_EQ(ReadFileBytes(log), "old lines\n");
    }
    // A log that cannot be opened is reported and the settings are read all the same.
    std::filesystem::remove(log);
    std::filesystem::create_directory(log);
    WriteFileBytes(p.Ini(), "[Debug]\nLog=1\n[Config]\nRowCount=7\n");
    Settings s;
    GlobalState st;
    const std::string error = Start(p, s, st);
    EXPECT_NE(error.find(log), std::string::npos);
    EXPECT_NE(error.find(" を開けません (フォルダーです)"), std::string::npos) << error;
    EXPECT_TRUE(st.LogEnabled);
    EXPECT_EQ(st.LogFile, nullptr);
    EXPECT_EQ(s.RowCount, 7);
    // Nor may a FIFO in its place block the start.
    std::filesystem::remove(log);
    ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0);
    EXPECT_NE(Start(p, s, st), "");
    EXPECT_EQ(s.RowCount, 7);
}

TEST(GlobalSettings, ColoursByNameOrNumberAndOddValuesKept) {
    Program p;
    WriteFileBytes(p.Ini(),
                   "[Config]\nPageColor=clwhite\nCoverColor=$00FFFFFF\nRowCount=0\n"
                   "CharCount=-4\nChangeSpeed=500\n");
    Settings s;
    GlobalState st;
    Start(p, s, st);
    EXPECT_EQ(s.PageColor, "clwhite");  // kept as written
    EXPECT_EQ(StringToColor(s.PageColor), StringToColor(s.CoverColor));
    // No range test on reading.
    EXPECT_EQ(s.RowCount, 0);
    EXPECT_EQ(s.RowBytes, -8);
    EXPECT_EQ(s.ChangeSpeed, 500);
    // A count so large that doubling would overflow stays a large positive width.
    WriteFileBytes(p.Ini(), "[Config]\nCharCount=2147483647\n");
    Start(p, s, st);
    EXPECT_GT(s.RowBytes, 0);
    // A colour that is no colour reads as the default, and the start says so once.
    WriteFileBytes(p.Ini(), "[Config]\nCoverColor=abc\nPageColor=clRed\n");
    EXPECT_EQ(Start(p, s, st), "'abc' は正しい色ではありません");
    EXPECT_EQ(s.CoverColor, "clWhite");
    EXPECT_EQ(s.PageColor, "clRed");
}

TEST(GlobalSettings, ALastPathWithALineBreakReopens) {
    Program p;
    ProfileFile file(p.Ini());
    const std::string path = "/books/two\nlines\r.txt";
    WriteGlobalSettings(file, Settings{}, path);
    Settings s;
    GlobalState st;
    Start(p, s, st);
    EXPECT_EQ(st.DocumentPath, path);
}

TEST(GlobalSettings, ClearLastAndPosSize) {
    Program p;
    RecordingProfile file(p.Ini());
    WriteGlobalSettings(file, Settings{}, "/books/a.txt");
    ClearLastDocument(file);
    EXPECT_EQ(file.ReadString("Mirvo", "Last", "?"), "");

    EXPECT_FALSE(file.SectionExists("PosSize"));
    file.reads.clear();
    file.writes.clear();
    const WindowBounds d = ReadPosSize(file);
    EXPECT_EQ(d.Top, 0);
    EXPECT_EQ(d.Left, 0);
    EXPECT_EQ(d.Width, 600);
    EXPECT_EQ(d.Height, 460);
    WritePosSize(file, WindowBounds{5, 6, 700, 500});
    const WindowBounds b = ReadPosSize(file);
    EXPECT_EQ(b.Top, 5);
    EXPECT_EQ(b.Left, 6);
    EXPECT_EQ(b.Width, 700);
    EXPECT_EQ(b.Height, 500);
    EXPECT_EQ(file.writes, (std::vector<std::string>{"PosSize/Top", "PosSize/Left", "PosSize/Width",
                                                     "PosSize/Height"}));
    EXPECT_EQ(file.reads[0], "PosSize/Width");
    EXPECT_EQ(file.reads[3], "PosSize/Left");
}

TEST(GlobalSettings, RefusedWriteStopsTheClose) {
    Program p;
    std::filesystem::create_directory(p.Ini());  // a folder in the way
    RecordingProfile file(p.Ini());
    EXPECT_THROW(WriteGlobalSettings(file, Settings{}, "/a.txt"), ProfileWriteError);
    EXPECT_EQ(file.replaces, 1);
}

TEST(ProgramFolders, PathsAndLookup) {
    EXPECT_EQ(FolderOf("/usr/bin/mirvo"), "/usr/bin");
    EXPECT_EQ(FolderOf("/mirvo"), "/");
    EXPECT_EQ(FolderOf("mirvo"), ".");
    EXPECT_EQ(JoinPath("/", "a"), "/a");
    EXPECT_EQ(JoinPath("/x/", "a"), "/x/a");
    EXPECT_EQ(BaseName("/a.b/c"), "c");
    // Relative paths are made absolute byte for byte, names that are not UTF-8 included.
    EXPECT_EQ(AbsolutePath("b.txt", "/home/u"), "/home/u/b.txt");
    EXPECT_EQ(AbsolutePath("./x/../\x82\xA0.txt", "/home/u/"), "/home/u/\x82\xA0.txt");
    EXPECT_EQ(AbsolutePath("//a//./b/", "/cwd"), "/a/b");
    EXPECT_EQ(AbsolutePath("../../..", "/a"), "/");
    EXPECT_EQ(AbsolutePath("", "/a"), "");

    TempDir a, b;
    ProgramFolders f;
    f.ShippedFolders = {a.Path(), b.Path()};
    WriteFileBytes(b.File("Change.WAV"), "RIFF");
    EXPECT_EQ(f.FindShippedFile("Change.WAV"), b.File("Change.WAV"));
    WriteFileBytes(a.File("Change.WAV"), "RIFF");
    EXPECT_EQ(f.FindShippedFile("Change.WAV"), a.File("Change.WAV"));
    EXPECT_EQ(f.FindShippedFile("none"), "");
}

TEST(ProgramFolders, DetectHonoursMirvoHome) {
    TempDir t;
    const char* old = std::getenv("MIRVO_HOME");
    const std::string saved = old ? old : "";
    ::setenv("MIRVO_HOME", (t.Path() + "/home/").c_str(), 1);
    const ProgramFolders f = ProgramFolders::Detect();
    if (old)
        ::setenv("MIRVO_HOME", saved.c_str(), 1);
    else
        ::unsetenv("MIRVO_HOME");
    EXPECT_EQ(f.SettingsFolder, t.Path() + "/home");
    EXPECT_TRUE(std::filesystem::is_directory(f.SettingsFolder));
    EXPECT_EQ(f.ExecutableFolder,
              FolderOf(std::filesystem::read_symlink("/proc/self/exe").string()));
    ASSERT_EQ(f.ShippedFolders.size(), 2u);
    EXPECT_EQ(f.ShippedFolders[0], f.ExecutableFolder);
    EXPECT_EQ(f.ShippedFolders[1], FolderOf(f.ExecutableFolder) + "/share/mirvo");
}

}  // namespace
}  // namespace mirvo
