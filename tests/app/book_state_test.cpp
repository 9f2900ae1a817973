#include "app/book_state.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <sstream>

#include "app/global_settings.h"
#include "format/cp932.h"
#include "settings_test_util.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::ReadFileBytes;
using test::RecordingProfile;
using test::Sjis;
using test::TempDir;
using test::WriteFileBytes;

struct Shelf {
    TempDir home;
    Shelf() { std::filesystem::create_directory(home.File("MirvoKs")); }
    std::string PathOf(const std::string& document) const {
        return BookStatePath(home.Path(), document);
    }
};

std::size_t FilesIn(const std::string& folder) {
    const std::filesystem::directory_iterator files(folder);
    return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

PageListRow Heading(int page) {
    return {"", "heading", std::to_string(page)};
}
PageListRow Mark(int page) {
    return {kBookmarkMark, "mark", std::to_string(page)};
}

TEST(BookState, PathFromTheDocumentName) {
    EXPECT_EQ(BookStatePath("/h", "/books/story.txt"), "/h/MirvoKs/story.INI");
    EXPECT_EQ(BookStatePath("/h", "/books/story.tar.gz"), "/h/MirvoKs/story.tar.INI");
    EXPECT_EQ(BookStatePath("/h", "/books.d/story"), "/h/MirvoKs/story.INI");
    EXPECT_EQ(BookStatePath("/h", "/books/本.TXT"), "/h/MirvoKs/本.INI");
    EXPECT_EQ(BookStatePath("/h", ""), "/h/MirvoKs/.INI");
    EXPECT_EQ(BookStatePath("/", "a.txt"), "/MirvoKs/a.INI");
}

TEST(BookState, NewBookReadsTheBookDefaults) {
    Shelf shelf;
    RecordingProfile file(shelf.PathOf("/books/new.txt"));
    Settings s;
    s.RowCount = 4;
    s.RowBytes = 8;
    s.UseComment = false;
    s.UseAozoraNotes = true;  // book-scoped: a new book has it off
    s.Typesetting = true;     // the same
    s.ChangeSpeed = 7;        // global: a book never replaces it
    s.BKStandFolder = "/shelf";
    const BookPosition pos = ReadBookState(file, s);
    EXPECT_EQ(pos.CurrentPage, -1);
    EXPECT_EQ(pos.ClipCount, 0);
    EXPECT_EQ(s.RowCount, 10);
    EXPECT_EQ(s.RowBytes, 50);
    EXPECT_TRUE(s.UseComment);
    EXPECT_FALSE(s.UseAozoraNotes);
    EXPECT_FALSE(s.Typesetting);
    EXPECT_EQ(s.IndexChar, "◎");
    EXPECT_EQ(s.FontName, "@ＭＳ ゴシック");
    EXPECT_EQ(s.PageColor, "clWhite");
    EXPECT_EQ(s.ChangeSpeed, 7);
    EXPECT_EQ(s.BKStandFolder, "/shelf");
    EXPECT_EQ(ReadClip(file, 1), 1);
    const std::vector<std::string> order = {
        "Config/BaseBGTexture",  "Config/PageBGTexture", "Config/PageColor",
        "Config/CoverColor",     "Mirvo/CurrentPage",    "Config/RowCount",
        "Config/CharCount",      "Config/UseRuby",       "Config/UseImage",
        "Config/UseComment",     "Config/UseTexture",    "Config/FontName",
        "Config/FontBold",       "Config/FontSpace",     "Config/IndexChar",
        "Config/UseAozoraNotes", "Config/Encoding",      "Config/Typesetting",
        "Config/TextColor",      "Mirvo/ClipCount",      "Mirvo/Clip1"};
    EXPECT_EQ(file.reads, order);
}

TEST(BookState, PageNineWithoutBookmarks) {
    Shelf shelf;
    ProfileFile file(shelf.PathOf("/books/new.txt"));
    Settings s;
    s.IndexChar = "◎";
    s.RowBytes = 26;
    s.FontSpace = 10;
    s.UsePageTexture = false;
    const std::vector<PageListRow> grid = {Heading(1), Heading(5), {"", "", ""}};
    SaveBookState(file, s, 9, grid);
    // ClipCount joins its section; the keys of each section stand in write order.
    EXPECT_EQ(
        ReadFileBytes(file.Path()),
        "[Mirvo]\nCurrentPage=9\nClipCount=0\n\n[Config]\nRowCount=10\nCharCount=13\n"
        "UseRuby=1\nUseImage=1\nFontName=@ＭＳ ゴシック\nFontBold=0\nFontSpace=10\n"
        "UseTexture=0\nBaseBGTexture=\nPageBGTexture=\nPageColor=clWhite\n"
        "CoverColor=clWhite\nIndexChar=◎\nUseAozoraNotes=0\nTypesetting=0\nTextColor=clBlack\n");
    Settings back;
    const BookPosition pos = ReadBookState(file, back);
    EXPECT_EQ(pos.CurrentPage, 9);
    EXPECT_EQ(pos.ClipCount, 0);
    EXPECT_EQ(back.RowBytes, 26);
    EXPECT_FALSE(back.UsePageTexture);
}

TEST(BookState, WriteOrder) {
    Shelf shelf;
    RecordingProfile file(shelf.PathOf("/b/x.txt"));
    SaveBookState(file, Settings{}, 3, std::vector<PageListRow>{Mark(2), Heading(3), Mark(4)});
    const std::vector<std::string> order = {
        "Mirvo/CurrentPage", "Config/RowCount",      "Config/CharCount",      "Config/UseRuby",
        "Config/UseImage",   "Config/FontName",      "Config/FontBold",       "Config/FontSpace",
        "Config/UseTexture", "Config/BaseBGTexture", "Config/PageBGTexture",  "Config/PageColor",
        "Config/CoverColor", "Config/IndexChar",     "Config/UseAozoraNotes", "Config/Typesetting",
        "Config/TextColor",  "Mirvo/Clip1",          "Mirvo/Clip2",           "Mirvo/ClipCount"};
    EXPECT_EQ(file.writes, order);
}

TEST(BookState, FiveBookmarksTwoDeleted) {
    Shelf shelf;
    ProfileFile file(shelf.PathOf("/b/x.txt"));
    WriteFileBytes(file.Path(),
                   "[Mirvo]\nCurrentPage=3\nClipCount=5\nClip1=2\nClip2=4\nClip3=6\nClip4=8\n"
                   "Clip5=10\n[Config]\nUseComment=0\n");
    Settings s;
    const BookPosition pos = ReadBookState(file, s);
    ASSERT_EQ(pos.ClipCount, 5);
    EXPECT_EQ(ReadClip(file, 5), 10);
    EXPECT_FALSE(s.UseComment) << "entered by hand, switches annotations off";

    // Pages 4 and 8 deleted; headings in between are no bookmarks.
    SaveBookState(file, s, 3,
                  std::vector<PageListRow>{Mark(2), Heading(3), Mark(6), Mark(10), {"", "", ""}});
    const BookPosition after = ReadBookState(file, s);
    EXPECT_EQ(after.ClipCount, 3);
    EXPECT_EQ(ReadClip(file, 1), 2);
    EXPECT_EQ(ReadClip(file, 2), 6);
    EXPECT_EQ(ReadClip(file, 3), 10);
    EXPECT_EQ(ReadClip(file, 4), 8) << "left in the file, without effect";
    EXPECT_EQ(ReadClip(file, 5), 10);
    EXPECT_FALSE(s.UseComment);
    EXPECT_NE(ReadFileBytes(file.Path()).find("\nUseComment=0\n"), std::string::npos);
}

TEST(BookState, StoredBookmarksReadInOnePass) {
    Shelf shelf;
    ProfileFile file(shelf.PathOf("/b/x.txt"));
    WriteFileBytes(file.Path(),
                   "[Mirvo]\nClipCount=5\nClip1=5\nclip2=$A\nCLIP3=x\nClip5=-2\nClip1=9\n"
                   "[Other]\nClip4=7\n");
    Settings s;
    const BookPosition pos = ReadBookState(file, s);
    std::vector<int> one;
    for (int n = 1; n <= pos.ClipCount; ++n) one.push_back(ReadClip(file, n));
    EXPECT_EQ(one, (std::vector<int>{5, 10, 1, 1, -2}));
    EXPECT_EQ(ReadClips(file, pos.ClipCount), one);

    // A damaged count cannot make the opening read for ever.
    WriteFileBytes(file.Path(), "[Mirvo]\nClipCount=2000000000\nClip1=3\n");
    const BookPosition huge = ReadBookState(file, s);
    EXPECT_EQ(huge.ClipCount, kMaxStoredBookmarks);
    const std::vector<int> pages = ReadClips(file, huge.ClipCount);
    ASSERT_EQ(pages.size(), static_cast<std::size_t>(kMaxStoredBookmarks));
    EXPECT_EQ(pages[0], 3);
    EXPECT_EQ(pages[1], 1);
    WriteFileBytes(file.Path(), "[Mirvo]\nClipCount=-4\n");
    EXPECT_EQ(ReadBookState(file, s).ClipCount, 0);
}

TEST(BookState, EmptyDocumentPathAndOddCounts) {
    Shelf shelf;
    ProfileFile file(shelf.PathOf(""));
    Settings s;
    SaveBookState(file, s, -1, {});
    EXPECT_TRUE(std::filesystem::exists(shelf.home.File("MirvoKs/.INI")));
    // Counts below 1 are kept as read; the layout code clamps them where it uses them.
    WriteFileBytes(file.Path(), "[Config]\nRowCount=0\nCharCount=-1\n[Mirvo]\nCurrentPage=x\n");
    const BookPosition pos = ReadBookState(file, s);
    EXPECT_EQ(s.RowCount, 0);
    EXPECT_EQ(s.RowBytes, -2);
    EXPECT_EQ(pos.CurrentPage, -1);
}

TEST(BookState, WindowsFileInCp932) {
    Shelf shelf;
    ProfileFile file(shelf.PathOf("C:/本/物語.txt"));
    EXPECT_EQ(BaseName(file.Path()), "物語.INI");
    WriteFileBytes(file.Path(), Sjis("[Mirvo]\r\nCurrentPage=$0B\r\n[Config]\r\n"
                                     "FontName=@ＭＳ 明朝\r\nIndexChar=■\r\n"
                                     "BaseBGTexture=C:\\絵\\紙.bmp\r\n"));
    Settings s;
    EXPECT_EQ(ReadBookState(file, s).CurrentPage, 11);
    EXPECT_EQ(s.FontName, "@ＭＳ 明朝");
    EXPECT_EQ(s.IndexChar, "■");
    EXPECT_EQ(s.BaseBGTexture, "C:\\絵\\紙.bmp");
    SaveBookState(file, s, 13, {});
    const std::string text = ReadFileBytes(file.Path());
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_NE(text.find("CurrentPage=13\r\n"), std::string::npos);
    EXPECT_NE(text.find("IndexChar=■\r\n"), std::string::npos);
    Settings back;
    ReadBookState(file, back);
    EXPECT_EQ(back.BaseBGTexture, s.BaseBGTexture);
}

TEST(BookState, RefusedWriteStopsTheSave) {
    Shelf shelf;
    std::filesystem::remove(shelf.home.File("MirvoKs"));  // the folder went missing
    RecordingProfile file(shelf.PathOf("/b/x.txt"));
    try {
        SaveBookState(file, Settings{}, 5, {});
        FAIL() << "a refused save reported as done";
    } catch (const ProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), file.Path() + " に書き込めません");
    }
    EXPECT_EQ(file.replaces, 1);
}

