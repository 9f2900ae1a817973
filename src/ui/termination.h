// The signals that end a desktop program (SIGTERM at logout or shutdown, SIGHUP when its
// terminal goes, SIGINT for Ctrl-C) turned into an orderly close: the handler only writes
// to a pipe, and the event loop then calls the reader's own closing, which saves the book
// and the settings. A second signal while that runs ends the process at once.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace mirvo::ui {

class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; `onSignal` runs in the event loop for the first signal.
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

  private:
    void OnReadable();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool seen_ = false;
};

}  // namespace mirvo::ui
