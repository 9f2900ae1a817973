#include "ui/book_area.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/page_image.h"

namespace mirvo::ui {

BookArea::BookArea(const Bitmap& base, const Bitmap& left, const Bitmap& right, QWidget* parent)
    : QWidget(parent) {
    setObjectName("pnlBase");
    // Its one-pixel rim is its own face: nothing drawn there before shows through.
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    imgBase_ = new PictureWidget(base, this);
    imgBase_->setObjectName("imgBase");
    layout->addWidget(imgBase_);
    connect(imgBase_, &PictureWidget::resized, this, &BookArea::pictureAreaResized);

    lblRightPageNo_ = new QLabel(imgBase_);
    lblRightPageNo_->setObjectName("lblRightPageNo");
    lblLeftPageNo_ = new QLabel(imgBase_);
    lblLeftPageNo_->setObjectName("lblLeftPageNo");

    ntbBase_ = new QStackedWidget(imgBase_);
    ntbBase_->setObjectName("ntbBase");
    BuildViewPage(left, right);
    BuildContentsPage();
    ntbBase_->setCurrentIndex(0);
}

void BookArea::BuildViewPage(const Bitmap& left, const Bitmap& right) {
    auto* panel = new QWidget;
    panel->setObjectName("Panel1");
    panel->setWindowTitle(QStringLiteral("ビュー"));
    imgLeftPage_ = new PictureWidget(left, panel);
    imgLeftPage_->setObjectName("imgLeftPage");
    imgRightPage_ = new PictureWidget(right, panel);
    imgRightPage_->setObjectName("imgRightPage");
    for (const PageRequester side : {PageRequester::LeftPage, PageRequester::RightPage}) {
        PictureWidget* page = Page(side);
        page->setCursor(Qt::PointingHandCursor);
        page->setMouseTracking(true);
        // A click takes the keys from the find bar, so that Ctrl+C copies from the pages.
        page->setFocusPolicy(Qt::ClickFocus);
        page->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(page, &PictureWidget::clicked, this, [this, side] { emit pageClicked(side); });
        connect(page, &PictureWidget::pressed, this, [this, side, page](const QPointF& at) {
            emit pagePressed(side, page->PicturePixelAt(at));
        });
        connect(page, &PictureWidget::dragged, this,
                [this](const QPointF& global) { Dragged(global); });
        connect(page, &PictureWidget::mouseMoved, this,
                [this, side](const QPointF& at, const QPointF& global) {
                    emit pageMouseMoved(side, at, global);
                });
    }
    ntbBase_->addWidget(panel);
}

void BookArea::BuildContentsPage() {
    stgPageList_ = new QTableWidget(0, 3);
    stgPageList_->setObjectName("stgPageList");
    stgPageList_->setWindowTitle(QStringLiteral("目次"));
    stgPageList_->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("目 次"), QStringLiteral("ページ")});
    stgPageList_->verticalHeader()->hide();
    stgPageList_->setShowGrid(false);
    stgPageList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    stgPageList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    stgPageList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The mark and page columns keep their widths; the text column takes the rest of the
    // book area's width, so the three always fit it and nothing scrolls sideways.
    QHeaderView* columns = stgPageList_->horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(1);
    columns->setSectionResizeMode(0, QHeaderView::Fixed);
    columns->setSectionResizeMode(1, QHeaderView::Stretch);
    columns->setSectionResizeMode(2, QHeaderView::Fixed);
    stgPageList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stgPageList_->setFrameShape(QFrame::NoFrame);
    stgPageList_->setContextMenuPolicy(Qt::CustomContextMenu);
    stgPageList_->installEventFilter(this);
    connect(stgPageList_, &QTableWidget::cellDoubleClicked, this, &BookArea::contentsRowChosen);
    ntbBase_->addWidget(stgPageList_);
}

PictureWidget* BookArea::Page(PageRequester page) const {
    return page == PageRequester::LeftPage ? imgLeftPage_ : imgRightPage_;
}

