// Start-up, opening books, hand-off and closing of the reader core, with a fake window.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <algorithm>

#include "app/profile_file.h"
#include "app/reader.h"
#include "app/reader_contents.h"
#include "app/reader_fake_host.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::MakeBook;
using test::ReadFileBytes;
using test::Sjis;
using test::TempDir;
using test::WriteBookState;
using test::WriteFileBytes;

struct Started {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};

    void Start(const std::vector<std::string>& args = {}) {
        reader.FormCreate(args);
        reader.FormResize(400, 300);
        reader.OpenDocument();
    }
};

TEST(ReaderStart, NoSettingsNoReadMeShowsTheFrontCoverAndWritesSettingsAtClose) {
    Started s;
    s.Start();
    EXPECT_EQ(s.reader.DocumentPath(), "");
    EXPECT_EQ(s.reader.CurrentPage(), FrontCoverPage);
    EXPECT_EQ(s.host.indicator, "表紙");
    EXPECT_FALSE(s.reader.FormatFailed());
    EXPECT_TRUE(s.host.errors.empty());
    EXPECT_FALSE(s.reader.Spread().RightPage().Empty());
    // Scroll bar as designed until a book is opened.
    EXPECT_EQ(s.host.scrollMax, 9999);
    EXPECT_EQ(s.host.scrollPosition, 1);
    s.reader.FormClose();
    const std::string ini = ReadFileBytes(s.dir.File("Mirvo.INI"));
    EXPECT_NE(ini.find("[Mirvo]"), std::string::npos);
    EXPECT_NE(ini.find("[Config]"), std::string::npos);
    EXPECT_EQ(ini.find("UseComment"), std::string::npos);
    EXPECT_TRUE(test::FileExistsForTest(s.dir.File("MirvoKs/.INI")));
}

TEST(ReaderStart, ReadMeBookOpensOnItsFrontCover) {
    Started s;
    MakeBook(s.dir, "readme2.txt", 30);
    WriteFileBytes(s.dir.File("readme.bmp"), "BM");
    s.Start();
    EXPECT_EQ(s.reader.DocumentPath(), s.dir.File("readme2.txt"));
    EXPECT_EQ(s.reader.CurrentPage(), FrontCoverPage);
    EXPECT_EQ(s.host.indicator, "表紙");
    EXPECT_EQ(s.host.status, s.dir.File("readme2.txt"));
    EXPECT_TRUE(s.reader.Menus().ReViewEnabled);
    EXPECT_EQ(s.host.scrollMax, s.reader.Book().PageCount());
    EXPECT_EQ(s.host.scrollPosition, s.reader.Book().PageCount());
    // First opening of a book: the book file's defaults.
    EXPECT_EQ(s.reader.GetSettings().RowCount, 10);
    EXPECT_EQ(s.reader.GetSettings().RowBytes, 50);
    EXPECT_TRUE(s.reader.Book().Contents().empty());
}

TEST(ReaderOpen, StoredPageSevenOpensThereWithTheScrollBarAgainstIt) {
    Started s;
    const std::string book = MakeBook(s.dir, "book.txt", 115);
    WriteBookState(s.dir, book, "[Mirvo]\r\nCurrentPage=7\r\n");
    s.Start({book});
    ASSERT_EQ(s.reader.Book().PageCount(), 12);
    EXPECT_EQ(s.reader.CurrentPage(), 7);
    EXPECT_EQ(s.host.indicator, "7/12");
    EXPECT_EQ(s.host.scrollMax, 12);
    EXPECT_EQ(s.host.scrollPosition, 12 - 6);
    // The first display is not animated, but the sound plays.
    ASSERT_GE(s.host.events.size(), 2u);
    EXPECT_EQ(s.host.events[s.host.events.size() - 2], "sound");
    EXPECT_EQ(s.host.events.back(), "repaint");
    // The right page shows page 7: its text list starts with the first row of page 7.
    ASSERT_FALSE(s.reader.Spread().Texts().RightPageText.empty());
    EXPECT_EQ(s.reader.Spread().Texts().RightPageText[0], s.reader.Book().Rows()[60]);
}