TEST(BookState, TenThousandBookmarksAreOneFastReplacement) {
    Shelf shelf;
    RecordingProfile file(shelf.PathOf("/b/many.txt"));
    std::vector<PageListRow> grid;
    for (int page = 1; page <= kMaxStoredBookmarks; ++page) grid.push_back(Mark(page));
    const auto start = std::chrono::steady_clock::now();
    SaveBookState(file, Settings{}, 7, grid);
    SaveBookState(file, Settings{}, 8, grid);  // over a file that holds them all
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("two saves of %d bookmarks: %lld ms\n", kMaxStoredBookmarks,
                static_cast<long long>(ms));
    EXPECT_EQ(file.replaces, 2);
    EXPECT_LT(ms, 2000);
    Settings back;
    const BookPosition pos = ReadBookState(file, back);
    EXPECT_EQ(pos.CurrentPage, 8);
    ASSERT_EQ(pos.ClipCount, kMaxStoredBookmarks);
    const std::vector<int> pages = ReadClips(file, pos.ClipCount);
    EXPECT_EQ(pages.front(), 1);
    EXPECT_EQ(pages.back(), kMaxStoredBookmarks);
}

TEST(BookState, NameNearTheFileSystemLimitStillSaves) {
    // 80 kana and ".txt": the state file's name is 244 bytes, 11 under the limit.
    std::string name;
    for (int i = 0; i < 80; ++i) name += "あ";
    Shelf shelf;
    ProfileFile file(shelf.PathOf("/b/" + name + ".txt"));
    ASSERT_EQ(BaseName(file.Path()).size(), 244u);
    SaveBookState(file, Settings{}, 4, std::vector<PageListRow>{Mark(3)});
    Settings back;
    EXPECT_EQ(ReadBookState(file, back).CurrentPage, 4);
    EXPECT_EQ(FilesIn(shelf.home.File("MirvoKs")), 1u);
}

