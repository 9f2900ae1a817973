#include "app/headless/headless.h"

#include <cstdio>
#include <cstring>

namespace mirvo {
namespace {

struct Command {
    const char* option;
    int (*run)(const std::vector<std::string>& args);
    const char* usage;
};

const Command kCommands[] = {
    {"--dump-rows", DumpRowsCommand,
     "--dump-rows FILE [--rows N] [--chars N] [--ruby 0|1] [--comment 0|1] [--aozora 0|1]\n"
     "    Format FILE and write each row (CP932 bytes) followed by LF."},
    {"--dump-contents", DumpContentsCommand,
     "--dump-contents FILE [--rows N] [--chars N] [--ruby 0|1] [--comment 0|1] [--aozora 0|1]\n"
     "    Format FILE and write its contents as the reader lists them (heading mark ◎, no\n"
     "    bookmarks): per entry the page, a TAB and the text without markup, in UTF-8."},
    {"--render", RenderCommand,
     "--render FILE --page N --out OUT.png [--area WxH] [--alias 0|1] [--texture 0|1]\n"
     "                      [--rows N] [--chars N] [--ruby 0|1] [--comment 0|1] [--aozora 0|1]\n"
     "                      [--image 0|1] [--space N]"
     "\n"
     "                      [--bold 0|1] [--font NAME] [--page-color C] [--cover-color C]\n"
     "    Draw the spread of pages N and N+1 (the front cover for -1, the back cover for\n"
     "    9999 or a page past the last) as the reader shows it, into a PNG of the book area."},
};

void PrintHelp() {
    std::printf("Usage: mirvo [FILE]\n    Open FILE (a Shift_JIS text) in the reader.\n");
    for (const Command& c : kCommands) std::printf("       mirvo %s\n", c.usage);
    std::printf("       mirvo --help\n");
}

}  // namespace

bool RunHeadless(const std::vector<std::string>& args, int& exitCode) {
    if (args.empty()) return false;
    if (args[0] == "--help" || args[0] == "-h") {
        PrintHelp();
        exitCode = 0;
        return true;
    }
    for (const Command& c : kCommands) {
        if (args[0] == c.option) {
            exitCode = c.run(std::vector<std::string>(args.begin() + 1, args.end()));
            return true;
        }
    }
    if (args[0].size() > 2 && args[0].compare(0, 2, "--") == 0) {
        std::fprintf(stderr, "mirvo: unknown option %s\n", args[0].c_str());
        PrintHelp();
        exitCode = 2;
        return true;
    }
    return false;
}

}  // namespace mirvo
