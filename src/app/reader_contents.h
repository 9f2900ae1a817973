// The entries of the contents page: headings found in the formatted rows and the reader's
// bookmarks, in page order, and the grid rows the window shows for them.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/book_state.h"
#include "format/document.h"
#include "format/markup.h"

namespace mirvo {

// A place the reader marked: its page and the first row of that page as it read then.
struct Bookmark {
    int Page = 0;
    std::string Caption;  // UTF-8
};

enum class ContentsKind { Heading, Bookmark };

// One entry of the contents page.
struct ContentsEntry {
    ContentsKind Kind = ContentsKind::Heading;
    std::string Caption;  // UTF-8
    int Page = 0;
};

// The grid row of an entry: "⇒" for a bookmark (nothing for a heading), the caption, the
// page number as text.
PageListRow GridRow(const ContentsEntry& entry);
std::vector<PageListRow> GridRows(std::span<const ContentsEntry> entries);

// The text of status panel 1 after `done` of `total` rows: "目次生成中:" with k "●" and
// 10 - k "○", k = trunc(done x 10 / total).
std::string ContentsProgressText(std::size_t done, std::size_t total);

// One entry per row whose text, blanks and control characters (code 32 and below) removed
// from both ends, begins with `indexChar` (UTF-8; compared as CP932 bytes). An empty mark
// finds nothing. `progress` receives the panel text after every row. `headings`, the
// headings of layout annotations, are listed among them (AddLayoutHeadings).
std::vector<ContentsEntry> BuildContents(const RowList& rows, const PageLayout& layout,
                                         const std::string& indexChar,
                                         const std::function<void(const std::string&)>& progress,
                                         const std::vector<Heading>* headings = nullptr);

// A bookmark entry for page `page`: the first row of that page (UTF-8). Nothing when that
// row does not exist (page 0 or below, or past the end of the book).
bool MakeBookmarkEntry(const RowList& rows, const PageLayout& layout, int page,
                       ContentsEntry& entry);

// Orders the entries by page with the grid's exchange sort: for i = 1 to m, for j = i + 1 to
// m, entries i and j are exchanged when the page of i is strictly greater. Entries of one
// page may change their order, as the table shows. Entries already in order but for the
// last one (a bookmark just added) are sorted in one pass, with the same result.
void SortContents(std::vector<ContentsEntry>& entries);

// Adds a bookmark entry for each page in turn (MakeBookmarkEntry), sorting after each as
// the grid does; pages without a first row are left out.
void AddBookmarks(std::vector<ContentsEntry>& contents, const RowList& rows,
                  const PageLayout& layout, std::span<const int> pages);

}  // namespace mirvo
