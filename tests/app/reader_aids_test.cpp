// The reading aids of the reader core: the heading rule, the grid's exchange sort,
// bookmarks through insertion, deletion, re-display and saving, the jump from the contents,
// and when the footnote pop-up may answer at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "app/profile_file.h"
#include "app/reader.h"
#include "app/reader_contents.h"
#include "app/reader_fake_host.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::Sjis;
using test::TempDir;
using test::WriteBookState;
using test::WriteFileBytes;

constexpr auto kNext = PageRequester::LeftPage;

TEST(ContentsHeadings, RuleMarkPagesAndProgress) {
    struct Case {
        const char* indexChar;
        const char* row;
        bool heading;
    } cases[] = {
        {"◎", "◎第一章", true},
        {"◎", "  ◎二つの半角空白の後", true},
        {"◎", "\t◎制御文字の後", true},
        {"◎", "　◎全角空白の後", false},
        {"◎", "本文の◎", false},
        {"◎◎", "◎◎二字の印", true},
        {"◎◎", "◎一字だけ", false},
        {"", "◎空の印", false},
        {"◎", "◎｜漢字《かんじ》［＃注］", true},
    };
    for (const Case& c : cases) {
        const auto found = BuildContents({Sjis(c.row)}, 10, c.indexChar, nullptr);
        ASSERT_EQ(found.size(), c.heading ? 1u : 0u) << c.row;
        if (c.heading) {
            EXPECT_EQ(found[0].Mark, "");
            EXPECT_EQ(found[0].Caption, c.row) << "the row as stored, blanks and markup kept";
        }
    }
    RowList rows(1000, Sjis("本文"));
    for (const int i : {0, 10, 25}) rows[i] = Sjis("◎見出し");
    std::vector<std::string> progress;
    const auto found =
        BuildContents(rows, 10, "◎", [&](const std::string& t) { progress.push_back(t); });
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].PageText, "1");
    EXPECT_EQ(found[1].PageText, "2");
    EXPECT_EQ(found[2].PageText, "3");
    EXPECT_EQ(progress[500], "目次生成中:●●●●●○○○○○");
}

PageListRow Entry(const char* mark, const char* name, int page) {
    return {mark, name, std::to_string(page)};
}

std::vector<std::string> Names(const std::vector<PageListRow>& rows) {
    std::vector<std::string> names;
    for (const auto& r : rows) names.push_back(r.Caption);
    return names;
}

TEST(ContentsSort, ExchangeSortOrdersOnePageAsTheGridDoes) {
    std::vector<PageListRow> a = {Entry("", "h1", 1), Entry("", "h3", 3), Entry("", "h5", 5),
                                  Entry("⇒", "b3", 3)};
    SortContents(a);
    EXPECT_EQ(Names(a), (std::vector<std::string>{"h1", "h3", "b3", "h5"}));
    std::vector<PageListRow> b = {Entry("", "p2", 2), Entry("", "h5", 5), Entry("⇒", "b5", 5),
                                  Entry("⇒", "b3", 3)};
    SortContents(b);
    EXPECT_EQ(Names(b), (std::vector<std::string>{"p2", "b3", "b5", "h5"}));
}

// The grid's procedure as written: every pair compared, only a strictly greater page swaps.
void ReferenceSort(std::vector<PageListRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = i + 1; j < rows.size(); ++j)
            if (std::stoi(rows[i].PageText) > std::stoi(rows[j].PageText))
                std::swap(rows[i], rows[j]);
}

TEST(ContentsSort, EveryOrderGivesWhatTheFullProcedureGives) {
    std::mt19937 random(8);
    for (int round = 0; round < 3000; ++round) {
        std::vector<PageListRow> rows;
        const int n = static_cast<int>(random() % 9);
        for (int k = 0; k < n; ++k)
            rows.push_back({"", std::to_string(k), std::to_string(1 + random() % 4)});
        // Half of the lists are a sorted grid with one entry just added.
        if (round % 2 == 0 && n > 1) {
            ReferenceSort(rows);
            rows.push_back({"⇒", "new", std::to_string(1 + random() % 4)});
        }
        std::vector<PageListRow> expected = rows;
        ReferenceSort(expected);
        SortContents(rows);
        ASSERT_EQ(Names(rows), Names(expected)) << "round " << round;
    }
}

// A book of 60 short lines, one row each (61 rows with the final empty one): ruby in row 0,
// headings in rows 12 and 35, pages 2 and 4 at ten rows a page.
struct Book {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
    std::string path = dir.File("book.txt");

