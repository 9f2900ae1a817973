#include "app/profile_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/folders.h"
#include "format/cp932.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::ReadFileBytes;
using test::Sjis;
using test::TempDir;
using test::WriteFileBytes;

std::size_t FilesIn(const std::string& folder) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        (void)e;
        ++n;
    }
    return n;
}

TEST(ProfileValues, Integers) {
    EXPECT_EQ(ParseProfileInteger("42"), 42);
    EXPECT_EQ(ParseProfileInteger("-7"), -7);
    EXPECT_EQ(ParseProfileInteger("+7"), 7);
    EXPECT_EQ(ParseProfileInteger("$1F"), 31);
    EXPECT_EQ(ParseProfileInteger("0x1f"), 31);
    EXPECT_EQ(ParseProfileInteger("0X1F"), 31);
    EXPECT_EQ(ParseProfileInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseProfileInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseProfileInteger("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "-", "$", "0x", "12a", "1.5", "2147483648", "-2147483649",
                            "$100000000", "99999999999999999999", "１２"})
        EXPECT_FALSE(ParseProfileInteger(bad).has_value()) << '"' << bad << '"';
}

TEST(ProfileValues, ReadsWithDefaultsAndForms) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    // No file at all: every read gives its default, nothing is created.
    EXPECT_EQ(f.ReadInteger("S", "K", 5), 5);
    EXPECT_TRUE(f.ReadBool("S", "K", true));
    EXPECT_EQ(f.ReadString("S", "K", "def"), "def");
    EXPECT_FALSE(std::filesystem::exists(f.Path()));

    WriteFileBytes(f.Path(),
                   "; comment\n[s]\nInt = 12 \nHex=$10\nBad=12x\nEmpty=\nOn=2\nOff=0\n"
                   "Quoted=\" two spaces \"\nText=a=b\n[Other]\nInt=99\n");
    EXPECT_EQ(f.ReadInteger("S", "INT", 0), 12);  // sections and keys in any case
    EXPECT_EQ(f.ReadInteger("s", "hex", 0), 16);
    EXPECT_EQ(f.ReadInteger("s", "Bad", 3), 3);
    EXPECT_EQ(f.ReadInteger("s", "Empty", 4), 4);
    EXPECT_EQ(f.ReadString("s", "Empty", "def"), "");  // present but empty is not absent
    EXPECT_TRUE(f.ReadBool("s", "On", false));
    EXPECT_FALSE(f.ReadBool("s", "Off", true));
    EXPECT_TRUE(f.ReadBool("s", "Bad", true));
    EXPECT_EQ(f.ReadString("s", "Quoted", ""), " two spaces ");
    EXPECT_EQ(f.ReadString("s", "Text", ""), "a=b");
    EXPECT_EQ(f.ReadInteger("Other", "Int", 0), 99);
    EXPECT_EQ(f.ReadInteger("s", "Missing", -3), -3);
}

TEST(ProfileValues, StringsAreCutAt1023BytesOnACharacterBoundary) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    std::string ascii(5000, 'x');
    f.WriteString("S", "A", ascii);
    EXPECT_EQ(f.ReadString("S", "A", ""), std::string(1023, 'x'));
    std::string kana;
    for (int i = 0; i < 400; ++i) kana += "あ";  // 3 bytes each: 1023 = 341 whole characters
    f.WriteString("S", "K", "x" + kana);
    const std::string read = f.ReadString("S", "K", "");
    EXPECT_EQ(read.size(), 1 + 340 * 3u);
    EXPECT_EQ(read, "x" + kana.substr(0, 340 * 3));
}

