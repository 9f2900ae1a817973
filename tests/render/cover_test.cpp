#include "render/cover.h"

#include <gtest/gtest.h>

#include "render/vertical_font.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

TEST(CoverText, PlanForTitleAndAuthor) {
    // Face of a 800 x 600 picture area: c = 402 wide, 564 high.
    const RowList rows{Sjis("羅生門"), Sjis("芥川龍之介"), ""};
    const CoverTextPlan p = PlanCoverText(402, 564, rows);
    ASSERT_TRUE(p.hasText);
    EXPECT_EQ(p.titleX, 40);
    EXPECT_EQ(p.titleY, 141);
    EXPECT_EQ(p.titleHeight, 92);  // trunc(402 * 0.7 / 6) * 2
    EXPECT_EQ(p.frame.left, 20);
    EXPECT_EQ(p.frame.top, 141 - 46);
    EXPECT_EQ(p.frame.right, 402 - 20);
    EXPECT_EQ(p.frame.bottom, 141 + 138);
    EXPECT_EQ(p.authorHeight, 28);  // trunc(564 / 20)
    EXPECT_EQ(p.authorY, 423);
    EXPECT_EQ(p.authorX, 402 - 140 - 40);  // right-aligned, a byte as half a height

    // No title: fewer than two rows, or an empty first row.
    EXPECT_FALSE(PlanCoverText(402, 564, RowList{Sjis("羅生門")}).hasText);
    EXPECT_FALSE(PlanCoverText(402, 564, RowList{"", Sjis("著者")}).hasText);
    EXPECT_FALSE(PlanCoverText(402, 564, RowList{}).hasText);
    // An empty author row is allowed.
    EXPECT_TRUE(PlanCoverText(402, 564, RowList{"T", ""}).hasText);
}

TEST(CoverText, FaceNameDropsTheFirstCharacter) {
    EXPECT_EQ(CoverFaceName("@ＭＳ ゴシック"), "ＭＳ ゴシック");
    EXPECT_EQ(CoverFaceName("ＭＳ 明朝"), "Ｓ 明朝");  // a whole character, never half of one
    EXPECT_EQ(CoverFaceName(""), "");
}

TEST(CoverShading, StripFallsToBlackBesideTheFace) {
    // Face 240 wide: n = 12; S(1) 254, S(6) 192, S(12) black.
    Bitmap front(24, 10, 0xFFFFFF);
    ShadeCoverStrip(front, 240, 0xFFFFFF, CoverSide::Front);
    EXPECT_EQ(front.Pixel(11, 5), 0xFEFEFEu);  // i = 1 at x = n - 1
    EXPECT_EQ(front.Pixel(6, 9), 0xC0C0C0u);   // i = 6
    EXPECT_EQ(front.Pixel(0, 0), 0x000000u);   // i = 12 at x = 0
    EXPECT_EQ(front.Pixel(12, 0), 0xFFFFFFu);

    Bitmap back(24, 10, 0xFFFFFF);
    ShadeCoverStrip(back, 240, 0xFFFFFF, CoverSide::Back);
    EXPECT_EQ(back.Pixel(13, 5), 0xFEFEFEu);  // i = 1 at width - n + 1
    EXPECT_EQ(back.Pixel(23, 5), (255 - 121 * 255 / 144) * 0x010101u);
    EXPECT_EQ(back.Pixel(12, 5), 0xFFFFFFu);

    // Each byte is scaled on its own.
    Bitmap coloured(24, 1, 0);
    ShadeCoverStrip(coloured, 240, 0x00FF80, CoverSide::Front);
    EXPECT_EQ(coloured.Pixel(6, 0), MakeColor(128 - 36 * 128 / 144, 255 - 36 * 255 / 144, 0));
    // A face narrower than 20 pixels gives no shading.
    Bitmap narrow(5, 5, 0xFFFFFF);
    ShadeCoverStrip(narrow, 19, 0xFFFFFF, CoverSide::Front);
    EXPECT_EQ(narrow.Pixel(0, 0), 0xFFFFFFu);
}

int CountInk(const Bitmap& b, const Rect& r, Color background) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += b.Pixel(x, y) != background;
    return n;
}

TEST(CoverDrawing, FrontCoverWithAndWithoutTitle) {
    const RowList rows{Sjis("羅生門"), Sjis("芥川龍之介"), ""};
    CoverStyle style;
    style.coverColor = 0xE0F0FF;
    style.fontName = "@ＭＳ ゴシック";
    VerticalFont font;
    Bitmap face, strip;
    DrawFrontCover(face, 402, 564, strip, 40, 564, rows, style, font);
    ASSERT_EQ(face.Width(), 402);
    ASSERT_EQ(strip.Width(), 40);
    const CoverTextPlan p = PlanCoverText(402, 564, rows);
    // Frame corners in black, title ink inside the frame, author ink right of its x.
    EXPECT_EQ(face.Pixel(p.frame.left, p.frame.top), 0u);
    EXPECT_EQ(face.Pixel(p.frame.right - 1, p.frame.bottom - 1), 0u);
    EXPECT_GT(CountInk(face, Rect{p.titleX, p.titleY, 402 - 21, p.titleY + 92}, 0xE0F0FF), 500);
    EXPECT_GT(CountInk(face, Rect{p.authorX, p.authorY, 402, p.authorY + 28}, 0xE0F0FF), 100);
    EXPECT_EQ(CountInk(face, Rect{0, 0, 402, p.frame.top}, 0xE0F0FF), 0);
    EXPECT_EQ(strip.Pixel(0, 100), 0u);
    EXPECT_EQ(strip.Pixel(39, 100), 0xE0F0FFu);

    // A first row that is empty: a plain face.
    DrawFrontCover(face, 402, 564, strip, 40, 564, RowList{"", Sjis("著者"), ""}, style, font);
    EXPECT_EQ(CountInk(face, Rect{0, 0, 402, 564}, 0xE0F0FF), 0);
    // A one-character title gives a huge font; an enormous one a zero height: no crash.
    DrawFrontCover(face, 402, 564, strip, 40, 564, RowList{"A", "B"}, style, font);
    DrawFrontCover(face, 402, 564, strip, 40, 564, RowList{std::string(2000, 'x'), "B"}, style,
                   font);
}

TEST(CoverDrawing, BackCoverIsPlainWithItsStripShaded) {
    CoverStyle style;
    style.coverColor = 0xFFFFFF;
    Bitmap face, strip;
    DrawBackCover(face, 442, 564, strip, 40, 564, style);
    EXPECT_EQ(face.Width(), 442);
    EXPECT_EQ(CountInk(face, Rect{0, 0, 442, 564}, 0xFFFFFF), 0);
    // n = trunc(442 / 20) = 22: darkest line (i = 21) at x = 40 - 22 + 21 = 39.
    EXPECT_EQ(strip.Pixel(39, 0), (255 - 441 * 255 / 484) * 0x010101u);
    EXPECT_EQ(strip.Pixel(18, 0), 0xFFFFFFu);
}

}  // namespace
}  // namespace mirvo
