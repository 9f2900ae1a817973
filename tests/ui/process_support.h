// Real reader processes for the single-copy tests: started with argument bytes as they
// are (a file name from a Windows archive is not UTF-8, which QProcess cannot pass), their
// own settings and runtime folders, the offscreen platform, and standard error kept.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QString>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "format/cp932.h"
#include "support/test_support.h"
#include "ui/single_instance.h"

namespace mirvo::test {

// A book of `lines` lines in Shift_JIS (a title, an author, then body lines) written to
// `path`; returns `path`.
inline std::string WriteBook(const std::string& path, int lines) {
    std::string text = Sjis("題名\r\n作者\r\n");
    for (int i = 2; i < lines; ++i) text += Sjis("本文の行です。") + "\r\n";
    WriteFileBytes(path, text);
    return path;
}

// The display key of a reader started with this process's $WAYLAND_DISPLAY and $DISPLAY
// and the runtime folder `runtime`.
inline std::string InheritedDisplay(const std::string& runtime) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    return ui::DisplayKey(wayland ? wayland : "", x11 ? x11 : "", runtime);
}

// The endpoint of the copy for the settings folder `home` in the runtime folder `runtime`,
// on `display` (by default the display this process passes on).
inline std::string SocketIn(const std::string& runtime, const std::string& home,
                            std::optional<std::string> display = std::nullopt) {
    if (!display) display = InheritedDisplay(runtime);
    return runtime + "/" + ui::SingleInstanceName(home, *display) + ".sock";
}

// Waits up to `ms` until something accepts connections at the socket `path`, looking again
// every `pollMs`.
inline bool WaitForSocket(const std::string& path, int ms = 8000, int pollMs = 20) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QLocalSocket probe;
        probe.connectToServer(QString::fromStdString(path));
        if (probe.waitForConnected(100)) return true;
        QTest::qWait(pollMs);
    }
    return false;
}

class ReaderProcess {
  public:
    // Starts MIRVO_EXE with `args`; `env` entries ("NAME=value", "NAME" to remove) change
    // the test's own environment.
    ReaderProcess(const std::vector<std::string>& args, const std::vector<std::string>& env,
                  const std::string& stderrFile)
        : stderrFile_(stderrFile) {
        std::vector<std::string> argv{MIRVO_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        // Changes apply in order, so a later one overrides an earlier one.
        std::map<std::string, std::string> vars;
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            vars[entry.substr(0, entry.find('='))] = entry;
        }
        for (const std::string& change : env) {
            const std::size_t eq = change.find('=');
            if (eq == std::string::npos)
                vars.erase(change);
            else
                vars[change.substr(0, eq)] = change;
        }
        std::vector<std::string> environment;
        for (auto& [name, entry] : vars) environment.push_back(entry);
        pid_ = ::fork();
        if (pid_ == 0) {
            std::vector<char*> a, e;
            for (std::string& s : argv) a.push_back(s.data());
            for (std::string& s : environment) e.push_back(s.data());
            a.push_back(nullptr);
            e.push_back(nullptr);
            const int fd = ::open(stderrFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (fd >= 0) ::dup2(fd, 2);
            ::execve(a[0], a.data(), e.data());
            ::_exit(127);
        }
    }
    ~ReaderProcess() {
        if (!exit_ && pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // The exit code once the process has ended within `ms` (-1 when a signal ended it).
    std::optional<int> Wait(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!exit_) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            if (std::chrono::steady_clock::now() >= end) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return exit_;
    }
    bool Running() { return !Wait(0); }
    void Signal(int signo) { ::kill(pid_, signo); }
    std::string Stderr() const {
        try {
            return ReadFileBytes(stderrFile_);
        } catch (...) {
            return {};
        }
    }

  private:
    std::string stderrFile_;
    pid_t pid_ = -1;
    std::optional<int> exit_;
};

}  // namespace mirvo::test