TEST(ProfileWrite, RoundTripsAwkwardValues) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    for (const std::string v : {"", " lead", "trail ", "\"quoted\"", "'q'", "a=b;c", "[x]",
                                "@ＭＳ ゴシック", "/path with spaces/本.txt"}) {
        f.WriteString("S", "K", v);
        EXPECT_EQ(f.ReadString("S", "K", "?"), v);
    }
    // A line break cannot live on a value's line: a string keeps it through the escape and
    // reads back the same (a book path with a newline reopens); a raw value gets a space.
    f.WriteString("S", "K", "one\ntwo\r\n[Evil]\r\nX=1\r");
    EXPECT_EQ(f.ReadString("S", "K", ""), "one\ntwo\r\n[Evil]\r\nX=1\r");
    f.WriteValue("S", "V", "one\ntwo\r\n[Evil]");
    EXPECT_EQ(f.ReadString("S", "V", ""), "one two  [Evil]");
    EXPECT_FALSE(f.SectionExists("Evil"));
    EXPECT_EQ(ReadFileBytes(f.Path()).find("\n[Evil]"), std::string::npos);
    f.WriteInteger("S", "I", -2147483647 - 1);
    EXPECT_EQ(f.ReadInteger("S", "I", 0), -2147483647 - 1);
    f.WriteBool("S", "B", true);
    EXPECT_EQ(f.ReadString("S", "B", ""), "1");
}

TEST(ProfileWrite, ChangesOnlyThatValueAndKeepsEveryOtherLine) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    const std::string before =
        "\xEF\xBB\xBF; kept comment\r\n[Config]\r\nrowcount = 7\r\nUnknown=stays\r\n\r\n"
        "[Other]\r\nX=1\r\nnot a key line\r\n[broken\r\n";
    WriteFileBytes(f.Path(), before);
    f.WriteInteger("CONFIG", "RowCount", 12);
    // The key keeps its spelling and spacing before "="; byte-order mark and CR LF stay.
    std::string expected = before;
    expected.replace(expected.find("rowcount = 7"), 12, "rowcount =12");
    EXPECT_EQ(ReadFileBytes(f.Path()), expected);

    // A new key goes after the last key of its section; a new section at the end.
    f.WriteString("Config", "FontName", "F");
    f.WriteString("New", "K", "v");
    EXPECT_EQ(
        ReadFileBytes(f.Path()),
        "\xEF\xBB\xBF; kept comment\r\n[Config]\r\nrowcount =12\r\nUnknown=stays\r\n"
        "FontName=F\r\n\r\n[Other]\r\nX=1\r\nnot a key line\r\n[broken\r\n\r\n[New]\r\nK=v\r\n");
}

TEST(ProfileWrite, LastLineWithoutLineBreak) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    WriteFileBytes(f.Path(), "[A]\nX=1");
    f.WriteString("A", "Y", "2");
    EXPECT_EQ(ReadFileBytes(f.Path()), "[A]\nX=1\nY=2\n");
    f.WriteString("A", "Y", "3");
    f.WriteString("A", "X", "0");
    EXPECT_EQ(ReadFileBytes(f.Path()), "[A]\nX=0\nY=3\n");
}

TEST(ProfileWrite, DuplicatesFirstWins) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    WriteFileBytes(f.Path(), "[A]\nK=1\nK=2\n[B]\nK=3\n[a]\nK=4\nOnlyHere=5\n");
    EXPECT_EQ(f.ReadInteger("A", "K", 0), 1);
    EXPECT_EQ(f.ReadInteger("A", "OnlyHere", 0), 5);  // a repeated section still counts
    f.WriteInteger("A", "K", 9);
    EXPECT_EQ(f.ReadInteger("A", "K", 0), 9);
    f.WriteInteger("A", "New", 6);  // into the first section of that name
    EXPECT_EQ(ReadFileBytes(f.Path()), "[A]\nK=9\nK=2\nNew=6\n[B]\nK=3\n[a]\nK=4\nOnlyHere=5\n");
}

TEST(ProfileWrite, MissingBracketIsNoSection) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    WriteFileBytes(f.Path(), "[Config]\nA=1\n[Mirvo\nB=2\n");
    EXPECT_FALSE(f.SectionExists("Mirvo"));
    EXPECT_EQ(f.ReadInteger("Mirvo", "B", 0), 0);
    EXPECT_EQ(f.ReadInteger("Config", "B", 0), 2);  // still under the last real header
    f.WriteInteger("Mirvo", "B", 3);
    EXPECT_EQ(f.ReadInteger("Mirvo", "B", 0), 3);
    EXPECT_EQ(f.ReadInteger("Config", "B", 0), 2);
}

