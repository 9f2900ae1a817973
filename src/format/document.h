// The book in memory: a list of CP932 byte strings. Before formatting it holds the lines
// of the text file, afterwards the rows (one per printed column), `RowCount` rows a page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/encoding.h"
#include "format/page_layout.h"

namespace mirvo {

using RowList = std::vector<std::string>;

constexpr int FrontCoverPage = -1;
constexpr int BackCoverPage = 9999;

// Splits file bytes into lines at CR LF, lone CR and lone LF; the end markers are not
// kept, a final line end adds no line, and no bytes give no lines.
RowList SplitLines(std::string_view bytes);

// The largest book that is loaded: beyond it a text file is refused, not read into memory.
inline constexpr std::uint64_t kMaxBookBytes = 256u << 20;

// Loads the file at `path` into `lines` as CP932 text: read in `encoding` (detected for
// Auto; a Shift_JIS book's bytes as they are), see DecodeText. `report`, when given, learns
// the encoding used and the characters replaced. Returns false and sets `error` (a message
// naming the file) when it cannot be read, is not a regular file (a FIFO or device is never
// waited on) or is larger than kMaxBookBytes; `lines` is then left as it was.
bool LoadLines(const std::string& path, RowList& lines, std::string* error = nullptr,
               TextEncoding encoding = TextEncoding::Auto, TextReport* report = nullptr);

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
