// The document formatter: turns the source lines of a book into rows of at most RowBytes
// counted bytes, with Japanese line-breaking rules, the width rules of ruby and
// annotation markup, and whole pages for illustration and page-break tag lines.
#pragma once

#include <string>
#include <string_view>

#include "format/document.h"
#include "format/markup.h"
#include "format/page_layout.h"
#include "format/problem.h"

namespace mirvo {

// What only the window (and the settings file) can do for the formatter. Each does
// nothing unless overridden: a host that needs none of them (a test, a benchmark) overrides
// nothing.
class FormatterHost {
  public:
    virtual ~FormatterHost() = default;
    // Tell the reader of `problem` (one of the Format kinds) and return when the reader has
    // seen it.
    virtual void Report(const Problem& /*problem*/) {}
    // Show how far formatting has come: `done` of `total` lines.
    virtual void ShowProgress(std::size_t /*done*/, std::size_t /*total*/) {}
    // Formatting is over, whether it succeeded or not: the progress is done with.
    virtual void FormattingEnded() {}
    // Write an empty `Last` entry into the global settings file, so that the next start
    // does not reopen a book that cannot be formatted.
    virtual void ClearLastDocument() {}
};

struct FormatOptions {
    PageLayout Layout;  // RowCount rows a page, rows of at most RowBytes counted bytes
    bool UseRuby = true;
    bool UseComment = true;
    std::string DocumentPath;  // only used as the path of a Problem
    // Take indentation, headings and page breaks written as annotations as layout
    // (only while UseComment is on): see LayoutNoteTracker.
    bool UseAozoraNotes = false;
    // Cut rows as a printed book sets its columns (see typeset_lines.h).
    bool Typesetting = false;
};

// Formats the source lines held in `rows` into rows, in place, telling the host of its
// progress every tenth of the lines and, at the end, that formatting is over. Returns true
// on success. A formatting error is reported to the host as a Problem (FormatOutOfMemory,
// FormatInternal, FormatForbiddenAtStart, FormatRubyAtStart, FormatNoteAtStart,
// FormatUnclosed), then `rows` is emptied, the `Last` entry cleared, and the result is
// false: the formatter fails through its host, since the reader must see the message
// before the entry is cleared.
//
// With UseAozoraNotes (and UseComment) a "《" or "［＃" that its line does not close is read
// as text instead of FormatUnclosed; the first such line is then reported to the host as a
// FormatMarkupAsText notice once the rows are made, and the result is true.
//
// `notes`, when given, receives what the layout annotations ask of each row and the
// headings they make; it is empty when UseAozoraNotes (or UseComment) is off and after
// an error.
bool FormatDocument(RowList& rows, const FormatOptions& options, FormatterHost& host,
                    LayoutNotes* notes = nullptr);

// Tag lines. Each returns true when `line` is its kind of tag and has been placed into
// `rows` (whose last row is the empty row opened for this line).
bool IsImageTagLine(std::string_view line);  // "<IMG" in any case at the very start
bool IsSkipTagLine(std::string_view line);   // "<SKIP" in any case at the very start
bool TakeImageLine(std::string_view line, RowList& rows, const PageLayout& layout);
bool TakeSkipLine(std::string_view line, RowList& rows, const PageLayout& layout);

}  // namespace mirvo
