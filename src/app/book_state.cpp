#include "app/book_state.h"

#include <algorithm>
#include <unordered_map>

#include "app/folders.h"
#include "app/global_settings.h"
#include "format/ascii.h"

namespace mirvo {

namespace {

const SettingEntry& ClipCountRow() {
    static const SettingEntry& row = *FindSetting("ClipCount");
    return row;
}
const SettingEntry& ClipRow() {
    static const SettingEntry& row = *FindSetting("Clip");
    return row;
}
std::string ClipKey(int n) {
    return ClipRow().key + std::to_string(n);
}

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
    BookPosition pos;
    pos.Problems = ReadSettingsFile(file, SettingsFileKind::Book, settings, slots);
    pos.CurrentPage = slots.CurrentPage;
    const SettingEntry& count = ClipCountRow();
    pos.ClipCount = std::clamp(file.ReadInteger(count.section, count.key, std::get<int>(count.def)),
                               count.range.least, count.range.most);
    return pos;
}

int ReadClip(const ProfileFile& file, int n) {
    return file.ReadInteger(ClipRow().section, ClipKey(n), std::get<int>(ClipRow().def));
}

std::vector<int> ReadClips(const ProfileFile& file, int count) {
    count = std::clamp(count, ClipCountRow().range.least, ClipCountRow().range.most);
    const int missing = std::get<int>(ClipRow().def);
    std::unordered_map<std::string, std::string> values;
    for (auto& [key, value] : file.ReadSection(ClipRow().section)) {
        values.emplace(UpperAscii(key), std::move(value));  // the first of a name wins
    }
    std::vector<int> pages;
    pages.reserve(static_cast<std::size_t>(count));
    for (int n = 1; n <= count; ++n) {
        const auto it = values.find(UpperAscii(ClipKey(n)));
        pages.push_back(it == values.end() ? missing
                                           : ParseProfileInteger(it->second).value_or(missing));
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
        edit.SetString(ClipRow().section, ClipKey(k), row.PageText);
        ++k;
    }
    edit.SetInteger(ClipCountRow().section, ClipCountRow().key, k - 1);
    edit.Commit();
}

}  // namespace mirvo
