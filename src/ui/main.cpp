// Program entry: the headless commands first (they need no display), then the reader.
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless/headless.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int exitCode = 0;
    if (mirvo::RunHeadless(args, exitCode)) return exitCode;
    std::fprintf(stderr, "mirvo: the reader window is not built yet; see mirvo --help\n");
    return 2;
}
