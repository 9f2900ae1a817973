// The recent books: the last books opened, newest first, kept in the global file as
// Recent1 ... Recent10 of section "Mirvo" (the settings table's list row "Recent").
#pragma once

#include <string>
#include <vector>

#include "app/profile_file.h"

namespace mirvo {

inline constexpr int kMaxRecentBooks = 10;

// Recent1 ... Recent10 as the file holds them: empty keys skipped, a book named twice kept
// at its newest place only.
std::vector<std::string> ReadRecentBooks(const ProfileFile& file);
// Adds Recent1 ... RecentN for `books` to `edit`, and empties the later keys the file
// still holds.
void WriteRecentBooks(ProfileEdit& edit, const ProfileFile& file,
                      const std::vector<std::string>& books);
// `books` with `path` first, its older place dropped, cut to kMaxRecentBooks.
std::vector<std::string> WithRecentBook(std::vector<std::string> books, const std::string& path);
// `books` without `path`.
std::vector<std::string> WithoutRecentBook(std::vector<std::string> books, const std::string& path);
// What the menu names a book by: its file name without the extension.
std::string RecentBookTitle(const std::string& path);

}  // namespace mirvo
