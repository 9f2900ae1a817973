// The book in memory: a list of CP932 byte strings. Before formatting it holds the lines
// of the text file, afterwards the rows (one per printed column), `RowCount` rows a page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/encoding.h"
#include "format/page_layout.h"
#include "format/problem.h"

namespace mirvo {

using RowList = std::vector<std::string>;

constexpr int FrontCoverPage = -1;
constexpr int BackCoverPage = 9999;

// Splits file bytes into lines at CR LF, lone CR and lone LF; the end markers are not
// kept, a final line end adds no line, and no bytes give no lines. One pass for each kind
// of line end, whichever kinds the bytes hold; the list has no spare room.
RowList SplitLines(std::string_view bytes);

// The largest book that is loaded: beyond it a text file is refused, not read into memory.
inline constexpr std::uint64_t kMaxBookBytes = 256u << 20;
// The most lines a book may have. Every line costs its list a string of its own before
// formatting and another after, so a book of nothing but line ends would take 64 bytes a
// byte; beyond this count it is refused as too large for memory instead.
inline constexpr std::size_t kMaxBookLines = std::size_t{1} << 24;

// Loads the file at `path` as CP932 lines (a ZIP book, IsZipPath: the text of its archive,
// ReadArchiveBook, refused as that is): read in `encoding` (detected for Auto; a
// Shift_JIS book's bytes as they are), see DecodeText. `report`, when given, learns the
// encoding used and the characters replaced. The Problem, when the file cannot be read
// (BookUnreadable), is not a regular file (BookNotRegular: a FIFO or device is never waited
// on), is larger than kMaxBookBytes (BookTooLarge), or has more lines than kMaxBookLines
// or more than memory holds (FormatOutOfMemory). `extras`, when given, receives the
// book's extra characters (those CP932 has no code for).
Result<RowList> LoadLines(const std::string& path, TextEncoding encoding = TextEncoding::Auto,
                          TextReport* report = nullptr, ExtraChars* extras = nullptr);

// The notice for a book in which characters were replaced (BookCharsReplaced): how many,
// and the line of the first.
Problem ReplacementNotice(const std::string& path, const TextReport& report);

// trunc((rows - 2) / RowCount) + 1: the final empty row is not counted, and an empty or
// one-row list still has one page.
int PageCount(std::size_t rowListSize, const PageLayout& layout);
inline int PageCount(const RowList& rows, const PageLayout& layout) {
    return PageCount(rows.size(), layout);
}
// Index of the first row of page p (1-based).
long long FirstRowOfPage(int page, const PageLayout& layout);
// Page (1-based) on which row index i lies.
int PageOfRow(long long rowIndex, const PageLayout& layout);

}  // namespace mirvo
