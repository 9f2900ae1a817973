#include "app/reader_contents.h"

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

std::vector<PageListRow> BuildContents(const RowList& rows, int rowCount,
                                       const std::string& indexChar,
                                       const std::function<void(const std::string&)>& progress,
                                       const std::vector<Heading>* headings) {
    std::vector<PageListRow> result;
    const std::string mark = Utf8ToCp932(indexChar);
    const int perPage = UsableRowCount(rowCount);
    std::size_t nextHeading = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        bool listed = false;
        if (!mark.empty()) {
            const std::string_view t = TrimControls(rows[i]);
            if (t.substr(0, mark.size()) == mark) {
                result.push_back({"", Cp932ToUtf8(rows[i]),
                                  std::to_string(PageOfRow(static_cast<long long>(i), perPage))});
                listed = true;
            }
        }
        if (headings) AddLayoutHeadings(result, *headings, nextHeading, i, perPage, listed);
        if (progress) progress(ContentsProgressText(i, rows.size()));
    }
    return result;
}

bool MakeBookmarkRow(const RowList& rows, int rowCount, int page, PageListRow& row) {
    if (page < 1) return false;
    const long long first = FirstRowOfPage(page, UsableRowCount(rowCount));
    if (first < 0 || first >= static_cast<long long>(rows.size())) return false;
    row = {kBookmarkMark, Cp932ToUtf8(rows[static_cast<std::size_t>(first)]), std::to_string(page)};
    return true;
}

void SortContents(std::vector<PageListRow>& rows) {
    const std::size_t m = rows.size();
    std::vector<int> pages(m);
    for (std::size_t i = 0; i < m; ++i) pages[i] = PageNumber(rows[i]);
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = i + 1; j < m; ++j) {
            if (pages[i] > pages[j]) {
                std::swap(pages[i], pages[j]);
                std::swap(rows[i], rows[j]);
            }
        }
    }
}

}  // namespace mirvo