TEST(ReaderOpen, BookmarksAreRestoredInPageOrderAndImpossibleOnesSkipped) {
    Started s;
    const std::string book = MakeBook(s.dir, "book.txt", 115);
    WriteBookState(s.dir, book,
                   "[Mirvo]\r\nCurrentPage=1\r\nClipCount=4\r\nClip1=5\r\nClip2=3\r\n"
                   "Clip3=0\r\nClip4=40\r\n");
    s.Start({book});
    const auto& rows = s.reader.Book().Contents();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Mark, "⇒");
    EXPECT_EQ(rows[0].PageText, "3");
    EXPECT_EQ(rows[1].PageText, "5");
    EXPECT_EQ(rows[1].Caption, Cp932ToUtf8(s.reader.Book().Rows()[40]));
    // They survive the next save.
    s.reader.FormClose();
    const std::string state = ReadFileBytes(s.dir.File("MirvoKs/book.INI"));
    EXPECT_NE(state.find("ClipCount=2"), std::string::npos);
    EXPECT_NE(state.find("Clip1=3"), std::string::npos);
}

TEST(ReaderOpen, DamagedBookmarkCountIsNotFollowedForEver) {
    Started s;
    const std::string book = MakeBook(s.dir, "book.txt", 40);
    WriteBookState(s.dir, book, "[Mirvo]\r\nClipCount=2000000000\r\nClip1=3\r\n");
    s.Start({book});
    // Missing Clip keys read as page 1, as for any short file; the count stops at the bound.
    ASSERT_EQ(s.reader.Book().Contents().size(), static_cast<std::size_t>(kMaxStoredBookmarks));
    EXPECT_EQ(s.reader.Book().Contents().back().PageText, "3");
}

TEST(ReaderOpen, MissingFileWhileABookIsShownOnlyReports) {
    Started s;
    const std::string book = MakeBook(s.dir, "book.txt", 40);
    s.Start({book});
    s.reader.PageClick(PageRequester::LeftPage);
    const RowList rowsBefore = s.reader.Book().Rows();
    const Bitmap right = s.reader.Spread().RightPage();
    const std::string missing = s.dir.File("nothere.txt");
    s.reader.OpenBook(missing);
    ASSERT_EQ(s.host.errors.size(), 1u);
    EXPECT_EQ(
        s.host.errors[0],
        "ファイル:" + missing + "は存在しないようです。上記ファイルの存在を確認してみてください。");
    EXPECT_EQ(s.reader.Book().Rows(), rowsBefore);
    EXPECT_EQ(s.reader.CurrentPage(), 1);
    EXPECT_EQ(s.reader.Spread().RightPage(), right);
    EXPECT_EQ(s.reader.DocumentPath(), missing);
    // Still usable.
    s.reader.PageClick(PageRequester::LeftPage);
    EXPECT_EQ(s.reader.CurrentPage(), 3);
}

TEST(ReaderOpen, FormattingFailureSetsFormatFailedAndClearsLast) {
    Started s;
    const std::string bad = s.dir.File("bad.txt");
    WriteFileBytes(bad, Sjis("。あいう\r\n"));
    ProfileFile(s.dir.File("Mirvo.INI")).WriteString("Mirvo", "Last", bad);
    s.Start();
    EXPECT_TRUE(s.reader.FormatFailed());
    EXPECT_EQ(s.host.errors.size(), 1u);
    EXPECT_TRUE(s.reader.Book().Rows().empty());
    EXPECT_FALSE(s.reader.Menus().ReViewEnabled);
    EXPECT_EQ(ProfileFile(s.dir.File("Mirvo.INI")).ReadString("Mirvo", "Last", "x"), "");
}

TEST(ReaderOpen, UnreadableTextureIsReportedAndTheBookStillOpens) {
    Started s;
    const std::string book = MakeBook(s.dir, "book.txt", 40);
    WriteBookState(s.dir, book,
                   "[Config]\r\nPageBGTexture=" + s.dir.File("nothing.bmp") +
                       "\r\nBaseBGTexture=" + s.dir.File("garbage.bmp") + "\r\n");
    WriteFileBytes(s.dir.File("garbage.bmp"), "not a picture");
    const Bitmap pageTexture = s.reader.Spread().PageTexture();
    const Bitmap baseTexture = s.reader.Spread().BaseTexture();
    s.Start({book});
    EXPECT_EQ(s.host.errors.size(), 2u);
    EXPECT_FALSE(s.reader.FormatFailed());
    EXPECT_EQ(s.reader.Spread().PageTexture(), pageTexture);
    EXPECT_EQ(s.reader.Spread().BaseTexture(), baseTexture);
    EXPECT_EQ(s.reader.Book().Rows().size(), 41u);
    EXPECT_EQ(s.host.status, book);
}

