// The reading aids of the reader core: the heading rule, the grid's exchange sort, and
// bookmarks through a re-display or an opening that fails. (The window test drives
// insertion, deletion, re-display and the jumps from the contents through the menus.)
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "app/profile_file.h"
#include "app/reader.h"
#include "app/reader_contents.h"
#include "app/reader_fake_host.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::Sjis;
using test::TempDir;
using test::WriteBookState;
using test::WriteFileBytes;

TEST(ContentsHeadings, MarkOfTwoCharactersMarkupKeptAndLatePages) {
    const auto two =
        BuildContents({Sjis("◎◎二字"), Sjis("◎一字")}, PageLayout(10, 50), "◎◎", nullptr);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0].Caption, "◎◎二字");
    RowList rows(1000, Sjis("本文"));
    rows[25] = Sjis("\t◎｜漢字《かんじ》［＃注］");
    std::vector<std::string> progress;
    const auto found = BuildContents(rows, PageLayout(10, 50), "◎",
                                     [&](const std::string& t) { progress.push_back(t); });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Caption, "\t◎｜漢字《かんじ》［＃注］");  // as stored
    EXPECT_EQ(GridRow(found[0]).PageText, "3");
    EXPECT_EQ(progress[500], "目次生成中:●●●●●○○○○○");
}

ContentsEntry Entry(const std::string& mark, const char* name, int page) {
    return {mark == kBookmarkMark ? ContentsKind::Bookmark : ContentsKind::Heading, name, page};
}

std::vector<std::string> Names(const std::vector<ContentsEntry>& rows) {
    std::vector<std::string> names;
    for (const auto& r : rows) names.push_back(r.Caption);
    return names;
}

// The grid's procedure as written: every pair compared, only a strictly greater page swaps.
void ReferenceSort(std::vector<ContentsEntry>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = i + 1; j < rows.size(); ++j)
            if (std::stoi(GridRow(rows[i]).PageText) > std::stoi(GridRow(rows[j]).PageText))
                std::swap(rows[i], rows[j]);
}

TEST(ContentsSort, ExchangeSortAsTheGridDoesIt) {
    std::vector<ContentsEntry> a = {Entry("", "h1", 1), Entry("", "h3", 3), Entry("", "h5", 5),
                                    Entry("⇒", "b3", 3)};
    SortContents(a);
    EXPECT_EQ(Names(a), (std::vector<std::string>{"h1", "h3", "b3", "h5"}));
    std::vector<ContentsEntry> b = {Entry("", "p2", 2), Entry("", "h5", 5), Entry("⇒", "b5", 5),
                                    Entry("⇒", "b3", 3)};
    SortContents(b);
    EXPECT_EQ(Names(b), (std::vector<std::string>{"p2", "b3", "b5", "h5"}));
    // Any list gives what the full procedure gives, also a sorted one with an entry added.
    std::mt19937 random(8);
    for (int round = 0; round < 3000; ++round) {
        std::vector<ContentsEntry> rows;
        const int n = static_cast<int>(random() % 9);
        for (int k = 0; k < n; ++k)
            rows.push_back(
                Entry("", std::to_string(k).c_str(), static_cast<int>(1 + random() % 4)));
        if (round % 2 == 0 && n > 1) {
            ReferenceSort(rows);
            rows.push_back(Entry("⇒", "new", static_cast<int>(1 + random() % 4)));
        }
        std::vector<ContentsEntry> expected = rows;
        ReferenceSort(expected);
        SortContents(rows);
        ASSERT_EQ(Names(rows), Names(expected)) << "round " << round;
    }
}

// A book of 60 short lines, one row each (61 rows with the final empty one): headings in rows
// 12 and 35, pages 2 and 4 at ten rows a page.
struct Book {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
    std::string path = dir.File("book.txt");

