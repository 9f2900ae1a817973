// Book shortcuts and the file commands: the title rule, the Desktop Entry, and the steps
// and messages of opening a file, opening the shelf and creating a book.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>

#include "app/bookshelf.h"
#include "app/file_commands.h"
#include "app/reader.h"
#include "app/reader_fake_host.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::MakeBook;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(Bookshelf, TitleAndShortcutPath) {
    const struct {
        const char* document;
        const char* title;
    } cases[] = {
        {"/books/botchan.txt", "botchan"},
        {"/books/botchan", "botchan"},  // no extension: the whole name
        {"/books/a.b.txt", "a.b"},      // only the last extension goes
        {"/books/v1.0/readme", "readme"},
        {"/books/.memo", ".memo"},  // a hidden file's name is no extension
        {"/books/.memo.txt", ".memo"},
        {"/books/吾輩は猫である.TXT", "吾輩は猫である"},
    };
    for (const auto& c : cases) EXPECT_EQ(BookTitle(c.document), c.title) << c.document;
    EXPECT_EQ(ShelfFolderWithSlash("/shelf"), "/shelf/");
    EXPECT_EQ(ShelfFolderWithSlash("/shelf/"), "/shelf/");
    EXPECT_EQ(ShortcutPath("/shelf/", "botchan"), "/shelf/botchan.desktop");
}

// The dialogs and message boxes of the commands, answered from a script.
struct FakeDialogs : FileCommandsHost {
    std::vector<std::string> seen;  // "warning: …", "information: …", "confirm: …", …
    std::deque<bool> answers;       // to the confirmations, in order
    std::string folder;             // the browser's choice
    std::optional<std::string> file;

    void ShowWarning(const std::string& t) override { seen.push_back("warning: " + t); }
    void ShowInformation(const std::string& t) override { seen.push_back("information: " + t); }
    bool AskConfirmation(const std::string& t) override {
        seen.push_back("confirm: " + t);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return yes;
    }
    std::string BrowseForFolder() override { return seen.push_back("browse"), folder; }
    std::optional<std::string> ChooseTextFile() override {
        return seen.push_back("open dialog"), file;
    }
    void OpenFolder(const std::string& f) override { seen.push_back("file browser: " + f); }
};

struct Shelf {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
    FakeDialogs dialogs;
    std::string books = dir.File("my books");
    std::string shelf = dir.File("shelf");

    Shelf() {
        std::filesystem::create_directory(books);
        std::filesystem::create_directory(shelf);
    }
    std::string Book(const std::string& name) {
        const std::string path = MakeBook(dir, "my books/" + name, 40);
        reader.FormCreate({path});
        reader.FormResize(400, 300);
        reader.OpenDocument();
        return path;
    }
    const std::string& Folder() const { return reader.GetSettings().BKStandFolder; }
    void NewBook() { msBKNewClick(reader, dialogs, "/usr/bin/mirvo"); }
};

TEST(BookshelfCommands, CreatingABookWritesItsShortcut) {
    Shelf s;
    const std::string book = s.Book("botchan.txt");
    // Stored without its trailing "/".
    s.reader.ChangeSettings([&](Settings& set) { set.BKStandFolder = s.shelf; });
    s.dialogs.answers = {true};
    s.NewBook();
    EXPECT_EQ(s.Folder(), s.shelf + "/");
    const std::string link = s.shelf + "/botchan.desktop";
    // (The question's words are checked through the real window.)
    EXPECT_EQ(s.dialogs.seen.back(), "information: 本(ショートカット)を作成しました。");
    EXPECT_EQ(ReadFileBytes(link), DesktopEntryText("botchan", "/usr/bin/mirvo", book, s.books));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(s.shelf), {}), 1);  // no temp left

    // The same book again: the overwrite question; No writes nothing and says nothing more.
    WriteFileBytes(link, "mine");
    s.dialogs.seen.clear();
    s.dialogs.answers = {true, false};
    s.NewBook();
    ASSERT_EQ(s.dialogs.seen.size(), 2u);
    EXPECT_EQ(s.dialogs.seen[1],
              "confirm: 同じ名前のショートカットがあります。\r\n上書きしますか？");
    EXPECT_EQ(ReadFileBytes(link), "mine");
    // Yes replaces it; No to the first question stops before anything is looked at.
    s.dialogs.answers = {true, true};
    s.NewBook();
    EXPECT_NE(ReadFileBytes(link), "mine");
    s.dialogs.seen.clear();
    s.dialogs.answers = {false};
    s.NewBook();
    EXPECT_EQ(s.dialogs.seen.size(), 1u);
}

TEST(BookshelfCommands, NoShelfNoDocumentAndAShelfThatCannotTakeIt) {
    Shelf s;
    s.NewBook();  // no document on show: nothing at all
    msiBKOpenClick(s.reader, s.dialogs);
    EXPECT_EQ(s.dialogs.seen,
              (std::vector<std::string>{"warning: 本棚フォルダが設定されていません。\r\n"
                                        "設定で本棚フォルダを指定してください。"}));

    s.Book("a.b.txt");
    s.dialogs.seen.clear();
    s.NewBook();  // the browser is cancelled: nothing more, the shelf stays unset
    EXPECT_EQ(s.dialogs.seen,
              (std::vector<std::string>{
                  "information: 本棚の場所(フォルダ)が指定されていません。\r\n選択してください。",
                  "browse"}));
    EXPECT_EQ(s.Folder(), "");

    // A folder chosen on the spot that is gone by the time the book is written.
    s.dialogs.seen.clear();
    s.dialogs.folder = s.dir.File("gone");
    s.dialogs.answers = {true};
    s.NewBook();
    EXPECT_EQ(s.dialogs.seen.back(), "warning: 本(ショートカット)は作成できませんでした。");
    EXPECT_NE(s.dialogs.seen[2].find("本のタイトル:a.b\r\n"), std::string::npos);
    EXPECT_EQ(s.Folder(), s.dir.File("gone") + "/");  // kept, with its "/"

    s.dialogs.seen.clear();
    msiBKOpenClick(s.reader, s.dialogs);
    EXPECT_EQ(s.dialogs.seen, (std::vector<std::string>{"file browser: " + s.Folder()}));
}

TEST(BookshelfCommands, OpeningAFileAfterARefusedSave) {
    // (Saving before the dialog, cancelled or not, is shown through the real window.)
    Shelf s;
    s.Book("first.txt");
    s.host.onException = [&s](const std::string& m) { s.dialogs.seen.push_back("error: " + m); };
    std::filesystem::remove_all(s.dir.File("MirvoKs"));
    WriteFileBytes(s.dir.File("MirvoKs"), "a file where the folder belongs");
    s.dialogs.file = MakeBook(s.dir, "second.txt", 60);
    msiOpenClick(s.reader, s.dialogs);
    ASSERT_EQ(s.dialogs.seen.size(), 2u);
    EXPECT_TRUE(s.dialogs.seen[0].ends_with("に書き込めません"));
    EXPECT_EQ(s.dialogs.seen[1], "open dialog");
    EXPECT_EQ(s.reader.Book().PageCount(), 6);
}

}  // namespace
}  // namespace mirvo
