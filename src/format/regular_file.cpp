#include "format/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace mirvo {

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

FileReadResult Failed(FileReadStatus status, int error = 0) {
    FileReadResult r;
    r.status = status;
    r.error = error;
    return r;
}

}  // namespace

FileReadResult ReadRegularFile(const std::string& path, std::uint64_t maxBytes) {
    if (path.find('\0') != std::string::npos) return Failed(FileReadStatus::OpenFailed, ENOENT);
    Fd f;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (f.fd < 0) return Failed(FileReadStatus::OpenFailed, errno);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) return Failed(FileReadStatus::ReadFailed, errno);
    if (!S_ISREG(st.st_mode)) return Failed(FileReadStatus::NotRegular);
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return Failed(FileReadStatus::TooLarge);

    FileReadResult r;
    r.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(f.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Failed(FileReadStatus::ReadFailed, errno);
        }
        if (n == 0) break;
        // Files whose size the system does not know (under /proc) or that grow meanwhile
        // are held to the same limit.
        if (r.bytes.size() + static_cast<std::uint64_t>(n) > maxBytes)
            return Failed(FileReadStatus::TooLarge);
        r.bytes.append(buf, static_cast<std::size_t>(n));
    }
    return r;
}

Problem FileReadProblem(const std::string& path, const FileReadResult& result,
                        std::uint64_t maxBytes) {
    Problem p = FileProblem(ProblemKind::None, path);
    switch (result.status) {
        case FileReadStatus::Ok:
            p.kind = ProblemKind::None;
            break;
        case FileReadStatus::NotRegular:
            p.kind = ProblemKind::BookNotRegular;
            break;
        case FileReadStatus::TooLarge:
            p.kind = ProblemKind::BookTooLarge;
            p.count = static_cast<long long>(maxBytes >> 20);
            break;
        case FileReadStatus::OpenFailed:
        case FileReadStatus::ReadFailed:
            p.kind = ProblemKind::BookUnreadable;
            p.systemError = result.error;
            break;
    }
    return p;
}

}  // namespace mirvo
