// The text bands and the selection places: a band covers exactly the cells the mouse finds
// there, places hold to the text drawn, a selection runs across the gutter in reading
// order, indent blanks trace to no character of the rows, and a band stays in its picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "viewer/text_bands.h"

namespace mirvo {
namespace {

struct GridCase {
    const char* name;
    int width, height, rows, rowBytes, shift;
};

const GridCase kGrids[] = {
    {"Default", 400, 560, 17, 40, 0},
    {"Narrow", 97, 131, 3, 7, 0},
    {"ManyRows", 1072, 1448, 60, 90, 0},
    {"TypesetShift", 640, 900, 20, 44, -13},
};

// The centre of every cell's band lies in that cell for the hit test, and neighbouring
// bands neither overlap nor leave a gap.
TEST(TextBands, BandOfEveryCellIsWhereTheMouseFindsIt) {
    for (const GridCase& c : kGrids) {
        const PageGrid grid{c.width, c.height, PageLayout(c.rows, c.rowBytes), c.shift};
        for (int row = 1; row <= c.rows; ++row) {
            for (int col = 1; col <= c.rowBytes; ++col) {
                const Rect r = CellsRect(grid, row, col, 1);
                const GridCell hit =
                    CellAtPixel(grid, (r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
                EXPECT_EQ(hit.row, row) << c.name << " " << row << "," << col;
                EXPECT_EQ(hit.col, col) << c.name << " " << row << "," << col;
                EXPECT_EQ(CellsRect(grid, row, col + 1, 1).top, r.bottom) << c.name;
                if (row < c.rows) {
                    EXPECT_EQ(CellsRect(grid, row + 1, col, 1).right, r.left);
                }
            }
        }
    }
}

// Two pages of two rows each; the left page's first row starts with two indent blanks.
struct Spread {
    std::vector<std::string> rightText{"ABCD", "EF", ""};
    PageSourceMap rightSources{{0, 1, 2, 3}, {0, 1}, {}};
    std::vector<std::string> leftText{"  GH", "I", ""};
    PageSourceMap leftSources{{kNoSourceByte, kNoSourceByte, 0, 1}, {0}, {}};
    ShownPage pages[2];
    Spread() {
        const PageGrid grid{300, 420, PageLayout(2, 8), 0};
        pages[0] = {grid, &rightText, &rightSources, 10};
        pages[1] = {grid, &leftText, &leftSources, 12};
    }
    // The middle of byte `col` (0-based) of row slot `row`.
    static std::pair<double, double> Pixel(int row, int col) {
        const Rect r = CellsRect({300, 420, PageLayout(2, 8), 0}, row, col + 1, 1);
        return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0};
    }
    std::string Between(TextPoint a, TextPoint b) const {
        std::string out;
        ForEachCharBetween(pages, a, b, [&](const SpreadChar& c) {
            const auto& text = c.side == SpreadSide::Right ? rightText : leftText;
            out += text[static_cast<std::size_t>(c.row - 1)].substr(
                static_cast<std::size_t>(c.col), static_cast<std::size_t>(c.bytes));
        });
        return out;
    }
};

TEST(TextBands, PlacesHoldToTheTextDrawn) {
    const Spread s;
    struct Case {
        const char* name;
        double x, y;
        TextPoint want;
    };
    const auto [x1, yTop] = Spread::Pixel(1, 0);
    const auto [x2, y3] = Spread::Pixel(2, 3);
    const Case cases[] = {
        {"ACharacter", x1, Spread::Pixel(1, 2).second, {0, 1, 2}},
        {"PastTheRowsEnd", x2, y3, {0, 2, 2}},
        {"RightOfTheFirstRow", 299, yTop, {0, 1, 0}},
        {"LeftOfTheLastRow", 0, yTop, {0, 2, 0}},
        {"AboveTheBlock", x1, -50, {0, 1, 0}},
        {"BelowTheBlock", x1, 1000, {0, 1, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PointAt(s.pages[0], SpreadSide::Right, c.x, c.y), c.want) << c.name;
    }
}

TEST(TextBands, SelectionRunsAcrossTheGutterInReadingOrder) {
    const Spread s;
    const TextPoint rightRow2{0, 2, 1}, leftRow1{1, 1, 2};
    EXPECT_EQ(s.Between(rightRow2, leftRow1), "F  G");
    EXPECT_EQ(s.Between(leftRow1, rightRow2), "F  G");  // dragged backwards
    EXPECT_EQ(s.Between({0, 1, 3}, {0, 2, 2}), "DEF");  // a row's end takes its last character
    EXPECT_EQ(s.Between({0, 1, 4}, {0, 1, 4}), "");     // the end of a row alone: nothing

    // The blanks of an indent trace to nothing: the range is the rows' characters.
    const auto range = SourceRange(s.pages, rightRow2, {1, 1, 1});
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, (SourceCell{11, 1}));
    EXPECT_EQ(range->second, (SourceCell{11, 1}));
    const auto across = SourceRange(s.pages, {0, 1, 0}, {1, 2, 0});
    ASSERT_TRUE(across);
    EXPECT_EQ(across->first, (SourceCell{10, 0}));
    EXPECT_EQ(across->second, (SourceCell{13, 0}));
    EXPECT_FALSE(SourceRange(s.pages, {1, 1, 0}, {1, 1, 1}));

    // One band for each row's run, on the page asked for.
    EXPECT_EQ(SelectionBands(s.pages, SpreadSide::Right, rightRow2, leftRow1).size(), 1u);
    EXPECT_EQ(SelectionBands(s.pages, SpreadSide::Left, rightRow2, leftRow1).size(), 1u);
}

TEST(TextBands, BandBlendsOverThePictureWithinItsRectangle) {
    Bitmap page(10, 10, 0xFFFFFF);
    DrawBand(page, {2, 2, 4, 4}, 0x000000);
    DrawBand(page, {-5, 8, 3, 20}, 0x000000);  // cut at the picture's edges
    EXPECT_EQ(page.Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(page.Pixel(4, 4), 0xFFFFFFu);
    const Color banded = page.Pixel(2, 2);
    EXPECT_NE(banded, 0xFFFFFFu);
    EXPECT_NE(banded, 0x000000u);  // translucent: the page shows through
    EXPECT_EQ(page.Pixel(0, 9), banded);
}

}  // namespace
}  // namespace mirvo
