// Book shortcuts and the file commands: the title rule, the Desktop Entry a launcher reads
// back to the same path, and the steps and messages of opening a file, opening the shelf
// and creating a book.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

// The value of `key` in a Desktop Entry text, as written.
std::string EntryValue(const std::string& text, const std::string& key) {
    const std::size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) return "\x01missing";
    const std::size_t start = at + key.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

// Reads an Exec value as a launcher does: the string escapes first, then the field codes
// ("%%" is a "%"), then the quoting (a backslash inside double quotes takes the next
// character as it is). Written from the Desktop Entry rules, apart from the writer.
std::vector<std::string> ParseExec(const std::string& value) {
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            unescaped += value[i];
            continue;
        }
        const char c = value[++i];
        unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false, inArg = false;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (c == '%') {
            EXPECT_EQ(unescaped[i + 1], '%') << "a field code in " << value;
            arg += '%';
            ++i;
            inArg = true;
        } else if (c == '"') {
            quoted = !quoted;
            inArg = true;
        } else if (quoted && c == '\\') {
            arg += unescaped[++i];
        } else if (!quoted && c == ' ') {
            if (inArg) args.push_back(arg);
            arg.clear();
            inArg = false;
        } else {
            arg += c;
            inArg = true;
        }
    }
    EXPECT_FALSE(quoted) << value;
    if (inArg) args.push_back(arg);
    return args;
}

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
        {"/books/ends.", "ends"},
        {"/books/吾輩は猫である.TXT", "吾輩は猫である"},
    };
    for (const auto& c : cases) EXPECT_EQ(BookTitle(c.document), c.title) << c.document;
    EXPECT_EQ(ShelfFolderWithSlash("/shelf"), "/shelf/");
    EXPECT_EQ(ShelfFolderWithSlash("/shelf/"), "/shelf/");
    EXPECT_EQ(ShelfFolderWithSlash("/"), "/");
    EXPECT_EQ(ShortcutPath("/shelf/", "botchan"), "/shelf/botchan.desktop");
}

TEST(Bookshelf, ExecLineReadsBackToTheSamePaths) {
    const std::string documents[] = {
        "/books/botchan.txt",
        "/my books/two  spaces.txt",
        "/q/\"quoted\" and 'single'.txt",
        "/d/$HOME and `date` and $(id).txt",
        "/p/100% %f %u %%.txt",
        "/b/back\\slash\\\\ and \\\".txt",
        "/n/line\nbreak\ttab\rreturn.txt",
        "/j/吾輩は 猫である.txt",
    };
    const std::string executable = "/opt/my apps/$bin/mirvo";
    for (const std::string& document : documents) {
        const std::string text = DesktopEntryText("t", executable, document, "/w d");
        const std::string exec = EntryValue(text, "Exec");
        EXPECT_EQ(exec.find_first_of("\n\t\r"), std::string::npos);
        EXPECT_EQ(ParseExec(exec), (std::vector<std::string>{executable, document})) << exec;
    }
    const std::string text = DesktopEntryText(" a\\b", "/m", "/d.txt", "/w\\x\ny");
    EXPECT_TRUE(text.starts_with("[Desktop Entry]\nType=Application\n"));
    EXPECT_EQ(EntryValue(text, "Name"), "\\sa\\\\b");
    EXPECT_EQ(EntryValue(text, "Path"), "/w\\\\x\\ny");
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
    std::string BrowseForFolder() override {
        seen.push_back("browse");
        return folder;
    }
    std::optional<std::string> ChooseTextFile() override {
        seen.push_back("open dialog");
        return file;
    }
    void OpenFolder(const std::string& f) override { seen.push_back("file browser: " + f); }
    void ReportException(const std::string& m) override { seen.push_back("error: " + m); }
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
    std::string& Folder() { return reader.GetSettings().BKStandFolder; }
    void NewBook() { msBKNewClick(reader, dialogs, "/usr/bin/mirvo"); }
};

TEST(BookshelfCommands, CreatingABookWritesItsShortcut) {
    Shelf s;
    const std::string book = s.Book("botchan.txt");
    s.Folder() = s.shelf;  // stored without its trailing "/"
    s.dialogs.answers = {true};
    s.NewBook();
    EXPECT_EQ(s.Folder(), s.shelf + "/");
    const std::string link = s.shelf + "/botchan.desktop";
    EXPECT_EQ(s.dialogs.seen,
              (std::vector<std::string>{
                  "confirm: 以下の条件で本(ショートカット)を作成します。\r\nよろしいですか\r\n"
                  "本のタイトル:botchan\r\n本棚の場所  :" +
                      s.shelf + "/",
                  "information: 本(ショートカット)を作成しました。"}));
    const std::string text = ReadFileBytes(link);
    EXPECT_EQ(EntryValue(text, "Name"), "botchan");
    EXPECT_EQ(ParseExec(EntryValue(text, "Exec")),
              (std::vector<std::string>{"/usr/bin/mirvo", book}));
    EXPECT_EQ(EntryValue(text, "Path"), s.books);
    struct stat st {};
    ASSERT_EQ(::stat(link.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
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

TEST(BookshelfCommands, OpeningAFileSavesTheBookOnShowEvenWhenCancelled) {
    Shelf s;
    s.Book("first.txt");
    s.reader.PageClick(PageRequester::LeftPage);
    s.reader.PageClick(PageRequester::LeftPage);  // page 3
    const std::string state = s.dir.File("MirvoKs/first.INI");
    msiOpenClick(s.reader, s.dialogs);
    EXPECT_EQ(s.dialogs.seen, (std::vector<std::string>{"open dialog"}));
    EXPECT_EQ(ProfileFile(state).ReadInteger("Mirvo", "CurrentPage", 0), 3);

    const std::string second = MakeBook(s.dir, "second.txt", 60);
    s.dialogs.file = second;
    s.reader.PageClick(PageRequester::RightPage);  // page 1
    msiOpenClick(s.reader, s.dialogs);
    EXPECT_EQ(ProfileFile(state).ReadInteger("Mirvo", "CurrentPage", 0), 1);
    EXPECT_EQ(s.reader.DocumentPath(), second);
    EXPECT_EQ(s.reader.PageCount(), 6);

    // A state that cannot be saved is told, and the dialog still comes.
    std::filesystem::remove_all(s.dir.File("MirvoKs"));
    WriteFileBytes(s.dir.File("MirvoKs"), "in the way");
    s.dialogs.seen.clear();
    s.dialogs.file.reset();
    msiOpenClick(s.reader, s.dialogs);
    ASSERT_EQ(s.dialogs.seen.size(), 2u);
    EXPECT_TRUE(s.dialogs.seen[0].ends_with("に書き込めません"));
    EXPECT_EQ(s.dialogs.seen[1], "open dialog");
}

}  // namespace
}  // namespace mirvo
