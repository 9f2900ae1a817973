#include "render/surfaces.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "render/color.h"

namespace mirvo {
namespace {

constexpr Color kGround = MakeColor(0, 200, 0);  // page content the finishing leaves alone

Color Grey(int v) {
    return MakeColor(v, v, v);
}

FinishOptions WhitePages(int leftImageWidth) {
    FinishOptions o;
    o.PageColor = StringToColor("clWhite");
    o.LeftPageImageWidth = leftImageWidth;
    return o;
}

// Every row of column x holds `c`.
void ExpectColumn(const Bitmap& b, int x, Color c) {
    for (int y = 0; y < b.Height(); ++y) {
        ASSERT_EQ(b.Pixel(x, y), c) << "x " << x << " y " << y;
    }
}

TEST(FinishSpread, GutterAndForeEdgeOfWhitePages) {
    Bitmap left(240, 30, kGround), right(240, 30, kGround);
    FinishSpread(left, right, WhitePages(240));  // band n = 12, 6 stripes

    // Left page: the gutter is its right edge, S(i) at x = 228 + i.
    ExpectColumn(left, 228, kGround);
    ExpectColumn(left, 229, Grey(254));  // S(1) = 255 - trunc(255 / 144)
    ExpectColumn(left, 234, Grey(192));  // S(6) = 255 - trunc(36 * 255 / 144)
    ExpectColumn(left, 239, Grey(255 - 121 * 255 / 144));
    // Right page: the gutter is its left edge, S(i) at x = 12 - i, black at the edge.
    ExpectColumn(right, 0, Grey(0));
    ExpectColumn(right, 6, Grey(192));
    ExpectColumn(right, 11, Grey(254));
    ExpectColumn(right, 12, kGround);

    // Fore-edges: dark at the very edge, then light, six lines.
    for (int i = 1; i <= 6; ++i) {
        const Color stripe = i % 2 ? Grey(127) : Grey(255);
        ExpectColumn(left, i - 1, stripe);
        ExpectColumn(right, 240 - i, stripe);
    }
    ExpectColumn(left, 6, kGround);
    ExpectColumn(right, 233, kGround);
}

TEST(FinishSpread, ColourBytesKeepTheirPlaces) {
    Bitmap left(80, 4, kGround), right(80, 4, kGround);
    FinishOptions o = WhitePages(80);          // n = 4, 2 stripes
    o.PageColor = StringToColor("$000080FF");  // red 255, green 128, blue 0
    FinishSpread(left, right, o);
    EXPECT_EQ(left.Pixel(0, 0), MakeColor(127, 64, 0));
    EXPECT_EQ(left.Pixel(1, 0), MakeColor(255, 128, 0));
    // S(2) of n = 4: each byte minus trunc(4 * byte / 16).
    EXPECT_EQ(right.Pixel(2, 3), MakeColor(255 - 63, 128 - 32, 0));
}

TEST(FinishSpread, OneColourTextureShadesLikeThatPageColour) {
    const Color colour = MakeColor(201, 97, 33);
    const Bitmap texture(13, 7, colour);
    EXPECT_EQ(TextureChannelAverage(texture, 'R'), 33);  // byte C1: blue of a plain colour
    EXPECT_EQ(TextureChannelAverage(texture, 'G'), 97);
    EXPECT_EQ(TextureChannelAverage(texture, 'B'), 201);

    Bitmap l1(200, 9, kGround), r1(200, 9, kGround), l2 = l1, r2 = r1;
    FinishOptions byTexture = WhitePages(200);
    byTexture.UsePageTexture = true;
    byTexture.PageTexture = &texture;
    FinishSpread(l1, r1, byTexture);
    FinishOptions byColour = WhitePages(200);
    byColour.PageColor = colour;
    FinishSpread(l2, r2, byColour);
    EXPECT_TRUE(l1 == l2);
    EXPECT_TRUE(r1 == r2);
    EXPECT_EQ(l1.Pixel(0, 0), MakeColor(100, 48, 16));
}

TEST(FinishSpread, AliasReducesFirstSoLinesStaySharp) {
    Bitmap left(480, 40, Grey(255)), right(480, 40, Grey(255));
    FinishOptions o = WhitePages(240);
    o.Alias = true;
    FinishSpread(left, right, o);
    ASSERT_EQ(left.Width(), 240);
    ASSERT_EQ(left.Height(), 20);
    ASSERT_EQ(right.Width(), 240);
    ExpectColumn(left, 228, Grey(255));
    ExpectColumn(left, 229, Grey(254));
    ExpectColumn(left, 0, Grey(127));
    ExpectColumn(left, 1, Grey(255));
    ExpectColumn(right, 0, Grey(0));
    ExpectColumn(right, 1, Grey(255 - 121 * 255 / 144));
    ExpectColumn(right, 239, Grey(127));
}

TEST(FinishSpread, NarrowPagesSystemColoursAndBadColours) {
    Bitmap left(19, 5, kGround), right(19, 5, kGround);
    FinishSpread(left, right, WhitePages(19));  // no band, no stripes
    ExpectColumn(left, 18, kGround);
    ExpectColumn(right, 0, kGround);

    Bitmap l(40, 5, kGround), r(40, 5, kGround);
    FinishOptions o = WhitePages(40);
    o.PageColor = StringToColor("clBtnFace");  // the classic scheme's 0xC0C0C0
    FinishSpread(l, r, o);
    EXPECT_EQ(l.Pixel(0, 0), Grey(96));
    EXPECT_EQ(r.Pixel(0, 0), Grey(0));

    // Texture wanted but none given: the page colour serves.
    Bitmap tl(40, 5, kGround), tr(40, 5, kGround);
    o.UsePageTexture = true;
    FinishSpread(tl, tr, o);
    EXPECT_EQ(tl.Pixel(0, 0), Grey(96));

    o.UsePageTexture = false;
    // Drawing cannot fail on a colour: a system colour without a scheme value is black.
    o.PageColor = kSystemColorBase + 0xFF;
    EXPECT_NO_THROW(FinishSpread(l, r, o));

    Bitmap emptyL, emptyR;
    FinishSpread(emptyL, emptyR, WhitePages(240));
    EXPECT_TRUE(emptyL.Empty());
}

TEST(TextureChannelAverage, SamplesEightByEightByDroppingPixels) {
    // Columns alternate black and white: the 8 x 8 sample takes only even columns.
    Bitmap stripes(16, 16, 0);
    for (int x = 1; x < 16; x += 2) stripes.FillRect(Rect{x, 0, x + 1, 16}, Grey(255));
    EXPECT_EQ(TextureChannelAverage(stripes, 'G'), 0);
    // A quarter of the samples white: 255 / 4 truncated.
    Bitmap corner(8, 8, 0);
    corner.FillRect(Rect{0, 0, 4, 4}, Grey(255));
    EXPECT_EQ(TextureChannelAverage(corner, 'B'), 63);
    EXPECT_EQ(TextureChannelAverage(Bitmap(), 'R'), 0);
}

TEST(TileTexture, RepeatsAcrossAndDownAndCuts) {
    Bitmap texture(7, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) texture.SetPixel(x, y, MakeColor(x * 30, y * 50, 9));
    }
    Bitmap target(3, 3, 0xFFFFFF);
    TileTexture(target, 30, 12, texture);
    ASSERT_EQ(target.Width(), 30);
    ASSERT_EQ(target.Height(), 12);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 30; ++x) ASSERT_EQ(target.Pixel(x, y), texture.Pixel(x % 7, y % 5));
    }
    // A texture larger than the target shows its top-left part.
    const Bitmap big = BuiltInPageTexture();
    TileTexture(target, 10, 10, big);
    EXPECT_EQ(target.Pixel(9, 9), big.Pixel(9, 9));
}

