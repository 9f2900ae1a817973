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
    // The command line after "mirvo ", before the setting options it takes.
    const char* usage;
    OptionScope settings;
    // What the command does (lines indented by 4).
    const char* description;
};

int HelpCommand(const std::vector<std::string>& args);
int VersionCommand(const std::vector<std::string>& args);

// Every command of the executable besides the reader's own; --help lists them in this order.
const Command kCommands[] = {
    {"--dump-rows", DumpRowsCommand, "--dump-rows FILE", OptionScope::Formatting,
     "    Format FILE and write each row (CP932 bytes) followed by LF."},
    {"--dump-contents", DumpContentsCommand, "--dump-contents FILE", OptionScope::Formatting,
     "    Format FILE and write its contents as the reader lists them (a book's own heading\n"
     "    mark, no bookmarks): per entry the page, a TAB and the text without markup, in UTF-8."},
    {"--dump-notes", DumpNotesCommand, "--dump-notes FILE", OptionScope::Formatting,
     "    Format FILE and write each annotation drawn as a footnote mark: per annotation the\n"
     "    source line (from 1), a TAB and the annotation as written, in UTF-8."},
    {"--render", RenderCommand, "--render FILE --page N --out OUT.png [--area WxH]",
     OptionScope::Drawing,
     "    Draw the spread of pages N and N+1 (the front cover for -1, the back cover for\n"
     "    9999 or a page past the last) as the reader shows it, into a PNG of the book area."},
    {"--export", ExportCommand, "--export FILE --out OUT.cbz|OUT.pdf [--area WxH]",
     OptionScope::Drawing,
     "    Draw every page as the reader draws it, one page a picture of WxH pixels (default\n"
     "    1072x1448) in grey, into a CBZ (PNG pages, ComicInfo.xml) or a PDF, both marked\n"
     "    for right-to-left reading. OUT appears only when it is complete."},
    {"--version", VersionCommand, "--version", OptionScope::None, "    Print the version and end."},
    {"--help", HelpCommand, "--help, -h", OptionScope::None, "    Print this list and end."},
};

// Writes `line` (the usage and its setting options, each " [...]") broken before an
// option where it would pass 88 columns, the continuation lines indented under the
// command's first argument.
void PrintUsageLine(std::FILE* to, const std::string& line, std::size_t indent) {
    std::size_t start = 0, width = 0;
    while (start < line.size()) {
        std::size_t next = line.find(" [", start + 1);
        if (next == std::string::npos) next = line.size();
        if (width > 0 && width + (next - start) > 88) {
            std::fprintf(to, "\n%*s", static_cast<int>(indent), "");
            width = indent;
            if (line[start] == ' ') ++start;
        }
        std::fwrite(line.data() + start, 1, next - start, to);
        width += next - start;
        start = next;
    }
    std::fputc('\n', to);
}

void PrintHelp(std::FILE* to) {
    std::fprintf(to,
                 "Usage:\n"
                 "  mirvo [FILE]\n"
                 "      Open FILE (a Shift_JIS text) in the reader; without FILE the last book,\n"
                 "      else the sample book. A second start hands FILE to the running reader.\n");
    for (const Command& c : kCommands) {
        const std::string lead = std::string("  mirvo ") + c.option + " ";
        PrintUsageLine(to, std::string("  mirvo ") + c.usage + SettingOptionsUsage(c.settings),
                       lead.size());
        for (const char* p = c.description; *p; ++p) {
            if (p == c.description || p[-1] == '\n') std::fputs("  ", to);
            std::fputc(*p, to);
        }
        std::fputc('\n', to);
    }
    std::fprintf(to,
                 "Settings (Mirvo.INI) and book states (MirvoKs/) live in $MIRVO_HOME when it is\n"
                 "set; else beside the executable of a build tree or portable copy; else in\n"
                 "$XDG_CONFIG_HOME/mirvo (~/.config/mirvo). See mirvo(1).\n");
}

int HelpCommand(const std::vector<std::string>&) {
    PrintHelp(stdout);
    return 0;
}

// MIRVO_VERSION is the project's version, given by the build.
int VersionCommand(const std::vector<std::string>&) {
    std::printf("mirvo %s\n", MIRVO_VERSION);
    return 0;
}

}  // namespace

bool RunHeadless(const std::vector<std::string>& args, int& exitCode) {
    if (args.empty()) return false;
    if (args[0] == "-h") {
        exitCode = HelpCommand({});
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
        PrintHelp(stderr);
        exitCode = 2;
        return true;
    }
    return false;
}

}  // namespace mirvo
