// Requests that reach the reader from outside its window: books handed over by later
// copies, files dropped on the window, the desktop session's requests to save and to quit.
// None is carried out inside another: each waits until the reader is free (no step of the
// core runs, no modal window, pop-up menu or nested event loop is up, as while the error
// window waits for the reader in the middle of an opening), then they are carried out one
// at a time in the order they came. A quit goes first: it closes the modal windows that
// wait for the reader, lets the interrupted step finish, and then drops what still waits;
// a modal window that comes up while the reader closes is closed too.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>

namespace mirvo::ui {

class RequestQueue : public QObject {
    Q_OBJECT
  public:
    struct Actions {
        std::function<bool()> coreBusy;                          // a step of the core runs
        std::function<void(const std::string&)> openHandedOver;  // save, then open
        std::function<void(const std::string&)> openDropped;     // ask, then open
        std::function<void()> save;                              // settings and book state
        std::function<void()> quit;                              // close the reader
    };
    explicit RequestQueue(Actions actions, QObject* parent = nullptr);

    // `done` runs once the book is open or its failure reported.
    void AddHandOff(const std::string& path, std::function<void()> done);
    void AddDrop(const std::string& path);
    void AddSave();
    void RequestQuit();

    // A book waits to be opened (and no quit is asked for).
    bool BookWaiting() const;
    bool QuitRequested() const { return quit_; }
    // The reader is not free for a request now.
    bool ReaderBusy() const;

  private:
    struct Request {
        enum class Kind { HandOff, Drop, Save } kind;
        std::string path;
        std::function<void()> done;
    };
    void Add(Request request);
    void Pump();

    Actions actions_;
    std::deque<Request> waiting_;
    QTimer timer_;
    bool running_ = false;
    bool quit_ = false;
    bool closing_ = false;  // the quit is being carried out
};

}  // namespace mirvo::ui
