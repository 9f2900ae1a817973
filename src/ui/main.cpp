// Program entry: the headless commands first (they need no display), then the single-copy
// check, then the reader.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/handoff_message.h"
#include "app/headless/headless.h"
#include "format/cp932.h"
#include "ui/application.h"
#include "ui/desktop_identity.h"
#include "ui/single_instance.h"
#include "ui/startup.h"

namespace {

using mirvo::ui::HandOffResult;

// Hands the path over to the running copy. Returns the exit code when this process is to
// end, nothing when it has become the first copy itself.
std::optional<int> HandOver(const std::vector<std::string>& args,
                            mirvo::ui::SingleInstanceLock& lock) {
    // Exactly one argument names a book; none or several only bring the reader forward.
    std::optional<std::string> path;
    if (args.size() == 1) path = args[0];
    const char* book = path ? path->c_str() : "nothing";
    const std::string socket = mirvo::ui::SingleInstanceSocketPath();
    switch (mirvo::ui::SendToRunningCopy(path, lock)) {
        case HandOffResult::Done:
            return 0;
        case HandOffResult::BecameFirst:
            return std::nullopt;
        case HandOffResult::NoAnswerYet:
            std::fprintf(stderr,
                         "mirvo: the running copy has not opened %s yet; it will once its "
                         "reader has closed the window in front\n",
                         book);
            return 0;
        case HandOffResult::NoListener:
            std::fprintf(stderr,
                         "mirvo: another copy holds the lock but does not answer at %s; "
                         "%s was not opened\n",
                         socket.c_str(), book);
            return 1;
        case HandOffResult::WrongUser:
            std::fprintf(stderr, "mirvo: %s belongs to another user; %s was not handed over\n",
                         socket.c_str(), book);
            return 1;
        case HandOffResult::Ended:
            std::fprintf(stderr, "mirvo: the running copy ended before it opened %s\n", book);
            return 1;
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments stay the file system's bytes from here to open(): a file name from a
    // Windows archive is not UTF-8.
    std::vector<std::string> args(argv + 1, argv + argc);
    int exitCode = 0;
    if (mirvo::RunHeadless(args, exitCode)) return exitCode;
    const std::string given = args.empty() ? std::string() : args[0];
    args = mirvo::ui::AbsoluteArguments(args);
    // A path that has no absolute form within the kernel's limit (4096 bytes with the
    // terminating zero; a folder so deep that the current folder has no name) can be
    // neither opened nor handed over.
    if (!given.empty() && (args[0].front() != '/' || args[0].size() > mirvo::kMaxHandOffBytes)) {
        std::fprintf(stderr, "mirvo: %s has no absolute path within %zu bytes; it was not opened\n",
                     mirvo::ReadableUtf8(given).c_str(), mirvo::kMaxHandOffBytes);
        return 1;
    }

    // The lock lives until the process ends; the kernel releases it even after a crash.
    static mirvo::ui::SingleInstanceLock lock;
    using LockResult = mirvo::ui::SingleInstanceLock::Result;
    LockResult held = lock.Acquire();
    if (held == LockResult::HeldByOther) {
        if (const std::optional<int> code = HandOver(args, lock)) return *code;
        held = LockResult::Acquired;
    }
    if (held == LockResult::Unavailable && !mirvo::ui::SingleInstanceFolder()) {
        std::fprintf(stderr,
                     "mirvo: the folder for the single-copy lock is not the user's own or is "
                     "open to others; running without it\n");
    }

    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::SetDesktopIdentity();
    mirvo::ui::ReaderWindows windows;
    // Without a usable lock file the reader still starts, only unreachable by later copies.
    if (!mirvo::ui::StartReader(windows, mirvo::ProgramFolders::Detect(), args,
                                held == LockResult::Acquired, true)) {
        windows.Destroy();
        return 0;
    }
    return app.exec();
}
