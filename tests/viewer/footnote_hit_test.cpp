// The footnote pop-up's hit test: the cases of the grid arithmetic, and marks found where
// the page renderer really draws them, on both pages of a spread.
#include "viewer/footnote_hit.h"

#include <gtest/gtest.h>

#include <tuple>

#include "format/cp932.h"
#include "render/page_renderer.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

constexpr auto kKeep = FootnoteAction::Keep;
constexpr auto kHide = FootnoteAction::Hide;
constexpr auto kShow = FootnoteAction::Show;

TEST(FootnoteHit, GridCasesAndPopupWidth) {
    // A 440 x 616 page of 10 rows of 50 bytes: row slots 40 pixels wide, byte cells 616 / 51.
    const std::vector<std::string> text = {Sjis("あ③い"), Sjis("本文") + "A" + Sjis("ｇ") + "A",
                                           Sjis("⑤と") + Sjis("⑦")};
    const std::vector<std::string> notes = {"a", "b", Sjis("三つ目"), "d", ""};
    const FootnotePage page{440, 616, PageLayout(10, 50), text, notes};
    auto at = [](double x, double byte) { return GridPoint{x, (byte - 0.5) * 616.0 / 51}; };
    const struct {
        const char* what;
        GridPoint p;
        FootnoteAction action;
    } cases[] = {
        {"x 430: the right margin slot", at(430, 1), kKeep},
        {"x 392: row 1, ordinary text", at(392, 1), kHide},
        {"upper half of ③", at(392, 3), kShow},
        {"lower half of ③", at(392, 4), kHide},
        {"last byte of a row", at(392, 6), kKeep},
        {"past the end of a row", at(392, 9), kKeep},
        {"a row the page does not have", at(260, 1), kKeep},
        {"left of the grid", at(-1, 1), kKeep},
        {"above the grid", {392, -0.5}, kKeep},
        // "ｇ" ends in byte 0x87 and "A" is 0x41: the pair reads like ② but starts no
        // character of the row.
        {"mark bytes across two characters", at(352, 7), kHide},
        {"typed circled number without its note", at(312, 5), kHide},
        {"circled number whose note is empty", at(312, 1), kHide},
    };
    for (const auto& c : cases) EXPECT_EQ(FindFootnoteMark(page, c.p).action, c.action) << c.what;
    EXPECT_EQ(FindFootnoteMark(page, at(392, 3)).index, 2u);
    EXPECT_EQ(FootnotePopupWidth(40, 13), 305);   // 20 full-width characters
    EXPECT_EQ(FootnotePopupWidth(40, -13), 305);  // a font height given as a cell height
}

