#include "ui/page_selection.h"

#include <QApplication>
#include <QClipboard>
#include <QPalette>

#include "app/reader.h"
#include "ui/book_area.h"

namespace mirvo::ui {

PageSelection::PageSelection(const Reader& core, BookArea* book, QObject* parent)
    : QObject(parent), core_(core), book_(book) {
    const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    marks_.SetBandColor(MakeColor(highlight.red(), highlight.green(), highlight.blue()));
    connect(book_, &BookArea::pagePressed, this, [this](PageRequester page, const QPointF& at) {
        marks_.Press(core_, page, at.x(), at.y());
    });
    connect(book_, &BookArea::pageDragged, this, [this](PageRequester page, const QPointF& at) {
        marks_.DragTo(core_, page, at.x(), at.y());
        ShowBands();
    });
}

void PageSelection::ShowHit(const FindHit& hit) {
    marks_.MarkHit(core_, hit);
    ShowBands();
}

void PageSelection::PicturesChanged() {
    marks_.Refresh(core_);
    ShowBands();
}

bool PageSelection::Clear() {
    const bool marked = marks_.Picture(PageRequester::LeftPage) ||
                        marks_.Picture(PageRequester::RightPage) || marks_.HasSelection();
    marks_.Clear();
    ShowBands();
    return marked;
}

bool PageSelection::Copy() const {
    const std::string text = marks_.SelectedText(core_);
    if (text.empty()) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QString::fromStdString(text), QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        clipboard->setText(QString::fromStdString(text), QClipboard::Selection);
    return true;
}

void PageSelection::ShowBands() {
    book_->SetBandedPages(marks_.Picture(PageRequester::LeftPage),
                          marks_.Picture(PageRequester::RightPage));
}

}  // namespace mirvo::ui
