#include "viewer/page_turn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

namespace mirvo {
namespace {

constexpr Color kOldLeft = 0x000011, kOldRight = 0x000022, kNewLeft = 0x003300,
                kNewRight = 0x440000;

// Records what the window would see: every repaint as a snapshot of both visible pages,
// every pause, the sound.
class RecordingHost : public PageTurnHost {
  public:
    RecordingHost(const Bitmap& left, const Bitmap& right) : left_(left), right_(right) {}
    void PlayTurnSound() override { events.push_back("sound"); }
    void Repaint(bool left, bool right) override {
        events.push_back("repaint");
        frames.push_back({left_, right_});
        dirty.push_back(std::string(left ? "L" : "") + (right ? "R" : ""));
    }
    void WaitMilliseconds(int ms) override { events.push_back("wait " + std::to_string(ms)); }

    struct Frame {
        Bitmap left, right;
    };
    std::vector<std::string> events;
    std::vector<Frame> frames;
    std::vector<std::string> dirty;  // the pages each repaint was told had changed

  private:
    const Bitmap& left_;
    const Bitmap& right_;
};

// Columns [from, to) of row 0 that hold colour c.
int CountColumns(const Bitmap& b, Color c, int from = 0, int to = -1) {
    if (to < 0) to = b.Width();
    int n = 0;
    for (int x = from; x < to; ++x) n += b.Pixel(x, 0) == c;
    return n;
}

struct Fixture {
    Bitmap left{120, 60, kOldLeft}, right{120, 60, kOldRight};
    Bitmap leftBuf{120, 60, kNewLeft}, rightBuf{120, 60, kNewRight};
    Bitmap temp;
    PageTurnPictures Pictures() { return {left, right, leftBuf, rightBuf, temp, 120, 120, 60}; }
};

TEST(PageTurn, ForwardFramesInOrder) {
    Fixture f;
    RecordingHost host(f.left, f.right);
    PageTurnPictures p = f.Pictures();
    PlayPageTurn('R', 150, p, host);
    const std::vector<std::string> expected = {"sound",   "repaint", "wait 50", "repaint",
                                               "wait 50", "wait 50", "repaint", "wait 50",
                                               "repaint", "wait 50", "repaint"};
    EXPECT_EQ(host.events, expected);
    // Each repaint names only the pages that changed; frame 3's left page goes with frame 4.
    EXPECT_EQ(host.dirty, (std::vector<std::string>{"L", "L", "LR", "R", "R"}));
    ASSERT_EQ(host.frames.size(), 5u);
    // Frame 1: new left page in the first quarter (trunc(120/4 + .5) = 30), old left
    // squeezed into the rest; right page untouched.
    EXPECT_EQ(CountColumns(host.frames[0].left, kNewLeft), 30);
    EXPECT_EQ(CountColumns(host.frames[0].left, kOldLeft, 30), 90);
    EXPECT_EQ(CountColumns(host.frames[0].right, kOldRight), 120);
    // Frame 2: two thirds (from 40).
    EXPECT_EQ(CountColumns(host.frames[1].left, kNewLeft), 40);
    EXPECT_EQ(CountColumns(host.frames[1].left, kOldLeft, 40), 80);
    // Frame 4 (third repaint): left complete, new right page in x 0..80 over the old one.
    EXPECT_EQ(CountColumns(host.frames[2].left, kNewLeft), 120);
    EXPECT_EQ(CountColumns(host.frames[2].right, kNewRight, 0, 80), 80);
    EXPECT_EQ(CountColumns(host.frames[2].right, kOldRight, 80), 40);
    // Frame 5: 0..90.
    EXPECT_EQ(CountColumns(host.frames[3].right, kNewRight), 90);
    // Frame 6: the buffers.
    EXPECT_EQ(host.frames[4].left, f.leftBuf);
    EXPECT_EQ(host.frames[4].right, f.rightBuf);
    EXPECT_EQ(f.left, f.leftBuf);
    EXPECT_EQ(f.right, f.rightBuf);
}

TEST(PageTurn, BackwardFramesInOrder) {
    Fixture f;
    RecordingHost host(f.left, f.right);
    PageTurnPictures p = f.Pictures();
    PlayPageTurn('L', 200, p, host);
    // Frame 3 is repainted on its own (forward it waits for frame 4).
    const std::vector<std::string> expected = {"sound",  "repaint", "wait 0", "repaint",
                                               "wait 0", "repaint", "wait 0", "repaint",
                                               "wait 0", "repaint", "wait 0", "repaint"};
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(host.dirty, (std::vector<std::string>{"R", "R", "R", "L", "L", "L"}));
    ASSERT_EQ(host.frames.size(), 6u);
    // Frame 1: old right squeezed into x 0..90, the new right page after it.
    EXPECT_EQ(CountColumns(host.frames[0].right, kOldRight, 0, 90), 90);
    EXPECT_EQ(CountColumns(host.frames[0].right, kNewRight, 90), 30);
    EXPECT_EQ(CountColumns(host.frames[0].left, kOldLeft), 120);
    // Frame 2: 0..80.
    EXPECT_EQ(CountColumns(host.frames[1].right, kOldRight), 80);
    // Frame 3: right complete, left still old.
    EXPECT_EQ(host.frames[2].right, f.rightBuf);
    EXPECT_EQ(CountColumns(host.frames[2].left, kOldLeft), 120);
    // Frame 4: new left page in x 40..120 over the old; frame 5 from 30.
    EXPECT_EQ(CountColumns(host.frames[3].left, kOldLeft, 0, 40), 40);
    EXPECT_EQ(CountColumns(host.frames[3].left, kNewLeft, 40), 80);
    EXPECT_EQ(CountColumns(host.frames[4].left, kNewLeft), 90);
    EXPECT_EQ(host.frames[5].left, f.leftBuf);
}

TEST(PageTurn, NoTurnSwapsAtOnceButPlaysTheSound) {
    for (auto [dir, speed] : {std::pair{'N', 100}, std::pair{'R', 0}, std::pair{'L', 0}}) {
        Fixture f;
        RecordingHost host(f.left, f.right);
        PageTurnPictures p = f.Pictures();
        PlayPageTurn(dir, speed, p, host);
        EXPECT_EQ(host.events, (std::vector<std::string>{"sound", "repaint"})) << dir;
        EXPECT_EQ(f.left, f.leftBuf);
        EXPECT_EQ(f.right, f.rightBuf);
    }
}

TEST(PageTurn, PauseOfExtremeSpeedsNeverOverflowsNorHoldsTheWindow) {
    // 200 - ChangeSpeed for settings far outside the slider's range (a hand-edited file):
    // no overflow, and the pauses of a whole turn add up to a second at the most, both ways.
    for (auto [speed, wait] :
         {std::pair{INT_MIN, 200}, std::pair{INT_MIN + 200, 200}, std::pair{-1000, 200},
          std::pair{-800, 200}, std::pair{-500, 200}, std::pair{-1, 200}, std::pair{10, 190},
          std::pair{150, 50}, std::pair{INT_MAX, -2147483447}}) {
        for (const char direction : {'R', 'L'}) {
            Fixture f;
            RecordingHost host(f.left, f.right);
            PageTurnPictures p = f.Pictures();
            PlayPageTurn(direction, speed, p, host);
            long long total = 0;
            int pauses = 0;
            for (const std::string& e : host.events) {
                if (e.rfind("wait ", 0) != 0) continue;
                EXPECT_EQ(e, "wait " + std::to_string(wait)) << speed << direction;
                total += std::max(0, std::stoi(e.substr(5)));
                ++pauses;
            }
            EXPECT_EQ(pauses, 5);
            EXPECT_LE(total, kMaxTurnWait) << speed << direction;
        }
    }
    EXPECT_EQ(kMaxTurnWait, 1000);
}

TEST(PageTurn, UnknownDirectionTurnsForward) {
    Fixture f;
    RecordingHost host(f.left, f.right);
    PageTurnPictures p = f.Pictures();
    PlayPageTurn('x', 100, p, host);
    EXPECT_EQ(host.events.size(), 11u);
    EXPECT_EQ(CountColumns(host.frames[0].left, kNewLeft), 30);
}

TEST(PageTurn, FoldsOverSmallerCoverPictures) {
    // From the front cover: the visible pictures are the cover face and a narrow strip,
    // while the controls already have the spread's geometry. Frames over the strip are cut
    // to its width; nothing is drawn outside a picture.
    Fixture f;
    f.left.Create(100, 60, kOldLeft);
    f.right.Create(10, 60, kOldRight);
    RecordingHost host(f.left, f.right);
    PageTurnPictures p = f.Pictures();
    PlayPageTurn('R', 200, p, host);
    ASSERT_EQ(host.frames.size(), 5u);
    EXPECT_EQ(host.frames[2].right.Width(), 10);
    EXPECT_EQ(CountColumns(host.frames[2].right, kNewRight), 10);
    EXPECT_EQ(f.right, f.rightBuf);
}

TEST(PageTurn, WaitIsABusyWaitOnAMonotonicClock) {
    using Clock = std::chrono::steady_clock;
    auto t0 = Clock::now();
    WaitMilliseconds(1);
    WaitMilliseconds(-5);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(1));
    t0 = Clock::now();
    WaitMilliseconds(20);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(20));
}

}  // namespace
}  // namespace mirvo
