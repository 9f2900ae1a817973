// The book state file: one INI file per document in the folder MirvoKs of the settings
// folder, holding the reading position, the bookmarks and the book's own display settings.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/profile_file.h"
#include "app/settings_table.h"

namespace mirvo {

// The mark in column 0 of a bookmark row of the page-list grid.
inline constexpr const char* kBookmarkMark = "⇒";

// settingsFolder + "/MirvoKs/" + the document's file name without its last extension +
// ".INI". A name without an extension stays whole; an empty path gives ".INI".
std::string BookStatePath(const std::string& settingsFolder, const std::string& documentPath);

// What a book state file holds besides the settings.
struct BookPosition {
    int CurrentPage = -1;  // -1 front cover, 9999 back cover
    int ClipCount = 0;     // number of stored bookmarks, 0..kMaxStoredBookmarks
    // A colour key that was no colour (read as its default), to be told to the reader.
    std::vector<Problem> Problems;
};

// Reads the keys the settings table gives the book file to read, in its order (CurrentPage
// among them), each with the book file's own default, into the book-scoped fields of
// `settings`; then ClipCount (negative counts read as 0). A missing file gives the
// defaults; a colour that is no colour gives the default and a Problem in Problems. The global
// fields (ChangeSpeed, Alias, BKStandFolder) are left alone.
BookPosition ReadBookState(const ProfileFile& file, Settings& settings);

// The page of the n-th stored bookmark (key Clip<n>, default 1).
int ReadClip(const ProfileFile& file, int n);
// The pages of bookmarks 1 to `count` (at most kMaxStoredBookmarks), as ReadClip gives
// them, from one reading of the file.
std::vector<int> ReadClips(const ProfileFile& file, int count);

// One row of the page-list grid: column 0 (the mark), column 1 (the caption), column 2
// (the page number as shown).
struct PageListRow {
    std::string Mark;
    std::string Caption;
    std::string PageText;
};

// Writes the keys the settings table gives the book file to write, in its order
// (CurrentPage first), then Clip1, Clip2, ... for the rows marked "⇒" in grid order (their
// page text), then ClipCount. Clip keys beyond the new count are left. `rows` are the grid
// rows after the heading row. The file is replaced once, with every key; when that is
// refused (ProfileWriteError) it stays as it was.
void SaveBookState(ProfileFile& file, const Settings& settings, int currentPage,
                   std::span<const PageListRow> rows);

}  // namespace mirvo
