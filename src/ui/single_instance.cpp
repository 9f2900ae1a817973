#include "ui/single_instance.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QtEndian>

namespace mirvo::ui {
namespace {

QString RuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists())
        return QString::fromLocal8Bit(runtime);
    return QStringLiteral("/tmp");
}

QString BaseName() {
    return QStringLiteral("Mirvo-%1").arg(static_cast<qulonglong>(getuid()));
}

constexpr char kReplyDone = 1;
constexpr int kConnectTimeoutMs = 3000;

}  // namespace

QString SingleInstanceLockPath() {
    return RuntimeFolder() + "/" + BaseName() + ".lock";
}
QString SingleInstanceSocketPath() {
    return RuntimeFolder() + "/" + BaseName() + ".sock";
}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) close(fd_);
}

SingleInstanceLock::Result SingleInstanceLock::Acquire() {
    if (fd_ >= 0) return Result::Acquired;
    const QByteArray path = QFile::encodeName(SingleInstanceLockPath());
    // No symbolic links: in a shared /tmp the name could have been planted by another user.
    int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Result::Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return held ? Result::HeldByOther : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

QByteArray EncodeHandOff(const std::optional<QString>& path) {
    QByteArray body;
    if (path) body = path->toUtf8();
    if (body.size() > kMaxHandOffBytes) body.clear();
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(body.size()), frame.data());
    return frame + body;
}

bool SendToRunningCopy(const std::optional<QString>& path, int replyTimeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(SingleInstanceSocketPath());
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write(EncodeHandOff(path));
    if (!socket.waitForBytesWritten(kConnectTimeoutMs)) return false;
    // The running copy answers once it has opened the book (its error window may be
    // waiting for the reader meanwhile).
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(replyTimeoutMs)) return false;
    }
    char reply = 0;
    return socket.getChar(&reply) && reply == kReplyDone;
}

HandOffServer::HandOffServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &HandOffServer::OnNewConnection);
}

bool HandOffServer::Listen() {
    const QString name = SingleInstanceSocketPath();
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

void HandOffServer::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) OnReadyRead(socket);
    }
}

void HandOffServer::OnReadyRead(QLocalSocket* socket) {
    if (socket->property("mirvoDone").toBool()) return;
    if (socket->bytesAvailable() < 4) return;
    QByteArray head = socket->peek(4);
    const quint32 length = qFromBigEndian<quint32>(head.constData());
    if (length > static_cast<quint32>(kMaxHandOffBytes)) {
        // Not one of ours: drop the connection.
        socket->setProperty("mirvoDone", true);
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + static_cast<qint64>(length)) return;
    socket->read(4);
    const QByteArray body = socket->read(length);
    socket->setProperty("mirvoDone", true);
    QString path = QString::fromUtf8(body);
    if (path.toUtf8() != body) path.clear();  // not valid UTF-8: no path
    // The handler may run a modal window; the client may give up meanwhile.
    QPointer<QLocalSocket> guard(socket);
    handler_(path);
    if (guard && socket->state() == QLocalSocket::ConnectedState) {
        socket->putChar(kReplyDone);
        socket->flush();
        socket->disconnectFromServer();
    }
}

}  // namespace mirvo::ui
