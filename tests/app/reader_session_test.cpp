// Which book the reader holds, and so which book a save writes and which one the next start
// reopens: the session's states, and the routes that reach them through the reader core.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/book_session.h"
#include "app/profile_file.h"
#include "app/reader.h"
#include "app/reader_fake_host.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::MakeBook;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteBookState;
using test::WriteFileBytes;

TEST(BookSession, WhatIsHeldAndWhatTheNextStartReopens) {
    using Step = std::function<void(BookSession&)>;
    const Step formatted = [](BookSession& s) { s.Formatted("/a"); };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::optional<std::string> held;
        std::string last;
        int pageToSave;  // with the reader on page 4
    };
    const std::vector<Case> cases = {
        {"start with no book", {}, "", "", 4},
        {"start's book never loaded",
         {[](BookSession& s) { s.Start("/a"); }},
         std::nullopt,
         "/a",
         4},
        {"start's book formatted",
         {[](BookSession& s) { s.Start("/a"); }, formatted},
         "/a",
         "/a",
         4},
        {"start's book failed to format",
         {[](BookSession& s) { s.Start("/a"); }, [](BookSession& s) { s.OpenFailed("/a"); }},
         std::nullopt,
         "",
         4},
        {"another book failed to format",
         {formatted, [](BookSession& s) { s.OpenFailed("/b"); }},
         std::nullopt,
         "/a",
         4},
        {"the same book failed when opened again",
         {formatted, [](BookSession& s) { s.OpenFailed("/a"); }},
         std::nullopt,
         "",
         4},
        {"a re-display failed: the page before is kept",
         {formatted, [](BookSession& s) { s.ReDisplayFailed("/a", 9); },
          [](BookSession& s) { s.ReDisplayFailed("/a", 2); }},
         "/a",
         "",
         9},
        {"a good re-display after a failed one",
         {formatted, [](BookSession& s) { s.ReDisplayFailed("/a", 9); }, formatted},
         "/a",
         "/a",
         4},
        {"a failure after a broken book",
         {formatted, [](BookSession& s) { s.ReDisplayFailed("/a", 9); },
          [](BookSession& s) { s.OpenFailed("/b"); }},
         std::nullopt,
         "",
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BookSession session;
        session.Start("");
        for (const Step& step : c.steps) step(session);
        EXPECT_EQ(session.Held(), c.held);
        EXPECT_EQ(session.LastDocument(), c.last);
        EXPECT_EQ(session.PageToSave(4), c.pageToSave);
    }
}

struct Session {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};

    void Start(const std::string& last) {
        WriteFileBytes(dir.File("Mirvo.INI"), "[Mirvo]\r\nLast=" + last + "\r\n");
        reader.FormCreate({});
        reader.FormResize(400, 300);
        reader.OpenDocument();
    }
    std::string Last() const {
        return ProfileFile(dir.File("Mirvo.INI")).ReadString("Mirvo", "Last", "?");
    }
};

constexpr const char* kOwnState =
    "[Mirvo]\r\nCurrentPage=7\r\nClipCount=2\r\nClip1=3\r\nClip2=5\r\n[Config]\r\nRowCount=20\r\n";

TEST(ReaderSession, StartBookThatCannotLoadKeepsItsStateAndStaysLast) {
    // An unmounted drive, a moved file, a file that is no regular file: closing, or handing
    // over another book, leaves that book's state as it was, and the next start tries it
    // again.
    for (const char* name : {"gone.txt", "fifo.txt"}) {
        for (const bool handOff : {false, true}) {
            SCOPED_TRACE(std::string(name) + (handOff ? " then a hand-off" : ""));
            ::alarm(20);
            Session s;
            const std::string book = s.dir.File(name);
            WriteBookState(s.dir, book, kOwnState);
            if (std::string(name) == "fifo.txt") {
                ASSERT_EQ(::mkfifo(book.c_str(), 0600), 0);
            }
            s.Start(book);
            EXPECT_EQ(s.host.errors.size(), 1u);
            const std::string other = MakeBook(s.dir, "other.txt", 30);
            if (handOff) s.reader.OpenBook(other);
            s.reader.FormClose();
            ::alarm(0);
            const std::string base = std::string(name).substr(0, std::string(name).find('.'));
            EXPECT_EQ(ReadFileBytes(s.dir.File("MirvoKs/" + base + ".INI")), kOwnState);
            EXPECT_EQ(s.Last(), handOff ? other : book);
            EXPECT_TRUE(s.host.exceptions.empty());
        }
    }
}

TEST(ReaderSession, NoRouteMakesABookThatDidNotOpenTheLastOne) {
    // The hand-off and the Open command, on a missing file, from a book on show and from a
    // start whose book did not load.
    const std::vector<std::function<void(Reader&, const std::string&)>> routes = {
        [](Reader& r, const std::string& path) { r.OpenBook(path); },
        [](Reader& r, const std::string& path) {
            r.OpenChosenBook([&path] { return std::optional<std::string>(path); });
        },
    };
    for (std::size_t route = 0; route < routes.size(); ++route) {
        for (const bool bookOnShow : {true, false}) {
            SCOPED_TRACE("route " + std::to_string(route) + (bookOnShow ? "" : ", no book"));
            Session s;
            const std::string first =
                bookOnShow ? MakeBook(s.dir, "first.txt", 40) : s.dir.File("first.txt");
            s.Start(first);
            routes[route](s.reader, s.dir.File("nothere.txt"));
            s.reader.FormClose();
            EXPECT_EQ(s.Last(), first);
            EXPECT_FALSE(test::FileExistsForTest(s.dir.File("MirvoKs/nothere.INI")));
            EXPECT_EQ(test::FileExistsForTest(s.dir.File("MirvoKs/first.INI")), bookOnShow);
        }
    }
}

}  // namespace
}  // namespace mirvo
