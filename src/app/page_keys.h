// The keys and the mouse wheel that turn pages on the view page. SPACE goes forward and BS
// back; for a book bound on the right, whose pages run from right to left, the Left arrow
// and PageDown go forward too, the Right arrow and PageUp back, Home shows the front cover
// and End the back cover. The wheel turns one spread a notch, down forward. All of them act
// only while the window previews keys (the view page), as SPACE and BS do.
#pragma once

namespace mirvo {

class Reader;

// The keys the window tells the core about; the window maps its toolkit's key codes to
// these by name.
enum class ReaderKey { Other, Space, Backspace, Left, Right, PageUp, PageDown, Home, End };

enum class PageCommand { None, Forward, Backward, FrontCover, BackCover };

PageCommand PageCommandForKey(ReaderKey key);

// Forward and Backward move one spread as a click on the left or the right page does;
// the covers show at once, without a turn.
void RunPageCommand(Reader& reader, PageCommand command);

// Turns wheel movement into page turns. A notch of an ordinary wheel is 120 (eighths of a
// degree, positive away from the reader); finer wheels and touchpads send parts of a notch,
// which add up until they make one.
class WheelTurns {
  public:
    static constexpr int kNotch = 120;
    // Adds a vertical movement; answers the spreads to turn: positive forward, negative
    // backward.
    int Add(int angleDelta);

  private:
    int rest_ = 0;
};

}  // namespace mirvo
