#include "app/headless/headless.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/headless/command_support.h"

namespace mirvo {
namespace {

struct Command {
    const char* option;
    int (*run)(const std::vector<std::string>& args);
    const char* arguments;  // before the setting options
    OptionScope scope;      // the setting options it takes
    const char* description;
};

const Command kCommands[] = {
    {"--dump-rows", DumpRowsCommand, "FILE", OptionScope::Formatting,
     "    Format FILE and write each row (CP932 bytes) followed by LF."},
    {"--render", RenderCommand, "FILE --page N --out OUT.png [--area WxH]", OptionScope::Drawing,
     "    Draw the spread of pages N and N+1 (the front cover for -1, the back cover for\n"
     "    9999 or a page past the last) as the reader shows it, into a PNG of the book area."},
};

// Prints `words` after `lead`, broken before an option where a line would pass 90
// columns; continuation lines are indented under the first argument.
void PrintWrapped(const std::string& lead, const std::string& words) {
    std::string line = lead;
    const std::string indent(lead.size() + 1, ' ');
    std::size_t at = 0;
    while (at < words.size()) {
        std::size_t next = words.find(" [", at + 1);
        if (next == std::string::npos) next = words.size();
        const std::string piece = words.substr(at, next - at);
        if (line.size() + piece.size() > 90 && line != lead) {
            std::printf("%s\n", line.c_str());
            line = indent + piece.substr(1);
        } else {
            line += piece;
        }
        at = next;
    }
    std::printf("%s\n", line.c_str());
}

void PrintHelp() {
    std::printf("Usage: mirvo [FILE]\n    Open FILE (a Shift_JIS text) in the reader.\n");
    for (const Command& c : kCommands) {
        PrintWrapped(std::string("       mirvo ") + c.option,
                     std::string(" ") + c.arguments + SettingOptionsUsage(c.scope));
        std::printf("%s\n", c.description);
    }
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
