// The footnote pop-up's hit test: which circled mark (if any) lies under the pointer on a
// page image, read from the text the renderer recorded for that page. Plain arithmetic;
// the window maps the mouse and shows the note.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "format/extra_chars.h"
#include "format/page_layout.h"

namespace mirvo {

// A position on the page grid: the renderer's text block with its 5 % margin and 90 %
// scale undone, so that 0 <= x <= W and 0 <= y <= H cover the text block.
struct GridPoint {
    double x = 0;
    double y = 0;
};

// Undoes the text-block mapping of the renderer (X = 0.05 W + 0.9 x + shift): the pixel
// (X, Y) of a page image `width` x `height` as a grid position. `blockShift` is how far the
// renderer moved the page's text block across (TextBlockShift: a typeset left page).
GridPoint PageToGrid(double X, double Y, int width, int height, int blockShift = 0);

// What the pointer means for the pop-up.
enum class FootnoteAction {
    Keep,  // a margin slot, past the end of a row, outside the rows or the grid: no change
    Hide,  // ordinary text
    Show,  // a footnote mark: show FootnoteList entry `index`
};

struct FootnoteHit {
    FootnoteAction action = FootnoteAction::Keep;
    std::size_t index = 0;
    // Show for an extra character from an annotation: the annotation's text (CP932), shown
    // in place of FootnoteList entry `index`.
    const std::string* note = nullptr;
};

// The page and what was drawn on it.
struct FootnotePage {
    int width = 0, height = 0;                  // the page image's pixels
    PageLayout layout;                          // the layout the page was drawn with
    const std::vector<std::string>& pageText;   // RightPageText or LeftPageText (CP932)
    const std::vector<std::string>& footnotes;  // FootnoteList (CP932)
    const ExtraChars* extras = nullptr;         // the book's extra characters, if any
};

// The hit test at grid position `p`: row slot trunc((W - x) x (R + 1) / W) counted from
// the right edge, byte position trunc(y x (B + 1) / H) + 1 along the row. Only the upper
// cell of a mark finds it. A mark character that does not start a character of its row
// (the second byte of one character and the first of the next) is ordinary text, and so
// is a mark without a note to show (a circled number typed in the text, an empty note).
// An extra character that came from an annotation (a gaiji note) shows that annotation, as
// a mark does, from its upper cell.
FootnoteHit FindFootnoteMark(const FootnotePage& page, GridPoint p);

// Width of the pop-up for a note of `textBytes` CP932 bytes with a label font
// `fontHeight` pixels high: trunc(L x |h| / 1.7).
int FootnotePopupWidth(std::size_t textBytes, int fontHeight);

}  // namespace mirvo
