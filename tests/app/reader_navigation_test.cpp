// Moving through a book in the reader core: clicks and keys, covers, the scroll bar, the
// view switch and the page turn as the window sees it.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/reader.h"
#include "app/reader_fake_host.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::MakeBook;
using test::TempDir;
using test::WriteBookState;

constexpr auto kNext = PageRequester::LeftPage;   // SPACE, click on the left page
constexpr auto kPrev = PageRequester::RightPage;  // BS, click on the right page

struct Book {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};

    explicit Book(int lines, const std::string& state = "") {
        const std::string path = MakeBook(dir, "book.txt", lines);
        if (!state.empty()) WriteBookState(dir, path, state);
        reader.FormCreate({path});
        reader.FormResize(400, 300);
        reader.OpenDocument();
        host.events.clear();
    }
    int Repaints() const { return host.repaints; }
};

TEST(ReaderPaging, CoversAreNeitherAnimatedNorHeard) {
    Book b(40);
    b.reader.PageClick(kNext);
    b.host.events.clear();
    b.reader.PageClick(kPrev);
    EXPECT_EQ(b.host.events, (std::vector<std::string>{"repaint"}));
    // The front cover uses its own geometry: face and strip.
    EXPECT_GT(b.reader.Spread().LeftImage().Width(), 5 * b.reader.Spread().RightImage().Width());
    EXPECT_EQ(b.reader.Spread().LeftPage().Width(), b.reader.Spread().LeftImage().Width());
    // The back cover: strip on the left, face on the right.
    b.host.events.clear();
    b.reader.ShowPage(BackCoverPage);
    EXPECT_EQ(b.host.events, (std::vector<std::string>{"repaint"}));
    EXPECT_GT(b.reader.Spread().RightImage().Width(), 5 * b.reader.Spread().LeftImage().Width());
    EXPECT_EQ(b.host.indicator, "裏表紙");
    EXPECT_EQ(b.reader.CurrentPage(), BackCoverPage);
}

TEST(ReaderPaging, TurnFramesForwardBackwardAndNone) {
    Book b(60);
    b.reader.ChangeSettings([](Settings& s) { s.ChangeSpeed = 150; });
    b.reader.PageClick(kNext);  // from the front cover: frames over the cover pictures
    b.host.events.clear();
    b.reader.PageClick(kNext);
    const std::vector<std::string> forward = {"sound",   "repaint", "wait 50", "repaint",
                                              "wait 50", "wait 50", "repaint", "wait 50",
                                              "repaint", "wait 50", "repaint"};
    EXPECT_EQ(b.host.events, forward);
    b.host.events.clear();
    b.reader.PageClick(kPrev);
    const std::vector<std::string> backward = {"sound",   "repaint", "wait 50", "repaint",
                                               "wait 50", "repaint", "wait 50", "repaint",
                                               "wait 50", "repaint", "wait 50", "repaint"};
    EXPECT_EQ(b.host.events, backward);
    b.host.events.clear();
    b.reader.FormResize(500, 360);  // a resize redraws without a turn
    EXPECT_EQ(b.host.events, (std::vector<std::string>{"sound", "repaint"}));
    // After any turn the visible pages are the finished pages at page-image size.
    EXPECT_EQ(b.reader.Spread().LeftPage().Width(), b.reader.Spread().LeftImage().Width());
    EXPECT_EQ(b.reader.Spread().RightPage().Height(), b.reader.Spread().RightImage().Height());
}

TEST(ReaderPaging, WindowShrunkToNothingStillTurns) {
    Book b(60, "[Mirvo]\r\nCurrentPage=3\r\n");
    for (auto [w, h] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{3, 2000}, std::pair{2000, 3}}) {
        b.reader.FormResize(w, h);
        b.reader.PageClick(kNext);
        b.reader.PageClick(kPrev);
        EXPECT_EQ(b.reader.CurrentPage(), 3) << w << "x" << h;
    }
}

TEST(ReaderPaging, EvenPageTwoBackwardShowsTheFrontCover) {
    Book b(60, "[Mirvo]\r\nCurrentPage=4\r\n");
    EXPECT_EQ(b.host.indicator, "4/6");
    b.reader.PageClick(kPrev);
    EXPECT_EQ(b.reader.CurrentPage(), 2);
    b.reader.PageClick(kPrev);
    EXPECT_EQ(b.reader.CurrentPage(), FrontCoverPage);
    EXPECT_EQ(b.host.indicator, "表紙");
    b.reader.PageClick(kNext);
    EXPECT_EQ(b.reader.CurrentPage(), 1);
}

