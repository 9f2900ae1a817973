// Turning a page grey: every pixel takes exactly GreyLevel of its colour, over the whole
// range of each channel, and only the part asked for is taken.
#include <gtest/gtest.h>

#include "render/grey_image.h"

namespace mirvo {
namespace {

TEST(ToGrey, EveryPixelTakesItsGreyLevel) {
    // Each channel through all its values, against the others in several mixes.
    Bitmap page(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) page.SetPixel(x, y, MakeColor(x, y, (x * 7 + y * 13) & 255));
    }
    const GreyImage grey = ToGrey(page, Rect{0, 0, 256, 256});
    ASSERT_EQ(grey.pixels.size(), 256u * 256u);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const Color c = page.Pixel(x, y);
            ASSERT_EQ(grey.pixels[static_cast<std::size_t>(y) * 256 + x],
                      GreyLevel(RedOf(c), GreenOf(c), BlueOf(c)))
                << x << "," << y;
        }
    }
    // Every sum of the weights the extremes reach: white, black, each channel alone.
    for (const Color c : {0xFFFFFFu, 0u, 0xFFu, 0xFF00u, 0xFF0000u, 0x808080u}) {
        const GreyImage one = ToGrey(Bitmap(3, 1, c), Rect{1, 0, 2, 1});
        ASSERT_EQ(one.width, 1);
        EXPECT_EQ(one.pixels[0], GreyLevel(RedOf(c), GreenOf(c), BlueOf(c))) << c;
    }
}

}  // namespace
}  // namespace mirvo
