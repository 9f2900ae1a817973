#include "render/bitmap.h"

#include <gtest/gtest.h>

namespace mirvo {
namespace {

// Pixel (x, y) holds a colour made of its coordinates.
Bitmap Numbered(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, MakeColor(x, y, 77));
    }
    return b;
}

TEST(BitmapStretch, RepeatsAndDropsPixels) {
    const Bitmap src = Numbered(4, 2);
    Bitmap up(8, 4);
    StretchDraw(up, Rect{0, 0, 8, 4}, src);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(RedOf(up.Pixel(x, 3)), x / 2);
    EXPECT_EQ(GreenOf(up.Pixel(0, 1)), 0);
    EXPECT_EQ(GreenOf(up.Pixel(0, 2)), 1);

    Bitmap down(2, 1);
    StretchDraw(down, Rect{0, 0, 2, 1}, src);
    EXPECT_EQ(RedOf(down.Pixel(0, 0)), 0);  // source columns 0 and 2; 1 and 3 dropped
    EXPECT_EQ(RedOf(down.Pixel(1, 0)), 2);

    // Partly outside the destination: the visible part keeps its mapping.
    Bitmap clipped(4, 4, 0xFFFFFF);
    StretchDraw(clipped, Rect{-4, 0, 4, 2}, src);
    EXPECT_EQ(RedOf(clipped.Pixel(0, 0)), 2);
    EXPECT_EQ(clipped.Pixel(0, 2), 0xFFFFFFu);
}

TEST(BitmapStretch, TransparentKeyShowsTheGround) {
    Bitmap src(2, 2, MakeColor(1, 2, 3));
    src.SetPixel(1, 1, MakeColor(200, 0, 0));
    Bitmap dst(4, 4, MakeColor(9, 9, 9));
    StretchDrawTransparent(dst, Rect{0, 0, 4, 4}, src, MakeColor(1, 2, 3));
    EXPECT_EQ(dst.Pixel(0, 0), MakeColor(9, 9, 9));
    EXPECT_EQ(dst.Pixel(3, 3), MakeColor(200, 0, 0));
    EXPECT_EQ(dst.Pixel(2, 2), MakeColor(200, 0, 0));
}

TEST(BitmapCopy, ClipsOnBothPicturesAndOverlapsSafely) {
    const Bitmap src = Numbered(5, 5);
    Bitmap dst(4, 4, 0xFFFFFF);
    CopyRect(dst, -1, 2, src, 0, 0, 10, 10);
    EXPECT_EQ(dst.Pixel(0, 2), MakeColor(1, 0, 77));
    EXPECT_EQ(dst.Pixel(3, 3), MakeColor(4, 1, 77));
    EXPECT_EQ(dst.Pixel(0, 1), 0xFFFFFFu);
    CopyRect(dst, 0, 0, src, -2, -2, 3, 3);  // only source (0, 0) lies inside
    EXPECT_EQ(dst.Pixel(2, 2), MakeColor(0, 0, 77));
    EXPECT_EQ(dst.Pixel(1, 1), 0xFFFFFFu);

    Bitmap self = Numbered(6, 6);
    CopyRect(self, 0, 1, self, 0, 0, 6, 5);  // shifted down within itself
    EXPECT_EQ(self.Pixel(3, 5), MakeColor(3, 4, 77));
    EXPECT_EQ(self.Pixel(3, 1), MakeColor(3, 0, 77));
}

TEST(BitmapLines, EndPointLeftOutAndClipped) {
    Bitmap b(10, 10);
    b.Line(1, 1, 5, 1, 0xFFFFFF);
    EXPECT_EQ(b.Pixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(4, 1), 0xFFFFFFu);
    EXPECT_EQ(b.Pixel(5, 1), 0u);
    b.Line(2, 9, 2, 3, 0x0000FF);
    EXPECT_EQ(b.Pixel(2, 4), 0x0000FFu);
    EXPECT_EQ(b.Pixel(2, 3), 0u);
    b.VerticalLine(10, 0, 10, 0xFFFFFF);  // outside: nothing
    b.VerticalLine(9, -5, 100, 0x00FF00);
    EXPECT_EQ(b.Pixel(9, 0), 0x00FF00u);
    EXPECT_EQ(b.Pixel(9, 9), 0x00FF00u);
}

TEST(BitmapReshape, KeepsMemoryAndRefusesGrowth) {
    Bitmap b(10, 10, 0xFFFFFF);
    EXPECT_TRUE(b.Reshape(5, 4));
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 4);
    EXPECT_EQ(b.Stride(), 16);
    EXPECT_FALSE(b.Reshape(100, 100));
    EXPECT_EQ(b.Width(), 5);
    EXPECT_TRUE(b.Reshape(0, 7));
    EXPECT_TRUE(b.Empty());
}

}  // namespace
}  // namespace mirvo
