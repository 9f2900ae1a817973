// The footnote pop-up's hit test: the cases of the grid arithmetic, and marks found where
// the page renderer really draws them, on both pages of a spread.
#include "viewer/footnote_hit.h"

#include <gtest/gtest.h>

#include "format/cp932.h"
#include "render/page_renderer.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

constexpr auto kKeep = FootnoteAction::Keep;
constexpr auto kHide = FootnoteAction::Hide;
constexpr auto kShow = FootnoteAction::Show;

TEST(FootnoteHit, GridCases) {
    // A 440 x 616 page of 10 rows of 50 bytes: row slots 40 pixels wide, byte cells 616 / 51.
    const std::vector<std::string> text = {Sjis("あ③い"), Sjis("本文") + "A" + Sjis("ｇ") + "A",
                                           Sjis("⑤と") + Sjis("⑦")};
    const std::vector<std::string> notes = {"a", "b", Sjis("三つ目"), "d", ""};
    const FootnotePage page{440, 616, 10, 50, text, notes};
    const double cell = 616.0 / 51;
    auto at = [&](double x, double byte) { return GridPoint{x, (byte - 0.5) * cell}; };
    struct Case {
        const char* what;
        GridPoint p;
        FootnoteAction action;
        std::size_t index;
    } cases[] = {
        {"x 430: the right margin slot", at(430, 1), kKeep, 0},
        {"x 392: row 1, ordinary text", at(392, 1), kHide, 0},
        {"upper half of ③", at(392, 3), kShow, 2},
        {"lower half of ③", at(392, 4), kHide, 0},
        {"last byte of a row", at(392, 6), kKeep, 0},
        {"past the end of a row", at(392, 9), kKeep, 0},
        {"a row the page does not have", at(260, 1), kKeep, 0},
        {"left of the last row slot", at(-1, 1), kKeep, 0},
        {"above the grid", {392, -0.5}, kKeep, 0},
        {"right of the grid", {441, 10}, kKeep, 0},
        // "ｇ" ends in byte 0x87 and "A" is 0x41: the pair reads like ② but starts no
        // character of the row.
        {"mark bytes across two characters", at(352, 7), kHide, 0},
        {"typed circled number without its note", at(312, 5), kHide, 0},
        {"circled number whose note is empty", at(312, 1), kHide, 0},
    };
    for (const Case& c : cases) {
        const FootnoteHit hit = FindFootnoteMark(page, c.p);
        EXPECT_EQ(hit.action, c.action) << c.what;
        if (c.action == kShow) {
            EXPECT_EQ(hit.index, c.index) << c.what;
        }
    }
}

TEST(FootnoteHit, PopupWidthFollowsTheNotesBytes) {
    EXPECT_EQ(FootnotePopupWidth(40, 13), 305);   // 20 full-width characters
    EXPECT_EQ(FootnotePopupWidth(40, -13), 305);  // a font height given as a cell height
    EXPECT_EQ(FootnotePopupWidth(2, 13), 15);
    EXPECT_EQ(FootnotePopupWidth(0, 13), 0);
}

class MarkRecorder : public GlyphPainter {
  public:
    struct Mark {
        int x, y;
    };
    void SetFonts(const std::string&, bool, int body, int) override { height = body; }
    void DrawChar(Bitmap&, PageFont, std::string_view, int x, int y, Color color) override {
        if (color == kFootnoteBlue) marks.push_back({x, y});
    }
    std::vector<Mark> marks;
    int height = 0;
};

class ErrorsIgnored : public ErrorReporter {
  public:
    void ReportError(const std::string&) override {}
};

// Marks in the first and last rows of both pages, at the top, in the middle and at the foot
// of a row: the pointer over the upper half of each drawn mark finds its note, over the lower
// half (ordinary text follows) it hides the pop-up. Taking the pointer as the grid position
// without undoing the text block's margin and scale finds neither end of the page.
TEST(FootnoteHit, MarksAreFoundWhereTheyAreDrawn) {
    const std::string full23 = [] {
        std::string s;
        for (int i = 0; i < 23; ++i) s += "あ";
        return s;
    }();
    RowList rows = {
        Sjis("［＃一］あいう"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis(full23 + "［＃二］い"),  // page 1, row 10: the mark at bytes 47-48
        Sjis("［＃三］あ"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("本文"),
        Sjis("あいうえおかきくけこ［＃四］さ"),  // page 2, row 10, mid-row
    };
    for (const auto& [W, H] : {std::pair{300, 420}, std::pair{403, 564}}) {
        Settings settings;
        settings.UsePageTexture = false;
        MarkRecorder painter;
        PageRenderer renderer(&painter);
        PageTexts lists;
        Bitmap buffer, texture(4, 4, 0xFFFFFF);
        ErrorsIgnored errors;
        const std::string path;
        const PageSource src{rows, settings, texture, path};
        ASSERT_TRUE(renderer.RenderPage(buffer, W, H, 1, true, src, lists, errors));
        const auto rightMarks = painter.marks;
        painter.marks.clear();
        ASSERT_TRUE(renderer.RenderPage(buffer, W, H, 2, false, src, lists, errors));
        const auto leftMarks = painter.marks;
        ASSERT_EQ(rightMarks.size(), 2u);
        ASSERT_EQ(leftMarks.size(), 2u);
        ASSERT_EQ(lists.FootnoteList[2], Sjis("三"));  // numbered on across the spread

        const double h = painter.height;
        std::size_t number = 0;
        for (const bool right : {true, false}) {
            const FootnotePage page{
                W, H, 10, 50, right ? lists.RightPageText : lists.LeftPageText, lists.FootnoteList};
            int rawFound = 0;
            for (const auto& m : right ? rightMarks : leftMarks) {
                // The turned cell runs leftward from x and downward from y.
                const double px = m.x - h / 2, upper = m.y + h / 4, lower = m.y + 3 * h / 4;
                const FootnoteHit hit = FindFootnoteMark(page, PageToGrid(px, upper, W, H));
                EXPECT_EQ(hit.action, kShow) << W << " mark " << number + 1;
                EXPECT_EQ(hit.index, number) << W << " mark " << number + 1;
                EXPECT_EQ(FindFootnoteMark(page, PageToGrid(px, lower, W, H)).action, kHide)
                    << W << " mark " << number + 1;
                if (FindFootnoteMark(page, {px, upper}).action == kShow) ++rawFound;
                ++number;
            }
            EXPECT_LT(rawFound, 2) << "the raw pointer finds the marks at the page's ends";
        }
    }
}

}  // namespace
}  // namespace mirvo
