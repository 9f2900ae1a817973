#include "render/zoom_out.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace mirvo {
namespace {

Bitmap RandomPicture(int w, int h, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w * 3; ++x) b.Row(y)[x] = static_cast<std::uint8_t>(rng());
    }
    return b;
}

TEST(ShrinkBitmap, HalvesAPageBuffer) {
    Bitmap page(600, 840, MakeColor(10, 20, 30));
    ShrinkBitmap(page, 0.5);
    EXPECT_EQ(page.Width(), 300);
    EXPECT_EQ(page.Height(), 420);
    EXPECT_EQ(page.Pixel(299, 419), MakeColor(10, 20, 30));
}

TEST(ShrinkBitmap, OddWidthUsesRoundedStepAndPartialPixel) {
    // 601 pixels into 300: one destination pixel weighs 131290 and pixel 0 covers source
    // pixels 0 and 1 and 218/65536 of pixel 2.
    for (auto* shrink : {&ShrinkBitmap, &ShrinkBitmapReference}) {
        Bitmap row(601, 2, MakeColor(0, 0, 0));
        for (int y = 0; y < 2; ++y) {
            row.SetPixel(0, y, MakeColor(200, 255, 0));
            row.SetPixel(1, y, MakeColor(200, 255, 0));
            row.SetPixel(2, y, MakeColor(255, 0, 0));
        }
        shrink(row, 0.5);
        ASSERT_EQ(row.Width(), 300);
        ASSERT_EQ(row.Height(), 1);
        // (65536 * 400 + 218 * 255) / 131290 = 200; without the partial pixel it is 199.
        EXPECT_EQ(RedOf(row.Pixel(0, 0)), 200);
        // 65536 * 510 / 131290 = 254: the step is not 131072.
        EXPECT_EQ(GreenOf(row.Pixel(0, 0)), 254);
    }
}

TEST(ShrinkBitmap, TruncatesTheMean) {
    // Width pass first: trunc((255 + 254) / 2) on each row, then the rows.
    Bitmap block(2, 2);
    block.SetPixel(0, 0, 0xFFFFFF);
    block.SetPixel(0, 1, 0xFFFFFF);
    block.SetPixel(1, 0, 0xFEFEFE);
    block.SetPixel(1, 1, 0xFEFEFE);
    ShrinkBitmap(block, 0.5);
    ASSERT_EQ(block.Width(), 1);
    EXPECT_EQ(block.Pixel(0, 0), 0xFEFEFEu);

    // Halving with the width first differs from halving with the height first.
    Bitmap order(2, 2);
    order.SetPixel(0, 0, 1);
    order.SetPixel(1, 0, 2);
    order.SetPixel(0, 1, 1);
    order.SetPixel(1, 1, 0);
    ShrinkBitmap(order, 0.5);
    EXPECT_EQ(RedOf(order.Pixel(0, 0)), 0);  // (trunc(3/2) + trunc(1/2)) / 2
}

TEST(ShrinkBitmap, UniformPicturesStayUniformOrFallSlightly) {
    for (int w : {64, 65, 301, 7}) {
        for (int h : {40, 41, 3}) {
            for (std::uint8_t v : {0, 1, 128, 254, 255}) {
                Bitmap b(w, h, MakeColor(v, v, v));
                ShrinkBitmap(b, 0.5);
                const bool even = w % 2 == 0 && h % 2 == 0;
                for (int y = 0; y < b.Height(); ++y) {
                    for (int x = 0; x < b.Width(); ++x) {
                        const int got = RedOf(b.Pixel(x, y));
                        if (even) {
                            ASSERT_EQ(got, v) << w << "x" << h;
                        } else {
                            ASSERT_LE(got, v) << w << "x" << h;
                            ASSERT_GE(got, v - 2) << w << "x" << h;
                        }
                    }
                }
            }
        }
    }
}

