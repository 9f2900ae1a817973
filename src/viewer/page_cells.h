// The grid of a page image: the row slot and byte cell under a pixel, and the pixels of a
// run of cells down one column. The footnote hit test and the text bands (find hits, the
// selection) both go through it, so a band always covers the cells the mouse finds.
#pragma once

#include "format/page_layout.h"
#include "render/bitmap.h"

namespace mirvo {

// A page image and how its text was laid out on it.
struct PageGrid {
    int width = 0, height = 0;  // the page image's pixels
    PageLayout layout{1, 2};    // the layout the page was drawn with
    int blockShift = 0;         // TextBlockShift of the page (a typeset left page)
};

// A cell of the grid: the row slot counted from the right edge (1 is the page's first
// row) and the 1-based byte position down it. Either may lie outside the page.
struct GridCell {
    long long row = 0;
    long long col = 0;
};

// The cell under grid position (x, y) of a page `width` x `height` (the text block's
// margin and scale undone, PageToGrid): row trunc((W - x) x (R + 1) / W), byte
// trunc(y x (B + 1) / H) + 1.
GridCell GridCellAt(double x, double y, int width, int height, const PageLayout& layout);

// The cell under pixel (X, Y) of the page image.
GridCell CellAtPixel(const PageGrid& grid, double X, double Y);

// The pixels of the page image that bytes `firstCol` .. `firstCol` + `bytes` - 1 (1-based)
// of row slot `row` take: the slot's whole width, the bytes' height.
Rect CellsRect(const PageGrid& grid, int row, int firstCol, int bytes);

}  // namespace mirvo
