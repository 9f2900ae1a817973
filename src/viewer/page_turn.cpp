#include "viewer/page_turn.h"

#include <algorithm>
#include <chrono>
#include <iterator>

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

// The six frames of a turn, the same both ways. The leaf leaves the "from" page (the left
// page going forward, the right one going back) and lands on the "to" page; it is drawn
// against the spine, `num`/`den` of the page wide.
enum class Side { From, To };
enum class Leaf {
    None,
    OldPage,  // the page as shown before the frame becomes the leaf
    Kept,     // the leaf of the frame before
    NewPage,  // the new spread's page of this side becomes the leaf
};
struct Frame {
    Side side;
    bool fromBuffer;  // the page starts again from the new spread's page
    Leaf leaf;
    int num, den;
    bool repaintForward, repaintBackward;  // forward, the third frame shows with the fourth
};
constexpr Frame kFrames[] = {
    {Side::From, true, Leaf::OldPage, 3, 4, true, true},
    {Side::From, true, Leaf::Kept, 2, 3, true, true},
    {Side::From, true, Leaf::None, 0, 1, false, true},
    {Side::To, false, Leaf::NewPage, 2, 3, true, true},
    {Side::To, false, Leaf::Kept, 3, 4, true, true},
    {Side::To, true, Leaf::None, 0, 1, true, true},
};

// Draws `f` onto its page; returns whether that page is the left one.
bool DrawFrame(const Frame& f, bool forward, PageTurnPictures& p) {
    const bool left = (f.side == Side::From) == forward;
    Bitmap& page = left ? p.leftPage : p.rightPage;
    const Bitmap& buf = left ? p.leftBuf : p.rightBuf;
    const int w = left ? p.leftWidth : p.rightWidth;
    if (f.leaf == Leaf::OldPage) p.temp = page;
    if (f.leaf == Leaf::NewPage) p.temp = buf;
    if (f.fromBuffer) page = buf;
    if (f.leaf == Leaf::None) return left;
    // The spine is the left page's right edge and the right page's left edge.
    if (left)
        Squeeze(page, p.temp, Round(static_cast<double>(f.den - f.num) * w / f.den), w, p.height);
    else
        Squeeze(page, p.temp, 0, Round(static_cast<double>(f.num) * w / f.den), p.height);
    return left;
}

void Turn(bool forward, PageTurnPictures& p, PageTurnHost& host, int delay) {
    Repainter repaint(host);
    const std::size_t n = std::size(kFrames);
    for (std::size_t i = 0; i < n; ++i) {
        const Frame& f = kFrames[i];
        if (DrawFrame(f, forward, p))
            repaint.Left();
        else
            repaint.Right();
        if (forward ? f.repaintForward : f.repaintBackward) repaint();
        if (i + 1 < n) host.WaitMilliseconds(delay);
    }
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
    // overflow. The pause is held to the longest the dialog's speeds give, so that the
    // pauses of a whole turn never hold the window longer than kMaxTurnWait.
    const long long wide = 200LL - changeSpeed;
    const int delay = static_cast<int>(std::min<long long>(wide, kMaxPageDelay));
    Turn(direction != 'L', p, host, delay);
}

void WaitMilliseconds(int ms) {
    if (ms <= 1) return;
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
    }
}

}  // namespace mirvo
