#include "viewer/text_bands.h"

#include <algorithm>

#include "format/cp932.h"

namespace mirvo {
namespace {

// The share of the band's colour in a banded pixel, in 256ths.
constexpr unsigned kBandShare = 96;

const std::string& RowText(const ShownPage& page, int row) {
    return (*page.text)[static_cast<std::size_t>(row - 1)];
}

// The start of the character of `text` that holds byte `at` (the text's size past it).
int CharStart(const std::string& text, long long at) {
    const auto size = static_cast<long long>(text.size());
    if (at >= size) return static_cast<int>(size);
    std::size_t i = 0;
    while (true) {
        const std::size_t next = i + CharLengthAt(text, i);
        if (static_cast<long long>(next) > at) return static_cast<int>(i);
        i = next;
    }
}

// Merges a run of characters of one row into bands: `add` takes each character's first
// byte and length in order; a gap starts a new band.
class BandRuns {
  public:
    BandRuns(const PageGrid& grid, std::vector<Rect>& out) : grid_(grid), out_(out) {}
    ~BandRuns() { Flush(); }
    BandRuns(const BandRuns&) = delete;
    BandRuns& operator=(const BandRuns&) = delete;
    void Add(int row, int col, int bytes) {
        if (row != row_ || col != end_) Flush();
        if (begin_ < 0) {
            row_ = row;
            begin_ = col;
        }
        end_ = col + bytes;
    }

  private:
    void Flush() {
        if (begin_ >= 0 && end_ > begin_)
            out_.push_back(CellsRect(grid_, row_, begin_ + 1, end_ - begin_));
        begin_ = -1;
        end_ = -1;
    }
    const PageGrid& grid_;
    std::vector<Rect>& out_;
    int row_ = 0, begin_ = -1, end_ = -1;
};

}  // namespace

int ShownPage::RowCount() const {
    if (!text || !sources || text->empty()) return 0;
    return static_cast<int>(std::min(text->size(), sources->size())) - 1;
}

TextPoint PointAt(const ShownPage& page, SpreadSide side, double X, double Y) {
    TextPoint point;
    point.side = static_cast<int>(side);
    const int rows = page.RowCount();
    if (rows < 1) return point;
    const GridCell cell = CellAtPixel(page.grid, X, Y);
    point.row = static_cast<int>(std::clamp<long long>(cell.row, 1, rows));
    point.col = CharStart(RowText(page, point.row), std::max<long long>(cell.col - 1, 0));
    return point;
}

void ForEachCharBetween(const ShownPage (&pages)[2], TextPoint a, TextPoint b,
                        const std::function<void(const SpreadChar&)>& visit) {
    if (b < a) std::swap(a, b);
    for (int side = a.side; side <= b.side && side <= 1; ++side) {
        const ShownPage& page = pages[side];
        const int rows = page.RowCount();
        const int firstRow = side == a.side ? a.row : 1;
        const int lastRow = side == b.side ? std::min(b.row, rows) : rows;
        for (int row = std::max(firstRow, 1); row <= lastRow; ++row) {
            const std::string& text = RowText(page, row);
            const bool first = side == a.side && row == a.row;
            const bool last = side == b.side && row == b.row;
            std::size_t i = first ? static_cast<std::size_t>(a.col) : 0;
            for (; i < text.size(); i += CharLengthAt(text, i)) {
                if (last && static_cast<int>(i) > b.col) break;
                const auto len = static_cast<int>(CharLengthAt(text, i));
                visit({static_cast<SpreadSide>(side), row, static_cast<int>(i), len});
            }
        }
    }
}

std::optional<std::pair<SourceCell, SourceCell>> SourceRange(const ShownPage (&pages)[2],
                                                             TextPoint a, TextPoint b) {
    std::optional<std::pair<SourceCell, SourceCell>> range;
    ForEachCharBetween(pages, a, b, [&](const SpreadChar& c) {
        const ShownPage& page = pages[static_cast<int>(c.side)];
        const std::uint32_t byte =
            (*page.sources)[static_cast<std::size_t>(c.row - 1)][static_cast<std::size_t>(c.col)];
        if (byte == kNoSourceByte) return;
        const SourceCell cell{page.firstRow + c.row - 1, byte};
        if (!range) range.emplace(cell, cell);
        range->second = cell;
    });
    return range;
}

std::vector<Rect> SelectionBands(const ShownPage (&pages)[2], SpreadSide side, TextPoint a,
                                 TextPoint b) {
    std::vector<Rect> bands;
    {
        BandRuns runs(pages[static_cast<int>(side)].grid, bands);
        ForEachCharBetween(pages, a, b, [&](const SpreadChar& c) {
            if (c.side == side) runs.Add(c.row, c.col, c.bytes);
        });
    }
    return bands;
}

std::vector<Rect> CellBands(const ShownPage& page, const std::vector<SourceCell>& cells) {
    std::vector<Rect> bands;
    const int rows = page.RowCount();
    BandRuns runs(page.grid, bands);
    for (const SourceCell& cell : cells) {
        const long long row = cell.row - page.firstRow + 1;
        if (row < 1 || row > rows) continue;
        const std::vector<std::uint32_t>& from = (*page.sources)[static_cast<std::size_t>(row - 1)];
        const auto at = std::find(from.begin(), from.end(), cell.byte);
        if (at == from.end()) continue;
        const auto col = static_cast<int>(at - from.begin());
        const int bytes = static_cast<int>(
            std::find_if(at, from.end(), [&](std::uint32_t s) { return s != cell.byte; }) - at);
        runs.Add(static_cast<int>(row), col, bytes);
    }
    return bands;
}

void DrawBand(Bitmap& picture, const Rect& rect, Color color) {
    const int left = std::max(rect.left, 0), right = std::min(rect.right, picture.Width());
    const int top = std::max(rect.top, 0), bottom = std::min(rect.bottom, picture.Height());
    // Bytes B, G, R in the picture; the colour's red is its low byte.
    const unsigned band[3] = {(color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF};
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* p =
            picture.Data() + static_cast<std::size_t>(y) * picture.Stride() + 3 * left;
        for (int x = left; x < right; ++x, p += 3) {
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<std::uint8_t>(
                    (p[k] * (256 - kBandShare) + band[k] * kBandShare) >> 8);
        }
    }
}

}  // namespace mirvo
