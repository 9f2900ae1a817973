// mirvo --dump-contents FILE [setting options of the formatting]
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
    CommandLine line;
    const std::string problem = ParseCommandLine(args, OptionScope::Formatting, {}, line);
    if (!problem.empty()) return UsageError("--dump-contents", problem);
    const Settings& s = line.settings;

    RowList rows;
    LayoutNotes notes;
    StderrHost host;
    ExtraChars extras;
    if (!LoadAndFormat(line.file, s, rows, host, &notes, &extras)) return 1;
    // The heading mark of a book that has no state file yet; no bookmarks.
    const std::string mark = std::get<std::string>(FindSetting("IndexChar")->def);
    const std::vector<ContentsEntry> contents =
        BuildContents(rows, LayoutOf(s), mark, nullptr, &notes.headings);
    std::string out;
    for (const ContentsEntry& entry : contents) {
        const std::string text = StripMarkup(Utf8ToCp932(entry.Caption), s.UseRuby, s.UseComment);
        out += std::to_string(entry.Page) + "\t" + extras.ToUtf8(text) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace mirvo