    explicit Book(const std::string& state = "") {
        WriteFileBytes(path, Text());
        if (!state.empty()) WriteBookState(dir, path, state);
        reader.FormCreate({path});
        reader.GetSettings().ChangeSpeed = 0;
        reader.FormResize(400, 300);
        reader.OpenDocument();
    }
    static std::string Text() {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            const std::string line = i == 0    ? "｜本文《ほんぶん》の0行目"
                                     : i == 12 ? "◎第一章"
                                     : i == 35 ? "◎第二章"
                                               : "本文の" + std::to_string(i) + "行目";
            text += Sjis(line) + "\r\n";
        }
        return text;
    }
    std::vector<std::string> Rows() const {
        std::vector<std::string> out;
        for (const auto& r : reader.Contents())
            out.push_back(r.Mark + "|" + r.Caption + "|" + r.PageText);
        return out;
    }
    std::string State() const { return test::ReadFileBytes(dir.File("MirvoKs/book.INI")); }
};

TEST(Bookmarks, InsertDeleteRedisplayAndSave) {
    Book b;
    ASSERT_EQ(b.Rows(), (std::vector<std::string>{"|◎第一章|2", "|◎第二章|4"}));
    b.reader.pmiClipClick();  // on the front cover: nothing to mark
    EXPECT_EQ(b.reader.Contents().size(), 2u);

    b.reader.PageClick(kNext);
    b.reader.pmiClipClick();
    b.reader.pmiClipClick();  // twice on one spread: two rows, labelled with the drawn text
    EXPECT_EQ(b.Rows(), (std::vector<std::string>{"⇒|｜本文の0行目|1", "⇒|｜本文の0行目|1",
                                                  "|◎第一章|2", "|◎第二章|4"}));
    const auto before = b.Rows();
    for (const int row : {-1, 2, 3, 4}) b.reader.pmiDelClipClick(row);  // headings, empty row
    EXPECT_EQ(b.Rows(), before);
    b.reader.pmiDelClipClick(0);
    EXPECT_EQ(b.reader.Contents().size(), 3u);

    b.reader.PageClick(kNext);
    b.reader.PageClick(kNext);
    // The scroll bar moves CurrentPage but not the spread on show: the bookmark is the spread's.
    b.reader.scbStatusScroll(b.reader.ScrollMax());
    ASSERT_EQ(b.reader.CurrentPage(), 1);
    b.reader.pmiClipClick();
    EXPECT_EQ(b.Rows().back(), "⇒|本文の40行目|5");

    // Twenty rows a page: page 1 keeps its bookmark, relabelled from its first row as stored
    // (the exchange sort puts it after the heading of its page); page 5 no longer exists.
    b.reader.PageClick(kNext);
    b.reader.PageClick(kNext);
    b.reader.GetSettings().RowCount = 20;
    b.reader.mmiReViewClick();
    EXPECT_EQ(b.Rows(), (std::vector<std::string>{"|◎第一章|1", "⇒|｜本文《ほんぶん》の0行目|1",
                                                  "|◎第二章|2"}));
    EXPECT_EQ(b.reader.PageCount(), 3);
    EXPECT_EQ(b.host.scrollMax, 3);
    EXPECT_EQ(b.reader.CurrentPage(), BackCoverPage);  // page 5 lies past the end now
    EXPECT_EQ(b.host.status, b.path);

    b.reader.FormClose();
    ProfileFile state(b.dir.File("MirvoKs/book.INI"));
    EXPECT_EQ(state.ReadInteger("Mirvo", "ClipCount", -1), 1);
    EXPECT_EQ(state.ReadInteger("Mirvo", "Clip1", -1), 1);
    EXPECT_EQ(state.ReadInteger("Config", "RowCount", -1), 20);
}

TEST(Bookmarks, RestoredOnesAreSortedInAmongTheHeadingsOfTheirPages) {
    Book b("[Mirvo]\r\nClipCount=3\r\nClip1=4\r\nClip2=2\r\nClip3=4\r\n");
    EXPECT_EQ(b.Rows(),
              (std::vector<std::string>{"|◎第一章|2", "⇒|本文の10行目|2", "⇒|本文の30行目|4",
                                        "|◎第二章|4", "⇒|本文の30行目|4"}));
}

TEST(Contents, DoubleClickOpensTheEntrysSpreadOnTheViewPage) {
    Book b;
    b.reader.msiContentsClick();
    b.reader.stgPageListDblClick(2);  // the empty row
    EXPECT_EQ(b.reader.ViewPage(), NotebookPage::Contents);
    b.host.events.clear();
    b.reader.stgPageListDblClick(1);  // the heading listed with page 4
    EXPECT_EQ(b.reader.ViewPage(), NotebookPage::View);
    EXPECT_EQ(b.reader.CurrentPage(), 4);
    EXPECT_EQ(b.host.indicator, "4/6");
    EXPECT_EQ(b.reader.Texts().RightPageText[0], b.reader.Rows()[30]);
    EXPECT_EQ(b.reader.Texts().LeftPageText[0], b.reader.Rows()[40]);
    EXPECT_EQ(b.host.events, (std::vector<std::string>{"sound", "repaint"}));  // no turn
    b.reader.PageClick(PageRequester::RightPage);
    EXPECT_EQ(b.host.indicator, "2/6");
}