void BookArea::SetMenus(QMenu* pages, QMenu* contents) {
    for (PictureWidget* page : {imgLeftPage_, imgRightPage_})
        connect(page, &QWidget::customContextMenuRequested, pages,
                [pages, page](const QPoint& at) { pages->popup(page->mapToGlobal(at)); });
    connect(stgPageList_, &QWidget::customContextMenuRequested, contents,
            [this, contents](const QPoint& at) {
                contents->popup(stgPageList_->viewport()->mapToGlobal(at));
            });
}

void BookArea::SetBandedPages(const Bitmap* left, const Bitmap* right) {
    imgLeftPage_->SetBanded(left);
    imgRightPage_->SetBanded(right);
}

void BookArea::Dragged(const QPointF& global) {
    // Left of the right page the left page takes over; beyond a page's edges its places
    // hold the pointer to its text.
    const bool left = global.x() < imgRightPage_->mapToGlobal(QPointF(0, 0)).x();
    PictureWidget* page = left ? imgLeftPage_ : imgRightPage_;
    emit pageDragged(left ? PageRequester::LeftPage : PageRequester::RightPage,
                     page->PicturePixelAt(page->mapFromGlobal(global)));
}

qreal BookArea::Ratio() const {
    return DeviceRatio(imgBase_);
}

QSize BookArea::PictureSize() const {
    // The core lays out and draws in device pixels.
    const qreal ratio = Ratio();
    return QSize(qRound(imgBase_->width() * ratio), qRound(imgBase_->height() * ratio));
}

void BookArea::PlaceBook(const QRectF& book, const QRectF& left, const QRectF& right) {
    const qreal ratio = Ratio();
    ntbBase_->setGeometry(CoveringLogicalRect(book, ratio));
    const QPointF bookInNotebook = book.topLeft() - QPointF(ntbBase_->pos()) * ratio;
    imgLeftPage_->PlaceOnDevicePixels(left.translated(bookInNotebook));
    imgRightPage_->PlaceOnDevicePixels(right.translated(bookInNotebook));
    lblLeftPageNo_->clear();
    lblRightPageNo_->clear();
}

void BookArea::ShowPage(int index) {
    ntbBase_->setCurrentIndex(index);
}

void BookArea::RepaintPages(bool left, bool right) {
    if (right) imgRightPage_->repaint();
    if (left) imgLeftPage_->repaint();
}

void BookArea::UpdateDesk() {
    imgBase_->update();
}

void BookArea::ShowContents(const std::vector<ContentsLine>& lines) {
    stgPageList_->clearContents();
    stgPageList_->setRowCount(static_cast<int>(lines.size()) + 1);
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const ContentsLine& line = lines[static_cast<std::size_t>(r)];
        stgPageList_->setItem(r, 0, new QTableWidgetItem(line.mark));
        stgPageList_->setItem(r, 1, new QTableWidgetItem(line.caption));
        stgPageList_->setItem(r, 2, new QTableWidgetItem(line.page));
    }
    const int h = ContentsRowHeight();
    stgPageList_->verticalHeader()->setDefaultSectionSize(h);
    stgPageList_->setColumnWidth(0, h);
    stgPageList_->setColumnWidth(2, 3 * h);
}

int BookArea::ContentsRowHeight() const {
    return QFontInfo(stgPageList_->font()).pixelSize() + 4;
}

int BookArea::SelectedContentsRow() const {
    return stgPageList_->currentRow();
}

bool BookArea::OnPictureArea(const QWidget* widget) const {
    return widget && (widget == imgBase_ || imgBase_->isAncestorOf(widget));
}

QPointF BookArea::PicturePixelAt(PageRequester page, const QPointF& position) const {
    return Page(page)->PicturePixelAt(position);
}

bool BookArea::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a row of the contents opens its page, as a double-click does.
    if (watched == stgPageList_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit contentsRowChosen();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace mirvo::ui
