// One running copy per user. The first copy holds an flock on a per-user lock file (the
// kernel drops it when the process dies, so a crash never blocks the next start) and
// listens on a local socket beside it, reachable by the same user only. A later copy
// sends its document path (or nothing) there and waits until the running copy has saved
// its book and opened the new one.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace mirvo::ui {

// Paths of the lock file and the socket: $XDG_RUNTIME_DIR, else /tmp, "Mirvo-<uid>.*".
QString SingleInstanceLockPath();
QString SingleInstanceSocketPath();

// Longest path that travels; a longer one travels as no path.
constexpr int kMaxHandOffBytes = 4096;

// The per-user lock.
class SingleInstanceLock {
  public:
    enum class Result {
        Acquired,     // this is the first copy
        HeldByOther,  // another copy runs
        Unavailable,  // the lock file cannot be opened (e.g. a foreign file of that name)
    };
    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    Result Acquire();

  private:
    int fd_ = -1;
};

// The later copy's side: connects to the running copy, sends `path` (no path: only come to
// the front) and waits for the reply. Returns false when no running copy answers (it is
// starting or ending); the caller ends silently either way.
bool SendToRunningCopy(const std::optional<QString>& path, int replyTimeoutMs = 120000);

// Frames a request: 4-byte big-endian length, then the UTF-8 path (length 0: no path).
QByteArray EncodeHandOff(const std::optional<QString>& path);

// The running copy's side. For every complete request it calls the handler with the path
// (empty: none) and replies when the handler has returned.
class HandOffServer : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(const QString& path)>;
    explicit HandOffServer(Handler handler, QObject* parent = nullptr);
    // Listens at the socket path, replacing a stale socket left by a crashed copy (the
    // caller holds the lock, so no live copy owns it).
    bool Listen();

  private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    Handler handler_;
    QLocalServer* server_;
};

}  // namespace mirvo::ui
