// mirvo --dump-rows FILE [--rows N] [--chars N] [--ruby 0|1] [--comment 0|1]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "format/document.h"
#include "format/formatter.h"

namespace mirvo {
int DumpRowsCommand(const std::vector<std::string>& args) {
    FormatOptions options;
    int chars = 25;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        int* target = nullptr;
        bool* flag = nullptr;
        if (a == "--rows") {
            target = &options.RowCount;
        } else if (a == "--chars") {
            target = &chars;
        } else if (a == "--ruby") {
            flag = &options.UseRuby;
        } else if (a == "--comment") {
            flag = &options.UseComment;
        } else if (file.empty() && (a.size() < 2 || a.compare(0, 2, "--") != 0)) {
            file = a;
            continue;
        } else {
            std::fprintf(stderr, "mirvo --dump-rows: unexpected argument %s\n", a.c_str());
            return 2;
        }
        int value = 0;
        if (i + 1 >= args.size() || !ParseInt(args[i + 1], value) ||
            (flag && value != 0 && value != 1)) {
            std::fprintf(stderr, "mirvo --dump-rows: %s needs a number\n", a.c_str());
            return 2;
        }
        ++i;
        if (target) *target = value;
        if (flag) *flag = value != 0;
    }
    if (file.empty()) {
        std::fprintf(stderr, "mirvo --dump-rows: no FILE given\n");
        return 2;
    }
    options.RowBytes = 2 * chars;
    options.DocumentPath = file;

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
