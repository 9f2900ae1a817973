// Book typesetting: one row drawn as the formatter's typesetting cut it (typeset_rules.h):
// ｜ draws nothing, a ruby is centred on its base (spread 1:2:1 when shorter, the base
// spread over the cells it needs when longer), emphasis dots are centred beside each of
// their characters, outside any ruby. The page text list holds what is drawn, a spread
// base padded with full-width spaces, so that a byte position there is still a cell.
#pragma once

#include <string>
#include <vector>

#include "format/markup.h"
#include "format/typeset_rules.h"
#include "render/bitmap.h"
#include "render/color.h"

namespace mirvo {

class GlyphPainter;
class InlineRowMarks;

// What the page lends the drawing of its rows.
struct TypesetPen {
    GlyphPainter& painter;
    Bitmap& buffer;
    int W = 0, H = 0, q = 0;  // buffer size, column pitch
    double p = 0;             // byte pitch down the column
    int rowBytes = 0;         // bytes of a column
    int bodyHeight = 0, rubyHeight = 0;
    int shift = 0;  // the text block's move across
    Color text = 0, footnote = 0;
    bool ruby = true, notes = true;
    std::vector<std::string>& pageList;
    std::vector<std::string>& footnotes;
    InlineRowMarks* marks = nullptr;  // emphasis marks, side lines and upright runs
};

class TypesetPage {
  public:
    explicit TypesetPage(const TypesetPen& pen) : pen_(pen) {}

    // Draws `row` in column `c` (1 at the right) with its layout `style` (null for a plain
    // row). False when a ruby or an annotation is not closed in the row.
    bool DrawRow(const std::string& row, int c, const RowStyle* style);

  private:
    struct Drawn {
        int laneX;    // the right edge of the lane beside it: its ruby's, or the dots'
        int centreY;  // its middle down the column
        int bytes;
    };
    struct RowPen;

    void DrawUnit(RowPen& r, std::size_t k);
    void MoveToFoot(RowPen& r, std::size_t k);
    void PutChar(RowPen& r, std::string_view ch, std::size_t at, double top, bool ruby);
    void DrawGroup(RowPen& r, std::size_t k);
    void DrawMark(RowPen& r, std::size_t at, double top);
    void DrawDots(const RowPen& r, std::size_t at);
    std::size_t PutUpright(RowPen& r, const RowMark& run);
    void Append(RowPen& r, std::string_view text);

    TypesetPen pen_;
    std::vector<TypesetUnit> units_;
    std::vector<Drawn> drawn_;  // the characters drawn on the page so far, in order
};

}  // namespace mirvo
