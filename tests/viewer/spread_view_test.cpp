#include "viewer/spread_view.h"

#include <gtest/gtest.h>

#include "format/cp932.h"
#include "render/color.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

class CountingPainter : public GlyphPainter {
  public:
    void SetFonts(const std::string&, bool, int body, int) override { bodyHeight = body; }
    void DrawChar(Bitmap&, PageFont, std::string_view, int, int, Color) override { ++chars; }
    int chars = 0;
    int bodyHeight = 0;
};

class Reporter : public ProblemReporter {
  public:
    void Report(const Problem& p) override { messages.push_back(p); }
    std::vector<Problem> messages;
};

class SpreadViewTest : public ::testing::Test {
  protected:
    SpreadViewTest() : view(&painter) {}

    // 25 rows of ten rows a page: pages 1 to 3.
    void MakeBook(const std::string& firstRow = "あ［＃注］") {
        rows = {Sjis(firstRow)};
        for (int k = 1; k < 25; ++k) rows.push_back(Sjis("い"));
        rows.push_back(Sjis("う［＃二］"));
        rows.emplace_back();
    }

    SpreadOutcome Show(int page, int w = 800, int h = 600) {
        const SpreadRequest req{rows, style, page, w, h, kSpreadHeightRatio, texture, path};
        return view.Render(req, left, right, lists, reporter);
    }

    CountingPainter painter;
    SpreadView view;
    SpreadStyle style{.Page = {.Layout = PageLayout(10, 50)}};
    RowList rows;
    Bitmap texture{10, 10, 0xDDEEFF};
    std::string path = "/b/book.txt";
    Bitmap left, right;
    PageTexts lists;
    Reporter reporter;
};

TEST_F(SpreadViewTest, SpreadBuffersAreFinishedToPageSize) {
    MakeBook();
    style.Alias = true;
    const SpreadOutcome o = Show(1);
    EXPECT_EQ(painter.bodyHeight, 2 * static_cast<int>(0.9 * 1128 / 50));  // drawn at double size
    EXPECT_EQ(left.Width(), 403);
    EXPECT_EQ(left.Height(), 564);
    EXPECT_EQ(right.Width(), 403);
    EXPECT_EQ(o.bookArea.Width(), 805);
    EXPECT_FALSE(o.pageDrawFailed);
    // Lists of both pages; the footnotes are numbered across the spread.
    EXPECT_EQ(lists.RightPageText.size(), 11u);
    EXPECT_EQ(lists.RightPageText[0], Sjis("あ①"));
    EXPECT_EQ(lists.LeftPageText.size(), 11u);
    EXPECT_EQ(lists.FootnoteList.size(), 2u);
    Show(3);
    EXPECT_EQ(lists.FootnoteList, (std::vector<std::string>{Sjis("二"), ""}));
    EXPECT_EQ(lists.LeftPageText, std::vector<std::string>{""});  // page 4 does not exist

    const Bitmap area = ComposeBookArea(o, left, right);
    EXPECT_EQ(area.Width(), 805);
    EXPECT_EQ(area.Height(), 564);
}

TEST_F(SpreadViewTest, CoversArePageSizedEvenWithAlias) {
    MakeBook("表題");
    style.Alias = true;
    style.CoverColor = StringToColor("clYellow");
    SpreadOutcome o = Show(-1);
    EXPECT_EQ(left.Width(), 402);  // face
    EXPECT_EQ(right.Width(), 40);  // strip
    EXPECT_EQ(right.Height(), 564);
    EXPECT_EQ(right.Pixel(39, 0), 0x00FFFFu);
    EXPECT_EQ(painter.chars, 0);  // no page was rendered
    Bitmap area = ComposeBookArea(o, left, right);
    EXPECT_EQ(area.Width(), 442);
    EXPECT_EQ(area.Pixel(0, 0), left.Pixel(0, 0));

    o = Show(9999);
    EXPECT_EQ(left.Width(), 40);    // strip
    EXPECT_EQ(right.Width(), 442);  // face, wider than what shows of it
    area = ComposeBookArea(o, left, right);
    EXPECT_EQ(area.Width(), 442);
    EXPECT_EQ(area.Pixel(441, 100), 0x00FFFFu);

    EXPECT_EQ(Show(4).currentPage, BackCoverPage);  // past the last page
    EXPECT_EQ(Show(0).currentPage, FrontCoverPage);

    // Drawing cannot fail on a colour: a system colour without a scheme value is black.
    style.CoverColor = kSystemColorBase + 0xFF;
    EXPECT_NO_THROW(Show(-1));
}

TEST_F(SpreadViewTest, AFailedPageStillFinishesTheSpread) {
    MakeBook("あ《閉じない");
    const SpreadOutcome o = Show(1);
    EXPECT_TRUE(o.pageDrawFailed);
    EXPECT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(lists.RightPageText, std::vector<std::string>{Sjis("あ")});
    EXPECT_EQ(lists.LeftPageText.size(), 11u);  // the left page was drawn
    EXPECT_EQ(left.Width(), 403);
}

TEST_F(SpreadViewTest, TinyPictureAreasDrawWithoutFault) {
    MakeBook("表題");
    for (bool alias : {false, true}) {
        style.Alias = alias;
        for (int size : {0, 1, 2, 7, 30}) {
            for (int page : {-1, 1, 9999}) {
                const SpreadOutcome o = Show(page, size, size);
                EXPECT_FALSE(o.pageDrawFailed);
                const Bitmap area = ComposeBookArea(o, left, right);
                EXPECT_EQ(area.Width(), std::max(o.bookArea.Width(), 0));
            }
        }
    }
}

}  // namespace
}  // namespace mirvo
