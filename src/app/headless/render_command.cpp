// mirvo --render FILE --page N --out OUT.png [options]: formats FILE and draws what the
// reader window would show for that page (the spread, or a cover) into a PNG of the
// book area.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "app/messages.h"
#include "format/document.h"
#include "format/formatter.h"
#include "render/surfaces.h"
#include "viewer/spread_view.h"

namespace mirvo {
int RenderCommand(const std::vector<std::string>& args) {
    CommandLine line;
    const std::string problem =
        ParseCommandLine(args, OptionScope::Drawing, {"--page", "--out", "--area"}, line);
    if (!problem.empty()) return UsageError("--render", problem);
    const auto page = line.values.find("--page");
    const auto out = line.values.find("--out");
    const auto area = line.values.find("--area");
    int pageNumber = 0, areaW = 800, areaH = 600;
    if (out == line.values.end() || out->second.empty())
        return UsageError("--render", "no --out given");
    if (page == line.values.end()) return UsageError("--render", "no --page given");
    if (!ParseInt(page->second, pageNumber)) return UsageError("--render", "--page needs a number");
    if (area != line.values.end() && !ParseArea(area->second, areaW, areaH))
        return UsageError("--render", "--area needs WxH, got " + area->second);
    const std::string& file = line.file;
    const Settings& s = line.settings;
    if (const Problem bad = CheckColours(line.settings); bad.kind != ProblemKind::None) {
        std::fprintf(stderr, "mirvo: %s\n", Word(bad).c_str());
        return 1;
    }

    RowList rows;
    StderrHost host;
    LayoutNotes notes;
    ExtraChars extras;
    if (!LoadAndFormat(file, s, rows, host, &notes, &extras)) return 1;

    const Bitmap pageTexture = BuiltInPageTexture();
    SpreadView view;
    Bitmap left, right;
    PageTexts lists;
    SpreadOutcome outcome;
    try {
        const SpreadStyle style = SpreadStyleOf(s);
        const SpreadRequest request{
            rows,        style, pageNumber, areaW,  areaH, kSpreadHeightRatio,
            pageTexture, file,  &notes,     &extras};
        WordingReporter reporter(host);
        outcome = view.Render(request, left, right, lists, reporter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirvo: %s\n", e.what());
        return 1;
    }
    if (outcome.picture.kind != ProblemKind::None) {
        std::fprintf(stderr, "mirvo: %s\n", Word(outcome.picture).c_str());
        return 1;
    }
    std::string error;
    if (!WritePng(ComposeBookArea(outcome, left, right), out->second, &error)) {
        std::fprintf(stderr, "mirvo: %s\n", error.c_str());
        return 1;
    }
    return outcome.pageDrawFailed || host.failed ? 1 : 0;
}

}  // namespace mirvo