TEST(ReaderOpen, BookInUtf8NamesItsEncodingReportsReplacementsOnceAndOpens) {
    Started s;
    std::string text = "吾輩は猫である\n夏目漱石\n";
    for (int i = 0; i < 40; ++i) text += "本文の行です。\n";
    const std::string book = s.dir.File("book.txt");
    // 鷗 and 😀 are extra characters; the last character, cut short, is replaced.
    WriteFileBytes(book, text + "森鷗外と😀\xE3\x81");
    s.Start({book});
    EXPECT_FALSE(s.reader.FormatFailed());
    ASSERT_EQ(s.reader.Book().Rows().size(), 44u);
    EXPECT_EQ(s.reader.Book().Rows()[42],
              Sjis("森") + "\xF0\x40" + Sjis("外と") + "\xF0\x41" + Sjis("〓"));
    EXPECT_EQ(s.reader.Book().Extras().ToUtf8(s.reader.Book().Rows()[42]), "森鷗外と😀〓");
    ASSERT_EQ(s.host.errors.size(), 1u);
    EXPECT_EQ(s.host.errors[0], "ファイル:" + book +
                                    "には、表示できない文字が1個ありました。\r\n「〓」に置き換えて"
                                    "表示します。最初の文字は43行目にあります。");
    // Panel 1 names the encoding while the book opens, then shows the path.
    const auto shown = [&](const std::string& text) {
        return std::count(s.host.statuses.begin(), s.host.statuses.end(), text);
    };
    ASSERT_GE(s.host.statuses.size(), 3u);
    EXPECT_EQ(s.host.statuses[0], "文字コード:UTF-8");
    EXPECT_EQ(s.host.statuses[1], "文書整形中:○○○○○○○○○○（UTF-8）");
    EXPECT_GT(shown("目次生成中:●●●●●○○○○○（UTF-8）"), 0);
    EXPECT_EQ(s.host.statuses.back(), book);

    // The book's file forces an encoding; the program keeps the key and never adds it.
    s.reader.FormClose();
    EXPECT_EQ(ReadFileBytes(s.dir.File("MirvoKs/book.INI")).find("Encoding"), std::string::npos);
    ProfileFile(s.dir.File("MirvoKs/book.INI")).WriteString("Config", "Encoding", "CP932");
    s.reader.OpenDocument();
    EXPECT_EQ(s.host.errors.size(), 1u);
    EXPECT_EQ(s.reader.Book().Rows()[1], "夏目漱石");
    EXPECT_GT(shown("文書整形中:●●●●●●●●●●（Shift_JIS）"), 0);
    s.reader.FormClose();
    EXPECT_NE(ReadFileBytes(s.dir.File("MirvoKs/book.INI")).find("Encoding=CP932"),
              std::string::npos);
}

TEST(ReaderHandOff, SavesTheOldBookThenOpensTheNewOne) {
    Started s;
    const std::string first = MakeBook(s.dir, "first.txt", 60);
    const std::string second = MakeBook(s.dir, "second.txt", 30);
    s.Start({first});
    s.reader.PageClick(PageRequester::LeftPage);
    s.reader.PageClick(PageRequester::LeftPage);
    ASSERT_EQ(s.reader.CurrentPage(), 3);
    s.reader.OpenBook(second);
    EXPECT_EQ(ProfileFile(s.dir.File("MirvoKs/first.INI")).ReadInteger("Mirvo", "CurrentPage", 0),
              3);
    EXPECT_EQ(s.reader.DocumentPath(), second);
    EXPECT_EQ(s.reader.CurrentPage(), FrontCoverPage);
    EXPECT_EQ(s.reader.Book().Rows().size(), 31u);
    // An empty path changes nothing.
    s.reader.OpenBook("");
    EXPECT_EQ(s.reader.DocumentPath(), second);
}

TEST(ReaderHandOff, DroppedFileSavesTheBookItLeaves) {
    // A dropped file goes the way of every other book: the place and the new bookmark of
    // the book it replaces are saved, also when that book had no state file yet.
    Started s;
    const std::string first = MakeBook(s.dir, "first.txt", 60);
    const std::string second = MakeBook(s.dir, "second.txt", 30);
    s.Start({first});
    s.reader.PageClick(PageRequester::LeftPage);
    s.reader.PageClick(PageRequester::LeftPage);
    s.reader.pmiClipClick();
    s.reader.OpenBook(second);
    const ProfileFile state(s.dir.File("MirvoKs/first.INI"));
    EXPECT_EQ(state.ReadInteger("Mirvo", "CurrentPage", 0), 3);
    EXPECT_EQ(state.ReadInteger("Mirvo", "ClipCount", 0), 1);
    EXPECT_EQ(state.ReadInteger("Mirvo", "Clip1", 0), 3);
    EXPECT_EQ(s.reader.DocumentPath(), second);
}

