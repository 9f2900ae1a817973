// mirvo --dump-contents FILE [--rows N] [--chars N] [--ruby 0|1] [--comment 0|1]
//                            [--aozora 0|1]
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "app/reader_contents.h"
#include "format/cp932.h"
#include "format/formatter.h"
#include "format/markup.h"

namespace mirvo {

int DumpContentsCommand(const std::vector<std::string>& args) {
    FormatOptions options;
    std::string file;
    if (const int status = ParseFormatArgs("--dump-contents", args, options, file)) return status;

    RowList rows;
    LayoutNotes notes;
    StderrHost host;
    if (!LoadAndFormat(file, options, rows, host, &notes)) return 1;
    // The heading mark of a book that has no state file yet; no bookmarks.
    const std::vector<PageListRow> contents =
        BuildContents(rows, options.RowCount, "◎", nullptr, &notes.headings);
    std::string out;
    for (const PageListRow& entry : contents) {
        const std::string text =
            StripMarkup(Utf8ToCp932(entry.Caption), options.UseRuby, options.UseComment);
        out += entry.PageText + "\t" + Cp932ToUtf8(text) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace mirvo
