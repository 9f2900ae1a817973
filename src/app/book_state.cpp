#include "app/book_state.h"

#include <algorithm>
#include <unordered_map>

#include "app/folders.h"
#include "app/global_settings.h"

namespace mirvo {

namespace {

constexpr const char* kMirvo = "Mirvo";

}  // namespace

std::string BookStatePath(const std::string& settingsFolder, const std::string& documentPath) {
    std::string name = BaseName(documentPath);
    // The last extension goes with its dot; a dot inside a folder name is not one.
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return JoinPath(JoinPath(settingsFolder, kBookStateFolderName), name + ".INI");
}

BookPosition ReadBookState(const ProfileFile& file, Settings& settings) {
    FileSlots slots;
    ReadSettingsFile(file, SettingsFileKind::Book, settings, slots);
    BookPosition pos;
    pos.CurrentPage = slots.CurrentPage;
    pos.ClipCount = std::clamp(file.ReadInteger(kMirvo, "ClipCount", 0), 0, kMaxStoredBookmarks);
    return pos;
}

int ReadClip(const ProfileFile& file, int n) {
    return file.ReadInteger(kMirvo, "Clip" + std::to_string(n), 1);
}

std::vector<int> ReadClips(const ProfileFile& file, int count) {
    count = std::clamp(count, 0, kMaxStoredBookmarks);
    std::unordered_map<std::string, std::string> values;
    for (auto& [key, value] : file.ReadSection(kMirvo)) {
        std::string lower = key;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        values.emplace(std::move(lower), std::move(value));  // the first of a name wins
    }
    std::vector<int> pages;
    pages.reserve(static_cast<std::size_t>(count));
    for (int n = 1; n <= count; ++n) {
        const auto it = values.find("clip" + std::to_string(n));
        pages.push_back(it == values.end() ? 1 : ParseProfileInteger(it->second).value_or(1));
    }
    return pages;
}

void SaveBookState(ProfileFile& file, const Settings& settings, int currentPage,
                   std::span<const PageListRow> rows) {
    FileSlots slots;
    slots.CurrentPage = currentPage;
    ProfileEdit edit(file);
    WriteSettingsFile(edit, SettingsFileKind::Book, settings, slots);
    int k = 1;
    for (const PageListRow& row : rows) {
        if (row.Mark != kBookmarkMark) continue;
        edit.SetString(kMirvo, "Clip" + std::to_string(k), row.PageText);
        ++k;
    }
    edit.SetInteger(kMirvo, "ClipCount", k - 1);
    edit.Commit();
}

}  // namespace mirvo
