// What the reader marks on the spread on show: the hit of the last search and the text
// selected with the mouse, each drawn as a translucent band in the selection colour over
// copies of the page pictures (the pictures themselves stay as drawn). The window keeps one
// beside the reader, shows the banded copies while there are any, and hands the selection
// to the clipboard.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/book_find.h"
#include "render/bitmap.h"
#include "viewer/navigation.h"
#include "viewer/text_bands.h"

namespace mirvo {

class Reader;

class PageMarks {
  public:
    // The band's colour (the system's selection colour).
    void SetBandColor(Color color) { color_ = color; }

    // Bands the cells of `hit` that lie on the spread on show; the selection goes.
    void MarkHit(const Reader& reader, const FindHit& hit);
    // A press at pixel (x, y) of the page image `sender`: where a selection would start.
    // Nothing is marked yet (a click turns the page).
    void Press(const Reader& reader, PageRequester sender, double x, double y);
    // The pointer dragged from the press to pixel (x, y) of `sender`: the characters from
    // the press to here are selected; a hit's band goes.
    void DragTo(const Reader& reader, PageRequester sender, double x, double y);
    // Whether characters are selected, and their text as it reads (UTF-8, no markup).
    bool HasSelection() const;
    std::string SelectedText(const Reader& reader) const;
    // Nothing marked.
    void Clear();

    // The pictures on screen changed: marks made on another spread (or on none: a cover,
    // the contents page) go; the bands are drawn again over the pictures on show. True when
    // something is (still) marked.
    bool Refresh(const Reader& reader);
    // The picture of page `side` with its band, or null when that page has none.
    const Bitmap* Picture(PageRequester side) const;

  private:
    bool OnSpread(const Reader& reader) const;
    void Draw(const Reader& reader);

    Color color_ = 0xD77800;  // a blue, until the window gives its own
    int page_ = 0;            // the spread the marks belong to (its right page)
    std::vector<SourceCell> hit_;
    std::optional<TextPoint> press_;
    std::optional<TextPoint> focus_;  // set once the pointer dragged
    Bitmap pictures_[2];              // right, left
    bool banded_[2] = {false, false};
};

}  // namespace mirvo
