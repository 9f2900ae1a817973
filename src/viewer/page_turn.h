// Putting a finished spread on the visible page images: at once, or with the six-frame
// turn of the leaf. The frames draw only onto the visible pictures; the window is asked
// to repaint, to pause and to play the sound through PageTurnHost.
#pragma once

#include "render/bitmap.h"

namespace mirvo {

// What only the window can do for the page turn.
class PageTurnHost {
  public:
    virtual ~PageTurnHost() = default;
    // Starts "Change.WAV" asynchronously; dropped while a sound is still playing.
    virtual void PlayTurnSound() = 0;
    // Repaints the window at once, so that the current frame is on screen. `left` and
    // `right` tell which visible pages changed since the last repaint; the others need not
    // be drawn again.
    virtual void Repaint(bool left, bool right) = 0;
    // Pauses the thread for `ms` milliseconds without handling window messages.
    virtual void WaitMilliseconds(int ms) = 0;
};

// The pictures the turn works on. `leftPage` and `rightPage` are the visible pictures: on
// entry they still hold the previous spread (or the cover pictures, whatever their size);
// on return they equal the buffers. The widths and the height are those of the page image
// controls, which may differ from the pictures they hold.
struct PageTurnPictures {
    Bitmap& leftPage;
    Bitmap& rightPage;
    const Bitmap& leftBuf;
    const Bitmap& rightBuf;
    Bitmap& temp;  // the leaf being turned
    int leftWidth = 0;
    int rightWidth = 0;
    int height = 0;
};

// 'R' forward (the left leaf turns over to the right), 'L' backward, 'N' no turn. Any other
// direction counts as 'R'. `changeSpeed` 0 swaps at once; otherwise every frame is followed
// by a pause of 200 - changeSpeed milliseconds (none for the last), at most kMaxPageDelay:
// the longest pause of the dialog's speeds (0 to 200), so that the five pauses of a turn
// add up to at most kMaxTurnWait, whatever a hand-edited setting says.
inline constexpr int kMaxPageDelay = 200;
inline constexpr int kMaxTurnWait = 5 * kMaxPageDelay;
void PlayPageTurn(char direction, int changeSpeed, PageTurnPictures& p, PageTurnHost& host);

// Busy-waits on a monotonic clock until at least `ms` milliseconds have passed; returns at
// once for 1 or less. Handles no messages.
void WaitMilliseconds(int ms);

}  // namespace mirvo
