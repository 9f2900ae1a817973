#include "app/opened_book.h"

#include <algorithm>
#include <utility>

#include "format/gaiji_notes.h"

namespace mirvo {

int OpenedBook::PageCount() const {
    return mirvo::PageCount(rows_, Layout());
}

std::vector<int> OpenedBook::BookmarkPages() const {
    std::vector<int> pages;
    for (const ContentsEntry& entry : entries_)
        if (entry.Kind == ContentsKind::Bookmark) pages.push_back(entry.Page);
    return pages;
}

namespace {
std::uint64_t NextFormatNumber() {
    static std::uint64_t last = 0;
    return ++last;
}
}  // namespace

void OpenedBook::Reset(const Settings& settings) {
    *this = OpenedBook{};
    formatted_ = settings;
    formatNumber_ = NextFormatNumber();
}

bool OpenedBook::Format(const std::string& path, RowList lines, ExtraChars extras,
                        const Settings& settings, FormatterHost& host) {
    path_ = path;
    rows_ = std::move(lines);
    extras_ = std::move(extras);
    formatted_ = settings;
    formatNumber_ = NextFormatNumber();
    const FormatOptions options = FormatOptionsOf(formatted_, path_);
    ApplyGaijiNotes(rows_, extras_, options);
    return FormatDocument(rows_, options, host, &notes_);
}

void OpenedBook::ListContents(std::span<const int> bookmarkPages,
                              const std::function<void(const std::string&)>& progress) {
    entries_ = BuildContents(rows_, Layout(), formatted_.IndexChar, progress, &notes_.headings);
    // Each bookmark takes its page's first row as it now reads; a page the book no longer
    // has (0, or past the end of the book as now formatted) drops its bookmark.
    AddBookmarks(entries_, rows_, Layout(), bookmarkPages);
    for (ContentsEntry& entry : entries_) entry.Caption = extras_.ResolvePrivateUse(entry.Caption);
}

void OpenedBook::KeepBookmarks(std::span<const int> pages) {
    entries_.clear();
    for (const int page : pages) entries_.push_back({ContentsKind::Bookmark, "", page});
}

void OpenedBook::DropHeadings() {
    std::erase_if(entries_,
                  [](const ContentsEntry& e) { return e.Kind != ContentsKind::Bookmark; });
}

void OpenedBook::AddBookmark(Bookmark bookmark) {
    entries_.push_back(
        {ContentsKind::Bookmark, extras_.ResolvePrivateUse(bookmark.Caption), bookmark.Page});
    SortContents(entries_);
}

bool OpenedBook::RemoveBookmark(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return false;
    if (entries_[static_cast<std::size_t>(index)].Kind != ContentsKind::Bookmark) return false;
    entries_.erase(entries_.begin() + index);
    return true;
}

void OpenedBook::Clear() {
    rows_.clear();
    notes_ = LayoutNotes{};
    extras_ = ExtraChars{};
}

}  // namespace mirvo
