#include "viewer/page_turn.h"

#include <algorithm>
#include <chrono>

namespace mirvo {
namespace {

// trunc(x + 0.5) for the non-negative fractions of a page width used by the frames.
int Round(double x) {
    return static_cast<int>(x + 0.5);
}

// Remembers which visible pages changed since the last repaint.
class Repainter {
  public:
    explicit Repainter(PageTurnHost& host) : host_(host) {}
    void Left() { left_ = true; }
    void Right() { right_ = true; }
    void operator()() {
        host_.Repaint(left_, right_);
        left_ = right_ = false;
    }

  private:
    PageTurnHost& host_;
    bool left_ = false, right_ = false;
};

// Draws `leaf` stretched into columns [a, b) over the full height of `page`'s control.
void Squeeze(Bitmap& page, const Bitmap& leaf, int a, int b, int height) {
    if (leaf.Empty() || b <= a || height <= 0) return;
    StretchDraw(page, Rect{a, 0, b, height}, leaf);
}

void TurnForward(PageTurnPictures& p, PageTurnHost& host, int delay) {
    const int wl = p.leftWidth, wr = p.rightWidth, h = p.height;
    Repainter repaint(host);
    // 1: the old left page, three quarters wide, against the spine.
    p.temp = p.leftPage;
    p.leftPage = p.leftBuf;
    Squeeze(p.leftPage, p.temp, Round(wl / 4.0), wl, h);
    repaint.Left();
    repaint();
    host.WaitMilliseconds(delay);
    // 2: two thirds wide.
    p.leftPage = p.leftBuf;
    Squeeze(p.leftPage, p.temp, Round(wl / 3.0), wl, h);
    repaint.Left();
    repaint();
    host.WaitMilliseconds(delay);
    // 3: the new left page complete; it reaches the screen with frame 4.
    p.leftPage = p.leftBuf;
    repaint.Left();
    host.WaitMilliseconds(delay);
    // 4: the new right page grows out of the spine over the old one.
    p.temp = p.rightBuf;
    Squeeze(p.rightPage, p.temp, 0, Round(2.0 * wr / 3.0), h);
    repaint.Right();
    repaint();
    host.WaitMilliseconds(delay);
    // 5
    Squeeze(p.rightPage, p.temp, 0, Round(3.0 * wr / 4.0), h);
    repaint.Right();
    repaint();
    host.WaitMilliseconds(delay);
    // 6
    p.rightPage = p.rightBuf;
    repaint.Right();
    repaint();
}

void TurnBackward(PageTurnPictures& p, PageTurnHost& host, int delay) {
    const int wl = p.leftWidth, wr = p.rightWidth, h = p.height;
    Repainter repaint(host);
    // 1: the old right page, three quarters wide, against the spine.
    p.temp = p.rightPage;
    p.rightPage = p.rightBuf;
    Squeeze(p.rightPage, p.temp, 0, Round(3.0 * wr / 4.0), h);
    repaint.Right();
    repaint();
    repaint();
    host.WaitMilliseconds(delay);
    // 2: two thirds wide.
    p.rightPage = p.rightBuf;
    Squeeze(p.rightPage, p.temp, 0, Round(2.0 * wr / 3.0), h);
    repaint.Right();
    repaint();
    host.WaitMilliseconds(delay);
    // 3: the new right page complete.
    p.rightPage = p.rightBuf;
    repaint.Right();
    repaint();
    host.WaitMilliseconds(delay);
    // 4: the new left page grows out of the spine over the old one.
    p.temp = p.leftBuf;
    Squeeze(p.leftPage, p.temp, Round(wl / 3.0), wl, h);
    repaint.Left();
    repaint();
    host.WaitMilliseconds(delay);
    // 5
    Squeeze(p.leftPage, p.temp, Round(wl / 4.0), wl, h);
    repaint.Left();
    repaint();
    host.WaitMilliseconds(delay);
    // 6
    p.leftPage = p.leftBuf;
    repaint.Left();
    repaint();
}

}  // namespace

void PlayPageTurn(char direction, int changeSpeed, PageTurnPictures& p, PageTurnHost& host) {
    host.PlayTurnSound();
    if (changeSpeed == 0 || direction == 'N') {
        p.rightPage = p.rightBuf;
        p.leftPage = p.leftBuf;
        host.Repaint(true, true);
        return;
    }
    // 200 - ChangeSpeed in 64 bits: a hand-edited setting far below zero must not
    // overflow. The pause is held to a second, so that such a setting slows the turn down
    // (five seconds at the most) but never holds the window for minutes or weeks.
    const long long wide = 200LL - changeSpeed;
    const int delay = static_cast<int>(std::min<long long>(wide, kMaxPageDelay));
    if (direction == 'L')
        TurnBackward(p, host, delay);
    else
        TurnForward(p, host, delay);
}

void WaitMilliseconds(int ms) {
    if (ms <= 1) return;
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
    }
}

}  // namespace mirvo
