#include "app/file_commands.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "app/bookshelf.h"
#include "app/folders.h"
#include "app/reader.h"

namespace mirvo {
namespace {

// Something other than a folder at `path`, a dangling link included.
bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// `path` from the root: the shortcut is started from another folder than this program's.
std::string Absolute(const std::string& path) {
    if (path.starts_with('/')) return path;
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.string();
}

}  // namespace

std::string CreateBookQuestion(const std::string& title, const std::string& shelf) {
    return "以下の条件で本(ショートカット)を作成します。\r\nよろしいですか\r\n本のタイトル:" +
           title + "\r\n" + "本棚の場所  :" + shelf;
}

void msiOpenClick(Reader& reader, FileCommandsHost& host) {
    // A state that cannot be saved is told, and the reader may still open another book.
    reader.OpenChosenBook([&host] { return host.ChooseTextFile(); });
}

void msiBKOpenClick(const Reader& reader, FileCommandsHost& host) {
    const std::string& shelf = reader.GetSettings().BKStandFolder;
    if (shelf.empty()) {
        host.ShowWarning(kNoShelfToOpen);
        return;
    }
    host.OpenFolder(shelf);
}

void msBKNewClick(Reader& reader, FileCommandsHost& host, const std::string& executable) {
    if (reader.DocumentPath().empty()) return;
    std::string shelf = reader.GetSettings().BKStandFolder;
    if (shelf.empty()) {
        host.ShowInformation(kNoShelfToFill);
        shelf = host.BrowseForFolder();
        if (shelf.empty()) return;
    }
    shelf = ShelfFolderWithSlash(shelf);
    reader.ChangeSettings([&shelf](Settings& s) { s.BKStandFolder = shelf; });
    const std::string title = BookTitle(reader.DocumentPath());
    const std::string link = ShortcutPath(shelf, title);
    if (!host.AskConfirmation(CreateBookQuestion(title, shelf))) return;
    if (EntryExists(link) && !host.AskConfirmation(kShortcutExists)) return;
    const std::string document = Absolute(reader.DocumentPath());
    if (CreateBookShortcut(link, executable, document, FolderOf(document)))
        host.ShowInformation(kShortcutCreated);
    else
        host.ShowWarning(kShortcutFailed);
}

}  // namespace mirvo
