// The recent books: the list in the global file, its order and limits, and the reader
// core's use of it.
#include <gtest/gtest.h>

#include "app/profile_file.h"
#include "app/reader.h"
#include "app/reader_fake_host.h"
#include "app/recent_books.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::MakeBook;
using test::TempDir;
using test::WriteFileBytes;

using Books = std::vector<std::string>;

TEST(RecentBooks, FileListsSkipEmptyKeysAndCollapseDuplicatesToTheNewest) {
    struct Case {
        const char* section;
        Books expected;
    } const cases[] = {
        {"", {}},
        {"Recent1=/b/a.txt\r\nRecent2=/b/c.txt\r\n", {"/b/a.txt", "/b/c.txt"}},
        // A gap and an empty key are skipped; a book named twice keeps its newest place.
        {"Recent1=/b/a.txt\r\nRecent2=\r\nRecent4=/b/c.txt\r\nRecent5=/b/a.txt\r\n",
         {"/b/a.txt", "/b/c.txt"}},
        // Keys beyond ten are not read.
        {"Recent10=/b/j.txt\r\nRecent11=/b/k.txt\r\n", {"/b/j.txt"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteFileBytes(dir.File("Mirvo.INI"), std::string("[Mirvo]\r\n") + c.section);
        EXPECT_EQ(ReadRecentBooks(ProfileFile(dir.File("Mirvo.INI"))), c.expected) << c.section;
    }
}

TEST(RecentBooks, NewestFirstDuplicatesMovedAndTenKept) {
    Books books;
    for (int i = 0; i < 12; ++i) books = WithRecentBook(books, "/b/" + std::to_string(i));
    ASSERT_EQ(books.size(), 10u);
    EXPECT_EQ(books.front(), "/b/11");
    EXPECT_EQ(books.back(), "/b/2");
    books = WithRecentBook(books, "/b/5");
    EXPECT_EQ(books.size(), 10u);
    EXPECT_EQ(books.front(), "/b/5");
    EXPECT_EQ(std::count(books.begin(), books.end(), "/b/5"), 1);
    EXPECT_EQ(WithoutRecentBook({"/a", "/b"}, "/a"), Books{"/b"});
}

TEST(RecentBooks, WritingAShorterListEmptiesTheKeysLeftOver) {
    TempDir dir;
    WriteFileBytes(dir.File("Mirvo.INI"), "[Mirvo]\r\nRecent1=/x\r\nRecent2=/y\r\nRecent3=/z\r\n");
    ProfileFile file(dir.File("Mirvo.INI"));
    ProfileEdit edit(file);
    WriteRecentBooks(edit, file, {"/new"});
    edit.Commit();
    EXPECT_EQ(ReadRecentBooks(ProfileFile(dir.File("Mirvo.INI"))), Books{"/new"});
}

TEST(RecentBooks, TitleIsTheFileNameWithoutItsExtension) {
    EXPECT_EQ(RecentBookTitle("/books/kokoro.txt"), "kokoro");
    EXPECT_EQ(RecentBookTitle("/books/a.b.zip"), "a.b");
    EXPECT_EQ(RecentBookTitle("/books/.hidden"), ".hidden");
    EXPECT_EQ(RecentBookTitle("/books/plain"), "plain");
}

struct Started {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
};

TEST(RecentBooks, ReaderListsOpenedBooksKeepsThemAcrossStartsAndDropsMissingOnes) {
    Started s;
    const std::string a = MakeBook(s.dir, "a.txt", 30), b = MakeBook(s.dir, "b.txt", 30);
    s.reader.FormCreate({a});
    s.reader.FormResize(400, 300);
    s.reader.OpenDocument();
    s.reader.OpenBook(b);
    s.reader.OpenBook(a);
    EXPECT_EQ(s.reader.Menus().Recent, (Books{a, b}));
    s.reader.FormClose();

    Started again;
    WriteFileBytes(again.dir.File("Mirvo.INI"), test::ReadFileBytes(s.dir.File("Mirvo.INI")));
    again.reader.FormCreate({});
    EXPECT_EQ(again.reader.Menus().Recent, (Books{a, b}));
    // b is gone: choosing it reports it and takes it off the list; the book on show stays.
    ASSERT_EQ(std::remove(b.c_str()), 0);
    again.reader.OpenBook(b, BookRoute::Recent);
    EXPECT_EQ(again.reader.Menus().Recent, Books{a});
    ASSERT_EQ(again.host.exceptions.size(), 1u);
    EXPECT_NE(again.host.exceptions[0].find(b), std::string::npos);
    EXPECT_NE(again.host.exceptions[0].find("最近使ったファイル"), std::string::npos);
}

}  // namespace
}  // namespace mirvo