TEST(ReaderClose, RefusedGlobalWriteIsReportedAndTheBookStateStillSaved) {
    Started s;
    const std::string book = MakeBook(s.dir, "book.txt", 40);
    s.Start({book});
    s.reader.PageClick(PageRequester::LeftPage);
    // A folder where the settings file should be: no write can replace it, even as root.
    MakeFolders(s.dir.File("Mirvo.INI"));
    s.reader.FormClose();
    ASSERT_EQ(s.host.exceptions.size(), 1u);
    EXPECT_EQ(s.host.exceptions[0], s.dir.File("Mirvo.INI") + " に書き込めません");
    EXPECT_EQ(ProfileFile(s.dir.File("MirvoKs/book.INI")).ReadInteger("Mirvo", "CurrentPage", 0),
              1);
}

// A reader on `first` at page 3 with one bookmark on page 5, after `step`, then closed.
struct AfterStep {
    Started s;
    std::string first, second;
    explicit AfterStep(const std::function<void(AfterStep&)>& step) {
        first = MakeBook(s.dir, "first.txt", 80);
        second = MakeBook(s.dir, "second.txt", 30);
        WriteBookState(s.dir, first, "[Mirvo]\r\nCurrentPage=3\r\nClipCount=1\r\nClip1=5\r\n");
        s.Start({first});
        step(*this);
    }
    ProfileFile State(const std::string& name) const {
        return ProfileFile(s.dir.File("MirvoKs/" + name + ".INI"));
    }
    std::string Last() const {
        return ProfileFile(s.dir.File("Mirvo.INI")).ReadString("Mirvo", "Last", "?");
    }
};

TEST(ReaderKeepsThePlace, RefusedSaveStillOpensTheHandedOverBook) {
    // The settings folder cannot take the book's state: the refusal is reported, and the
    // book the reader asked for opens all the same.
    AfterStep a([](AfterStep& a) {
        std::filesystem::remove_all(a.s.dir.File("MirvoKs"));
        WriteFileBytes(a.s.dir.File("MirvoKs"), "a file where the folder belongs");
        a.s.reader.OpenBook(a.second);
    });
    ASSERT_EQ(a.s.host.exceptions.size(), 1u);
    EXPECT_EQ(a.s.host.exceptions[0], a.s.dir.File("MirvoKs/first.INI") + " に書き込めません");
    EXPECT_EQ(a.s.reader.DocumentPath(), a.second);
    EXPECT_EQ(a.s.reader.Book().Rows().size(), 31u);
    EXPECT_EQ(a.s.host.status, a.second);
}

TEST(ReaderKeepsThePlace, FailedFormattingIsNeitherLastNorGivenTheOldBookmarks) {
    // After a book that cannot be formatted, the reader holds no book: closing stores the
    // last book that opened as Last, and the failed book's own state file stays as it was
    // (it would otherwise take the other book's page and bookmarks).
    AfterStep a([](AfterStep& a) {
        const std::string bad = a.s.dir.File("bad.txt");
        WriteFileBytes(bad, Sjis("。あいう\r\n"));
        WriteBookState(a.s.dir, bad, "[Mirvo]\r\nCurrentPage=1\r\nClipCount=1\r\nClip1=1\r\n");
        a.s.reader.PageClick(PageRequester::LeftPage);  // page 5
        a.s.reader.OpenBook(bad);
        ASSERT_TRUE(a.s.reader.FormatFailed());
        a.s.reader.FormClose();
    });
    EXPECT_EQ(a.Last(), a.first);
    EXPECT_EQ(test::ReadFileBytes(a.s.dir.File("MirvoKs/bad.INI")),
              "[Mirvo]\r\nCurrentPage=1\r\nClipCount=1\r\nClip1=1\r\n");
    EXPECT_EQ(a.State("first").ReadInteger("Mirvo", "CurrentPage", 0), 5);
    EXPECT_TRUE(a.s.host.exceptions.empty());
}

