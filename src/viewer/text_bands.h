// The spread's text as the mouse and the bands see it: places in reading order (the right
// page before the left, rows from the right, bytes down a row), the characters between two
// places, and the translucent bands over a selection or a find hit. Plain arithmetic over
// the page text lists and the grid of the footnote hit test (viewer/page_cells.h).
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "render/bitmap.h"
#include "render/page_renderer.h"
#include "viewer/page_cells.h"

namespace mirvo {

// One page of the spread on show and what was drawn on it.
struct ShownPage {
    PageGrid grid;
    const std::vector<std::string>* text = nullptr;  // RightPageText or LeftPageText (CP932)
    const PageSourceMap* sources = nullptr;          // RightPageSource or LeftPageSource
    long long firstRow = 0;                          // the page's first row in the RowList
    // Rows drawn on the page (the text list ends with an empty entry after them).
    int RowCount() const;
};

enum class SpreadSide { Right = 0, Left = 1 };

// A place in the spread's text: a page, a row slot (1-based) and the byte of the row's
// text where a character begins (0-based; the text's size is the row's end).
struct TextPoint {
    int side = 0;  // SpreadSide
    int row = 1;
    int col = 0;
    auto operator<=>(const TextPoint&) const = default;
};

// The place under pixel (X, Y) of a page: the character whose cell holds it, held to the
// rows drawn (a pointer beyond the last row takes the last, one above the first column
// the first) and to the row's text (below its end: the row's end).
TextPoint PointAt(const ShownPage& page, SpreadSide side, double X, double Y);

// A character of the spread: its page, row slot, first byte (0-based) and length.
struct SpreadChar {
    SpreadSide side = SpreadSide::Right;
    int row = 1;
    int col = 0;
    int bytes = 0;
};

// Every character from `a` to `b` (either order) inclusive, in reading order. `pages` is
// the right page, then the left one.
void ForEachCharBetween(const ShownPage (&pages)[2], TextPoint a, TextPoint b,
                        const std::function<void(const SpreadChar&)>& visit);

// A character of the formatted rows: the row's index in the RowList and its first byte.
struct SourceCell {
    long long row = 0;
    std::uint32_t byte = 0;
    auto operator<=>(const SourceCell&) const = default;
};

// The first and the last character of the rows that the characters between `a` and `b`
// were drawn from (an indent's blanks come from none); nothing when none was.
std::optional<std::pair<SourceCell, SourceCell>> SourceRange(const ShownPage (&pages)[2],
                                                             TextPoint a, TextPoint b);

// The bands over the characters between `a` and `b` on page `side`: one rectangle of the
// page image for each row's run of them.
std::vector<Rect> SelectionBands(const ShownPage (&pages)[2], SpreadSide side, TextPoint a,
                                 TextPoint b);

// The bands over the characters drawn on `page` from the row characters `cells` (a find
// hit): one rectangle for each row's run of them. Cells on other pages are passed over.
std::vector<Rect> CellBands(const ShownPage& page, const std::vector<SourceCell>& cells);

// Lays `color` over `rect` of `picture` at a translucent share (the band of a selection).
void DrawBand(Bitmap& picture, const Rect& rect, Color color);

}  // namespace mirvo
