#include "render/cover.h"

#include <algorithm>
#include <cmath>

#include "format/cp932.h"
#include "render/vertical_font.h"

namespace mirvo {
namespace {

int Trunc(double v) {
    return static_cast<int>(std::trunc(v));
}

}  // namespace

CoverTextPlan PlanCoverText(int faceWidth, int faceHeight, const RowList& rows) {
    CoverTextPlan plan;
    if (rows.size() < 2 || rows[0].empty()) return plan;
    plan.hasText = true;
    const int Wf = faceWidth, Hf = faceHeight;
    const double L0 = static_cast<double>(rows[0].size());
    const double L1 = static_cast<double>(rows[1].size());

    const int x = Trunc(Wf / 10.0);
    const int y = Trunc(Hf / 4.0);
    const int fh = Trunc(Wf * 0.7 / L0) * 2;
    plan.titleX = x;
    plan.titleY = y;
    plan.titleHeight = fh;
    plan.frame =
        Rect{Trunc(x / 2.0), y - Trunc(fh * 0.5), Wf - Trunc(x / 2.0), y + Trunc(fh * 1.5)};

    const int fh2 = Trunc(Hf / 20.0);
    plan.authorHeight = fh2;
    plan.authorY = Trunc(Hf / 4.0 * 3);
    plan.authorX = Wf - Trunc(L1 * fh2 / 2) - Trunc(Wf / 10.0);
    return plan;
}

std::string CoverFaceName(const std::string& fontName) {
    if (fontName.empty()) return fontName;
    // Drop one whole UTF-8 character (normally the "@").
    std::size_t n = 1;
    while (n < fontName.size() && (static_cast<unsigned char>(fontName[n]) & 0xC0) == 0x80) ++n;
    return fontName.substr(n);
}

void ShadeCoverStrip(Bitmap& strip, int faceWidth, Color coverColor, CoverSide side) {
    const long long n = faceWidth / 20;
    if (n <= 0) return;
    const long long c1 = (coverColor >> 16) & 0xFF, c2 = (coverColor >> 8) & 0xFF,
                    c3 = coverColor & 0xFF;
    const long long nn = n * n;
    for (long long i = 1; i <= n; ++i) {
        const long long ii = i * i;
        const Color shade = static_cast<Color>((c1 - ii * c1 / nn) * 65536 +
                                               (c2 - ii * c2 / nn) * 256 + (c3 - ii * c3 / nn));
        const long long x = side == CoverSide::Front ? n - i : strip.Width() - n + i;
        strip.VerticalLine(static_cast<int>(x), 0, strip.Height(), shade);
    }
}

void DrawFrontCover(Bitmap& faceBuf, int faceWidth, int faceHeight, Bitmap& stripBuf,
                    int stripWidth, int stripHeight, const RowList& rows, const CoverStyle& style,
                    VerticalFont& font) {
    faceBuf.Create(faceWidth, faceHeight, style.coverColor);
    stripBuf.Create(stripWidth, stripHeight, style.coverColor);
    const CoverTextPlan plan = PlanCoverText(faceWidth, faceHeight, rows);
    if (plan.hasText) {
        const std::string face = CoverFaceName(style.fontName);
        if (plan.titleHeight > 0) {
            font.Configure(face, plan.titleHeight, true);
            font.DrawHorizontal(faceBuf, Cp932ToUtf8(rows[0]), plan.titleX, plan.titleY,
                                style.textColor);
        }
        faceBuf.Frame(plan.frame, 0x000000);
        if (plan.authorHeight > 0 && !rows[1].empty()) {
            font.Configure(face, plan.authorHeight, true);
            font.DrawHorizontal(faceBuf, Cp932ToUtf8(rows[1]), plan.authorX, plan.authorY,
                                style.textColor);
        }
    }
    ShadeCoverStrip(stripBuf, std::max(faceWidth, stripWidth), style.coverColor, CoverSide::Front);
}

void DrawBackCover(Bitmap& faceBuf, int faceWidth, int faceHeight, Bitmap& stripBuf, int stripWidth,
                   int stripHeight, const CoverStyle& style) {
    faceBuf.Create(faceWidth, faceHeight, style.coverColor);
    stripBuf.Create(stripWidth, stripHeight, style.coverColor);
    ShadeCoverStrip(stripBuf, std::max(faceWidth, stripWidth), style.coverColor, CoverSide::Back);
}

}  // namespace mirvo