// Generation g of a book's state: every value tells which save wrote it.
Settings Generation(int g) {
    Settings s;
    s.RowCount = g;
    s.RowBytes = 2 * g;
    s.FontName = "字" + std::to_string(g);
    s.FontSpace = g;
    s.BaseBGTexture = "b" + std::to_string(g);
    s.PageBGTexture = "p" + std::to_string(g);
    s.PageColor = "$" + std::to_string(g);
    s.CoverColor = "c" + std::to_string(g);
    s.IndexChar = "◎" + std::to_string(g);
    return s;
}

void SaveGeneration(ProfileFile& file, int g) {
    SaveBookState(file, Generation(g), g, std::vector<PageListRow>{Mark(g), Heading(1), Mark(g)});
}

// The generation of every numbered key in write order; fails when a key is missing or the
// file has a line that is neither a header nor a key.
std::vector<int> Generations(const ProfileFile& file) {
    const std::string text = ReadFileBytes(file.Path());
    EXPECT_TRUE(IsValidUtf8(text));
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        EXPECT_TRUE(line.empty() || line.front() == '[' || line.find('=') != std::string::npos)
            << line;
    auto number = [&](const char* section, const char* key, std::string_view prefix) {
        const std::string v = file.ReadString(section, key, "<missing>");
        EXPECT_TRUE(v.starts_with(prefix)) << key << "=" << v;
        return std::atoi(v.c_str() + std::min(prefix.size(), v.size()));
    };
    return {number("Mirvo", "CurrentPage", ""),     number("Config", "RowCount", ""),
            number("Config", "CharCount", ""),      number("Config", "FontName", "字"),
            number("Config", "FontSpace", ""),      number("Config", "BaseBGTexture", "b"),
            number("Config", "PageBGTexture", "p"), number("Config", "PageColor", "$"),
            number("Config", "CoverColor", "c"),    number("Config", "IndexChar", "◎"),
            number("Mirvo", "Clip1", ""),           number("Mirvo", "Clip2", "")};
}

