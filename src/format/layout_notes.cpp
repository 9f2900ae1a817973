#include "format/layout_notes.h"

#include <algorithm>

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

}  // namespace

LayoutNoteTracker::LayoutNoteTracker(const PageLayout& layout, bool ruby)
    : maxIndent_(layout.RowBytes() / 2 - 1), ruby_(ruby), inline_(ruby) {}

bool LayoutNoteTracker::IsPageBreakLine(std::string_view line) {
    std::string_view text;
    return AnnotationEnd(line, 0, &text) == line.size() && !line.empty() &&
           ClassifyNote(text, true).kind == NoteKind::PageBreak;
}

void LayoutNoteTracker::BeginLine(const RowList& rows) {
    // One style a row: room for as many as the rows have, so that they are not moved.
    if (notes_.rows.capacity() < rows.capacity()) notes_.rows.reserve(rows.capacity());
    firstRow_ = rows.size() - 1;
    prevRowSize_ = firstRow_ > 0 ? rows[firstRow_ - 1].size() : 0;
    lineIndent_ = blocks_.empty() ? 0 : blocks_.back();
}

int LayoutNoteTracker::LineIndent() const {
    return std::clamp(lineIndent_, 0, maxIndent_);
}

std::size_t LayoutNoteTracker::Take(std::string_view line, std::size_t at, bool atLineStart) {
    std::string_view text;
    const std::size_t end = AnnotationEnd(line, at, &text);
    if (end == 0) return 0;
    const Note note = ClassifyNote(text, true);
    switch (note.kind) {
        case NoteKind::Indent:
            if (!atLineStart) return 0;
            lineIndent_ = note.cells;
            break;
        case NoteKind::BlockIndent:
            if (!atLineStart) return 0;
            blocks_.push_back(note.cells);
            lineIndent_ = note.cells;
            break;
        case NoteKind::BlockIndentEnd:
            if (!atLineStart) return 0;
            if (!blocks_.empty()) blocks_.pop_back();
            lineIndent_ = blocks_.empty() ? 0 : blocks_.back();
            break;
        case NoteKind::Heading: {
            const std::size_t begin = FindReadingBefore(line, at, note.target, ruby_);
            if (begin == std::string_view::npos) return 0;
            AddHeading(begin, at, note.level, note.target);
            break;
        }
        case NoteKind::HeadingStart: {
            const std::size_t closer = FindHeadingEnd(line, end, note.level);
            if (closer == 0) return 0;
            open_.push_back({closer, end, note.level});
            break;
        }
        case NoteKind::HeadingEnd: {
            const auto it = std::find_if(open_.begin(), open_.end(),
                                         [at](const OpenHeading& h) { return h.closer == at; });
            if (it == open_.end()) return 0;
            AddHeading(it->begin, at, it->level, line.substr(it->begin, at - it->begin));
            open_.erase(it);
            break;
        }
        default:  // emphasis, side lines, bold, upright runs; else a footnote or a page break
            if (!inline_.Take(line, at, end, text)) return 0;
            break;
    }
    spans_.push_back({at, end, false});
    return end;
}

void LayoutNoteTracker::AddHeading(std::size_t begin, std::size_t end, int level,
                                   std::string_view text) {
    if (begin >= end) return;  // a heading block with nothing in it
    spans_.push_back({begin, end, true});
    headings_.push_back({begin, level, std::string(text)});
}

void LayoutNoteTracker::EndLine(const RowList& rows, std::string_view line) {
    notes_.rows.resize(rows.size());
    std::vector<InlineSpan> marks;
    inline_.EndLine(line, marks);
    for (const InlineSpan& m : marks) spans_.push_back({m.begin, m.end, m.bold, m.mark});
    for (std::size_t r = firstRow_; r < rows.size(); ++r) notes_.rows[r].indent = LineIndent();
    if (!spans_.empty()) {
        // The line's bytes stand, in order, at the end of the row before its first row
        // (characters hung or moved there) and then in its own rows.
        struct Piece {
            std::size_t lineBegin, row, rowBegin, size;
        };
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
        for (const Span& s : spans_) {
            for (const Piece& p : pieces) {
                const std::size_t b = std::max(s.begin, p.lineBegin);
                const std::size_t e = std::min(s.end, p.lineBegin + p.size);
                if (b >= e) continue;
                // An upright run cut by a row's end is drawn as the rows counted it.
                if (s.mark && s.mark->kind == MarkKind::Upright && e - b != s.end - s.begin) {
                    continue;
                }
                const RowSpan span{static_cast<std::uint32_t>(b - p.lineBegin + p.rowBegin),
                                   static_cast<std::uint32_t>(e - p.lineBegin + p.rowBegin)};
                RowStyle& style = notes_.rows[p.row];
                if (s.mark) {
                    style.marks.push_back(*s.mark);
                    style.marks.back().begin = span.begin;
                    style.marks.back().end = span.end;
                } else {
                    (s.bold ? style.bold : style.hidden).push_back(span);
                }
            }
        }
        std::stable_sort(
            headings_.begin(), headings_.end(),
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
    spans_.clear();
    headings_.clear();
    open_.clear();
}

LayoutNotes LayoutNoteTracker::Finish(std::size_t rowCount) {
    notes_.rows.resize(rowCount);
    return std::move(notes_);
}

}  // namespace mirvo
