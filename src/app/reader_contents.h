// The rows of the page-list grid: headings found in the formatted rows and the reader's
// bookmarks, in page order.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/book_state.h"
#include "format/document.h"
#include "format/markup.h"

namespace mirvo {

// The text of status panel 1 after `done` of `total` rows: "目次生成中:" with k "●" and
// 10 - k "○", k = trunc(done x 10 / total).
std::string ContentsProgressText(std::size_t done, std::size_t total);

// One entry per row whose text, blanks and control characters (code 32 and below) removed
// from both ends, begins with `indexChar` (UTF-8; compared as CP932 bytes). An empty mark
// finds nothing. `progress` receives the panel text after every row. `headings`, the
// headings of layout annotations, are listed among them (AddLayoutHeadings).
std::vector<PageListRow> BuildContents(const RowList& rows, const PageLayout& layout,
                                       const std::string& indexChar,
                                       const std::function<void(const std::string&)>& progress,
                                       const std::vector<Heading>* headings = nullptr);

// A bookmark row for page `page`: "⇒", the first row of that page (UTF-8), the page.
// Nothing when that row does not exist (page 0 or below, or past the end of the book).
bool MakeBookmarkRow(const RowList& rows, const PageLayout& layout, int page, PageListRow& row);

// Orders the rows by page with the grid's exchange sort: for i = 1 to m, for j = i + 1 to
// m, rows i and j are exchanged when the page of i is strictly greater. Entries of one page
// may change their order, as the table shows. Rows already in order but for the last one
// (a bookmark just added) are sorted in one pass, with the same result.
void SortContents(std::vector<PageListRow>& rows);

// The pages of the bookmark rows, in grid order.
std::vector<int> BookmarkPages(std::span<const PageListRow> rows);

// Adds a bookmark row for each page in turn (MakeBookmarkRow), sorting after each as the
// grid does; pages without a first row are left out.
void AddBookmarks(std::vector<PageListRow>& contents, const RowList& rows, const PageLayout& layout,
                  std::span<const int> pages);

}  // namespace mirvo