TEST(ShrinkBitmap, FastPathsMatchTheTwoPassesByteForByte) {
    std::uint32_t seed = 1;
    const int sizes[][2] = {{2, 2},   {3, 3},   {4, 6},   {5, 7},   {16, 9},    {17, 33},  {64, 64},
                            {65, 63}, {130, 2}, {1, 200}, {601, 5}, {1540, 12}, {99, 101}, {31, 48},
                            {48, 31}, {200, 1}, {52, 10}, {36, 4},  {86, 6}};
    for (const auto& s : sizes) {
        for (double factor : {0.5, 0.25, 0.37, 0.8, 1.0}) {
            const Bitmap source = RandomPicture(s[0], s[1], seed++);
            Bitmap fast = source, reference = source;
            ShrinkBitmap(fast, factor);
            ShrinkBitmapReference(reference, factor);
            ASSERT_EQ(fast.Width(), reference.Width());
            ASSERT_EQ(fast.Height(), reference.Height());
            ASSERT_TRUE(fast == reference) << s[0] << "x" << s[1] << " by " << factor;
        }
    }
}

TEST(ShrinkBitmap, DegenerateInputs) {
    Bitmap empty;
    ShrinkBitmap(empty, 0.5);
    EXPECT_TRUE(empty.Empty());

    // Nothing is left of a one-pixel line halved.
    Bitmap line(1, 50, 0xFFFFFF);
    ShrinkBitmap(line, 0.5);
    EXPECT_TRUE(line.Empty());

    // Factors outside (0, 1] do not enlarge or wipe the picture.
    const Bitmap original = RandomPicture(10, 10, 7);
    for (double factor : {2.0, 0.0, -0.5}) {
        Bitmap b = original;
        ShrinkBitmap(b, factor);
        EXPECT_TRUE(b == original) << factor;
    }

    // A strong reduction sums far more than 32 bits hold: 200 x 200 pixels per result.
    Bitmap wide(2000, 400, 0xFFFFFF);
    ShrinkBitmap(wide, 0.005);
    ASSERT_EQ(wide.Width(), 10);
    ASSERT_EQ(wide.Height(), 2);
    EXPECT_EQ(wide.Pixel(9, 1), 0xFFFFFFu);
}

TEST(ShrinkBitmap, WithoutWorkMemoryKeepsTheCutCopy) {
    const Bitmap source = RandomPicture(41, 31, 9);
    Bitmap cut = source;
    cut.SetSize(20, 15);
    SimulateWorkTableShortage(true);
    Bitmap fast = source, reference = source, even = RandomPicture(40, 30, 10);
    const Bitmap evenSource = even;
    ShrinkBitmap(fast, 0.5);
    ShrinkBitmapReference(reference, 0.5);
    ShrinkBitmap(even, 0.5);  // halving needs no tables
    SimulateWorkTableShortage(false);
    EXPECT_TRUE(fast == cut);
    EXPECT_TRUE(reference == cut);
    Bitmap halved = evenSource;
    ShrinkBitmapReference(halved, 0.5);
    EXPECT_TRUE(even == halved);
}

TEST(ShrinkPasses, RefuseDestinationsOfTheWrongShape) {
    const Bitmap source = RandomPicture(8, 8, 3);
    Bitmap tallerDst(4, 9, 0x123456);
    ShrinkWidth(source, tallerDst);
    EXPECT_EQ(tallerDst.Pixel(0, 0), 0x123456u);
    Bitmap widerDst(9, 4, 0x123456);
    ShrinkHeight(source, widerDst);
    EXPECT_EQ(widerDst.Pixel(0, 0), 0x123456u);

    Bitmap rows(8, 3);
    ShrinkHeight(source, rows);  // 8 rows into 3: every column averaged alike
    Bitmap columns(3, 8);
    ShrinkWidth(source, columns);
    EXPECT_NE(rows.Pixel(0, 0), 0u);
    EXPECT_NE(columns.Pixel(0, 0), 0u);
}

}  // namespace
}  // namespace mirvo
