#include "format/typeset_lines.h"

#include <algorithm>
#include <optional>

#include "format/cp932.h"
#include "format/layout_notes.h"
#include "format/markup.h"

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
    Breaker(std::string_view line, std::vector<TypesetUnit>& units, int first, int rest)
        : line_(line), u_(units), cap_(first), rest_(rest) {}

    void Run(std::vector<LinePiece>& pieces) {
        pieces.clear();
        std::size_t rowStart = 0, i = 0;
        int col = 0;
        while (i < u_.size()) {
            const int w = WidthIn(i, rowStart, cap_ - col);
            const bool alone = i == rowStart && u_[i].kind != UnitKind::Text;
            if (alone || u_[i].kind == UnitKind::Zero || col + w <= cap_) {
                col += w;
                ++i;
                continue;
            }
            const std::size_t rowBegin = Begin(rowStart);
            if (const std::size_t at = SplitText(i, col)) {
                pieces.push_back({rowBegin, at});
                rowStart = i;
                col = 0;
                cap_ = rest_;
                continue;
            }
            std::size_t end = HangEnd(i);
            if (end == 0) end = ChooseBreak(rowStart, i, col);
            pieces.push_back({Begin(rowStart), Begin(end)});
            rowStart = i = end;
            col = 0;
            cap_ = rest_;
        }
        if (rowStart < u_.size()) pieces.push_back({Begin(rowStart), line_.size()});
    }

  private:
    std::size_t Begin(std::size_t k) const { return k < u_.size() ? u_[k].begin : line_.size(); }

    // Unit i's width where it would follow the units from rowStart with `room` bytes left:
    // a group overhangs the kana after it only when that kana fits beside it.
    int WidthIn(std::size_t i, std::size_t rowStart, int room) const {
        const TypesetUnit& t = u_[i];
        if (t.kind == UnitKind::Text || t.kind == UnitKind::Char)
            return static_cast<int>(t.end - t.begin);
        if (GroupOverhangs(u_, i, rowStart, u_.size())) {
            const int w = UnitWidth(t, true);
            const TypesetUnit& next = u_[i + 1];
            const int first = next.kind == UnitKind::Text
                                  ? static_cast<int>(CharLengthAt(line_, next.begin))
                                  : UnitWidth(next, false);
            if (w + first <= room) return w;
        }
        return UnitWidth(t, false);
    }

    // When the text unit i does not fit whole: the characters of it that fit end the column
    // (where it returns), the rest stays unit i and begins the next. 0 when none fits.
    std::size_t SplitText(std::size_t i, int col) {
        TypesetUnit& t = u_[i];
        if (t.kind != UnitKind::Text) return 0;
        std::size_t at = t.begin;
        for (std::size_t len; at < t.end; at += len) {
            len = CharLengthAt(line_, at);
            if (col + static_cast<int>(len) > cap_) break;
            col += static_cast<int>(len);
        }
        if (at == t.begin) return 0;
        t.begin = t.baseBegin = static_cast<std::uint32_t>(at);
        t.baseWidth = static_cast<int>(t.end - at);
        t.firstCls = TypesetClassOf(CharCode(line_.substr(at, CharLengthAt(line_, at))));
        return at;
    }

    // Where the column ends when unit i, which does not fit, hangs below it (with the markup
    // that follows it); 0 when it may not: it is no 。、，．, or what follows may not begin
    // the next column either.
    std::size_t HangEnd(std::size_t i) const {
        if (u_[i].kind != UnitKind::Char || !(u_[i].cls & kTsHang)) return 0;
        std::size_t j = i + 1;
        while (j < u_.size() && u_[j].kind == UnitKind::Zero) ++j;
        if (j < u_.size() && NoStart(u_[j])) return 0;
        return j;
    }

    // The unit that begins the next column when unit i does not fit: the latest that may
    // begin one, after a unit that may end one, with the column before it within the width.
    // A text before the characters that may not begin a column gives up its last one.
    std::size_t ChooseBreak(std::size_t rowStart, std::size_t& i, int col) {
        const TypesetUnit& last = u_[i - 1];
        if (!NoStart(u_[i]) && !NoEnd(last) &&
            (last.kind == UnitKind::Char || last.kind == UnitKind::Text) && col <= cap_) {
            return i;  // the common case: the column as counted
        }
        std::size_t j = i;
        while (j > rowStart && NoStart(u_[j])) --j;
        if (j >= rowStart && j < i && u_[j].kind == UnitKind::Text)
            i += ExplodeText(line_, u_, j) - 1;
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
    std::vector<TypesetUnit>& u_;
    int cap_;   // the bytes of the column being filled
    int rest_;  // of the columns after the first
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

void BreakTypesetLine(std::string_view line, std::vector<TypesetUnit>& units, int first, int rest,
                      std::vector<LinePiece>& pieces) {
    if (const std::size_t cut = SeparatorCut(line, first)) {
        pieces.assign(1, {0, cut});
        return;
    }
    SplitLongRuns(line, units, std::min(first, rest));
    Breaker(line, units, first, rest).Run(pieces);
}

namespace {

// The bytes of the last of `rows`, and of a row after it.
std::pair<int, int> Capacities(int baseLimit, LayoutNoteTracker* tracker, RowList& rows) {
    if (!tracker) return {baseLimit + 1, baseLimit + 1};
    const int first = tracker->RowLimit(baseLimit, rows) + 1;
    rows.emplace_back();
    const int rest = tracker->RowLimit(baseLimit, rows) + 1;
    rows.pop_back();
    return {first, rest};
}

}  // namespace

bool TypesetLineIntoRows(std::string_view line, int baseLimit, bool ruby, bool notes,
                         LayoutNoteTracker* tracker, RowList& rows, bool& leftOpen) {
    // A line that fits a column and holds no markup is that column: no unit takes more of
    // the column than its bytes.
    if (line.size() <= static_cast<std::size_t>(baseLimit + 1) &&
        (!ruby || !ContainsChars(line, Markup().rubyOpen)) &&
        (!notes || !ContainsChars(line, Markup().noteOpen)) &&
        (!tracker || static_cast<int>(line.size()) <= tracker->RowLimit(baseLimit, rows) + 1)) {
        rows.back().assign(line);
        return true;
    }
    thread_local std::vector<TypesetUnit> units;
    thread_local std::vector<LinePiece> pieces;
    std::optional<TrackerNotes> hidden;
    if (tracker) hidden.emplace(*tracker);
    if (!ReadTypesetUnits(line, ruby, notes, hidden ? &*hidden : nullptr, units, tracker != nullptr,
                          &leftOpen)) {
        return false;
    }
    // Layout annotations at the line's start may have set its indent.
    const auto [first, rest] = Capacities(baseLimit, tracker, rows);
    BreakTypesetLine(line, units, first, rest, pieces);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k > 0) rows.emplace_back();
        rows.back().assign(line.substr(pieces[k].begin, pieces[k].end - pieces[k].begin));
    }
    return true;
}

}  // namespace mirvo
