#include "viewer/footnote_hit.h"

#include <cmath>
#include <cstdlib>

#include "format/cp932.h"
#include "viewer/page_cells.h"

namespace mirvo {
namespace {

// "①" to "⑳" in CP932: lead byte 0x87, trail bytes 0x40 to 0x53 in order.
constexpr unsigned char kMarkLead = 0x87;
constexpr unsigned char kFirstMarkTrail = 0x40;
constexpr int kMarkCount = 20;

// True when the 1-based byte position `col` begins a character of `s`.
bool StartsCharacter(const std::string& s, int col) {
    int pos = 1;
    while (pos < col) NextChar(s, pos);
    return pos == col;
}

}  // namespace

GridPoint PageToGrid(double X, double Y, int width, int height, int blockShift) {
    return {(X - blockShift - 0.05 * width) / 0.9, (Y - 0.05 * height) / 0.9};
}

FootnoteHit FindFootnoteMark(const FootnotePage& page, GridPoint p) {
    FootnoteHit hit;
    const double W = page.width, H = page.height;
    if (W <= 0 || H <= 0 || p.x < 0 || p.x > W || p.y < 0 || p.y > H) return hit;
    const GridCell cell = GridCellAt(p.x, p.y, page.width, page.height, page.layout);
    const long long row = cell.row, col = cell.col;
    if (row < 1 || row > page.layout.Rows()) return hit;
    if (row > static_cast<long long>(page.pageText.size())) return hit;
    const std::string& s = page.pageText[static_cast<std::size_t>(row - 1)];
    if (col < 1 || static_cast<long long>(s.size()) <= col) return hit;

    const ExtraChars::Entry* extra =
        page.extras ? page.extras->Find(std::string_view(s).substr(col - 1, 2)) : nullptr;
    if (extra && !extra->note.empty() && StartsCharacter(s, static_cast<int>(col))) {
        hit.action = FootnoteAction::Show;
        hit.note = &extra->note;
        return hit;
    }
    const auto lead = static_cast<unsigned char>(s[static_cast<std::size_t>(col - 1)]);
    const auto trail = static_cast<unsigned char>(s[static_cast<std::size_t>(col)]);
    const int n = trail - kFirstMarkTrail + 1;  // the mark's number when it is one
    const bool isMark =
        lead == kMarkLead && n >= 1 && n <= kMarkCount && StartsCharacter(s, static_cast<int>(col));
    const auto index = static_cast<std::size_t>(n - 1);
    if (!isMark || index >= page.footnotes.size() || page.footnotes[index].empty()) {
        hit.action = FootnoteAction::Hide;
        return hit;
    }
    hit.action = FootnoteAction::Show;
    hit.index = index;
    return hit;
}

int FootnotePopupWidth(std::size_t textBytes, int fontHeight) {
    return static_cast<int>(
        std::trunc(static_cast<double>(textBytes) * std::abs(fontHeight) / 1.7));
}

}  // namespace mirvo
