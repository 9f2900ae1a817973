#include "format/typeset_lines.h"

#include <algorithm>
#include <optional>

#include "format/cp932.h"
#include "format/layout_notes.h"

namespace mirvo {
namespace {

// Never begins a column: markup with no cell (it stays with what it follows), a footnote
// mark, and the characters that may not begin one or that hang.
bool NoStart(const TypesetUnit& u) {
    switch (u.kind) {
        case UnitKind::Zero:
        case UnitKind::Mark:
            return true;
        case UnitKind::Char:
            return (u.cls & (kTsNoStart | kTsHang)) != 0;
        default:
            return false;
    }
}

bool NoEnd(const TypesetUnit& u) {
    return u.kind == UnitKind::Char && (u.cls & kTsNoEnd) != 0;
}

// A run of dashes or leaders longer than a column is cut into pairs (a last odd one joins
// the pair before it).
void SplitLongRuns(std::string_view line, std::vector<TypesetUnit>& units, int capacity) {
    const auto wide = [capacity](const TypesetUnit& u) {
        return u.kind == UnitKind::Run && static_cast<int>(u.end - u.begin) > capacity;
    };
    if (std::none_of(units.begin(), units.end(), wide)) return;
    std::vector<TypesetUnit> out;
    for (const TypesetUnit& u : units) {
        if (!wide(u)) {
            out.push_back(u);
            continue;
        }
        const std::uint32_t len = static_cast<std::uint32_t>(CharLengthAt(line, u.begin));
        for (std::uint32_t b = u.begin; b < u.end;) {
            std::uint32_t e = std::min(u.end, b + 2 * len);
            if (u.end - e <= len) e = u.end;
            TypesetUnit pair = u;
            pair.begin = pair.baseBegin = b;
            pair.end = pair.baseEnd = e;
            out.push_back(pair);
            b = e;
        }
    }
    units.swap(out);
}

class Breaker {
  public:
    Breaker(std::string_view line, const std::vector<TypesetUnit>& units, int capacity)
        : line_(line), u_(units), n_(units.size()), cap_(capacity) {}

    std::vector<LinePiece> Run() const {
        std::vector<LinePiece> pieces;
        std::size_t rowStart = 0, i = 0;
        int col = 0;
        while (i < n_) {
            const int w = WidthIn(i, rowStart, cap_ - col);
            if (i == rowStart || u_[i].kind == UnitKind::Zero || col + w <= cap_) {
                col += w;
                ++i;
                continue;
            }
            std::size_t end = HangEnd(i);
            if (end == 0) end = ChooseBreak(rowStart, i);
            pieces.push_back({Begin(rowStart), Begin(end)});
            rowStart = i = end;
            col = 0;
        }
        if (rowStart < n_) pieces.push_back({Begin(rowStart), line_.size()});
        return pieces;
    }

  private:
    std::size_t Begin(std::size_t k) const { return k < n_ ? u_[k].begin : line_.size(); }

    // Unit i's width where it would follow the units from rowStart with `room` bytes left:
    // a group overhangs the kana after it only when that kana fits beside it.
    int WidthIn(std::size_t i, std::size_t rowStart, int room) const {
        if (GroupOverhangs(u_, i, rowStart, n_)) {
            const int w = UnitWidth(u_[i], true);
            if (w + UnitWidth(u_[i + 1], false) <= room) return w;
        }
        return UnitWidth(u_[i], false);
    }

    // Where the column ends when unit i, which does not fit, hangs below it (with the markup
    // that follows it); 0 when it may not: it is no 。、，．, or what follows may not begin
    // the next column either.
    std::size_t HangEnd(std::size_t i) const {
        if (u_[i].kind != UnitKind::Char || !(u_[i].cls & kTsHang)) return 0;
        std::size_t j = i + 1;
        while (j < n_ && u_[j].kind == UnitKind::Zero) ++j;
        if (j < n_ && NoStart(u_[j])) return 0;
        return j;
    }

    // The unit that begins the next column when unit i does not fit: the latest that may
    // begin one, after a unit that may end one, with the column before it within the width.
    std::size_t ChooseBreak(std::size_t rowStart, std::size_t i) const {
        for (std::size_t end = i; end > rowStart; --end) {
            if (NoStart(u_[end]) || NoEnd(u_[end - 1])) continue;
            if (ColumnWidth(u_, rowStart, end) <= cap_) return end;
        }
        // No break keeps every rule (a column of closing brackets): the fullest column.
        for (std::size_t end = i; end > rowStart + 1; --end) {
            if (ColumnWidth(u_, rowStart, end) <= cap_) return end;
        }
        return rowStart + 1;
    }

    std::string_view line_;
    const std::vector<TypesetUnit>& u_;
    std::size_t n_;
    int cap_;
};

class TrackerNotes : public HiddenNotes {
  public:
    explicit TrackerNotes(LayoutNoteTracker& t) : t_(t) {}
    std::size_t Take(std::string_view text, std::size_t at, bool atStart) override {
        return t_.Take(text, at, atStart);
    }

  private:
    LayoutNoteTracker& t_;
};

}  // namespace

std::vector<LinePiece> BreakTypesetLine(std::string_view line, std::vector<TypesetUnit>& units,
                                        int capacity) {
    if (const std::size_t cut = SeparatorCut(line, capacity)) return {{0, cut}};
    SplitLongRuns(line, units, capacity);
    return Breaker(line, units, capacity).Run();
}

bool TypesetLineIntoRows(std::string_view line, int rowBytes, bool ruby, bool notes,
                         LayoutNoteTracker* tracker, RowList& rows) {
    thread_local std::vector<TypesetUnit> units;
    std::optional<TrackerNotes> hidden;
    if (tracker) hidden.emplace(*tracker);
    if (!ReadTypesetUnits(line, ruby, notes, hidden ? &*hidden : nullptr, units)) return false;
    const int capacity = rowBytes - (tracker ? 2 * tracker->LineIndent() : 0);
    const std::vector<LinePiece> pieces = BreakTypesetLine(line, units, capacity);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k > 0) rows.emplace_back();
        rows.back().assign(line.substr(pieces[k].begin, pieces[k].end - pieces[k].begin));
    }
    return true;
}

}  // namespace mirvo
