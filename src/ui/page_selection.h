// The marks on the pages in the main window: the find hit's band and the text selected by
// dragging over the pages (app/page_marks.h holds them), shown over the page pictures in
// the system's selection colour, and the selection copied to the clipboards.
#pragma once

#include <QObject>

#include "app/page_marks.h"

namespace mirvo {
class Reader;
}

namespace mirvo::ui {

class BookArea;

class PageSelection : public QObject {
    Q_OBJECT
  public:
    // Follows the presses and drags over `book`'s pages; `core` is the reader they show.
    PageSelection(const Reader& core, BookArea* book, QObject* parent);

    // The hit of the search just made is banded.
    void ShowHit(const FindHit& hit);
    // The pictures on screen or the view changed: marks of a spread no longer on show go.
    void PicturesChanged();
    // Escape: the marks go. False when there were none.
    bool Clear();
    // Puts the selection, as it reads, on the clipboard and the primary selection. False
    // when nothing is selected.
    bool Copy() const;

  private:
    void ShowBands();

    const Reader& core_;
    BookArea* book_;
    PageMarks marks_;
};

}  // namespace mirvo::ui
