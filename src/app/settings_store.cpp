#include "app/settings_store.h"

#include <utility>

#include "app/recent_books.h"

namespace mirvo {

SettingsStore::SettingsStore(ProgramFolders folders)
    : folders_(std::move(folders)), global_(GlobalSettingsPath(folders_)) {}

std::string SettingsStore::ReadGlobal(const std::vector<std::string>& arguments, Settings& settings,
                                      std::string& documentPath) {
    std::string logError = ReadGlobalSettings(global_, folders_, arguments, settings, globalState_);
    documentPath = globalState_.DocumentPath;
    return logError;
}

std::optional<ProfileTooLargeError> SettingsStore::GlobalTooLarge() const {
    if (!global_.TooLarge()) return std::nullopt;
    return ProfileTooLargeError(global_.Path());
}

void SettingsStore::SaveGlobal(const Settings& settings, const std::string& lastDocument,
                               const std::vector<std::string>& recentBooks) {
    WriteGlobalSettings(global_, settings, lastDocument, &recentBooks);
}

std::vector<std::string> SettingsStore::ReadRecentBooks() const {
    return mirvo::ReadRecentBooks(global_);
}

void SettingsStore::ClearLastDocument() {
    mirvo::ClearLastDocument(global_);
}

void SettingsStore::StoreWindowBounds(const WindowBounds& bounds) {
    WritePosSize(global_, bounds);
}

WindowBounds SettingsStore::StoredWindowBounds() const {
    return ReadPosSize(global_);
}

StoredBook SettingsStore::ReadBook(const std::string& documentPath, Settings& settings) const {
    StoredBook stored{ProfileFile(BookStatePath(folders_.SettingsFolder, documentPath)), {}};
    stored.position = ReadBookState(stored.file, settings);
    return stored;
}

void SettingsStore::SaveBook(const std::string& documentPath, const Settings& settings, int page,
                             const std::vector<PageListRow>& contents) const {
    ProfileFile file(BookStatePath(folders_.SettingsFolder, documentPath));
    SaveBookState(file, settings, page, contents);
}

bool SettingsStore::ShouldReport(const ProfileWriteError& error) {
    if (!dynamic_cast<const ProfileTooLargeError*>(&error)) return true;
    return reportedTooLarge_.insert(error.Path()).second;
}

}  // namespace mirvo
