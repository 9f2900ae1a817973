// Running a headless command of the mirvo executable inside a test, with what it writes on
// standard output and error captured.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/headless/headless.h"
#include "support/test_support.h"

namespace mirvo::test {

struct Captured {
    int status = 0;
    std::string out, err;
};

// Runs `command` with standard output and error sent to files.
inline Captured Capture(const std::function<int()>& command) {
    TempDir dir;
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(1), savedErr = dup(2);
    const int out = open(dir.File("out").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    const int err = open(dir.File("err").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    Captured c;
    c.status = command();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    for (int fd : {out, err, savedOut, savedErr}) close(fd);
    c.out = ReadFileBytes(dir.File("out"));
    c.err = ReadFileBytes(dir.File("err"));
    return c;
}

inline Captured RunMirvo(const std::vector<std::string>& args) {
    return Capture([&] {
        int status = -1;
        EXPECT_TRUE(RunHeadless(args, status));
        return status;
    });
}

}  // namespace mirvo::test