TEST(ReaderKeepsThePlace, MissingOrUnloadableFileLeavesTheBookOnShowSavedAtClose) {
    // Opening a file that is missing or cannot be loaded (a FIFO must not block) changes
    // nothing: the reader goes on in the book on show, and that book's place is what the
    // next save keeps. The book on show stays the last document, so the next start shows
    // it rather than an error and an empty cover.
    for (const char* name : {"gone.txt", "fifo.txt"}) {
        SCOPED_TRACE(name);
        ::alarm(20);
        AfterStep a([name](AfterStep& a) {
            const std::string path = a.s.dir.File(name);
            if (std::string(name) == "fifo.txt") {
                ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            }
            a.s.reader.OpenBook(path);
            EXPECT_EQ(a.s.host.errors.size(), 1u);
            EXPECT_EQ(a.s.reader.CurrentPage(), 3);
            a.s.reader.PageClick(PageRequester::LeftPage);
            a.s.reader.FormClose();
        });
        ::alarm(0);
        EXPECT_EQ(a.State("first").ReadInteger("Mirvo", "CurrentPage", 0), 5);
        EXPECT_EQ(a.State("first").ReadInteger("Mirvo", "ClipCount", 0), 1);
        EXPECT_FALSE(test::FileExistsForTest(a.s.dir.File("MirvoKs/gone.INI")));
        EXPECT_FALSE(test::FileExistsForTest(a.s.dir.File("MirvoKs/fifo.INI")));
        EXPECT_EQ(a.Last(), a.first);
    }
}

TEST(ReaderKeepsThePlace, SettingsFileTooLargeIsReportedOnceAndLeftAlone) {
    Started s;
    const std::string first = MakeBook(s.dir, "first.txt", 40);
    const std::string second = MakeBook(s.dir, "second.txt", 40);
    WriteFileBytes(s.dir.File("Mirvo.INI"), "[Config]\nRowCount=5\n");
    ASSERT_EQ(::truncate(s.dir.File("Mirvo.INI").c_str(),
                         static_cast<off_t>(ProfileFile::kMaxFileBytes) + 1),
              0);
    WriteBookState(s.dir, second, "");
    ASSERT_EQ(::truncate(s.dir.File("MirvoKs/second.INI").c_str(),
                         static_cast<off_t>(ProfileFile::kMaxFileBytes) + 1),
              0);
    s.Start({first});
    EXPECT_EQ(s.reader.GetSettings().RowCount, 10);  // the defaults
    s.reader.OpenBook(second);
    s.reader.OpenBook(first);
    s.reader.OpenBook(second);
    s.reader.FormClose();
    ASSERT_EQ(s.host.exceptions.size(), 2u);
    EXPECT_EQ(s.host.exceptions[0].rfind("ファイル:" + s.dir.File("Mirvo.INI") + "は大きすぎる", 0),
              0u);
    EXPECT_EQ(s.host.exceptions[1].rfind(
                  "ファイル:" + s.dir.File("MirvoKs/second.INI") + "は大きすぎる", 0),
              0u);
    EXPECT_EQ(std::filesystem::file_size(s.dir.File("Mirvo.INI")), ProfileFile::kMaxFileBytes + 1);
    EXPECT_EQ(ProfileFile(s.dir.File("MirvoKs/first.INI")).ReadInteger("Config", "RowCount", 0),
              10);
}

TEST(ReaderContents, HeadingsProgressAndSort) {
    RowList rows(30);
    rows[0] = Sjis("◎第一章");
    rows[10] = Sjis("  ◎第二章");
    rows[25] = Sjis("　◎全角空白は見出しではない");
    std::vector<std::string> progress;
    const PageLayout ten(10, 50);
    auto found =
        BuildContents(rows, ten, "◎", [&](const std::string& t) { progress.push_back(t); });
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(GridRow(found[0]).PageText, "1");
    EXPECT_EQ(GridRow(found[1]).PageText, "2");
    EXPECT_EQ(found[1].Caption, "  ◎第二章");
    ASSERT_EQ(progress.size(), 30u);
    EXPECT_EQ(progress[15], "目次生成中:●●●●●○○○○○");
    EXPECT_TRUE(BuildContents(rows, ten, "", nullptr).empty());
    // Bookmarks sorted in among headings.
    ContentsEntry mark;
    ASSERT_TRUE(MakeBookmarkEntry(rows, ten, 2, mark));
    found.insert(found.begin(), mark);
    SortContents(found);
    EXPECT_EQ(GridRow(found[0]).PageText, "1");
    EXPECT_FALSE(MakeBookmarkEntry(rows, ten, 4, mark));
    EXPECT_FALSE(MakeBookmarkEntry(rows, ten, 0, mark));
}

}  // namespace
}  // namespace mirvo
