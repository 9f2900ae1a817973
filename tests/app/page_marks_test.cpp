// Marks on the spread on show: a selection dragged across the gutter copies the rows' text
// without markup, a row that ended a line gives a line break, a find hit is banded on its
// page only, and a page turn drops the marks.
#include <gtest/gtest.h>

#include <string>

#include "app/page_marks.h"
#include "app/reader.h"
#include "app/reader_fake_host.h"
#include "app/selection_text.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::Repeat;
using test::Sjis;
using test::TempDir;

struct Book {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
    PageMarks marks;

    explicit Book(const std::string& utf8) {
        const std::string path = dir.File("book.txt");
        test::WriteFileBytes(path, Sjis(utf8));
        reader.FormCreate({path});
        reader.FormResize(400, 300);
        reader.OpenDocument();
        reader.ShowPage(1);
    }
    PageLayout Layout() const { return reader.Book().Layout(); }
    // The middle of the character at byte `col` of row slot `row` of a page.
    std::pair<double, double> Pixel(PageRequester side, int row, int col) const {
        const Rect& image = side == PageRequester::RightPage ? reader.Spread().RightImage()
                                                             : reader.Spread().LeftImage();
        const Rect r = CellsRect({image.Width(), image.Height(), Layout(), 0}, row, col + 1, 2);
        return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0};
    }
    void Select(PageRequester from, int fromRow, int fromCol, PageRequester to, int toRow,
                int toCol) {
        const auto [x0, y0] = Pixel(from, fromRow, fromCol);
        const auto [x1, y1] = Pixel(to, toRow, toCol);
        marks.Press(reader, from, x0, y0);
        marks.DragTo(reader, to, x1, y1);
    }
};

TEST(PageMarks, SelectionAcrossTheGutterCopiesTheRowsAsTheyRead) {
    Book b("題\r\n著者\r\n" + Repeat("あいうえおかき", 200) + "\r\n");
    const int R = b.Layout().Rows();
    const RowList& rows = b.reader.Book().Rows();
    // From the right page's last row to the left page's second character.
    b.Select(PageRequester::RightPage, R, 0, PageRequester::LeftPage, 1, 2);
    ASSERT_TRUE(b.marks.HasSelection());
    EXPECT_EQ(b.marks.SelectedText(b.reader),
              Cp932ToUtf8(rows[static_cast<std::size_t>(R - 1)] +
                          rows[static_cast<std::size_t>(R)].substr(0, 4)));
    EXPECT_NE(b.marks.Picture(PageRequester::RightPage), nullptr);
    EXPECT_NE(b.marks.Picture(PageRequester::LeftPage), nullptr);

    // A page turn leaves the selection behind.
    b.reader.PageClick(PageRequester::LeftPage);
    EXPECT_FALSE(b.marks.Refresh(b.reader));
    EXPECT_FALSE(b.marks.HasSelection());
    EXPECT_EQ(b.marks.Picture(PageRequester::RightPage), nullptr);
}

TEST(PageMarks, CopiedTextLeavesOutRubyMarksAndNotes) {
    Book b("題\r\n著者\r\n｜先生《せんせい》は［＃注の文］猫だ。\r\n次の行\r\n");
    // Rows 3 and 4 of the right page, whole: a line break between the lines.
    b.Select(PageRequester::RightPage, 3, 0, PageRequester::RightPage, 4, 4);
    EXPECT_EQ(b.marks.SelectedText(b.reader), "先生は猫だ。\n次の行");
    // A drag that only touches the mark and nothing that reads copies nothing.
    const std::string row = b.reader.Spread().Texts().RightPageText[2];
    const int mark = static_cast<int>(row.find(Sjis("①")));
    ASSERT_GT(mark, 0);
    b.Select(PageRequester::RightPage, 3, mark, PageRequester::RightPage, 3, mark);
    EXPECT_EQ(b.marks.SelectedText(b.reader), "");
}

TEST(PageMarks, FindHitIsBandedOnItsPageUntilTheSpreadChanges) {
    Book b("題\r\n著者\r\n" + Repeat("あいうえおかき", 200) + "猫\r\n");
    const FindHit& hit = b.reader.FindText("猫", FindDirection::Next);
    ASSERT_TRUE(hit.found);
    b.marks.MarkHit(b.reader, hit);
    const bool right = (hit.cells[0].row / b.Layout().Rows()) % 2 == 0;
    const PageRequester on = right ? PageRequester::RightPage : PageRequester::LeftPage;
    const PageRequester off = right ? PageRequester::LeftPage : PageRequester::RightPage;
    ASSERT_NE(b.marks.Picture(on), nullptr);
    EXPECT_EQ(b.marks.Picture(off), nullptr);
    const Bitmap& shown = on == PageRequester::RightPage ? b.reader.Spread().RightPage()
                                                         : b.reader.Spread().LeftPage();
    const Bitmap& banded = *b.marks.Picture(on);
    int changed = 0;
    for (int y = 0; y < shown.Height(); ++y)
        for (int x = 0; x < shown.Width(); ++x) changed += shown.Pixel(x, y) != banded.Pixel(x, y);
    EXPECT_GT(changed, 0);
    EXPECT_LT(changed, shown.Width() * shown.Height() / 20);  // one cell's band
    EXPECT_TRUE(b.marks.Refresh(b.reader));                   // the same spread again: still banded
    b.reader.PageClick(PageRequester::RightPage);
    EXPECT_FALSE(b.marks.Refresh(b.reader));

    // The book formatted again (F5) on the same spread: the rows the band named are gone.
    b.marks.MarkHit(b.reader, b.reader.FindText("猫", FindDirection::Previous));
    ASSERT_TRUE(b.marks.Refresh(b.reader));
    b.reader.mmiReViewClick();
    EXPECT_FALSE(b.marks.Refresh(b.reader));
}

TEST(SelectionText, LineBreaksFollowRowsThatEndedALine) {
    const RowList rows = {Sjis("あいうえ"), Sjis("おか"), "", Sjis("きく"), Sjis("｜漢《かん》字")};
    const RowReading reading{true, true, 8, nullptr};
    struct Case {
        SourceCell first, last;
        const char* want;
    };
    const Case cases[] = {
        {{0, 2}, {1, 0}, "いうえお"},    // a full row runs on into the next
        {{1, 0}, {3, 0}, "おか\n\nき"},  // a short row and an empty one end lines
        {{3, 2}, {4, 4}, "く\n漢"},      // the ruby marker and reading do not read
        {{4, 2}, {4, 99}, "漢字"},       // a last byte past the row takes the rest
        {{4, 0}, {9, 0}, "漢字"},        // rows past the book are left out
    };
    for (const Case& c : cases) EXPECT_EQ(ReadRows(rows, reading, c.first, c.last), c.want);
}

}  // namespace
}  // namespace mirvo
