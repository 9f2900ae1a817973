// One running copy per user, display and settings folder. The first copy holds an flock on
// a lock file (the kernel drops it when the process dies, so a crash never blocks the next
// start) and listens on a local socket beside it, both named after the user and a short
// hash of the settings folder and the display. Both live in $XDG_RUNTIME_DIR, or else in a
// folder "Mirvo-<uid>" of $TMPDIR (else /tmp) that only the user may enter; a folder there
// that is not the user's own and closed to others is refused, and a folder so long that the
// socket's path would not fit in a socket address gives way to the next. Each side checks
// that the other end of the socket is the same user (SO_PEERCRED). A later copy sends its
// document path (the file system's bytes) and waits until the running copy has opened the
// book.
#pragma once

#include <sys/types.h>

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QLocalServer;
class QLocalSocket;

namespace mirvo::ui {

// The display a process shows its windows on, as one key: the Wayland display when
// `wayland` is set (a relative name is taken in `runtimeFolder`), else the X11 display
// `x11` without its screen number, "unix:N" being ":N"; "" without either.
std::string DisplayKey(std::string_view wayland, std::string_view x11,
                       std::string_view runtimeFolder);
// The same for this process ($WAYLAND_DISPLAY, $DISPLAY, $XDG_RUNTIME_DIR).
std::string CurrentDisplayKey();
// "Mirvo-<uid>-<12 hexadecimal digits>": the name (without ".lock" or ".sock") of the lock
// file and the socket of the copy that keeps its settings in `settingsFolder` (taken as the
// kernel resolves it, when it exists) and shows its windows on `displayKey`.
std::string SingleInstanceName(const std::string& settingsFolder, const std::string& displayKey);

// The folder of the lock file and the socket, created when it is a fallback folder;
// nothing when the fallback folder cannot be made safe (another user's, open to others,
// a link).
std::optional<std::string> SingleInstanceFolder();
// "<folder>/<name>.lock" and ".sock" for this process's settings folder and display; empty
// without a usable folder. The socket's path always fits in a socket address.
std::string SingleInstanceLockPath();
std::string SingleInstanceSocketPath();

// True when the process at the other end of the connected local socket `fd` runs as `uid`.
bool PeerIsUser(int fd, uid_t uid);

// The lock of this process's user, display and settings folder.
class SingleInstanceLock {
  public:
    enum class Result {
        Acquired,     // this is the first copy
        HeldByOther,  // another copy runs
        Unavailable,  // no usable lock file (a foreign file of that name, an unsafe folder)
    };
    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    Result Acquire();

  private:
    int fd_ = -1;
};

// How a hand-off to the running copy ended.
enum class HandOffResult {
    Done,         // the running copy answered: the book is open (or its failure reported)
    BecameFirst,  // the running copy ended meanwhile and this process now holds the lock
    NoListener,   // the lock stayed held, but nothing answered at the socket in time
    WrongUser,    // the listener is another user: nothing was sent
    Ended,        // the running copy took the request and ended before answering
    NoAnswerYet,  // the request waits in the running copy (its reader has a window open)
};

struct HandOffTiming {
    int connectForMs = 5000;     // how long to retry the connection while the lock is held
    int replyWithinMs = 120000;  // how long to wait for the answer
};

// The later copy's side: connects to the running copy (retrying while it starts; taking
// the lock itself when the running copy ends meanwhile), sends `path` (none: only come to
// the front) and waits for the answer.
HandOffResult SendToRunningCopy(const std::optional<std::string>& path, SingleInstanceLock& lock,
                                const HandOffTiming& timing = {});

// The running copy's side. For every request of the same user it calls the handler with
// the path ("" for none) and a function that sends the answer; the handler may call it
// later, once the book has really been opened.
class HandOffServer : public QObject {
    Q_OBJECT
  public:
    using Reply = std::function<void()>;
    using Handler = std::function<void(const std::string& path, Reply reply)>;
    explicit HandOffServer(Handler handler, QObject* parent = nullptr);
    // Listens at the socket path, replacing a stale socket left by a crashed copy (the
    // caller holds the lock, so no live copy owns it).
    bool Listen();
    // Why Listen failed.
    QString ErrorString() const;

  private:
    void OnNewConnection();

    Handler handler_;
    QLocalServer* server_;
};

}  // namespace mirvo::ui
