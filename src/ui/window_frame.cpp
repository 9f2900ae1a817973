#include "ui/window_frame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QToolBar>
#include <algorithm>

namespace mirvo::ui {
namespace {

constexpr Qt::WindowStates kNotNormal =
    Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;

// The smallest window the stored bounds may ask for: the menus and a spread still fit.
constexpr QSize kMinimumOuterSize(320, 240);

// `from` .. `from + length` placed inside `lo` .. `hi` (with `length` no longer than it).
long long Inside(long long from, long long length, long long lo, long long hi) {
    return std::clamp(from, lo, std::max(lo, hi - length));
}

}  // namespace

void NormalBounds::Follow(const QRect& frame, const QRect& client) {
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    if (!margins.isNull()) margins_ = margins;
    const QRect outer = client.marginsAdded(margins_);
    if (outer == normal_) return;
    beforeNormal_ = normal_;
    normal_ = outer;
}

void NormalBounds::LeftNormalState(const QRect& frame, const QRect& client,
                                   const QRect& available) {
    const QRect now = frame == client ? client.marginsAdded(margins_) : frame;
    if (normal_ == now && normal_.contains(available)) normal_ = beforeNormal_;
}

QRect BoundedOuterBounds(const WindowBounds& stored, const QRect& available, const QSize& minimum) {
    // In 64 bits: the stored numbers may be anything an int holds.
    const long long width = std::clamp<long long>(
        stored.Width, std::min(minimum.width(), available.width()), available.width());
    const long long height = std::clamp<long long>(
        stored.Height, std::min(minimum.height(), available.height()), available.height());
    const long long left =
        Inside(stored.Left, width, available.left(), available.left() + available.width());
    const long long top =
        Inside(stored.Top, height, available.top(), available.top() + available.height());
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                 static_cast<int>(height));
}

WindowFrame::WindowFrame(QMainWindow* window, QList<QToolBar*> toolBars, QWidget* statusArea,
                         std::function<void()> formResize,
                         std::function<void(const std::string&)> report)
    : QObject(window),
      w_(window),
      toolBars_(std::move(toolBars)),
      statusArea_(statusArea),
      formResize_(std::move(formResize)),
      report_(std::move(report)) {
    w_->installEventFilter(this);
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched != w_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            if (w_->isVisible() && !(w_->windowState() & kNotNormal))
                normal_.Follow(w_->frameGeometry(), w_->geometry());
            break;
        case QEvent::WindowStateChange:
            // A window system may size the window to the screen before it says that the
            // window is maximised.
            if ((w_->windowState() & kNotNormal) && w_->screen())
                normal_.LeftNormalState(w_->frameGeometry(), w_->geometry(),
                                        w_->screen()->availableGeometry());
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

bool WindowFrame::ShowNormalState() {
    const bool wasMaximised = w_->isMaximized();
    w_->showNormal();
    return wasMaximised;
}

WindowBounds WindowFrame::OuterBounds() {
    const QRect r = normal_.Known() ? normal_.Outer() : w_->frameGeometry();
    told_ = r;
    return WindowBounds{r.top(), r.left(), r.width(), r.height()};
}

void WindowFrame::ShowFullScreen() {
    w_->showFullScreen();
}

void WindowFrame::ShowMaximised() {
    w_->showMaximized();
}

void WindowFrame::SetOuterBounds(const WindowBounds& b) {
    // The screen the stored place lies on, or the window's own.
    QScreen* screen = QGuiApplication::screenAt(
        QPoint(std::clamp(b.Left, -(1 << 24), 1 << 24), std::clamp(b.Top, -(1 << 24), 1 << 24)));
    if (!screen) screen = w_->screen();
    if (!screen) return;
    // The screen's area, and the bounds the window had when they were last asked for
    // (which may reach past it).
    const QRect area = screen->availableGeometry().united(told_);
    const QRect outer = BoundedOuterBounds(b, area, kMinimumOuterSize);
    w_->setGeometry(outer.marginsRemoved(normal_.Margins()));
}

void WindowFrame::SetToolBarsVisible(bool visible) {
    for (QToolBar* bar : toolBars_) bar->setVisible(visible);
}

void WindowFrame::SetStatusAreaHeight(int height) {
    statusArea_->setFixedHeight(height);
}

void WindowFrame::FormResize() {
    formResize_();
}

void WindowFrame::ReportException(const std::string& message) {
    report_(message);
}

}  // namespace mirvo::ui