// An extra character from a gaiji note shows its note from its upper cell; one without a
// note (a character of a UTF-8 book), and a user-defined code the table does not hold, are
// ordinary text.
TEST(FootnoteHit, GaijiCharactersShowTheirNotes) {
    ExtraChars extras;
    ASSERT_EQ(extras.Add(U"\u728D", Sjis("「特のへん＋廴＋聿」、第3水準1-87-71")), 0xF040);
    ASSERT_EQ(extras.Add(U"鷗"), 0xF041);
    const std::vector<std::string> text = {"\xF0\x40" + Sjis("陀") + "\xF0\x41\xF0\x42" +
                                           Sjis("③")};
    const std::vector<std::string> notes = {"", "", "c"};
    const FootnotePage page{440, 616, PageLayout(10, 50), text, notes, &extras};
    auto at = [](double byte) { return GridPoint{392, (byte - 0.5) * 616.0 / 51}; };
    const struct {
        double byte;
        FootnoteAction action;
        bool note;
    } cases[] = {{1, kShow, true},
                 {2, kHide, false},
                 {5, kHide, false},
                 {7, kHide, false},
                 {9, kShow, false}};
    for (const auto& c : cases) {
        const FootnoteHit hit = FindFootnoteMark(page, at(c.byte));
        EXPECT_EQ(hit.action, c.action) << c.byte;
        EXPECT_EQ(hit.note != nullptr, c.note) << c.byte;
    }
    EXPECT_EQ(*FindFootnoteMark(page, at(1)).note, extras.Find(0xF040)->note);
    const FootnotePage without{440, 616, PageLayout(10, 50), text, notes};
    EXPECT_EQ(FindFootnoteMark(without, at(1)).action, kHide);
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

struct ErrorsIgnored : ProblemReporter {
    void Report(const Problem&) override {}
};

// Marks in the first and last rows of both pages, at the top, in the middle and at the foot
// of a row: the pointer over the upper half of each drawn mark finds its note, over the lower
// half (ordinary text follows) it hides the pop-up. Taking the pointer as the grid position
// without undoing the text block's margin and scale finds neither end of the page.
TEST(FootnoteHit, MarksAreFoundWhereTheyAreDrawn) {
    // Page 1: marks at the top of row 1 and at bytes 47-48 of row 10; page 2: at the top of
    // row 1 and in the middle of row 10.
    RowList rows(20, Sjis("本文"));
    rows[0] = Sjis("［＃一］あいう");
    rows[9] = Sjis("あああああああああああああああああああああああ［＃二］い");
    rows[10] = Sjis("［＃三］あ");
    rows[19] = Sjis("あいうえおかきくけこ［＃四］さ");
    // A typeset left page moves its block across (by about half a body cell, which with
    // cells wider than their columns is more than the pointer's distance to the next
    // column): the hit test follows it.
    for (const auto& [W, H, typeset, space] :
         {std::tuple{300, 420, false, 0}, std::tuple{403, 564, false, 0},
          std::tuple{403, 564, true, 0}, std::tuple{403, 564, true, -100}}) {
        PageStyle style{.Layout = PageLayout(10, 50), .FontSpace = space};
        style.Typeset = typeset;
        MarkRecorder painter;
        PageRenderer renderer(&painter);
        PageTexts lists;
        Bitmap buffer, texture(4, 4, 0xFFFFFF);
        ErrorsIgnored errors;
        const std::string path;
        const PageSource src{rows, style, texture, path};
        ASSERT_TRUE(renderer.RenderPage(buffer, W, H, 1, true, src, lists, errors));
        const auto rightMarks = painter.marks;
        painter.marks.clear();
        ASSERT_TRUE(renderer.RenderPage(buffer, W, H, 2, false, src, lists, errors));
        const auto leftMarks = painter.marks;
        ASSERT_EQ(rightMarks.size() + leftMarks.size(), 4u);
        ASSERT_EQ(lists.FootnoteList[2], Sjis("三"));  // numbered on across the spread

        const double h = painter.height;
        std::size_t number = 0;
        for (const bool right : {true, false}) {
            const FootnotePage page{W, H, PageLayout(10, 50),
                                    right ? lists.RightPageText : lists.LeftPageText,
                                    lists.FootnoteList};
            int rawFound = 0;
            for (const auto& m : right ? rightMarks : leftMarks) {
                // The turned cell runs leftward from x and downward from y.
                const double px = m.x - h / 2, upper = m.y + h / 4, lower = m.y + 3 * h / 4;
                const int shift = TextBlockShift(W, H, style, right);
                const FootnoteHit hit = FindFootnoteMark(page, PageToGrid(px, upper, W, H, shift));
                EXPECT_EQ(hit.action, kShow) << W << typeset << " mark " << number + 1;
                EXPECT_EQ(hit.index, number) << W << typeset << " mark " << number + 1;
                EXPECT_EQ(FindFootnoteMark(page, PageToGrid(px, lower, W, H, shift)).action, kHide)
                    << W << typeset << " mark " << number + 1;
                if (FindFootnoteMark(page, {px, upper}).action == kShow) ++rawFound;
                ++number;
            }
            EXPECT_LT(rawFound, 2) << "the raw pointer finds the marks at the page's ends";
        }
    }
}

}  // namespace
}  // namespace mirvo
