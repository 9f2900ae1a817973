// mirvo --dump-rows FILE [--rows N] [--chars N] [--ruby 0|1] [--comment 0|1] [--aozora 0|1]
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "format/document.h"
#include "format/formatter.h"

namespace mirvo {
int DumpRowsCommand(const std::vector<std::string>& args) {
    FormatOptions options;
    std::string file;
    if (const int status = ParseFormatArgs("--dump-rows", args, options, file)) return status;

    RowList rows;
    StderrHost host;
    if (!LoadAndFormat(file, options, rows, host)) return 1;
    std::string out;
    for (const std::string& row : rows) {
        out += row;
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace mirvo
