// The document formatter: turns the source lines of a book into rows of at most RowBytes
// counted bytes, with Japanese line-breaking rules, the width rules of ruby and
// annotation markup, and whole pages for illustration and page-break tag lines.
#pragma once

#include <string>
#include <string_view>

#include "format/document.h"
#include "format/error_reporter.h"
#include "format/markup.h"
#include "format/page_layout.h"

namespace mirvo {

// What only the window (and the settings file) can do for the formatter.
class FormatterHost : public ErrorReporter {
  public:
    // Put `text` (UTF-8) into panel 1 of the status bar: progress while formatting, the
    // document path when done.
    virtual void SetStatusText(const std::string& text) = 0;
    // Write an empty `Last` entry into the global settings file, so that the next start
    // does not reopen a book that cannot be formatted.
    virtual void ClearLastDocument() = 0;
};

struct FormatOptions {
    PageLayout Layout;  // RowCount rows a page, rows of at most RowBytes counted bytes
    bool UseRuby = true;
    bool UseComment = true;
    std::string DocumentPath;  // UTF-8, only used in messages and the status text
    // Take indentation, headings and page breaks written as annotations as layout
    // (only while UseComment is on): see LayoutNoteTracker.
    bool UseAozoraNotes = false;
};

// Formats the source lines held in `rows` into rows, in place. Returns true on success
// (FormatFailed false). On a formatting error the message has been reported, `rows` is
// empty, the `Last` entry has been cleared, and the result is false.
//
// `notes`, when given, receives what the layout annotations ask of each row and the
// headings they make; it is empty when UseAozoraNotes (or UseComment) is off and after
// an error.
bool FormatDocument(RowList& rows, const FormatOptions& options, FormatterHost& host,
                    LayoutNotes* notes = nullptr);

// The progress text after `done` of `total` lines: "文書整形中:" with k "●" and 10 - k "○".
std::string ProgressText(std::size_t done, std::size_t total);

// Tag lines. Each returns true when `line` is its kind of tag and has been placed into
// `rows` (whose last row is the empty row opened for this line).
bool IsImageTagLine(std::string_view line);  // "<IMG" in any case at the very start
bool IsSkipTagLine(std::string_view line);   // "<SKIP" in any case at the very start
bool TakeImageLine(std::string_view line, RowList& rows, const PageLayout& layout);
bool TakeSkipLine(std::string_view line, RowList& rows, const PageLayout& layout);

}  // namespace mirvo