TEST(ProfileEncoding, Cp932FileFromWindows) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    WriteFileBytes(f.Path(), Sjis("; 設定\r\n[Config]\r\nFontName=@ＭＳ 明朝\r\nIndexChar=■\r\n"));
    EXPECT_EQ(f.ReadString("Config", "FontName", ""), "@ＭＳ 明朝");
    EXPECT_EQ(f.ReadString("Config", "IndexChar", ""), "■");
    // The first write turns the whole file into UTF-8; nothing else changes.
    f.WriteInteger("Config", "RowCount", 8);
    EXPECT_EQ(ReadFileBytes(f.Path()),
              "; 設定\r\n[Config]\r\nFontName=@ＭＳ 明朝\r\nIndexChar=■\r\nRowCount=8\r\n");
}

TEST(ProfileEncoding, StringsThatAreNotUtf8ReadBackToTheSameBytes) {
    // File names from Windows archives are CP932 bytes: they are stored escaped, the file
    // stays UTF-8 (so it is not taken for a Windows file and read as CP932), and every
    // other value is untouched.
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    const std::string escape = "\xEF\xB7\x90";  // U+FDD0
    f.WriteString("Mirvo", "Other", "本.txt");
    for (const std::string& v :
         {Sjis("/本/吾輩は猫である.txt"), std::string("/a/\xFF\xFE\x80"), Sjis("ソ") + "/mixed/本",
          std::string("lone lead \x82"), escape + "41", escape, "x" + escape + "zz" + Sjis("表")}) {
        SCOPED_TRACE(v);
        f.WriteString("Mirvo", "Last", v);
        EXPECT_EQ(f.ReadString("Mirvo", "Last", ""), v);
        EXPECT_TRUE(IsValidUtf8(ReadFileBytes(f.Path())));
        EXPECT_EQ(f.ReadString("Mirvo", "Other", ""), "本.txt");
    }
    // What a valid UTF-8 string looks like in the file does not change.
    f.WriteString("Mirvo", "Last", "/home/本.txt");
    EXPECT_NE(ReadFileBytes(f.Path()).find("Last=/home/本.txt\n"), std::string::npos);
    EXPECT_EQ(EncodeProfileString("\x82\xA0"), escape + "82" + escape + "A0");

    // Files written before: a noncharacter without its two digits reads as it was.
    WriteFileBytes(f.Path(), "[Mirvo]\nA=" + escape + "\nB=" + escape + "4\nC=" + escape +
                                 "G1\nD=\xEF\xB7\x91"
                                 "41\n");
    EXPECT_EQ(f.ReadString("Mirvo", "A", ""), escape);
    EXPECT_EQ(f.ReadString("Mirvo", "B", ""), escape + "4");
    EXPECT_EQ(f.ReadString("Mirvo", "C", ""), escape + "G1");
    EXPECT_EQ(f.ReadString("Mirvo", "D", ""),
              "\xEF\xB7\x91"
              "41");
}

TEST(ProfileHostile, FileOverTheLimitIsLeftAloneAndSaysSo) {
    TempDir dir;
    ProfileFile f(dir.File("big.INI"));
    WriteFileBytes(f.Path(), "[Config]\nRowCount=5\n");
    EXPECT_FALSE(f.TooLarge());
    ASSERT_EQ(::truncate(f.Path().c_str(), static_cast<off_t>(ProfileFile::kMaxFileBytes) + 1), 0);
    EXPECT_TRUE(f.TooLarge());
    EXPECT_EQ(f.ReadInteger("Config", "RowCount", 10), 10);
    try {
        f.WriteInteger("Config", "RowCount", 6);
        FAIL() << "a file over the limit was written";
    } catch (const ProfileTooLargeError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("ファイル:" + f.Path() + "は大きすぎる", 0), 0u) << text;
        EXPECT_NE(text.find("64 MiB"), std::string::npos) << text;
        EXPECT_EQ(e.Path(), f.Path());
    }
    EXPECT_EQ(std::filesystem::file_size(f.Path()), ProfileFile::kMaxFileBytes + 1);
    EXPECT_FALSE(ProfileFile(dir.File("none.INI")).TooLarge());
}

