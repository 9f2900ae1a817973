#include "viewer/page_cells.h"

#include <cmath>

#include "viewer/footnote_hit.h"

namespace mirvo {
namespace {

// The renderer's text-block mapping of a grid coordinate onto the image (0.05 W + 0.9 x).
int ToImage(double grid, int size, int shift) {
    return static_cast<int>(std::lround(0.05 * size + 0.9 * grid)) + shift;
}

}  // namespace

GridCell GridCellAt(double x, double y, int width, int height, const PageLayout& layout) {
    const double W = width, H = height;
    const int R = layout.Rows(), B = layout.RowBytes();
    return {static_cast<long long>(std::floor((W - x) * (R + 1) / W)),
            static_cast<long long>(std::floor(y * (B + 1) / H)) + 1};
}

GridCell CellAtPixel(const PageGrid& grid, double X, double Y) {
    if (grid.width <= 0 || grid.height <= 0) return {};
    const GridPoint p = PageToGrid(X, Y, grid.width, grid.height, grid.blockShift);
    return GridCellAt(p.x, p.y, grid.width, grid.height, grid.layout);
}

Rect CellsRect(const PageGrid& grid, int row, int firstCol, int bytes) {
    const double W = grid.width, H = grid.height;
    const int R = grid.layout.Rows(), B = grid.layout.RowBytes();
    const double slot = W / (R + 1), cell = H / (B + 1);
    Rect r;
    r.left = ToImage(W - (row + 1) * slot, grid.width, grid.blockShift);
    r.right = ToImage(W - row * slot, grid.width, grid.blockShift);
    r.top = ToImage((firstCol - 1) * cell, grid.height, 0);
    r.bottom = ToImage((firstCol - 1 + bytes) * cell, grid.height, 0);
    return r;
}

}  // namespace mirvo
