#include "format/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

std::string FileReadMessage(const std::string& path, const FileReadResult& result,
                            std::uint64_t maxBytes) {
    const std::string file = "ファイル:" + path;
    switch (result.status) {
        case FileReadStatus::Ok:
            return {};
        case FileReadStatus::NotRegular:
            return file + "は通常のファイルではないため、開けません。";
        case FileReadStatus::TooLarge:
            return file + "は大きすぎるため、開けません（" + std::to_string(maxBytes >> 20) +
                   " MiB まで）。";
        case FileReadStatus::OpenFailed:
        case FileReadStatus::ReadFailed:
            break;
    }
    return file + "を読み込めません（" + std::strerror(result.error) + "）。";
}

}  // namespace mirvo
