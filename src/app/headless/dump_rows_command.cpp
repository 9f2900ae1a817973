// mirvo --dump-rows FILE [setting options of the formatting]
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "format/document.h"
#include "format/formatter.h"

namespace mirvo {

int DumpRowsCommand(const std::vector<std::string>& args) {
    CommandLine line;
    const std::string problem = ParseCommandLine(args, OptionScope::Formatting, {}, line);
    if (!problem.empty()) return UsageError("--dump-rows", problem);

    RowList rows;
    StderrHost host;
    if (!LoadAndFormat(line.file, FormatOptionsOf(line.settings, line.file), rows, host)) return 1;
    std::string out;
    for (const std::string& row : rows) {
        out += row;
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace mirvo