TEST(ProfileHostile, GarbageAndHugeFiles) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    std::mt19937 rng(1234);
    std::string garbage(1 << 16, '\0');
    for (char& c : garbage) c = static_cast<char>(rng());
    WriteFileBytes(f.Path(), garbage);
    EXPECT_EQ(f.ReadInteger("Config", "RowCount", 10), 10);
    f.WriteInteger("Config", "RowCount", 11);
    EXPECT_EQ(f.ReadInteger("Config", "RowCount", 0), 11);

    // A 10 MB file with the key at its end, and a 100 000-byte line.
    std::string big = "[Config]\n";
    while (big.size() < 10u << 20) big += "Filler=" + std::string(200, 'f') + "\n";
    big += std::string(100000, 'L') + "\nRowCount=5\n";
    WriteFileBytes(f.Path(), big);
    EXPECT_EQ(f.ReadInteger("Config", "RowCount", 0), 5);
    f.WriteString("Config", "Long", std::string(100000, 'v'));
    EXPECT_EQ(f.ReadString("Config", "Long", "").size(), ProfileFile::kMaxStringBytes);
    EXPECT_EQ(ReadFileBytes(f.Path()).size(), big.size() + 5 + 100000 + 1);
}

TEST(ProfileHostile, NoFileInPlace) {
    TempDir dir;
    // A folder where the file should be: reads give defaults, a write is refused.
    std::filesystem::create_directory(dir.File("a.INI"));
    ProfileFile f(dir.File("a.INI"));
    EXPECT_EQ(f.ReadString("S", "K", "d"), "d");
    EXPECT_THROW(f.WriteString("S", "K", "v"), ProfileWriteError);
    // A FIFO is never opened for reading (that would hang) nor replaced.
    ASSERT_EQ(::mkfifo(dir.File("fifo.INI").c_str(), 0600), 0);
    ProfileFile fifo(dir.File("fifo.INI"));
    EXPECT_EQ(fifo.ReadInteger("S", "K", 3), 3);
    EXPECT_THROW(fifo.WriteInteger("S", "K", 1), ProfileWriteError);
}

TEST(ProfileWriteErrors, RefusedWritesSayWhereAndLoseNothing) {
    TempDir dir;
    // A path through a regular file cannot be written, even by root.
    WriteFileBytes(dir.File("plain"), "x");
    const std::string path = dir.File("plain/Mirvo.INI");
    ProfileFile f(path);
    try {
        f.WriteInteger("Config", "RowCount", 1);
        FAIL() << "the write was reported as done";
    } catch (const ProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), path + " に書き込めません");
    }
    EXPECT_EQ(ReadFileBytes(dir.File("plain")), "x");

    // A missing folder is not created behind the caller's back.
    ProfileFile nowhere(dir.File("missing/a.INI"));
    EXPECT_THROW(nowhere.WriteInteger("S", "K", 1), ProfileWriteError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

TEST(ProfileWriteErrors, ReadOnlyFileAndFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files; see the test above";
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    f.WriteInteger("S", "K", 1);
    ::chmod(f.Path().c_str(), 0444);
    EXPECT_THROW(f.WriteInteger("S", "K", 2), ProfileWriteError);
    ::chmod(f.Path().c_str(), 0644);
    ::chmod(dir.Path().c_str(), 0555);
    EXPECT_THROW(f.WriteInteger("S", "K", 3), ProfileWriteError);
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(f.ReadInteger("S", "K", 0), 1);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);  // no temporary file left behind
}

