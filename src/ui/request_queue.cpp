#include "ui/request_queue.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QWidget>

namespace mirvo::ui {

namespace {

// How often a waiting request looks whether the reader has become free.
constexpr int kRetryMs = 20;

// The main event loop is the first one; every further level is a modal window, a menu
// or a drag that runs its own loop until it returns.
bool NestedLoopRuns() {
    return QThread::currentThread()->loopLevel() > 1;
}

}  // namespace

RequestQueue::RequestQueue(Actions actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions)) {
    timer_.setInterval(kRetryMs);
    connect(&timer_, &QTimer::timeout, this, &RequestQueue::Pump);
}

void RequestQueue::AddHandOff(const std::string& path, std::function<void()> done) {
    Add({Request::Kind::HandOff, path, std::move(done)});
}

void RequestQueue::AddDrop(const std::string& path) {
    Add({Request::Kind::Drop, path, nullptr});
}

void RequestQueue::AddSave() {
    Add({Request::Kind::Save, {}, nullptr});
}

void RequestQueue::RequestQuit() {
    quit_ = true;
    timer_.start();
    QTimer::singleShot(0, this, &RequestQueue::Pump);
}

bool RequestQueue::BookWaiting() const {
    if (quit_) return false;
    for (const Request& r : waiting_)
        if (r.kind != Request::Kind::Save && !r.path.empty()) return true;
    return false;
}

bool RequestQueue::ReaderBusy() const {
    return running_ || actions_.coreBusy() || QApplication::activeModalWidget() ||
           QApplication::activePopupWidget() || NestedLoopRuns();
}

void RequestQueue::Add(Request request) {
    waiting_.push_back(std::move(request));
    timer_.start();
    // Carried out as soon as the event that brought it has returned.
    QTimer::singleShot(0, this, &RequestQueue::Pump);
}

void RequestQueue::Pump() {
    if (quit_) {
        // Windows that wait for the reader are answered as closed, so that the steps
        // behind them return; also while the reader closes, so that nothing it opens
        // then holds the end.
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        if (closing_ || ReaderBusy()) return;
        closing_ = true;
        waiting_.clear();  // their later copies see the connection end
        actions_.quit();
        timer_.stop();
        return;
    }
    if (waiting_.empty()) {
        timer_.stop();
        return;
    }
    if (ReaderBusy()) return;
    Request r = std::move(waiting_.front());
    waiting_.pop_front();
    running_ = true;
    switch (r.kind) {
        case Request::Kind::HandOff:
            actions_.openHandedOver(r.path);
            break;
        case Request::Kind::Drop:
            actions_.openDropped(r.path);
            break;
        case Request::Kind::Save:
            actions_.save();
            break;
    }
    running_ = false;
    if (r.done) r.done();
    if (!waiting_.empty() || quit_) QTimer::singleShot(0, this, &RequestQueue::Pump);
}

}  // namespace mirvo::ui
