// Wheel movement made into page turns. (The keys, and the window modes, are driven through
// the real window in the window tests.)
#include <gtest/gtest.h>

#include "app/page_keys.h"

namespace mirvo {
namespace {

TEST(PageKeys, WheelMovementMakesWholeTurns) {
    WheelTurns wheel;
    EXPECT_EQ(wheel.Add(-120), 1);  // a notch down: forward
    EXPECT_EQ(wheel.Add(120), -1);
    EXPECT_EQ(wheel.Add(-360), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(wheel.Add(-40), i == 2 ? 1 : 0);  // a touchpad
    EXPECT_EQ(wheel.Add(-100), 0);
    EXPECT_EQ(wheel.Add(90), 0);  // back the other way before it made a notch
    EXPECT_EQ(wheel.Add(-110), 1);
    EXPECT_EQ(wheel.Add(2147483647), -17895697);  // no overflow, whatever the device sends
}

}  // namespace
}  // namespace mirvo
