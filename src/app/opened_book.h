// The book the reader has opened: its path, its rows as formatted, the settings they were
// formatted with, what the layout annotations asked of them (the headings among it), and
// the entries of its contents page: the headings and the reader's bookmarks as values. The
// grid rows of the contents page are made from those entries.
#pragma once

#include <cstdint>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/reader_contents.h"
#include "app/settings_table.h"
#include "format/document.h"
#include "format/extra_chars.h"
#include "format/formatter.h"
#include "format/markup.h"

namespace mirvo {

class OpenedBook {
  public:
    const std::string& Path() const { return path_; }
    const RowList& Rows() const { return rows_; }
    // The settings the rows were formatted with: a change of a formatting setting shows
    // when the book is formatted again.
    const Settings& FormattedSettings() const { return formatted_; }
    PageLayout Layout() const { return LayoutOf(formatted_); }
    const LayoutNotes& Notes() const { return notes_; }
    // A number of its own for each formatting (and each reset) of any book: what was marked
    // on rows of one formatting is not looked for in another's.
    std::uint64_t FormatNumber() const { return formatNumber_; }
    // The book's extra characters: those its encoding gave and its gaiji notes named.
    const ExtraChars& Extras() const { return extras_; }
    int PageCount() const;

    // The entries of the contents page in the order it shows them, and its grid rows.
    const std::vector<ContentsEntry>& Entries() const { return entries_; }
    std::vector<PageListRow> Contents() const { return GridRows(entries_); }
    // The pages of the bookmarks, in contents order.
    std::vector<int> BookmarkPages() const;

    // No book: nothing formatted yet, with `settings` as the formatting settings.
    void Reset(const Settings& settings);
    // Formats the loaded `lines` of the book at `path`, with the extra characters loading
    // found, with `settings` (its gaiji notes first become extra characters when they take
    // annotations as layout). False when the formatting failed (the rows are then what it
    // left).
    bool Format(const std::string& path, RowList lines, ExtraChars extras, const Settings& settings,
                FormatterHost& host);
    // The contents of the formatted book: its headings (`progress` gets the panel text
    // after every row), then a bookmark for each of `bookmarkPages` that has a first row.
    void ListContents(std::span<const int> bookmarkPages,
                      const std::function<void(const std::string&)>& progress);
    // After a failed formatting: no headings; the bookmarks at `pages` kept as they are,
    // without captions, so that the next save keeps them.
    void KeepBookmarks(std::span<const int> pages);
    // After a failed re-display: no headings; the bookmarks stay as they were.
    void DropHeadings();
    // A new bookmark, in page order.
    void AddBookmark(Bookmark bookmark);
    // Removes entry `index` when it is a bookmark; false otherwise.
    bool RemoveBookmark(int index);
    // Forgets the rows (the window is going).
    void Clear();

  private:
    std::string path_;
    RowList rows_;
    Settings formatted_;
    LayoutNotes notes_;
    ExtraChars extras_;
    std::vector<ContentsEntry> entries_;
    std::uint64_t formatNumber_ = 0;
};

}  // namespace mirvo
