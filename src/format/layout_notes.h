// The layout annotations of a book followed through one formatting run: indentation (one
// line, a block of lines, hanging), text set at the foot, rows of a fixed width, text drawn
// larger or smaller, headings, pictures and page breaks. The formatter offers it every
// annotation it meets outside brackets; what is taken here is laid out with no width, and
// what is not stays a footnote or an emphasis.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "format/document.h"
#include "format/inline_notes.h"
#include "format/markup.h"
#include "format/page_layout.h"

namespace mirvo {

class LayoutNoteTracker {
  public:
    // The row width bounds the indent: at least one full-width character stays in a row.
    // `ruby` tells whether 《…》 is ruby (so that a heading's text is read without it).
    LayoutNoteTracker(const PageLayout& layout, bool ruby);

    // True when `line` is a page-break annotation and nothing else.
    static bool IsPageBreakLine(std::string_view line);
    // The level of such a line: 0 the next page, 1 the next right-hand page (改丁), 2 the
    // next spread (改見開き); -1 when the line is no page break.
    static int PageBreakLevel(std::string_view line);
    // What `line` asks for when it is one annotation and nothing else; a Footnote when not.
    static Note LineNote(std::string_view line);

    // Room for the styles of about `rows` rows.
    void Reserve(std::size_t rows) { notes_.rows.reserve(rows); }

    // A line begins; the last of `rows` is the row opened for it.
    void BeginLine(const RowList& rows, std::string_view line);
    // The indent of the current line's first row in cells, within the row.
    int LineIndent() const;
    // The counted width past which the last of `rows` closes, from `baseLimit` (that of a
    // plain row): less the indent (of the line's first row or of its later rows), the cells
    // kept at the foot and those of text raised from it, and at most a fixed width.
    int RowLimit(int baseLimit, const RowList& rows) const;

    // The annotation that begins at byte `at` of `line` (its "［"), outside brackets.
    // When it is a layout annotation that applies here, it is recorded and the byte past
    // its "］" is returned; otherwise 0. `atLineStart` tells that nothing but layout
    // annotations stands before it on the line: indentation applies only there.
    std::size_t Take(std::string_view line, std::size_t at, bool atLineStart);
    // After a 地付き or 字上げ annotation amid a line was taken: true when the rest of the
    // line does not fit after `column` (1 + the row's counted width) within `limit`, so
    // that it begins the next row.
    // Asked once after each such annotation.
    bool FootPartNeedsNewRow(int column, int limit);
    // The line holds nothing but annotations that open or close blocks (or centre the
    // page): it need not make a column of its own.
    bool OnlyBlockNotes() const;

    // The bytes of the upright run (縦中横) that the annotation just taken completes, for
    // the formatter to count as one full-width cell; 0 when it completes none.
    std::size_t UprightRunBytes() const { return inline_.UprightRunBytes(); }

    // The line is done and its bytes stand in `rows`: records the indent of its rows and
    // places its hidden annotations, heading texts, sized texts, headings and inline marks
    // (inline_notes.h) in them.
    void EndLine(const RowList& rows);

    // A picture annotation's line (PictureNoteFile) was placed in row `row`.
    void PlacePicture(std::size_t row);
    bool IsPictureRow(std::size_t row) const;
    // A page ends before the last of `rows`: when ページの左右中央 asked for it, its text
    // is centred across the page by empty rows put before it.
    void EndPage(RowList& rows);

    // What was found, for a book of `rowCount` rows.
    LayoutNotes Finish(std::size_t rowCount);

  private:
    enum class SpanKind { Hidden, Bold, Sized, Mark };
    struct Span {
        std::size_t begin, end;
        SpanKind kind;
        int steps = 0;
        RowMark mark = {};  // Mark
    };
    struct LineHeading {
        std::size_t begin;
        int level;
        std::string text;
    };
    struct OpenHeading {
        std::size_t closer;  // where its end annotation begins
        std::size_t begin;   // where its text begins
        int level;
    };
    struct IndentBlock {
        int first, rest, foot;
    };
    struct Piece;

    bool TakeBlock(const Note& note, bool atLineStart);
    bool TakeSpan(const Note& note, std::string_view line, std::size_t at, std::size_t end);
    void AddHeading(std::size_t begin, std::size_t end, int level, std::string_view text);
    std::vector<Piece> PiecesOf(const RowList& rows) const;
    void PlaceSpans(const std::vector<Piece>& pieces);
    void PlaceFoot(const std::vector<Piece>& pieces);
    bool RowShowsNothing(const RowList& rows, std::size_t r) const;

    const int maxIndent_;
    const int pageRows_;
    const bool ruby_;
    LayoutNotes notes_;
    std::vector<IndentBlock> blocks_;                 // open indentation blocks, innermost last
    std::vector<int> raises_;                         // open foot blocks
    std::vector<int> widths_;                         // open fixed-width blocks
    std::vector<std::pair<std::size_t, int>> sizes_;  // open sizes: (line byte, steps)
    IndentBlock line_{0, 0, 0};
    int lineRaise_ = -1;         // cells the line's foot part is raised; -1: none
    std::size_t footAt_ = 0;     // the line byte where its foot part begins
    std::size_t footWidth_ = 0;  // the counted width of the foot part
    bool footJustTaken_ = false;
    std::size_t lineSize_ = 0, blockBytes_ = 0;
    std::size_t centreFrom_ = static_cast<std::size_t>(-1);  // the page start to centre
    int blockHeading_ = 0, lineHeading_ = 0;                 // the level of an open heading block
    bool headingListed_ = false;                             // its first line with text is listed
    std::string_view lineText_;
    std::size_t firstRow_ = 0, prevRowSize_ = 0;
    std::vector<Span> spans_;  // in line bytes
    std::vector<LineHeading> headings_;
    std::vector<OpenHeading> open_;
    InlineNoteTracker inline_;
};

}  // namespace mirvo
