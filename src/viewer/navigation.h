// The current-page model of the spread view: which page a click, a key, a menu command or
// the quick-jump scroll bar leads to, and what the spread display shows for a page. The
// window applies the results; nothing here draws.
#pragma once

#include <string>

namespace mirvo {

// The control that asked for a move. The menu command "next page" counts as a click on
// the left page, "previous page" as one on the right page.
enum class PageRequester { None, LeftPage, RightPage };

// What a page click does to `CurrentPage`.
struct PageMove {
    bool moved = false;      // false: backward on the front cover, forward on the back cover
    bool fromCover = false;  // the move starts on a cover (the spread geometry must be laid out)
    int page = 0;            // the new CurrentPage
};
PageMove MovePage(int currentPage, PageRequester sender, int pageCount);

// The turn animation for a requester: 'L' for the right page, 'R' for any other control,
// 'N' when nothing was clicked.
char TurnDirectionFor(PageRequester sender);

enum class SpreadKind { FrontCover, BackCover, Spread };
struct SpreadChoice {
    SpreadKind kind = SpreadKind::FrontCover;
    int page = -1;  // CurrentPage after the choice
};
// What the spread display shows for `currentPage`. Pages below 1 other than the front
// cover's -1 (page 0 after a backward move from an even page 2) show the front cover and
// become -1; pages past the last one show the back cover and become 9999.
SpreadChoice ChooseSpread(int currentPage, bool rowsEmpty, int pageCount);

// Text of status panel 0: "表紙", "裏表紙", or page "/" page count.
std::string PageIndicator(const SpreadChoice& choice, int pageCount);

// The quick-jump scroll bar runs against the page order: position = max - page + 1, kept
// within [min, max].
int ScrollPositionForPage(int page, int min, int max);

// What a scroll event does: on the front cover the thumb goes to max, on the back cover to
// min, and the page stays; otherwise the page follows the thumb (an even result goes one
// back, so spreads start on odd pages).
struct ScrollMove {
    int page = 0;      // the new CurrentPage
    int position = 0;  // where the thumb belongs
};
ScrollMove PageForScrollPosition(int currentPage, int position, int min, int max);

}  // namespace mirvo
