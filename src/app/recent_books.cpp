#include "app/recent_books.h"

#include <algorithm>

#include "app/folders.h"
#include "app/settings_table.h"

namespace mirvo {
namespace {

const SettingEntry& RecentRow() {
    static const SettingEntry& row = *FindSetting("Recent");
    return row;
}

std::string RecentKey(int n) {
    return RecentRow().key + std::to_string(n);
}

}  // namespace

std::vector<std::string> ReadRecentBooks(const ProfileFile& file) {
    std::vector<std::string> books;
    const std::string missing = std::get<std::string>(RecentRow().def);
    for (int n = 1; n <= kMaxRecentBooks; ++n) {
        const std::string path = file.ReadString(RecentRow().section, RecentKey(n), missing);
        if (path.empty() || std::ranges::find(books, path) != books.end()) continue;
        books.push_back(path);
    }
    return books;
}

void WriteRecentBooks(ProfileEdit& edit, const ProfileFile& file,
                      const std::vector<std::string>& books) {
    const int count = std::min<int>(static_cast<int>(books.size()), kMaxRecentBooks);
    for (int n = 1; n <= count; ++n)
        edit.SetString(RecentRow().section, RecentKey(n), books[static_cast<std::size_t>(n - 1)]);
    for (int n = count + 1; n <= kMaxRecentBooks; ++n)
        if (!file.ReadString(RecentRow().section, RecentKey(n), "").empty())
            edit.SetString(RecentRow().section, RecentKey(n), "");
}

std::vector<std::string> WithRecentBook(std::vector<std::string> books, const std::string& path) {
    books = WithoutRecentBook(std::move(books), path);
    books.insert(books.begin(), path);
    if (books.size() > static_cast<std::size_t>(kMaxRecentBooks)) books.resize(kMaxRecentBooks);
    return books;
}

std::vector<std::string> WithoutRecentBook(std::vector<std::string> books,
                                           const std::string& path) {
    std::erase(books, path);
    return books;
}

std::string RecentBookTitle(const std::string& path) {
    const std::string name = BaseName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace mirvo
