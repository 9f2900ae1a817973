#include "ui/single_instance.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/folders.h"
#include "app/handoff_message.h"

namespace mirvo::ui {
namespace {

// Hexadecimal digits of the hash in the names: 48 bits, so that two folders or displays of
// one user never meet by chance.
constexpr int kHashDigits = 12;

// "Mirvo-<uid>": the fallback folder's name and the start of every name in it.
std::string UserName() {
    return "Mirvo-" + std::to_string(static_cast<unsigned long long>(::getuid()));
}

// True when "<folder>/<name>.sock" fits in a socket address with its terminating zero.
bool SocketFitsIn(const std::string& folder) {
    const std::size_t name = UserName().size() + 1 + kHashDigits + 5;
    return folder.size() + 1 + name < sizeof(sockaddr_un{}.sun_path);
}

// FNV-1a, 64 bits.
std::uint64_t Hash(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

std::string CurrentName() {
    return SingleInstanceName(ProgramFolders::Detect().SettingsFolder, CurrentDisplayKey());
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A folder only this user owns and no one else may enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// A connected stream socket to `path`, or -1.
int ConnectTo(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) return -1;
    path.copy(addr.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string DisplayKey(std::string_view wayland, std::string_view x11,
                       std::string_view runtimeFolder) {
    if (!wayland.empty()) {
        const std::string socket =
            wayland.front() == '/' ? std::string(wayland) : JoinPath(runtimeFolder, wayland);
        return "wayland:" + socket;
    }
    if (x11.empty()) return {};
    // [host]:display[.screen]; the screens of one display are one desktop.
    const std::size_t colon = x11.rfind(':');
    if (colon == std::string_view::npos) return "x11:" + std::string(x11);
    std::string_view host = x11.substr(0, colon);
    std::string_view number = x11.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (host == "unix") host = {};
    return "x11:" + std::string(host) + ":" + std::string(number);
}

std::string CurrentDisplayKey() {
    return DisplayKey(Env("WAYLAND_DISPLAY"), Env("DISPLAY"), Env("XDG_RUNTIME_DIR"));
}

std::string SingleInstanceName(const std::string& settingsFolder, const std::string& displayKey) {
    // The folder as the kernel names it: a link to it, "..", a relative $MIRVO_HOME all
    // lead to the same copy.
    std::string folder = settingsFolder;
    if (char* real = ::realpath(settingsFolder.c_str(), nullptr)) {
        folder = real;
        std::free(real);
    }
    char hex[kHashDigits + 1];
    std::snprintf(hex, sizeof hex, "%012llx",
                  static_cast<unsigned long long>(Hash(folder + '\0' + displayKey) &
                                                  ((1ull << (4 * kHashDigits)) - 1)));
    return UserName() + "-" + hex;
}

std::optional<std::string> SingleInstanceFolder() {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    if (runtime.starts_with('/') && SocketFitsIn(runtime) && IsPrivateFolder(runtime))
        return runtime;
    // The fallback lies in a folder every user can write to: it must be ours alone. A
    // $TMPDIR too long for the socket gives way to /tmp.
    const std::string tmp = Env("TMPDIR");
    std::string folder = JoinPath(tmp.starts_with('/') ? tmp : "/tmp", UserName());
    if (!SocketFitsIn(folder)) folder = JoinPath("/tmp", UserName());
    (void)::mkdir(folder.c_str(), 0700);
    if (!IsPrivateFolder(folder)) return std::nullopt;
    return folder;
}

std::string SingleInstanceLockPath() {
    const std::optional<std::string> folder = SingleInstanceFolder();
    return folder ? JoinPath(*folder, CurrentName() + ".lock") : std::string();
}

std::string SingleInstanceSocketPath() {
    const std::optional<std::string> folder = SingleInstanceFolder();
    return folder ? JoinPath(*folder, CurrentName() + ".sock") : std::string();
}

bool PeerIsUser(int fd, uid_t uid) {
    ucred cred{};
    socklen_t size = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && size == sizeof cred &&
           cred.uid == uid;
}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

SingleInstanceLock::Result SingleInstanceLock::Acquire() {
    if (fd_ >= 0) return Result::Acquired;
    const std::string path = SingleInstanceLockPath();
    if (path.empty()) return Result::Unavailable;
    // No symbolic links: the name could have been planted.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::HeldByOther : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

HandOffResult SendToRunningCopy(const std::optional<std::string>& path, SingleInstanceLock& lock,
                                const HandOffTiming& timing) {
    using Clock = std::chrono::steady_clock;
    const std::string socketPath = SingleInstanceSocketPath();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timing.connectForMs);
    Fd socket;
    // The running copy listens only once its windows exist; while it starts (or ends) the
    // lock is held and nothing answers yet.
    while ((socket.fd = ConnectTo(socketPath)) < 0) {
        if (lock.Acquire() == SingleInstanceLock::Result::Acquired)
            return HandOffResult::BecameFirst;
        if (Clock::now() >= deadline) return HandOffResult::NoListener;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!PeerIsUser(socket.fd, ::getuid())) return HandOffResult::WrongUser;
    if (!SendAll(socket.fd, EncodeHandOff(path))) return HandOffResult::Ended;
    // The running copy answers once it has opened the book (its error window may be
    // waiting for the reader meanwhile).
    pollfd p{socket.fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, timing.replyWithinMs);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) return HandOffResult::NoAnswerYet;
    char reply = 0;
    const ssize_t n = ::recv(socket.fd, &reply, 1, 0);
    return n == 1 && reply == kHandOffDone ? HandOffResult::Done : HandOffResult::Ended;
}

HandOffServer::HandOffServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &HandOffServer::OnNewConnection);
}

bool HandOffServer::Listen() {
    const std::string path = SingleInstanceSocketPath();
    if (path.empty()) return false;
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

QString HandOffServer::ErrorString() const {
    return server_->errorString();
}

void HandOffServer::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsUser(static_cast<int>(socket->socketDescriptor()), ::getuid())) {
            socket->abort();
            continue;
        }
        auto reader = std::make_shared<HandOffReader>();
        const auto onRead = [this, socket, reader] {
            if (reader->Current() != HandOffReader::State::NeedMore) return;
            const QByteArray bytes = socket->readAll();
            const HandOffReader::State state =
                reader->Feed(std::string_view(bytes.constData(), bytes.size()));
            if (state == HandOffReader::State::Invalid) socket->abort();
            if (state != HandOffReader::State::Done) return;
            // The answer goes out once the request has really been carried out; the later
            // copy may have given up meanwhile.
            QPointer<QLocalSocket> guard(socket);
            handler_(reader->Path(), [guard] {
                if (!guard || guard->state() != QLocalSocket::ConnectedState) return;
                guard->putChar(kHandOffDone);
                guard->flush();
                guard->disconnectFromServer();
            });
        };
        connect(socket, &QLocalSocket::readyRead, this, onRead);
        if (socket->bytesAvailable() > 0) onRead();
    }
}

}  // namespace mirvo::ui