    explicit Book(const std::string& state = "") {
        WriteFileBytes(path, Text());
        if (!state.empty()) WriteBookState(dir, path, state);
        reader.FormCreate({path});
        reader.ChangeSettings([](Settings& s) { s.ChangeSpeed = 0; });
        reader.FormResize(400, 300);
        reader.OpenDocument();
    }
    static std::string Text() {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            const std::string line = i == 12   ? "◎第一章"
                                     : i == 35 ? "◎第二章"
                                               : "本文の" + std::to_string(i) + "行目";
            text += Sjis(line) + "\r\n";
        }
        return text;
    }
    std::vector<std::string> Rows() const {
        std::vector<std::string> out;
        for (const auto& r : reader.Book().Contents())
            out.push_back(r.Mark + "|" + r.Caption + "|" + r.PageText);
        return out;
    }
};

TEST(Redisplay, UnreadableFileKeepsTheBookAndFailedFormattingKeepsTheBookmarks) {
    Book b("[Mirvo]\r\nCurrentPage=3\r\nClipCount=1\r\nClip1=5\r\n");
    const auto contents = b.Rows();
    const RowList rows = b.reader.Book().Rows();
    std::filesystem::remove(b.path);
    b.reader.mmiReViewClick();
    ASSERT_EQ(b.host.exceptions.size(), 1u);
    EXPECT_NE(b.host.exceptions[0].find(b.path), std::string::npos);
    EXPECT_EQ(b.reader.Book().Rows(), rows);
    EXPECT_EQ(b.Rows(), contents);
    EXPECT_EQ(b.reader.CurrentPage(), 3);

    // A file that no longer formats: front cover, no headings, the bookmark kept.
    WriteFileBytes(b.path, Sjis("。あいう\r\n"));
    b.reader.mmiReViewClick();
    EXPECT_TRUE(b.reader.FormatFailed());
    EXPECT_TRUE(b.reader.Book().Rows().empty());
    EXPECT_EQ(b.reader.CurrentPage(), FrontCoverPage);
    EXPECT_EQ(b.host.indicator, "表紙");
    EXPECT_EQ(b.Rows(), (std::vector<std::string>{"⇒|本文の40行目|5"}));
    // Closing now keeps the reader's place, not the front cover; a second failure too.
    const ProfileFile state(b.dir.File("MirvoKs/book.INI"));
    b.reader.mmiReViewClick();
    b.reader.FormClose();
    EXPECT_EQ(state.ReadInteger("Mirvo", "CurrentPage", 0), 3);
    // Mended, the next re-display labels it again and goes back to that page.
    WriteFileBytes(b.path, Book::Text());
    b.reader.mmiReViewClick();
    EXPECT_FALSE(b.reader.FormatFailed());
    EXPECT_EQ(b.Rows().size(), 3u);
    EXPECT_EQ(b.reader.CurrentPage(), 3);
    b.reader.FormClose();
    EXPECT_EQ(state.ReadInteger("Mirvo", "Clip1", 0), 5);
    EXPECT_EQ(state.ReadInteger("Mirvo", "CurrentPage", 0), 3);
}

TEST(Redisplay, FailedOpeningKeepsThatBooksBookmarksOutOfTheOldBook) {
    Book b("[Mirvo]\r\nClipCount=1\r\nClip1=5\r\n");
    const std::string bad = b.dir.File("bad.txt");
    WriteFileBytes(bad, Sjis("。あいう\r\n"));
    WriteBookState(b.dir, bad, "[Mirvo]\r\nClipCount=2\r\nClip1=3\r\nClip2=7\r\n");
    b.reader.OpenBook(bad);
    ASSERT_TRUE(b.reader.FormatFailed());
    b.reader.FormClose();
    const ProfileFile state(b.dir.File("MirvoKs/bad.INI"));
    EXPECT_EQ(ReadClips(state, state.ReadInteger("Mirvo", "ClipCount", 0)),
              (std::vector<int>{3, 7}));
}

}  // namespace
}  // namespace mirvo