TEST(ReaderScroll, ThumbSetsThePageWithoutRedrawing) {
    Book b(115, "[Mirvo]\r\nCurrentPage=1\r\n");
    ASSERT_EQ(b.host.scrollMax, 12);
    const int repaints = b.Repaints();
    const std::string indicator = b.host.indicator;
    b.reader.scbStatusScroll(5);
    EXPECT_EQ(b.reader.CurrentPage(), 7);
    b.reader.scbStatusScroll(6);
    EXPECT_EQ(b.reader.CurrentPage(), 7);
    EXPECT_EQ(b.Repaints(), repaints);
    EXPECT_EQ(b.host.indicator, indicator);
    b.reader.PageClick(kNext);
    EXPECT_EQ(b.reader.CurrentPage(), 9);
    EXPECT_EQ(b.host.indicator, "9/12");
    EXPECT_EQ(b.host.scrollPosition, 4);
}

TEST(ReaderScroll, CoversKeepTheirPageAndPutTheThumbAtTheEnd) {
    Book b(115);
    b.reader.scbStatusScroll(3);
    EXPECT_EQ(b.reader.CurrentPage(), FrontCoverPage);
    EXPECT_EQ(b.host.scrollPosition, 12);
    b.reader.ShowPage(11);
    b.reader.PageClick(kNext);
    ASSERT_EQ(b.reader.CurrentPage(), BackCoverPage);
    b.reader.scbStatusScroll(8);
    EXPECT_EQ(b.reader.CurrentPage(), BackCoverPage);
    EXPECT_EQ(b.host.scrollPosition, 1);
}

TEST(ReaderView, SwitchSetsMenusKeyPreviewAndLayout) {
    Book b(40, "[Mirvo]\r\nCurrentPage=3\r\n");
    const Rect spreadArea = b.reader.Spread().BookArea();
    b.reader.msiContentsClick();
    const MenuState& m = b.reader.Menus();
    EXPECT_EQ(b.reader.Menus().Page, NotebookPage::Contents);
    EXPECT_FALSE(m.ViewChecked);
    EXPECT_TRUE(m.ContentsChecked);
    EXPECT_FALSE(m.PagingEnabled);
    EXPECT_FALSE(m.ClipInsEnabled);
    EXPECT_TRUE(m.ClipDelEnabled);
    EXPECT_FALSE(m.KeyPreview);
    EXPECT_EQ(b.reader.Spread().BookArea().Width(), spreadArea.Width());
    // A resize on the contents page lays out, but draws no spread.
    b.host.events.clear();
    b.reader.FormResize(600, 400);
    EXPECT_TRUE(b.host.events.empty());
    EXPECT_EQ(b.reader.Spread().BookArea().Height(), 376);
    b.reader.msiViewClick();
    EXPECT_EQ(b.reader.Menus().Page, NotebookPage::View);
    EXPECT_TRUE(m.ViewChecked);
    EXPECT_FALSE(m.ContentsChecked);
    EXPECT_TRUE(m.PagingEnabled && m.ClipInsEnabled && m.KeyPreview);
    EXPECT_FALSE(m.ClipDelEnabled);
    EXPECT_EQ(b.host.events, (std::vector<std::string>{"sound", "repaint"}));
    EXPECT_EQ(b.host.indicator, "3/4");
}

TEST(ReaderPaging, UnreadableIllustrationLeavesThePreviousSpread) {
    TempDir dir;
    FakeReaderHost host;
    Reader reader(host, test::TestFolders(dir));
    std::string text;
    for (int i = 0; i < 12; ++i) text += test::Sjis("本文の行です。") + "\r\n";
    text += "<IMG SRC=\"missing.bmp\">\r\n";
    for (int i = 0; i < 12; ++i) text += test::Sjis("本文の行です。") + "\r\n";
    test::WriteFileBytes(dir.File("pic.txt"), text);
    reader.FormCreate({dir.File("pic.txt")});
    reader.FormResize(400, 300);
    reader.OpenDocument();
    reader.PageClick(kNext);
    ASSERT_EQ(reader.CurrentPage(), 1);
    const Bitmap left = reader.Spread().LeftPage(), right = reader.Spread().RightPage();
    const std::string indicator = host.indicator;
    // The picture's page is on the next spread: its error leaves the core, and the pages on
    // screen keep the previous spread.
    EXPECT_THROW(reader.PageClick(kNext), std::exception);
    EXPECT_EQ(reader.Spread().LeftPage(), left);
    EXPECT_EQ(reader.Spread().RightPage(), right);
    EXPECT_EQ(host.indicator, indicator);
}

}  // namespace
}  // namespace mirvo
