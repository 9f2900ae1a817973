// mirvo --render FILE --page N --out OUT.png [options]: formats FILE and draws what the
// reader window would show for that page (the spread, or a cover) into a PNG of the
// book area.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "format/document.h"
#include "format/formatter.h"
#include "render/surfaces.h"
#include "viewer/spread_view.h"

namespace mirvo {
namespace {

// Larger than any screen; the double-size buffers of a bigger area would take gigabytes.
constexpr int kMaxArea = 5000;

bool ParseArea(const std::string& s, int& w, int& h) {
    const std::size_t x = s.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInt(s.substr(0, x), w) && ParseInt(s.substr(x + 1), h) && w > 0 && h > 0 &&
           w <= kMaxArea && h <= kMaxArea;
}

int Usage(const char* what, const std::string& arg) {
    std::fprintf(stderr, "mirvo --render: %s %s\n", what, arg.c_str());
    return 2;
}

}  // namespace

int RenderCommand(const std::vector<std::string>& args) {
    Settings s;
    std::string file, out;
    int page = 0, chars = s.CharCount(), areaW = 800, areaH = 600;
    bool havePage = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            if (!file.empty()) return Usage("unexpected argument", a);
            file = a;
            continue;
        }
        if (i + 1 >= args.size()) return Usage("missing value after", a);
        const std::string& v = args[++i];
        int* number = nullptr;
        bool* flag = nullptr;
        if (a == "--page") {
            number = &page;
            havePage = true;
        } else if (a == "--rows") {
            number = &s.RowCount;
        } else if (a == "--chars") {
            number = &chars;
        } else if (a == "--space") {
            number = &s.FontSpace;
        } else if (a == "--alias") {
            flag = &s.Alias;
        } else if (a == "--texture") {
            flag = &s.UsePageTexture;
        } else if (a == "--ruby") {
            flag = &s.UseRuby;
        } else if (a == "--comment") {
            flag = &s.UseComment;
        } else if (a == "--aozora") {
            flag = &s.UseAozoraNotes;
        } else if (a == "--image") {
            flag = &s.UseImage;
        } else if (a == "--bold") {
            flag = &s.FontBold;
        } else if (a == "--out") {
            out = v;
        } else if (a == "--font") {
            s.FontName = v;
        } else if (a == "--page-color") {
            s.PageColor = v;
        } else if (a == "--cover-color") {
            s.CoverColor = v;
        } else if (a == "--area") {
            if (!ParseArea(v, areaW, areaH)) return Usage("--area needs WxH, got", v);
        } else {
            return Usage("unknown option", a);
        }
        int value = 0;
        if (number || flag) {
            if (!ParseInt(v, value) || (flag && value != 0 && value != 1)) {
                return Usage(flag ? "needs 0 or 1:" : "needs a number:", a);
            }
            if (number) *number = value;
            if (flag) *flag = value != 0;
        }
    }
    if (file.empty()) return Usage("no FILE given", "");
    if (out.empty()) return Usage("no --out given", "");
    if (!havePage) return Usage("no --page given", "");
    s.RowBytes = 2 * chars;

    RowList rows;
    StderrHost host;
    LayoutNotes notes;
    if (!LoadAndFormat(file, FormatOptions::From(s, file), rows, host, &notes)) return 1;

    const Bitmap pageTexture = BuiltInPageTexture();
    SpreadView view;
    Bitmap left, right;
    PageTexts lists;
    SpreadOutcome outcome;
    try {
        const SpreadRequest request{rows,        s,    page,  areaW, areaH, kSpreadHeightRatio,
                                    pageTexture, file, &notes};
        outcome = view.Render(request, left, right, lists, host);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirvo: %s\n", e.what());
        return 1;
    }
    std::string error;
    if (!WritePng(ComposeBookArea(outcome, left, right), out, &error)) {
        std::fprintf(stderr, "mirvo: %s\n", error.c_str());
        return 1;
    }
    return outcome.pageDrawFailed || host.failed ? 1 : 0;
}

}  // namespace mirvo
