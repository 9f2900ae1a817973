#include "ui/window_frame.h"

#include <QEvent>
#include <QScreen>
#include <QToolBar>
#include <cstdio>

#include "ui/main_form.h"

namespace mirvo::ui {
namespace {

constexpr Qt::WindowStates kNotNormal =
    Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;

}  // namespace

WindowFrame::WindowFrame(TfrmMirvoMainForm* window) : QObject(window), w_(window) {
    w_->installEventFilter(this);
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
                FollowNormalBounds();
                break;
            case QEvent::WindowStateChange:
                // A window system may size the window to the screen before it says that
                // the window is maximised: those bounds were never the normal ones.
                if ((w_->windowState() & kNotNormal) && normal_ == w_->frameGeometry() &&
                    w_->screen() && normal_.contains(w_->screen()->availableGeometry()))
                    normal_ = beforeNormal_;
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowFrame::FollowNormalBounds() {
    if (!w_->isVisible() || (w_->windowState() & kNotNormal)) return;
    const QRect frame = w_->frameGeometry();
    if (frame == normal_) return;
    beforeNormal_ = normal_;
    normal_ = frame;
    // A window that has just left the full screen may not know its frame yet: keep the
    // last one.
    const QRect client = w_->geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    if (!margins.isNull()) margins_ = margins;
}

bool WindowFrame::ShowNormalState() {
    const bool wasMaximised = w_->isMaximized();
    w_->showNormal();
    return wasMaximised;
}

WindowBounds WindowFrame::OuterBounds() {
    const QRect r = normal_.isValid() ? normal_ : w_->frameGeometry();
    return WindowBounds{r.top(), r.left(), r.width(), r.height()};
}

void WindowFrame::ShowFullScreen() {
    w_->showFullScreen();
}

void WindowFrame::ShowMaximised() {
    w_->showMaximized();
}

void WindowFrame::SetOuterBounds(const WindowBounds& b) {
    w_->setGeometry(b.Left + margins_.left(), b.Top + margins_.top(),
                    b.Width - margins_.left() - margins_.right(),
                    b.Height - margins_.top() - margins_.bottom());
}

void WindowFrame::SetToolBarsVisible(bool visible) {
    w_->tlbBookStand->setVisible(visible);
    w_->tlbBasic->setVisible(visible);
}

void WindowFrame::SetStatusAreaHeight(int height) {
    w_->pnlStatus->setFixedHeight(height);
}

void WindowFrame::FormResize() {
    w_->FormResize();
}

void WindowFrame::ReportException(const std::string& message) {
    w_->ReportException(message);
}

}  // namespace mirvo::ui
