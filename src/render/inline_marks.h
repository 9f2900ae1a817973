// The inline marks of a page: emphasis marks beside the characters (﹅ ﹆ ● ○ ▲ △ ◎ ◉ ×)
// and side lines (solid, double, chain, dashed, wavy), drawn as shapes rather than glyphs
// so that every kind stays clean and distinct at ruby sizes whatever the face; and the
// bookkeeping of one row that places them beside what the row drew, outside its ruby.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "format/markup.h"
#include "format/row_marks.h"
#include "render/bitmap.h"
#include "render/vertical_font.h"

namespace mirvo {

// Draws `shape` centred at (cx, cy) in a square `size` pixels across. `smooth` lays grey
// coverage over the page (book typesetting); otherwise pixels are set where the shape
// covers at least half of them.
void DrawEmphasisShape(Bitmap& target, EmphasisShape shape, int cx, int cy, int size, Color color,
                       bool smooth);

// Draws a side line of `style` down x = `x` from y0 to y1 (exclusive). `size` is the ruby
// cell the line belongs to: thickness, dash lengths and waves follow it. Patterns run from
// y = 0 of the page, so that lines drawn piece by piece join.
void DrawSideLineShape(Bitmap& target, SideLineStyle style, int x, int y0, int y1, int size,
                       Color color);

// Draws the CP932 run `run` horizontally, upright, centred in the full-width cell of `face`
// whose text point is (x, y); a run wider than the cell is drawn with `scaled`, set to the
// size that fits it.
void DrawUprightText(VerticalFont& face, VerticalFont& scaled, Bitmap& target, std::string_view run,
                     int x, int y, Color color, bool smooth);

// The two bytes a page's text list holds for an upright run, so that byte positions there
// stay cells: the run itself when it has two, else its first character, or its first two
// half-width ones, padded with a space.
std::string UprightCellText(std::string_view run);

class GlyphPainter;

// One row's marks: the renderer tells it where each character and each ruby went, and at
// the row's end it draws the emphasis marks and side lines of the row's RowStyle.
class InlineRowMarks {
  public:
    struct Geometry {
        int rubyHeight = 0;      // the ruby cell: the lane of the marks
        int bodyHeight = 0;      // the body cell across the column
        double bytePitch = 0;    // pixels down the column per byte cell
        double columnPitch = 0;  // pixels from one column's text point to the next
        bool smooth = false;     // book typesetting
    };
    InlineRowMarks(GlyphPainter& painter, Bitmap& target, const Geometry& g)
        : painter_(painter), target_(target), g_(g) {}

    void BeginRow(const RowStyle* style);
    // The upright run (縦中横) that begins at byte `at` of the row, or null.
    const RowMark* UprightAt(int at) const;
    // A body character at byte `at`, `bytes` byte cells tall, drawn at text point (x, y).
    void Char(int at, int bytes, int x, int y);
    // Ruby drawn at text point x, from y `top` to `bottom`.
    void Ruby(int x, int top, int bottom);
    // Draws the row's marks and lines in `color`.
    void EndRow(Color color);

  private:
    struct Drawn {
        int at, x, top, bottom;
    };
    struct Lane {
        int x;  // the right lane's left edge or the left lane's right edge
        bool left;
    };
    Lane LaneOf(const Drawn& c, bool left) const;
    void DrawLines(const RowMark& m, Color color);

    GlyphPainter& painter_;
    Bitmap& target_;
    const Geometry g_;
    const RowStyle* style_ = nullptr;
    std::vector<Drawn> chars_;
    std::vector<Drawn> ruby_;  // at unused
};

}  // namespace mirvo