TEST(ProfileWrite, ReplacingKeepsPermissionsAndLinksAndLeavesNoTemporaryFile) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    f.WriteInteger("S", "K", 1);
    ::chmod(f.Path().c_str(), 0640);
    f.WriteInteger("S", "K", 2);
    struct stat st {};
    ASSERT_EQ(::stat(f.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    std::filesystem::create_symlink(f.Path(), dir.File("link.INI"));
    ProfileFile link(dir.File("link.INI"));
    link.WriteInteger("S", "K", 3);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.INI")));
    EXPECT_EQ(f.ReadInteger("S", "K", 0), 3);
    EXPECT_EQ(FilesIn(dir.Path()), 2u);
}

TEST(ProfileEdit, ABatchIsOneReplacementThatLeavesWhatSingleWritesLeave) {
    TempDir dir;
    const std::string start =
        "\xEF\xBB\xBF; note\r\n[a]\r\nk=1\r\n\r\n[B]\r\nx=old\r\n[A]\r\nk=2\r\nlast=3";
    const ProfileChange changes[] = {{"A", "K", "10"},   {"b", "y", "new"}, {"New", "n", "1"},
                                     {"A", "late", "4"}, {"new", "m", "2"}, {"A", "k", "11"},
                                     {"B", "x", " sp"}};
    WriteFileBytes(dir.File("one.INI"), start);
    WriteFileBytes(dir.File("each.INI"), start);
    ProfileFile one(dir.File("one.INI")), each(dir.File("each.INI"));
    one.WriteValues(changes);
    for (const ProfileChange& c : changes) each.WriteValue(c.section, c.key, c.value);
    EXPECT_EQ(ReadFileBytes(one.Path()),
              "\xEF\xBB\xBF; note\r\n[a]\r\nk=11\r\nlate=4\r\n\r\n[B]\r\nx=\" sp\"\r\ny=new\r\n"
              "[A]\r\nk=2\r\nlast=3\r\n\r\n[New]\r\nn=1\r\nm=2\r\n");
    EXPECT_EQ(ReadFileBytes(one.Path()), ReadFileBytes(each.Path()));
}

TEST(ProfileEdit, AFailedReplacementLeavesTheOldFileWhole) {
    TempDir dir;
    ProfileFile f(dir.File("a.INI"));
    ProfileEdit edit(f);
    for (int i = 0; i < 100; ++i) edit.SetInteger("S", "K" + std::to_string(i), i);
    edit.Commit();
    const std::string before = ReadFileBytes(f.Path());
    // A file size limit refuses the longer file part way through its writing (even root).
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{before.size() + 10, before.size() + 10};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        for (int i = 0; i < 100; ++i) edit.SetString("S", "K" + std::to_string(i), "longer");
        try {
            edit.Commit();
        } catch (const ProfileWriteError&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the refusal was not told";
    EXPECT_EQ(ReadFileBytes(f.Path()), before);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

TEST(ProfileWrite, TemporaryFilesOfGoneWritersGoAndALiveWritersStay) {
    TempDir dir;
    ProfileFile f(dir.File("Mirvo.INI"));
    f.WriteInteger("S", "K", 1);
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const pid_t live = ::getppid();
    const std::string name = BaseName(f.Path());
    const std::string prefix = TemporaryNamePrefix(f.Path());
    EXPECT_LT(prefix.size() + 20, 40u);  // short whatever the name: pid and count fit
    const struct {
        std::string file;
        bool stays;
    } cases[] = {
        {prefix + std::to_string(gone) + "-7.tmp", false},
        {prefix + std::to_string(live) + "-7.tmp", true},  // still being written
        {prefix + std::to_string(::getpid()) + "-9999.tmp", true},
        {TemporaryNamePrefix(dir.File("other.INI")) + std::to_string(gone) + "-7.tmp", true},
        {"." + name + ".tmp" + std::to_string(gone) + "_3", false},  // a long name of before
        {"." + name + ".tmp" + std::to_string(live) + "_3", true},
        {".other.INI.tmp" + std::to_string(gone) + "_1", true},  // another file's
        {"notes.txt", true},
    };
    for (const auto& c : cases) WriteFileBytes(dir.File(c.file), "partial");
    f.WriteInteger("S", "K", 3);
    for (const auto& c : cases)
        EXPECT_EQ(std::filesystem::exists(dir.File(c.file)), c.stays) << c.file;
    EXPECT_EQ(f.ReadInteger("S", "K", 0), 3);
}

}  // namespace
}  // namespace mirvo