TEST(TileTexture, EmptyTexturesAndTargets) {
    Bitmap target;
    TileTexture(target, 50, 40, Bitmap());  // must not loop: the target is black
    ASSERT_EQ(target.Width(), 50);
    EXPECT_EQ(target.Pixel(49, 39), 0u);
    TileTexture(target, 0, 40, BuiltInBaseTexture());
    EXPECT_TRUE(target.Empty());
}

TEST(BuiltInTextures, SizesMeansAndRanges) {
    struct Expect {
        Bitmap texture;
        int w, h, mean[3], below[3];  // mean r, g, b; largest spread below the maximum
    } cases[] = {
        {BuiltInPageTexture(), 100, 90, {244, 235, 203}, {48, 48, 48}},
        {BuiltInBaseTexture(), 64, 64, {207, 165, 123}, {170, 170, 170}},
    };
    for (const Expect& e : cases) {
        ASSERT_EQ(e.texture.Width(), e.w);
        ASSERT_EQ(e.texture.Height(), e.h);
        double sum[3] = {0, 0, 0};
        int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
        for (int y = 0; y < e.h; ++y) {
            for (int x = 0; x < e.w; ++x) {
                const Color c = e.texture.Pixel(x, y);
                const int v[3] = {RedOf(c), GreenOf(c), BlueOf(c)};
                for (int k = 0; k < 3; ++k) {
                    sum[k] += v[k];
                    low[k] = std::min(low[k], v[k]);
                    high[k] = std::max(high[k], v[k]);
                }
            }
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(sum[k] / (e.w * e.h), e.mean[k], 1.0) << e.w << " channel " << k;
            EXPECT_LE(high[k] - low[k], e.below[k]) << e.w << " channel " << k;
            EXPECT_GE(high[k] - low[k], 20) << "a texture, not a flat colour";
        }
    }
    EXPECT_TRUE(BuiltInPageTexture() == BuiltInPageTexture());
}

}  // namespace
}  // namespace mirvo
