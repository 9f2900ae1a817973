#include "app/reader_contents.h"

#include <algorithm>
#include <charconv>

#include "app/contents_headings.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

int PageNumber(const PageListRow& row) {
    int value = 0;
    const char* begin = row.PageText.data();
    std::from_chars(begin, begin + row.PageText.size(), value);
    return value;
}

std::string_view TrimControls(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string ContentsProgressText(std::size_t done, std::size_t total) {
    const std::size_t k = total == 0 ? 10 : std::min<std::size_t>(done * 10 / total, 10);
    std::string text = "目次生成中:";
    for (std::size_t i = 0; i < 10; ++i) text += i < k ? "●" : "○";
    return text;
}

std::vector<PageListRow> BuildContents(const RowList& rows, const PageLayout& layout,
                                       const std::string& indexChar,
                                       const std::function<void(const std::string&)>& progress,
                                       const std::vector<Heading>* headings) {
    std::vector<PageListRow> result;
    const std::string mark = Utf8ToCp932(indexChar);
    std::size_t nextHeading = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        bool listed = false;
        if (!mark.empty()) {
            const std::string_view t = TrimControls(rows[i]);
            if (t.substr(0, mark.size()) == mark) {
                result.push_back({"", Cp932ToUtf8(rows[i]),
                                  std::to_string(PageOfRow(static_cast<long long>(i), layout))});
                listed = true;
            }
        }
        if (headings) AddLayoutHeadings(result, *headings, nextHeading, i, layout, listed);
        if (progress) progress(ContentsProgressText(i, rows.size()));
    }
    return result;
}

bool MakeBookmarkRow(const RowList& rows, const PageLayout& layout, int page, PageListRow& row) {
    if (page < 1) return false;
    const long long first = FirstRowOfPage(page, layout);
    if (first < 0 || first >= static_cast<long long>(rows.size())) return false;
    row = {kBookmarkMark, Cp932ToUtf8(rows[static_cast<std::size_t>(first)]), std::to_string(page)};
    return true;
}

namespace {

// The exchange sort of rows whose pages 1 to m - 1 are in order: no two of those are ever
// exchanged with each other (each is compared with later ones while they are still in
// place), so only the comparisons with the last row remain. `pages` goes along.
void SortInLast(std::vector<PageListRow>& rows, std::vector<int>& pages) {
    const std::size_t last = rows.size() - 1;
    for (std::size_t i = 0; i < last; ++i) {
        if (pages[i] > pages[last]) {
            std::swap(pages[i], pages[last]);
            std::swap(rows[i], rows[last]);
        }
    }
}

std::vector<int> PageNumbers(const std::vector<PageListRow>& rows) {
    std::vector<int> pages(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) pages[i] = PageNumber(rows[i]);
    return pages;
}

}  // namespace

void SortContents(std::vector<PageListRow>& rows) {
    const std::size_t m = rows.size();
    std::vector<int> pages = PageNumbers(rows);
    if (m > 1 && std::is_sorted(pages.begin(), pages.end() - 1)) {
        SortInLast(rows, pages);
        return;
    }
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = i + 1; j < m; ++j) {
            if (pages[i] > pages[j]) {
                std::swap(pages[i], pages[j]);
                std::swap(rows[i], rows[j]);
            }
        }
    }
}

std::vector<int> BookmarkPages(std::span<const PageListRow> rows) {
    std::vector<int> pages;
    for (const PageListRow& row : rows)
        if (row.Mark == kBookmarkMark) pages.push_back(PageNumber(row));
    return pages;
}

void AddBookmarks(std::vector<PageListRow>& contents, const RowList& rows, const PageLayout& layout,
                  std::span<const int> pages) {
    // After the first sort the grid is in order, so each later one is a single pass; the
    // pages are kept beside the rows instead of being read again for every bookmark.
    std::vector<int> numbers;
    bool ordered = false;
    for (const int page : pages) {
        PageListRow row;
        if (!MakeBookmarkRow(rows, layout, page, row)) continue;
        contents.push_back(std::move(row));
        if (!ordered) {
            SortContents(contents);
            numbers = PageNumbers(contents);
            ordered = true;
        } else {
            numbers.push_back(page);
            SortInLast(contents, numbers);
        }
    }
}

}  // namespace mirvo
