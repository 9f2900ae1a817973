// The main window's book area (pnlBase): the picture area imgBase (the desk), and on it
// the notebook ntbBase with the view page (the two page images) and the contents page
// (the grid of headings and bookmarks). It shows the core's pictures where the core
// places them and tells the window what the reader does with the mouse and the grid.
#pragma once

#include <QPointF>
#include <QWidget>
#include <vector>

#include "render/bitmap.h"
#include "viewer/navigation.h"

class QLabel;
class QMenu;
class QStackedWidget;
class QTableWidget;

namespace mirvo::ui {

class PictureWidget;

// A line of the contents grid as shown.
struct ContentsLine {
    QString mark;
    QString caption;
    QString page;
};

class BookArea : public QWidget {
    Q_OBJECT
  public:
    // Shows `base` as the desk and `left` and `right` as the page images.
    BookArea(const Bitmap& base, const Bitmap& left, const Bitmap& right, QWidget* parent);

    // The picture area's size in device pixels, and its device pixel ratio.
    QSize PictureSize() const;
    qreal Ratio() const;
    // Places the notebook at `book` in the picture area and the page images at `left` and
    // `right` in the book, all in device pixels; the page numbers are cleared.
    void PlaceBook(const QRectF& book, const QRectF& left, const QRectF& right);
    // 0: the view page, 1: the contents page.
    void ShowPage(int index);
    void RepaintPages(bool left, bool right);
    void UpdateDesk();
    // The grid's entries, then the empty row that always ends it.
    void ShowContents(const std::vector<ContentsLine>& lines);
    // Height of a grid row: the window font's pixel height + 4.
    int ContentsRowHeight() const;
    // The grid's current row (0 = the first entry), -1 for none.
    int SelectedContentsRow() const;
    // `widget` is the picture area or lies on it.
    bool OnPictureArea(const QWidget* widget) const;
    // Where `position` of a page image lies on its picture, in the picture's pixels.
    QPointF PicturePixelAt(PageRequester page, const QPointF& position) const;
    // Shows `left` and `right` (null: none) in place of the page pictures: the pages with
    // their bands.
    void SetBandedPages(const Bitmap* left, const Bitmap* right);
    // The pop-up menus of the page images and of the grid.
    void SetMenus(QMenu* pages, QMenu* contents);

  signals:
    void pictureAreaResized();
    void pageClicked(PageRequester page);
    // The mouse moved over a page image: `position` in it, `globalPosition` on the screen.
    void pageMouseMoved(PageRequester page, const QPointF& position, const QPointF& globalPosition);
    // The left button went down on a page image, at `pixel` of its picture.
    void pagePressed(PageRequester page, const QPointF& pixel);
    // The pointer dragged with the button held from a press on a page image: over the page
    // it is on, or held to the pressed one, at `pixel` of that page's picture.
    void pageDragged(PageRequester page, const QPointF& pixel);
    // A row of the grid was double-clicked, or Enter pressed on it.
    void contentsRowChosen();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildViewPage(const Bitmap& left, const Bitmap& right);
    void BuildContentsPage();
    PictureWidget* Page(PageRequester page) const;
    void Dragged(const QPointF& global);

    PictureWidget* imgBase_;
    QLabel* lblLeftPageNo_;
    QLabel* lblRightPageNo_;
    QStackedWidget* ntbBase_;
    PictureWidget* imgLeftPage_ = nullptr;
    PictureWidget* imgRightPage_ = nullptr;
    QTableWidget* stgPageList_ = nullptr;
};

}  // namespace mirvo::ui
