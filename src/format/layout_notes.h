// The layout annotations of a book followed through one formatting run: indentation
// (one line or a block of lines), headings and page breaks. The formatter offers it every
// annotation it meets outside brackets; what is taken here is laid out with no width, and
// what is not stays a footnote or an emphasis.
#pragma once

#include <cstddef>
#include <optional>
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

    // A line begins; the last of `rows` is the row opened for it.
    void BeginLine(const RowList& rows);
    // The indent of the current line in cells, within the row.
    int LineIndent() const;

    // The annotation that begins at byte `at` of `line` (its "［"), outside brackets.
    // When it is a layout annotation that applies here, it is recorded and the byte past
    // its "］" is returned; otherwise 0. `atLineStart` tells that nothing but layout
    // annotations stands before it on the line: indentation applies only there.
    std::size_t Take(std::string_view line, std::size_t at, bool atLineStart);

    // The bytes of the upright run (縦中横) that the annotation just taken completes, for
    // the formatter to count as one full-width cell; 0 when it completes none.
    std::size_t UprightRunBytes() const { return inline_.UprightRunBytes(); }

    // The line `line` is done and its bytes stand in `rows`: records the indent of its rows
    // and places its hidden annotations, heading texts, headings and inline marks in them.
    void EndLine(const RowList& rows, std::string_view line);

    // What was found, for a book of `rowCount` rows.
    LayoutNotes Finish(std::size_t rowCount);

  private:
    struct Span {
        std::size_t begin, end;
        bool bold;
        std::optional<RowMark> mark = {};  // an inline mark (inline_notes.h)
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

    void AddHeading(std::size_t begin, std::size_t end, int level, std::string_view text);

    const int maxIndent_;
    const bool ruby_;
    LayoutNotes notes_;
    std::vector<int> blocks_;  // open indentation blocks, innermost last
    int lineIndent_ = 0;
    std::size_t firstRow_ = 0, prevRowSize_ = 0;
    std::vector<Span> spans_;  // in line bytes
    std::vector<LineHeading> headings_;
    std::vector<OpenHeading> open_;
    InlineNoteTracker inline_;
};

}  // namespace mirvo
