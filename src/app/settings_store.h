// The reader's two kinds of settings file: the global file (the settings in force, the last
// book, the window's bounds kept while full screen is on) and the state file of each book
// (its place, its bookmarks, its own layout). Every read and write of them by the reader
// core goes through here, so a close saves each file with one call.
//
// Failures: a write the file system refuses throws ProfileWriteError; ShouldReport tells
// whether to show it (a file too large to be touched is told once only).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/book_state.h"
#include "app/folders.h"
#include "app/global_settings.h"
#include "app/profile_file.h"
#include "app/settings_table.h"

namespace mirvo {

// What a book's state file holds for the reader, read before the book is loaded.
struct StoredBook {
    ProfileFile file;  // read again for the bookmarks once the book has loaded
    BookPosition position;
};

class SettingsStore {
  public:
    explicit SettingsStore(ProgramFolders folders);

    const ProgramFolders& Folders() const { return folders_; }

    // The start: reads the global file (see ReadGlobalSettings) into `settings`; the first
    // document goes to `documentPath`. Returns "" or the message of a log file that could
    // not be opened.
    std::string ReadGlobal(const std::vector<std::string>& arguments, Settings& settings,
                           std::string& documentPath);
    // The global file's error when it is too large to be touched, nothing otherwise.
    std::optional<ProfileTooLargeError> GlobalTooLarge() const;
    // The close: the settings in force and the last book, in one save of the global file.
    void SaveGlobal(const Settings& settings, const std::string& lastDocument,
                    const std::vector<std::string>& recentBooks);
    // The recent books the global file holds (app/recent_books.h).
    std::vector<std::string> ReadRecentBooks() const;
    // An empty Last, so that the next start does not reopen a book that failed.
    void ClearLastDocument();
    void StoreWindowBounds(const WindowBounds& bounds);
    WindowBounds StoredWindowBounds() const;

    // The book's own settings over `settings` (the book-scoped fields), and its place.
    StoredBook ReadBook(const std::string& documentPath, Settings& settings) const;
    // The book's state in one save of its file: its settings, its page, its bookmarks.
    void SaveBook(const std::string& documentPath, const Settings& settings, int page,
                  const std::vector<PageListRow>& contents) const;

    // Closes the log file (the window is going).
    void CloseLog() { globalState_.LogFile.reset(); }

    // False for a second report of a file too large to be touched.
    bool ShouldReport(const ProfileWriteError& error);

  private:
    ProgramFolders folders_;
    ProfileFile global_;
    GlobalState globalState_;
    std::set<std::string> reportedTooLarge_;
};

}  // namespace mirvo
