#include "render/typeset_row.h"

#include <cmath>
#include <optional>

#include "format/cp932.h"
#include "render/inline_marks.h"
#include "render/page_renderer.h"

namespace mirvo {
namespace {

int Trunc(double v) {
    return static_cast<int>(std::trunc(v));
}

struct Glyphs {
    std::string blank = Utf8ToCp932("　");
    std::string dot = Utf8ToCp932("・");
    std::string marks = Utf8ToCp932("①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯⑰⑱⑲⑳");
};
const Glyphs& G() {
    static const Glyphs g;
    return g;
}

bool InSpans(const std::vector<RowSpan>& spans, std::size_t at) {
    for (const RowSpan& s : spans)
        if (at >= s.begin && at < s.end) return true;
    return false;
}

// The layout annotations the formatter took: they draw nothing and take no cell.
class SpanNotes : public HiddenNotes {
  public:
    explicit SpanNotes(const RowStyle& style) : style_(style) {}
    std::size_t Take(std::string_view /*text*/, std::size_t at, bool /*atStart*/) override {
        for (const RowSpan& s : style_.hidden)
            if (s.begin == at) return s.end;
        return 0;
    }

  private:
    const RowStyle& style_;
};

}  // namespace

struct TypesetPage::RowPen {
    const std::string& row;
    const RowStyle* style;
    int bodyX = 0;   // the text point of the column's characters
    int rubyX = 0;   // the right edge of its ruby lane
    double t = 0;    // bytes of the column used
    int blanks = 0;  // indent cells not yet in the text list
};

bool TypesetPage::DrawRow(const std::string& row, int c, const RowStyle* style) {
    const int xc = pen_.W - c * pen_.q;
    RowPen r{row, style};
    r.bodyX = Trunc(0.05 * pen_.W + 0.9 * xc) + pen_.shift;
    r.rubyX = Trunc(0.9 * (xc + pen_.rubyHeight + 1) + 0.05 * pen_.W) + pen_.shift;
    r.blanks = style ? style->indent : 0;
    r.t = 2.0 * r.blanks;
    std::optional<SpanNotes> hidden;
    if (style && !style->hidden.empty()) hidden.emplace(*style);
    // With layout annotations (a style), markup left open is text, as the formatter read it.
    const bool closed = ReadTypesetUnits(row, pen_.ruby, pen_.notes, hidden ? &*hidden : nullptr,
                                         units_, style != nullptr);
    if (pen_.marks) pen_.marks->BeginRow(style);
    bool footPending = style && style->raise >= 0;
    for (std::size_t k = 0; k < units_.size(); ++k) {
        if (footPending && units_[k].begin >= style->footFrom) {
            MoveToFoot(r, k);
            footPending = false;
        }
        DrawUnit(r, k);
    }
    if (pen_.marks) pen_.marks->EndRow(pen_.text);
    return closed;
}

// The units from k on end `raise` cells above the foot of the column, unless the text
// before them reaches further; the cells passed over are blanks in the text list.
void TypesetPage::MoveToFoot(RowPen& r, std::size_t k) {
    const int width = ColumnWidth(units_, k, units_.size());
    const double start = pen_.rowBytes - 2.0 * r.style->raise - width;
    if (start <= r.t) return;
    for (; r.t + 2 <= start; r.t += 2) Append(r, G().blank);
    if (r.t < start) Append(r, " ");
    r.t = start;
}

void TypesetPage::DrawUnit(RowPen& r, std::size_t k) {
    const TypesetUnit& u = units_[k];
    switch (u.kind) {
        case UnitKind::Zero:
            if (u.emphasis) DrawDots(r, u.begin);
            return;
        case UnitKind::Mark:
            DrawMark(r, u.begin, r.t);
            r.t += 2;
            return;
        case UnitKind::Group:
            DrawGroup(r, k);
            return;
        default:
            break;
    }
    for (std::size_t at = u.baseBegin; at < u.baseEnd;) {
        const RowMark* run = pen_.marks ? pen_.marks->UprightAt(static_cast<int>(at)) : nullptr;
        if (run && run->end <= u.baseEnd) {
            at = PutUpright(r, *run);
            continue;
        }
        const std::string_view ch = std::string_view(r.row).substr(at, CharLengthAt(r.row, at));
        PutChar(r, ch, at, r.t, false);
        Append(r, ch);
        r.t += static_cast<double>(ch.size());
        at += ch.size();
    }
}

// Draws a character of the column with its top `top` bytes down it.
void TypesetPage::PutChar(RowPen& r, std::string_view ch, std::size_t at, double top, bool ruby) {
    const int y = Trunc(top * pen_.p);
    const int Y = Trunc(0.05 * pen_.H + 0.9 * y);
    const bool heading = r.style && InSpans(r.style->bold, at);
    pen_.painter.DrawChar(pen_.buffer, heading ? PageFont::Heading : PageFont::Body, ch, r.bodyX, Y,
                          pen_.text);
    const int lane = ruby ? r.rubyX + pen_.rubyHeight : r.rubyX;
    drawn_.push_back({lane, Y + Trunc(0.45 * pen_.p * static_cast<double>(ch.size())),
                      static_cast<int>(ch.size())});
    if (pen_.marks && !(pen_.ruby && ch == Markup().bar)) {
        pen_.marks->Char(static_cast<int>(at), static_cast<int>(ch.size()), r.bodyX, Y);
    }
}

// An upright run (縦中横) in one full-width cell; returns the byte past it.
std::size_t TypesetPage::PutUpright(RowPen& r, const RowMark& run) {
    const std::string_view text = std::string_view(r.row).substr(run.begin, run.end - run.begin);
    const int Y = Trunc(0.05 * pen_.H + 0.9 * Trunc(r.t * pen_.p));
    const bool heading = r.style && InSpans(r.style->bold, run.begin);
    pen_.painter.DrawUpright(pen_.buffer, heading ? PageFont::Heading : PageFont::Body, text,
                             r.bodyX, Y, pen_.text);
    drawn_.push_back({r.rubyX, Y + Trunc(0.9 * pen_.p), 2});
    pen_.marks->Char(static_cast<int>(run.begin), 2, r.bodyX, Y);
    Append(r, UprightCellText(text));
    r.t += 2;
    return run.end;
}

void TypesetPage::DrawGroup(RowPen& r, std::size_t k) {
    const TypesetUnit& u = units_[k];
    const int width = UnitWidth(u, GroupOverhangs(units_, k, 0, units_.size()));
    const GroupPlacement g = PlaceGroup(r.row, u, width);
    const std::string_view row(r.row);
    const bool ruby = u.rubyEnd > u.rubyBegin;
    const std::vector<BasePiece> pieces = BasePieces(row, u);
    for (std::size_t j = 0; j < pieces.size(); ++j) {
        const BasePiece& b = pieces[j];
        if (b.note && b.width == 0) {
            DrawDots(r, b.at);
        } else if (b.note) {
            DrawMark(r, b.at, r.t + g.base[j]);
        } else {
            PutChar(r, row.substr(b.at, b.len), b.at, r.t + g.base[j], ruby);
            Append(r, row.substr(b.at, b.len));
        }
    }
    for (int b = u.baseWidth; b + 2 <= width; b += 2) Append(r, G().blank);
    std::size_t j = 0;
    int top = 0, bottom = 0;
    for (std::size_t at = u.rubyBegin; at < u.rubyEnd; ++j) {
        const std::string_view ch = row.substr(at, CharLengthAt(row, at));
        const int Y = Trunc(0.05 * pen_.H + 0.9 * Trunc((r.t + g.ruby[j]) * pen_.p));
        pen_.painter.DrawChar(pen_.buffer, PageFont::Ruby, ch, r.rubyX, Y, pen_.text);
        if (at == u.rubyBegin) top = Y;
        bottom = Y + Trunc(0.9 * pen_.rubyHeight);
        at += ch.size();
    }
    if (pen_.marks && ruby) pen_.marks->Ruby(r.rubyX, top, bottom);
    r.t += width;
}

// A footnote: its text joins the spread's list and its circled number takes the cell at
// `top` (a blank one past the twentieth, so that positions in the text list stay cells).
void TypesetPage::DrawMark(RowPen& r, std::size_t at, double top) {
    std::string_view text;
    AnnotationEnd(r.row, at, &text);
    if (pen_.footnotes.empty()) pen_.footnotes.emplace_back();
    pen_.footnotes.back() += text;
    const std::size_t number = pen_.footnotes.size();
    pen_.footnotes.emplace_back();
    if (number > 20) {
        Append(r, G().blank);
        return;
    }
    const std::string_view mark = std::string_view(G().marks).substr(2 * number - 2, 2);
    const int Y = Trunc(0.05 * pen_.H + 0.9 * Trunc(top * pen_.p));
    pen_.painter.DrawChar(pen_.buffer, PageFont::Body, mark, r.bodyX, Y, pen_.footnote);
    drawn_.push_back({r.rubyX, Y + Trunc(0.9 * pen_.p), 2});
    Append(r, mark);
}

// One dot centred beside each character of the quoted text's bytes before the
// annotation, in the lane right of the column or, beside ruby, right of the ruby.
void TypesetPage::DrawDots(const RowPen& r, std::size_t at) {
    std::string_view a;
    const MarkupChars& m = Markup();
    AnnotationEnd(r.row, at, &a);
    const int n = FindChars(a, m.quoteClose) - FindChars(a, m.quoteOpen) - 2;
    int bytes = 0;
    const int body = pen_.bodyHeight;
    for (std::size_t k = drawn_.size(); k > 0 && bytes < n; --k) {
        const Drawn& d = drawn_[k - 1];
        bytes += d.bytes;
        const int cx = d.laneX - pen_.rubyHeight / 2;
        pen_.painter.DrawChar(pen_.buffer, PageFont::Body, G().dot, cx + body / 2,
                              d.centreY - body / 2, pen_.text);
    }
}

void TypesetPage::Append(RowPen& r, std::string_view text) {
    for (; r.blanks > 0; --r.blanks) pen_.pageList.back() += G().blank;
    pen_.pageList.back() += text;
}

}  // namespace mirvo
