// The export's drawing processes: each draws a share of the spreads and sends their pages,
// encoded, through a pipe; the command's own process adds them to the book in order. The
// renderer keeps its fonts and glyph caches per process, so the processes share nothing.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/headless/book_export.h"
#include "format/document.h"

namespace mirvo {
namespace {

// What a drawing process sends before each page's bytes. Page 0: a page could not be
// drawn (reported already); -1: the drawing failed, the bytes say why.
struct RecordHead {
    std::int32_t page = 0, width = 0, height = 0;
    std::uint64_t size = 0;
};

bool WriteAll(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool ReadAll(int fd, char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t r = ::read(fd, data, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        data += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// Sends one record; a process whose reader has gone ends here.
void Send(int fd, int page, const EncodedPage& e) {
    const RecordHead head{page, e.width, e.height, e.bytes.size()};
    if (!WriteAll(fd, reinterpret_cast<const char*>(&head), sizeof head) ||
        !WriteAll(fd, e.bytes.data(), e.bytes.size()))
        ::_exit(1);
}

// A drawing process: its share of the spreads, each page sent as it is encoded.
[[noreturn]] void RunWorker(int fd, const SpreadRequest& request, int width, int height,
                            const PageBook& book, SpreadShare share, ErrorReporter& reporter) {
    try {
        const auto send = [&](int page, const GreyImage& g) { Send(fd, page, book.Encode(g)); };
        if (!DrawEveryPage(request, width, height, send, reporter, share)) Send(fd, 0, {});
    } catch (const std::exception& e) {
        Send(fd, -1, EncodedPage{0, 0, e.what()});
    }
    ::_exit(0);
}

class Workers {
  public:
    Workers() = default;
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    // Closing the pipes ends a process still drawing at its next page; then each is waited for.
    ~Workers() {
        for (int fd : fds_) ::close(fd);
        for (pid_t pid : pids_) {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }

    void Start(int count, const SpreadRequest& request, int width, int height, const PageBook& book,
               ErrorReporter& reporter) {
        std::fflush(nullptr);  // nothing buffered is written twice
        for (int k = 0; k < count; ++k) {
            int p[2];
            if (::pipe2(p, O_CLOEXEC) != 0) Fail("cannot start a drawing process");
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(p[0]);
                for (int fd : fds_) ::close(fd);
                RunWorker(p[1], request, width, height, book, SpreadShare{k, count}, reporter);
            }
            ::close(p[1]);
            if (pid < 0) {
                ::close(p[0]);
                Fail("cannot start a drawing process");
            }
            fds_.push_back(p[0]);
            pids_.push_back(pid);
        }
    }

    // The next record of process `k`, its bytes in `bytes`.
    RecordHead Next(int k, std::string& bytes) {
        RecordHead head;
        if (!ReadAll(fds_[k], reinterpret_cast<char*>(&head), sizeof head))
            throw std::runtime_error("a drawing process ended before its pages were drawn");
        bytes.resize(head.size);
        if (!ReadAll(fds_[k], bytes.data(), bytes.size()))
            throw std::runtime_error("a drawing process ended before its pages were drawn");
        return head;
    }

  private:
    [[noreturn]] static void Fail(const char* what) {
        throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
    }
    std::vector<int> fds_;
    std::vector<pid_t> pids_;
};

}  // namespace

bool ExportPages(const SpreadRequest& request, int width, int height, PageBook& book,
                 const std::function<void(int page)>& added, ErrorReporter& reporter) {
    const int count = PageCount(request.rows, request.style.Page.Layout);
    const int spreads = (count + 1) / 2;
    const int processes =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, std::min(4, spreads));
    if (processes == 1) {
        return DrawEveryPage(
            request, width, height,
            [&](int page, const GreyImage& g) {
                book.Add(book.Encode(g));
                added(page);
            },
            reporter);
    }
    Workers workers;
    workers.Start(processes, request, width, height, book, reporter);
    std::string bytes;
    for (int p = 1; p <= count; ++p) {
        const RecordHead head = workers.Next((p - 1) / 2 % processes, bytes);
        if (head.page == 0) return false;
        if (head.page < 0) throw std::runtime_error(bytes);
        if (head.page != p) throw std::runtime_error("a drawing process sent another page");
        book.Add(EncodedPage{head.width, head.height, std::move(bytes)});
        added(p);
    }
    return true;
}

}  // namespace mirvo
