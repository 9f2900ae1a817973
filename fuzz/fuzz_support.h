// Pieces shared by the fuzz targets: reading settings from the input's first bytes, and
// a host that swallows the messages meant for the window.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "format/error_reporter.h"
#include "format/formatter.h"
#include "format/problem.h"

namespace mirvo::fuzz {

// Takes bytes from the front of the input; 0 when it is used up.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t Byte() {
        if (rest_.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    // A small signed value: -8 .. 119, so that layouts below the smallest usable one occur.
    int Small() { return static_cast<int>(Byte() % 128) - 8; }
    bool Flag() { return Byte() & 1; }
    std::string_view Rest() const { return rest_; }

  private:
    std::string_view rest_;
};

class QuietHost : public FormatterHost, public ErrorReporter {
  public:
    // A notice of markup read as text comes with a successful run: not an error.
    void Report(const Problem& p) override {
        ++(p.kind == ProblemKind::FormatMarkupAsText ? notices : errors);
    }
    void ReportError(const std::string&) override { ++errors; }
    int errors = 0, notices = 0;
};

class QuietProblems : public ProblemReporter {
  public:
    void Report(const Problem&) override { ++problems; }
    int problems = 0;
};

// A broken rule the fuzzer must report: print it and abort, so that the input is kept.
[[noreturn]] inline void Fault(const char* what) {
    std::fprintf(stderr, "fuzz fault: %s\n", what);
    std::abort();
}

// A folder of the run's own, made on first use and removed when the fuzzer ends. In
// memory (/dev/shm) where there is one: files written there cost no disk flushes.
inline const std::string& RunFolder() {
    static const std::string folder = [] {
        char shm[] = "/dev/shm/mirvo-fuzz-XXXXXX";
        char tmp[] = "/tmp/mirvo-fuzz-XXXXXX";
        const char* made = ::mkdtemp(shm);
        if (!made) made = ::mkdtemp(tmp);
        if (!made) Fault("no temporary folder");
        return std::string(made);
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(RunFolder(), ec);
        });
        return true;
    }();
    (void)cleanup;
    return folder;
}

}  // namespace mirvo::fuzz