TEST(Redisplay, UnreadableFileKeepsTheBookAndFailedFormattingKeepsTheBookmarks) {
    Book b("[Mirvo]\r\nCurrentPage=3\r\nClipCount=1\r\nClip1=5\r\n");
    const auto contents = b.Rows();
    const RowList rows = b.reader.Rows();
    std::filesystem::remove(b.path);
    b.reader.mmiReViewClick();
    ASSERT_EQ(b.host.exceptions.size(), 1u);
    EXPECT_NE(b.host.exceptions[0].find(b.path), std::string::npos);
    EXPECT_EQ(b.reader.Rows(), rows);
    EXPECT_EQ(b.Rows(), contents);
    EXPECT_EQ(b.reader.CurrentPage(), 3);

    // A file that no longer formats: front cover, no headings, the bookmark kept.
    WriteFileBytes(b.path, Sjis("。あいう\r\n"));
    b.reader.mmiReViewClick();
    EXPECT_TRUE(b.reader.FormatFailed());
    EXPECT_TRUE(b.reader.Rows().empty());
    EXPECT_EQ(b.reader.CurrentPage(), FrontCoverPage);
    EXPECT_EQ(b.host.indicator, "表紙");
    EXPECT_EQ(b.Rows(), (std::vector<std::string>{"⇒|本文の40行目|5"}));
    // Mended, the next re-display labels it again.
    WriteFileBytes(b.path, Book::Text());
    b.reader.mmiReViewClick();
    EXPECT_FALSE(b.reader.FormatFailed());
    EXPECT_EQ(b.Rows().size(), 3u);
    b.reader.FormClose();
    EXPECT_NE(b.State().find("Clip1=5"), std::string::npos);
}

TEST(Redisplay, FailedOpeningKeepsThatBooksBookmarksOutOfTheOldBook) {
    Book b("[Mirvo]\r\nClipCount=1\r\nClip1=5\r\n");
    const std::string bad = b.dir.File("bad.txt");
    WriteFileBytes(bad, Sjis("。あいう\r\n"));
    WriteBookState(b.dir, bad, "[Mirvo]\r\nClipCount=2\r\nClip1=3\r\nClip2=7\r\n");
    b.reader.OpenDroppedFile(bad);
    ASSERT_TRUE(b.reader.FormatFailed());
    b.reader.FormClose();
    ProfileFile state(b.dir.File("MirvoKs/bad.INI"));
    EXPECT_EQ(state.ReadInteger("Mirvo", "ClipCount", -1), 2);
    EXPECT_EQ(state.ReadInteger("Mirvo", "Clip1", -1), 3);
    EXPECT_EQ(state.ReadInteger("Mirvo", "Clip2", -1), 7);
}

TEST(FootnotePopup, AnswersOnlyOnASpreadOfTheViewPageWithAnnotationsOn) {
    TempDir dir;
    FakeReaderHost host;
    Reader reader(host, test::TestFolders(dir));
    const std::string path = dir.File("notes.txt");
    WriteFileBytes(path, Sjis("題名\r\n著者\r\n本文［＃一つ目の注］\r\n本文［＃二つ目］\r\n"));
    reader.FormCreate({path});
    reader.FormResize(400, 300);
    reader.OpenDocument();
    reader.PageClick(kNext);
    const Rect page = reader.RightImage();
    reader.PageClick(PageRequester::RightPage);
    // The fifth byte cell of the third row, where ① is drawn on a spread.
    const double slot = page.Width() / 11.0, cell = page.Height() / 51.0;
    const double x = 0.05 * page.Width() + 0.9 * (page.Width() - 3.5 * slot);
    const double y = 0.05 * page.Height() + 0.9 * 4.5 * cell;
    EXPECT_EQ(reader.imgRightPageMouseMove(PageRequester::RightPage, x, y).action,
              FootnoteAction::Keep)
        << "front cover";
    reader.PageClick(kNext);
    const FootnoteHit hit = reader.imgRightPageMouseMove(PageRequester::RightPage, x, y);
    EXPECT_EQ(hit.action, FootnoteAction::Show);
    EXPECT_EQ(reader.Texts().FootnoteList[hit.index], Sjis("一つ目の注"));
    EXPECT_EQ(reader.imgRightPageMouseMove(PageRequester::LeftPage, x, y).action,
              FootnoteAction::Keep)
        << "the left page has no rows";
    reader.msiContentsClick();
    EXPECT_EQ(reader.imgRightPageMouseMove(PageRequester::RightPage, x, y).action,
              FootnoteAction::Keep);
    reader.msiViewClick();
    reader.GetSettings().UseComment = false;
    EXPECT_EQ(reader.imgRightPageMouseMove(PageRequester::RightPage, x, y).action,
              FootnoteAction::Keep);
}

}  // namespace
}  // namespace mirvo