TEST(BookStateCrash, WriterKilledAtRandomMomentsLeavesAWholeFile) {
    Shelf shelf;
    ProfileFile file(shelf.PathOf("/b/crash.txt"));
    const auto start = std::chrono::steady_clock::now();
    SaveGeneration(file, 1);
    // Most kills come soon after the writer starts, every eighth anywhere in a whole save,
    // so that saves are cut short at different moments.
    const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count();
    const unsigned longWait = static_cast<unsigned>(std::clamp<long long>(saveTime, 4000, 100000));
    std::mt19937 rng(20261208);
    int replaced = 0, orphaned = 0;
    int rounds = 0;
    for (; rounds < 300; ++rounds) {
        const std::vector<int> before = Generations(file);
        const int next = *std::max_element(before.begin(), before.end()) + 1;
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(ready[0]);
            // Tell the parent that writing begins now, so that its random wait measures
            // time spent writing, not the start of the process.
            if (::write(ready[1], "x", 1) != 1) ::_exit(2);
            try {
                for (int g = next;; ++g) SaveGeneration(file, g);
            } catch (...) {
            }
            ::_exit(1);
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(rng() % (rounds % 8 == 7 ? longWait : 4000u)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";

        // A save is one replacement of the file: a kill leaves every key of one generation,
        // the old one or a new one, never a torn or missing value.
        const std::vector<int> g = Generations(file);
        ASSERT_FALSE(::testing::Test::HasFailure()) << "round " << rounds;
        for (std::size_t i = 1; i < g.size(); ++i)
            ASSERT_EQ(g[i], g[0]) << "round " << rounds << " key " << i;
        EXPECT_EQ(file.ReadInteger("Mirvo", "ClipCount", -1), 2);
        if (g != before) ++replaced;
        if (FilesIn(shelf.home.File("MirvoKs")) > 1) ++orphaned;  // killed inside a save
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(4)) {
            ++rounds;
            break;
        }
    }
    EXPECT_GT(orphaned, 0) << "no kill landed inside a save";
    // The temporary files of the killed writers go with the next save.
    SaveGeneration(file, 1);
    EXPECT_EQ(FilesIn(shelf.home.File("MirvoKs")), 1u);
    std::printf("%d rounds, %d with a new generation, %d killed inside a save\n", rounds, replaced,
                orphaned);
}

}  // namespace
}  // namespace mirvo
