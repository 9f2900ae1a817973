#include "viewer/spread_layout.h"

#include <gtest/gtest.h>

namespace mirvo {
namespace {

TEST(SpreadLayout, BookAreaCentredInThePictureArea) {
    const Rect a = LayoutBookArea(800, 600, 0.94);
    EXPECT_EQ(a.Height(), 564);
    EXPECT_EQ(a.Width(), 805);  // trunc(564 / 1.4 * 2)
    EXPECT_EQ(a.top, 18);
    EXPECT_EQ(a.left, -2);  // trunc(-2.5): wider than the area, truncated towards zero

    const Rect full = LayoutBookArea(1920, 1080, 1.0);
    EXPECT_EQ(full.Height(), 1080);
    EXPECT_EQ(full.Width(), 1542);
    EXPECT_EQ(full.top, 0);
    EXPECT_EQ(full.left, 189);

    const Rect hd = LayoutBookArea(1920, 1080, 0.94);
    EXPECT_EQ(hd.Height(), 1015);
    EXPECT_EQ(hd.Width(), 1450);
    EXPECT_EQ(hd.top, 32);  // trunc(0.06 * 1080 / 2) = trunc(32.4)
    EXPECT_EQ(hd.left, 235);
}

TEST(SpreadLayout, PageImagesAndBuffers) {
    const SpreadLayout l = LayoutSpread(800, 600, 0.94, false);
    EXPECT_EQ(l.leftImage.left, 0);
    EXPECT_EQ(l.leftImage.Width(), 403);  // trunc(805 / 2 + 0.5)
    EXPECT_EQ(l.rightImage.left, 403);
    EXPECT_EQ(l.rightImage.Width(), 403);
    EXPECT_EQ(l.rightImage.Height(), 564);
    EXPECT_EQ(l.leftBufWidth, 403);
    EXPECT_EQ(l.rightBufHeight, 564);

    const SpreadLayout a = LayoutSpread(800, 600, 0.94, true);
    EXPECT_EQ(a.leftBufWidth, 806);
    EXPECT_EQ(a.leftBufHeight, 1128);
    EXPECT_EQ(a.rightBufWidth, 806);
    EXPECT_EQ(a.rightBufHeight, 1128);
    EXPECT_EQ(a.rightImage.Width(), 403);  // the images keep their size

    // A picture area too small for a book gives empty, never negative, sizes.
    const SpreadLayout tiny = LayoutSpread(0, 0, 0.94, true);
    EXPECT_EQ(tiny.leftBufWidth, 0);
    EXPECT_EQ(tiny.rightImage.Height(), 0);
}

TEST(SpreadLayout, Covers) {
    const CoverLayout f = LayoutFrontCover(800, 600, 0.94);
    EXPECT_EQ(f.c, 402);
    EXPECT_EQ(f.s, 40);
    EXPECT_EQ(f.bookArea.left, 38);  // trunc(400 - 402 + 40.2)
    EXPECT_EQ(f.bookArea.top, 18);
    EXPECT_EQ(f.bookArea.Width(), 442);
    EXPECT_EQ(f.bookArea.Height(), 564);
    EXPECT_EQ(f.leftImage.left, 0);
    EXPECT_EQ(f.leftImage.Width(), 402);  // face
    EXPECT_EQ(f.rightImage.left, 402);
    EXPECT_EQ(f.rightImage.Width(), 40);  // strip
    EXPECT_EQ(f.rightImage.Height(), 564);
    EXPECT_TRUE(f.FaceIsLeft());

    const CoverLayout b = LayoutBackCover(800, 600, 0.94);
    EXPECT_EQ(b.bookArea.left, 359);  // trunc(400 - 40.2)
    EXPECT_EQ(b.bookArea.Width(), 442);
    EXPECT_EQ(b.leftImage.Width(), 40);    // strip
    EXPECT_EQ(b.rightImage.left, 40);      // face
    EXPECT_EQ(b.rightImage.Width(), 442);  // cut off at the book area's edge on screen
    EXPECT_FALSE(b.FaceIsLeft());

    const CoverLayout hd = LayoutFrontCover(1920, 1080, 1.0);
    EXPECT_EQ(hd.c, 771);
    EXPECT_EQ(hd.s, 77);
    EXPECT_EQ(hd.bookArea.left, 266);  // trunc(960 - 771 + 77.1)
    EXPECT_EQ(hd.bookArea.Width(), 848);
}

}  // namespace
}  // namespace mirvo
