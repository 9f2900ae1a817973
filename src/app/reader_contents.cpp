#include "app/reader_contents.h"

#include <algorithm>

#include "app/contents_headings.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

std::string_view TrimControls(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

// The exchange sort of entries whose pages 1 to m - 1 are in order: no two of those are
// ever exchanged with each other (each is compared with later ones while they are still in
// place), so only the comparisons with the last entry remain.
void SortInLast(std::vector<ContentsEntry>& entries) {
    const std::size_t last = entries.size() - 1;
    for (std::size_t i = 0; i < last; ++i)
        if (entries[i].Page > entries[last].Page) std::swap(entries[i], entries[last]);
}

bool ByPage(const ContentsEntry& a, const ContentsEntry& b) {
    return a.Page < b.Page;
}

}  // namespace

PageListRow GridRow(const ContentsEntry& entry) {
    return {entry.Kind == ContentsKind::Bookmark ? kBookmarkMark : "", entry.Caption,
            std::to_string(entry.Page)};
}

std::vector<PageListRow> GridRows(std::span<const ContentsEntry> entries) {
    std::vector<PageListRow> rows;
    rows.reserve(entries.size());
    for (const ContentsEntry& entry : entries) rows.push_back(GridRow(entry));
    return rows;
}

std::string ContentsProgressText(std::size_t done, std::size_t total) {
    const std::size_t k = total == 0 ? 10 : std::min<std::size_t>(done * 10 / total, 10);
    std::string text = "目次生成中:";
    for (std::size_t i = 0; i < 10; ++i) text += i < k ? "●" : "○";
    return text;
}

std::vector<ContentsEntry> BuildContents(const RowList& rows, const PageLayout& layout,
                                         const std::string& indexChar,
                                         const std::function<void(const std::string&)>& progress,
                                         const std::vector<Heading>* headings) {
    std::vector<ContentsEntry> result;
    const std::string mark = Utf8ToCp932(indexChar);
    std::size_t nextHeading = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        bool listed = false;
        if (!mark.empty()) {
            const std::string_view t = TrimControls(rows[i]);
            if (t.substr(0, mark.size()) == mark) {
                result.push_back({ContentsKind::Heading, Cp932ToUtf8(rows[i]),
                                  PageOfRow(static_cast<long long>(i), layout)});
                listed = true;
            }
        }
        if (headings) AddLayoutHeadings(result, *headings, nextHeading, i, layout, listed);
        if (progress) progress(ContentsProgressText(i, rows.size()));
    }
    return result;
}

bool MakeBookmarkEntry(const RowList& rows, const PageLayout& layout, int page,
                       ContentsEntry& entry) {
    if (page < 1) return false;
    const long long first = FirstRowOfPage(page, layout);
    if (first < 0 || first >= static_cast<long long>(rows.size())) return false;
    entry = {ContentsKind::Bookmark, Cp932ToUtf8(rows[static_cast<std::size_t>(first)]), page};
    return true;
}

void SortContents(std::vector<ContentsEntry>& entries) {
    const std::size_t m = entries.size();
    if (m > 1 && std::is_sorted(entries.begin(), entries.end() - 1, ByPage)) {
        SortInLast(entries);
        return;
    }
    for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = i + 1; j < m; ++j)
            if (entries[i].Page > entries[j].Page) std::swap(entries[i], entries[j]);
}

void AddBookmarks(std::vector<ContentsEntry>& contents, const RowList& rows,
                  const PageLayout& layout, std::span<const int> pages) {
    // After the first sort the entries are in order, so each later one is a single pass.
    bool ordered = false;
    for (const int page : pages) {
        ContentsEntry entry;
        if (!MakeBookmarkEntry(rows, layout, page, entry)) continue;
        contents.push_back(std::move(entry));
        if (ordered) {
            SortInLast(contents);
        } else {
            SortContents(contents);
            ordered = true;
        }
    }
}

}  // namespace mirvo
