#include "format/layout_notes.h"

#include <algorithm>

#include "format/aozora_notes.h"

#include "format/cp932.h"

namespace mirvo {
namespace {

// Where the end annotation of a heading of `level` begins in `line` at or after `from`;
// 0 when the line holds none.
std::size_t FindHeadingEnd(std::string_view line, std::size_t from, int level) {
    for (std::size_t i = from; i < line.size(); i += CharLengthAt(line, i)) {
        std::string_view text;
        if (AnnotationEnd(line, i, &text) == 0) continue;
        const Note note = ClassifyNote(text, true);
        if (note.kind == NoteKind::HeadingEnd && note.level == level) return i;
    }
    return 0;
}

// Annotations that open or close a block (or centre the page): a line of nothing else
// needs no column of its own.
bool OpensOrClosesBlock(NoteKind kind) {
    switch (kind) {
        case NoteKind::BlockIndent:
        case NoteKind::BlockIndentEnd:
        case NoteKind::BlockRaise:
        case NoteKind::BlockRaiseEnd:
        case NoteKind::BlockWidth:
        case NoteKind::BlockWidthEnd:
        case NoteKind::Size:
        case NoteKind::SizeEnd:
        case NoteKind::BlockSize:
        case NoteKind::BlockSizeEnd:
        case NoteKind::PageCentre:
        case NoteKind::BlockHeading:
        case NoteKind::BlockHeadingEnd:
            return true;
        default:
            return false;
    }
}

}  // namespace

// The line's bytes stand, in order, at the end of the row before its first row
// (characters hung or moved there, or a line of block annotations alone) and then in its
// own rows.
struct LayoutNoteTracker::Piece {
    std::size_t lineBegin, row, rowBegin, size;
};

LayoutNoteTracker::LayoutNoteTracker(const PageLayout& layout, bool ruby)
    : maxIndent_(layout.RowBytes() / 2 - 1), pageRows_(layout.Rows()), ruby_(ruby), inline_(ruby) {}

Note LayoutNoteTracker::LineNote(std::string_view line) {
    std::string_view text;
    if (line.empty() || AnnotationEnd(line, 0, &text) != line.size()) return {};
    return ClassifyNote(text, true);
}

int LayoutNoteTracker::PageBreakLevel(std::string_view line) {
    const Note note = LineNote(line);
    return note.kind == NoteKind::PageBreak ? note.level : -1;
}

bool LayoutNoteTracker::IsPageBreakLine(std::string_view line) {
    return PageBreakLevel(line) >= 0;
}

void LayoutNoteTracker::BeginLine(const RowList& rows, std::string_view line) {
    firstRow_ = rows.size() - 1;
    prevRowSize_ = firstRow_ > 0 ? rows[firstRow_ - 1].size() : 0;
    line_ = blocks_.empty() ? IndentBlock{0, 0, 0} : blocks_.back();
    lineRaise_ = raises_.empty() ? -1 : raises_.back();
    footAt_ = footWidth_ = 0;
    lineSize_ = line.size();
    blockBytes_ = 0;
    lineText_ = line;
    lineHeading_ = blockHeading_;
}

int LayoutNoteTracker::LineIndent() const {
    return std::clamp(line_.first, 0, maxIndent_);
}

int LayoutNoteTracker::RowLimit(int baseLimit, const RowList& rows) const {
    const bool first = rows.size() - 1 <= firstRow_;
    const long long cells = static_cast<long long>(first ? line_.first : line_.rest) + line_.foot +
                            std::max(lineRaise_, 0);
    int limit = baseLimit - 2 * static_cast<int>(std::clamp<long long>(cells, 0, maxIndent_));
    if (!widths_.empty()) limit = std::min(limit, 2 * widths_.back() - 1);
    return limit;
}

std::size_t LayoutNoteTracker::Take(std::string_view line, std::size_t at, bool atLineStart) {
    std::string_view text;
    const std::size_t end = AnnotationEnd(line, at, &text);
    if (end == 0) return 0;
    const Note note = ClassifyNote(text, true);
    if (note.kind == NoteKind::Raise) {
        lineRaise_ = note.cells;
        footAt_ = atLineStart ? 0 : end;
        footWidth_ = atLineStart ? 0 : DrawnWidth(line, end, ruby_, nullptr);
        footJustTaken_ = true;
    } else if (!TakeBlock(note, atLineStart) && !TakeSpan(note, line, at, end) &&
               !inline_.Take(line, at, end, text)) {
        return 0;
    }
    if (OpensOrClosesBlock(note.kind)) blockBytes_ += end - at;
    spans_.push_back({at, end, SpanKind::Hidden});
    return end;
}

bool LayoutNoteTracker::TakeBlock(const Note& note, bool atLineStart) {
    if (!atLineStart) return false;
    switch (note.kind) {
        case NoteKind::Indent:
            line_.first = line_.rest = note.cells;
            return true;
        case NoteKind::BlockIndent:
            blocks_.push_back({note.cells, note.rest < 0 ? note.cells : note.rest, note.foot});
            line_ = blocks_.back();
            return true;
        case NoteKind::BlockIndentEnd:
            if (!blocks_.empty()) blocks_.pop_back();
            line_ = blocks_.empty() ? IndentBlock{0, 0, 0} : blocks_.back();
            return true;
        case NoteKind::BlockRaise:
            raises_.push_back(note.cells);
            lineRaise_ = note.cells;
            return true;
        case NoteKind::BlockRaiseEnd:
            if (raises_.empty()) return false;
            raises_.pop_back();
            lineRaise_ = raises_.empty() ? -1 : raises_.back();
            return true;
        case NoteKind::BlockWidth:
            widths_.push_back(std::max(1, note.cells));
            return true;
        case NoteKind::BlockWidthEnd:
            if (widths_.empty()) return false;
            widths_.pop_back();
            return true;
        case NoteKind::PageCentre:
            centreFrom_ = firstRow_ - firstRow_ % static_cast<std::size_t>(pageRows_);
            return true;
        case NoteKind::BlockHeading:
            blockHeading_ = note.level;
            headingListed_ = false;
            return true;
        case NoteKind::BlockHeadingEnd:
            if (blockHeading_ != note.level) return false;
            blockHeading_ = 0;
            return true;
        default:
            return false;
    }
}

bool LayoutNoteTracker::TakeSpan(const Note& note, std::string_view line, std::size_t at,
                                 std::size_t end) {
    switch (note.kind) {
        case NoteKind::Size:
        case NoteKind::BlockSize:
            sizes_.emplace_back(end, note.steps);
            return true;
        case NoteKind::SizeEnd:
        case NoteKind::BlockSizeEnd:
            if (sizes_.empty()) return false;
            if (sizes_.back().first < at) {
                spans_.push_back({sizes_.back().first, at, SpanKind::Sized, sizes_.back().second});
            }
            sizes_.pop_back();
            return true;
        case NoteKind::SizeOf: {
            const std::size_t begin = FindReadingBefore(line, at, note.target, ruby_);
            if (begin == std::string_view::npos) return false;
            spans_.push_back({begin, at, SpanKind::Sized, note.steps});
            return true;
        }
        case NoteKind::Heading: {
            const std::size_t begin = FindReadingBefore(line, at, note.target, ruby_);
            if (begin == std::string_view::npos) return false;
            AddHeading(begin, at, note.level, note.target);
            return true;
        }
        case NoteKind::HeadingStart: {
            const std::size_t closer = FindHeadingEnd(line, end, note.level);
            if (closer == 0) return false;
            open_.push_back({closer, end, note.level});
            return true;
        }
        case NoteKind::HeadingEnd: {
            const auto it = std::find_if(open_.begin(), open_.end(),
                                         [at](const OpenHeading& h) { return h.closer == at; });
            if (it == open_.end()) return false;
            AddHeading(it->begin, at, it->level, line.substr(it->begin, at - it->begin));
            open_.erase(it);
            return true;
        }
        default:  // footnotes, emphasis, a page break or a picture amid text
            return false;
    }
}

bool LayoutNoteTracker::FootPartNeedsNewRow(int column, int limit) {
    if (!footJustTaken_) return false;
    footJustTaken_ = false;
    return lineRaise_ >= 0 && footAt_ > 0 && column > 1 &&
           static_cast<long long>(column) - 1 + static_cast<long long>(footWidth_) >
               static_cast<long long>(limit) + 1;
}

bool LayoutNoteTracker::OnlyBlockNotes() const {
    return blockBytes_ > 0 && blockBytes_ == lineSize_;
}

void LayoutNoteTracker::AddHeading(std::size_t begin, std::size_t end, int level,
                                   std::string_view text) {
    if (begin >= end) return;  // a heading block with nothing in it
    spans_.push_back({begin, end, SpanKind::Bold});
    headings_.push_back({begin, level, std::string(text)});
}

std::vector<LayoutNoteTracker::Piece> LayoutNoteTracker::PiecesOf(const RowList& rows) const {
    std::vector<Piece> pieces;
    std::size_t pos = 0;
    if (firstRow_ > 0 && rows[firstRow_ - 1].size() > prevRowSize_) {
        pieces.push_back(
            {0, firstRow_ - 1, prevRowSize_, rows[firstRow_ - 1].size() - prevRowSize_});
        pos = pieces.back().size;
    }
    for (std::size_t r = firstRow_; r < rows.size(); ++r) {
        if (rows[r].empty()) continue;
        pieces.push_back({pos, r, 0, rows[r].size()});
        pos += rows[r].size();
    }
    return pieces;
}

void LayoutNoteTracker::PlaceSpans(const std::vector<Piece>& pieces) {
    for (const Span& s : spans_) {
        for (const Piece& p : pieces) {
            const std::size_t b = std::max(s.begin, p.lineBegin);
            const std::size_t e = std::min(s.end, p.lineBegin + p.size);
            if (b >= e) continue;
            // An upright run cut by a row's end is drawn as the rows counted it.
            if (s.kind == SpanKind::Mark && s.mark.kind == MarkKind::Upright &&
                e - b != s.end - s.begin) {
                continue;
            }
            const auto rb = static_cast<std::uint32_t>(b - p.lineBegin + p.rowBegin);
            const auto re = static_cast<std::uint32_t>(e - p.lineBegin + p.rowBegin);
            RowStyle& style = notes_.rows[p.row];
            if (s.kind == SpanKind::Sized) {
                style.sized.push_back({rb, re, s.steps});
            } else if (s.kind == SpanKind::Mark) {
                style.marks.push_back(s.mark);
                style.marks.back().begin = rb;
                style.marks.back().end = re;
            } else {
                (s.kind == SpanKind::Bold ? style.bold : style.hidden).push_back({rb, re});
            }
        }
    }
    std::stable_sort(headings_.begin(), headings_.end(),
                     [](const LineHeading& a, const LineHeading& b) { return a.begin < b.begin; });
    for (LineHeading& h : headings_) {
        for (const Piece& p : pieces) {
            if (h.begin >= p.lineBegin && h.begin < p.lineBegin + p.size) {
                notes_.headings.push_back({p.row, h.level, std::move(h.text)});
                break;
            }
        }
    }
}

// The line's last row ends `lineRaise_` cells above the foot: all of it, or its part from
// the foot part's first byte when that part begins in it.
void LayoutNoteTracker::PlaceFoot(const std::vector<Piece>& pieces) {
    if (lineRaise_ < 0 || pieces.empty() || pieces.back().row < firstRow_) return;
    const Piece& p = pieces.back();
    RowStyle& style = notes_.rows[p.row];
    style.raise = std::min(lineRaise_, maxIndent_);
    const std::size_t from = footAt_ > p.lineBegin ? footAt_ - p.lineBegin : 0;
    style.footFrom = static_cast<std::uint32_t>(p.rowBegin + std::min(from, p.size));
}

void LayoutNoteTracker::EndLine(const RowList& rows) {
    notes_.rows.resize(rows.size());
    for (std::size_t r = firstRow_; r < rows.size(); ++r) {
        notes_.rows[r].indent =
            std::clamp(r == firstRow_ ? line_.first : line_.rest, 0, maxIndent_);
    }
    // A line of a heading block: bold, and the first one with text listed.
    if (lineHeading_ > 0 && blockHeading_ == lineHeading_ && blockBytes_ < lineSize_) {
        spans_.push_back({0, lineSize_, SpanKind::Bold});
        if (!headingListed_) headings_.push_back({0, lineHeading_, std::string(lineText_)});
        headingListed_ = true;
    }
    // A size still open goes on into the next line.
    for (auto& [begin, steps] : sizes_) {
        if (begin < lineSize_) spans_.push_back({begin, lineSize_, SpanKind::Sized, steps});
        begin = 0;
    }
    // Emphasis marks, side lines, bold text and upright runs.
    std::vector<InlineSpan> marks;
    inline_.EndLine(lineText_, marks);
    for (const InlineSpan& m : marks) {
        spans_.push_back({m.begin, m.end, m.bold ? SpanKind::Bold : SpanKind::Mark, 0,
                          m.mark.value_or(RowMark{})});
    }
    if (!spans_.empty() || lineRaise_ >= 0) {
        const std::vector<Piece> pieces = PiecesOf(rows);
        PlaceSpans(pieces);
        PlaceFoot(pieces);
    }
    spans_.clear();
    headings_.clear();
    open_.clear();
}

void LayoutNoteTracker::PlacePicture(std::size_t row) {
    if (notes_.rows.size() <= row) notes_.rows.resize(row + 1);
    notes_.rows[row].picture = true;
}

bool LayoutNoteTracker::IsPictureRow(std::size_t row) const {
    return row < notes_.rows.size() && notes_.rows[row].picture;
}

bool LayoutNoteTracker::RowShowsNothing(const RowList& rows, std::size_t r) const {
    if (rows[r].empty()) return true;
    if (r >= notes_.rows.size()) return false;
    std::size_t hidden = 0;
    for (const RowSpan& s : notes_.rows[r].hidden) hidden += s.end - s.begin;
    return hidden >= rows[r].size();
}

void LayoutNoteTracker::EndPage(RowList& rows) {
    const std::size_t start = centreFrom_;
    centreFrom_ = static_cast<std::size_t>(-1);
    const auto R = static_cast<std::size_t>(pageRows_);
    if (start >= rows.size() || rows.size() - 1 > start + R) return;  // text beyond the page
    std::size_t first = rows.size(), last = 0;
    for (std::size_t r = start; r + 1 < rows.size(); ++r) {
        if (RowShowsNothing(rows, r)) continue;
        first = std::min(first, r);
        last = r;
    }
    if (first == rows.size()) return;
    const std::size_t want = start + (R - (last - first + 1)) / 2;
    if (want <= first) return;
    const std::size_t k = want - first;
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(first), k, std::string());
    if (notes_.rows.size() > first) {
        notes_.rows.insert(notes_.rows.begin() + static_cast<std::ptrdiff_t>(first), k, RowStyle());
    }
    for (Heading& h : notes_.headings) {
        if (h.row >= first) h.row += k;
    }
}

LayoutNotes LayoutNoteTracker::Finish(std::size_t rowCount) {
    notes_.rows.resize(rowCount);
    return std::move(notes_);
}

}  // namespace mirvo
