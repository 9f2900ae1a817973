// Find in the reader core: each hit's spread is shown, hits cross ruby, row and page ends,
// the search wraps at the ends with a note, a miss leaves the page, and a re-display finds
// in the book as it now reads.
#include <gtest/gtest.h>

#include <string>

#include "app/reader.h"
#include "app/reader_fake_host.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::Repeat;
using test::TempDir;

constexpr auto kNext = FindDirection::Next;
constexpr auto kPrev = FindDirection::Previous;

// A cycle of seven characters, so that hits of a seven-character query fall across row
// and page ends at some point of a long line.
constexpr const char* kCycle = "あいうえおかき";
constexpr const char* kCycleQuery = "きあいうえおか";

struct Book {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
    std::string path;

    explicit Book(const std::string& utf8) {
        path = dir.File("book.txt");
        test::WriteFileBytes(path, test::Sjis(utf8));
        reader.FormCreate({path});
        reader.FormResize(400, 300);
        reader.OpenDocument();
    }
    // The hit lies on the spread on show.
    bool HitOnShow(const FindHit& hit) const {
        const PageLayout layout = reader.Book().Layout();
        const int shown = reader.Spread().ShownPage();
        const long long row = hit.cells.front().row;
        return reader.CurrentPage() == shown && row >= FirstRowOfPage(shown, layout) &&
               row < FirstRowOfPage(shown + 2, layout);
    }
    std::string RowText(const TextCell& cell, int bytes) const {
        return reader.Book().Rows()[cell.row].substr(cell.byte, static_cast<std::size_t>(bytes));
    }
};

std::string CycleBook() {
    return "題\r\n著者\r\n" + Repeat(kCycle, 120) + "\r\n";
}

TEST(ReaderFind, NextVisitsEveryHitOnItsSpreadAcrossRowsAndPages) {
    Book b(CycleBook());
    const PageLayout layout = b.reader.Book().Layout();
    int hits = 0, acrossRows = 0, acrossPages = 0;
    std::size_t last = 0;
    for (;;) {
        const FindHit hit = b.reader.FindText(kCycleQuery, kNext);
        ASSERT_TRUE(hit.found);
        if (hit.wrapped) break;
        ASSERT_TRUE(hits == 0 || hit.index > last) << hits;
        last = hit.index;
        ++hits;
        EXPECT_TRUE(b.HitOnShow(hit)) << hits;
        ASSERT_EQ(hit.cells.size(), 7u);
        EXPECT_EQ(b.RowText(hit.cells.front(), 2), test::Sjis("き"));
        EXPECT_EQ(b.RowText(hit.cells.back(), 2), test::Sjis("か"));
        const TextCell first = hit.cells.front(), end = hit.cells.back();
        if (first.row != end.row) ++acrossRows;
        if (PageOfRow(first.row, layout) != PageOfRow(end.row, layout)) ++acrossPages;
    }
    EXPECT_EQ(hits, 119);  // one fewer than the cycles: the query starts at a cycle's end
    EXPECT_GT(acrossRows, 0);
    EXPECT_GT(acrossPages, 0);
    EXPECT_GT(b.reader.Book().PageCount(), 2);
}

TEST(ReaderFind, FindsTheRubyBaseAndMarksOnlyItsCells) {
    Book b("題\r\n著者\r\n" + Repeat("本文の行です。\r\n", 30) +
           "私は其人を常に｜先生《せんせい》と呼んでいた。\r\n");
    const FindHit hit = b.reader.FindText("先生", kNext);
    ASSERT_TRUE(hit.found);
    EXPECT_FALSE(hit.wrapped);
    EXPECT_TRUE(b.HitOnShow(hit));
    EXPECT_GT(b.reader.CurrentPage(), 1);
    ASSERT_EQ(hit.cells.size(), 2u);
    EXPECT_EQ(b.RowText(hit.cells[0], 2), test::Sjis("先"));
    EXPECT_EQ(b.RowText(hit.cells[1], 2), test::Sjis("生"));
    EXPECT_FALSE(b.reader.FindText("せんせい", kNext).found);  // the reading is not text
}

TEST(ReaderFind, WrapsAtBothEndsWithANote) {
    Book b("題\r\n著者\r\n" + Repeat("本文の行です。\r\n", 20) + "鍵\r\n" +
           Repeat("本文の行です。\r\n", 20) + "鍵\r\n");
    const FindHit first = b.reader.FindText("鍵", kNext);
    ASSERT_TRUE(first.found);
    EXPECT_FALSE(first.wrapped);
    const std::size_t firstIndex = first.index;
    const int firstPage = b.reader.CurrentPage();
    const FindHit second = b.reader.FindText("鍵", kNext);
    ASSERT_TRUE(second.found);
    EXPECT_FALSE(second.wrapped);
    EXPECT_GT(b.reader.CurrentPage(), firstPage);
    EXPECT_EQ(b.host.status, b.path);

    const FindHit again = b.reader.FindText("鍵", kNext);  // past the last hit
    EXPECT_TRUE(again.wrapped);
    EXPECT_EQ(again.index, firstIndex);
    EXPECT_EQ(b.reader.CurrentPage(), firstPage);
    EXPECT_EQ(b.host.status, "本の終わりまで検索したので、初めから続けました");

    const FindHit back = b.reader.FindText("鍵", kPrev);  // before the first hit
    EXPECT_TRUE(back.wrapped);
    EXPECT_EQ(back.index, second.index);
    EXPECT_EQ(b.host.status, "本の初めまで検索したので、終わりから続けました");
    EXPECT_TRUE(b.HitOnShow(back));
}

TEST(ReaderFind, AMissLeavesThePageAndSaysSo) {
    Book b(CycleBook());
    ASSERT_TRUE(b.reader.FindText(kCycleQuery, kNext).found);
    const int page = b.reader.CurrentPage();
    const int repaints = b.host.repaints;
    const FindHit& miss = b.reader.FindText("猫", kNext);
    EXPECT_FALSE(miss.found);
    EXPECT_EQ(b.reader.CurrentPage(), page);
    EXPECT_EQ(b.host.repaints, repaints);
    EXPECT_EQ(b.host.status, "「猫」は見つかりませんでした");
}

TEST(ReaderFind, ReDisplayFindsInTheBookAsItNowReads) {
    Book b("題\r\n著者\r\n鍵\r\n" + Repeat("本文の行です。\r\n", 40));
    ASSERT_TRUE(b.reader.FindText("鍵", kNext).found);
    EXPECT_EQ(b.reader.CurrentPage(), 1);
    test::WriteFileBytes(
        b.path, test::Sjis("題\r\n著者\r\n" + Repeat("本文の行です。\r\n", 40) + "鍵\r\n"));
    b.reader.mmiReViewClick();
    const FindHit hit = b.reader.FindText("鍵", kNext);
    ASSERT_TRUE(hit.found);
    EXPECT_GT(b.reader.CurrentPage(), 1);
    EXPECT_TRUE(b.HitOnShow(hit));
}

}  // namespace
}  // namespace mirvo
