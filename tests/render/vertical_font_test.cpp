#include "render/vertical_font.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "render/page_renderer.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

struct Ink {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN, count = 0;
    int Width() const { return count ? right - left + 1 : 0; }
    int Height() const { return count ? bottom - top + 1 : 0; }
};

Ink InkOf(const Bitmap& b, Color background = 0xFFFFFF) {
    Ink ink;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.Pixel(x, y) == background) continue;
            ++ink.count;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

Bitmap DrawOne(const char* utf8, int h, int x, int y, bool bold = false,
               const std::string& face = "@ＭＳ ゴシック") {
    VerticalFont f;
    f.Configure(face, h, bold);
    Bitmap b(300, 420, 0xFFFFFF);
    f.DrawVertical(b, Sjis(utf8), x, y, 0x000000);
    return b;
}

TEST(VerticalFontFace, ResolvesJapaneseFaces) {
    const ResolvedFace gothic = ResolveJapaneseFace("@ＭＳ ゴシック", false);
    EXPECT_NE(gothic.family.find("IPAGothic"), std::string::npos) << gothic.file;
    const ResolvedFace mincho = ResolveJapaneseFace("@ＭＳ 明朝", false);
    EXPECT_NE(mincho.family.find("Mincho"), std::string::npos) << mincho.file;
    // A face that does not exist (or covers no Japanese) falls back to a Japanese one.
    const ResolvedFace unknown = ResolveJapaneseFace("@No Such Face 123", false);
    EXPECT_FALSE(unknown.file.empty());
    EXPECT_NE(unknown.family.find("IPA"), std::string::npos) << unknown.family;
    EXPECT_EQ(ResolveJapaneseFace("IPAGothic", false).file, gothic.file);
}

TEST(VerticalFontDraw, WorkedExampleInkInsideTheCell) {
    // 300 x 420 page, default layout: the first character is drawn at (260, 21) at 14 px.
    for (const char* ch : {"永", "あ", "鬱", "Ｗ", "■"}) {
        const Ink ink = InkOf(DrawOne(ch, 14, 260, 21));
        ASSERT_GT(ink.count, 0) << ch;
        EXPECT_GE(ink.left, 246) << ch;
        EXPECT_LT(ink.right, 260) << ch;
        EXPECT_GE(ink.top, 21) << ch;
        EXPECT_LT(ink.bottom, 35) << ch;
    }
    // A full block fills nearly the whole em square.
    const Ink block = InkOf(DrawOne("■", 28, 100, 50));
    EXPECT_GE(block.Width(), 20);
    EXPECT_GE(block.Height(), 20);
}

TEST(VerticalFontDraw, VerticalFormsOfPunctuation) {
    // Cell x 72..99, y 50..77. The vertical 、 and 。 sit in the upper right quarter.
    for (const char* ch : {"、", "。"}) {
        const Ink ink = InkOf(DrawOne(ch, 28, 100, 50));
        ASSERT_GT(ink.count, 0);
        EXPECT_GT(ink.left, 72 + 14) << ch;
        EXPECT_LT(ink.bottom, 50 + 14) << ch;
    }
    // ー and … run down the column: taller than wide.
    for (const char* ch : {"ー", "…"}) {
        const Ink ink = InkOf(DrawOne(ch, 28, 100, 50));
        EXPECT_GT(ink.Height(), 2 * ink.Width()) << ch;
    }
    // 「 turns into ﹁: wider than tall in the lower half; （ becomes a bow over the text.
    const Ink open = InkOf(DrawOne("「", 28, 100, 50));
    EXPECT_GT(open.top, 50 + 14);
    const Ink paren = InkOf(DrawOne("（", 28, 100, 50));
    EXPECT_GT(paren.Width(), paren.Height());
}

TEST(VerticalFontDraw, SingleByteCharactersLieOnTheirSide) {
    VerticalFont f;
    f.Configure("@ＭＳ ゴシック", 28, false);
    Bitmap b(300, 420, 0xFFFFFF);
    const int advance = f.DrawVertical(b, "-", 100, 50, 0);
    EXPECT_GT(advance, 0);
    EXPECT_LT(advance, 28);
    const Ink dash = InkOf(b);
    EXPECT_GT(dash.Height(), dash.Width());  // a hyphen turned upright
    EXPECT_GE(dash.top, 50);
    EXPECT_LT(dash.bottom, 50 + advance);
    // "A" turned clockwise: its top points right, its baseline runs down at X - ascent.
    Bitmap a(300, 420, 0xFFFFFF);
    f.DrawVertical(a, "A", 100, 50, 0);
    const Ink ia = InkOf(a);
    EXPECT_GE(ia.left, 100 - f.Ascent() - 1);
    EXPECT_LT(ia.right, 100);
    EXPECT_GT(ia.Width(), ia.Height() / 2);
    // The apex of the A (its top) is at the right: the rightmost ink column is short.
    int rightColumn = 0;
    for (int y = 0; y < a.Height(); ++y) rightColumn += a.Pixel(ia.right, y) != 0xFFFFFF;
    EXPECT_LT(rightColumn, ia.Height() / 2);
}

TEST(VerticalFontDraw, OnlyGlyphPixelsInTheColourAreWritten) {
    VerticalFont f;
    f.Configure("@ＭＳ ゴシック", 28, false);
    Bitmap b(300, 420, 0x336699);
    f.DrawVertical(b, Sjis("永"), 100, 50, 0x0000FF);
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            const Color c = b.Pixel(x, y);
            ASSERT_TRUE(c == 0x336699u || c == 0x0000FFu) << x << "," << y;  // monochrome
        }
    }
    // Drawing at the edge clips, never writes outside.
    Bitmap small(10, 10, 0xFFFFFF);
    f.DrawVertical(small, Sjis("永"), 5, -5, 0);
    f.DrawVertical(small, "W", 300, 300, 0);
}

TEST(VerticalFontDraw, GlyphCacheKeepsPixels) {
    VerticalFont f;
    f.Configure("@ＭＳ ゴシック", 20, false);
    Bitmap first(100, 100, 0xFFFFFF), again(100, 100, 0xFFFFFF);
    f.DrawVertical(first, Sjis("驚"), 60, 10, 0);
    f.DrawVertical(first, "g", 30, 10, 0);
    f.Configure("@ＭＳ ゴシック", 21, false);  // another size in between
    f.DrawVertical(again, Sjis("驚"), 60, 10, 0);
    f.Configure("@ＭＳ ゴシック", 20, false);
    f.DrawVertical(again, Sjis("驚"), 60, 10, 0);
    Bitmap fresh(100, 100, 0xFFFFFF);
    f.DrawVertical(fresh, Sjis("驚"), 60, 10, 0);
    f.DrawVertical(fresh, "g", 30, 10, 0);
    EXPECT_EQ(first, fresh);
}

TEST(VerticalFontDraw, BoldAndDegenerateSizes) {
    const Ink regular = InkOf(DrawOne("永", 28, 100, 50));
    const Ink bold = InkOf(DrawOne("永", 28, 100, 50, true));
    EXPECT_GT(bold.count, regular.count + regular.count / 5);
    EXPECT_EQ(InkOf(DrawOne("永", 0, 100, 50)).count, 0);
    EXPECT_EQ(InkOf(DrawOne("永", -3, 100, 50)).count, 0);
    // A cell far beyond any screen (a settings file with FontSpace -100000) draws nothing.
    EXPECT_EQ(InkOf(DrawOne("永", kMaxFontHeight + 1, 100, 50)).count, 0);
    // A lone lead byte and an unassigned code draw as a replacement, without a crash.
    DrawOne("\x81", 14, 100, 50);
    VerticalFont f;
    f.Configure("@ＭＳ ゴシック", 14, false);
    Bitmap b(50, 50, 0xFFFFFF);
    f.DrawVertical(b, "\x85\x40", 30, 0, 0);
    f.DrawVertical(b, "", 30, 0, 0);
}

TEST(VerticalFontDraw, GlyphsKeptStayWithinTheBudget) {
    // Cells of the largest page font and more different kanji than the budget holds at
    // that size: the glyphs kept are let go, never more than the budget.
    VerticalFont f;
    f.Configure("@ＭＳ ゴシック", kMaxPageCellHeight, false);
    Bitmap page(600, 600, 0xFFFFFF);
    std::size_t most = 0, drops = 0, last = 0;
    for (int lead = 0x89; lead <= 0x8F; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const char ch[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            f.DrawVertical(page, std::string_view(ch, 2), 580, 0, 0);
            const std::size_t kept = f.CachedGlyphBytes();
            if (kept < last) ++drops;
            most = std::max(most, kept);
            last = kept;
        }
    }
    EXPECT_LE(most, kGlyphCacheBytes);
    EXPECT_GT(most, kGlyphCacheBytes / 2);
    EXPECT_GE(drops, 1u);
}

TEST(VerticalFontDraw, HorizontalText) {
    VerticalFont f;
    f.Configure("ＭＳ ゴシック", 30, true);
    Bitmap b(300, 100, 0xFFFFFF);
    const int width = f.DrawHorizontal(b, "羅生門", 10, 20, 0);
    EXPECT_EQ(width, 90);
    EXPECT_EQ(f.HorizontalWidth("羅生門"), width);
    const Ink ink = InkOf(b);
    EXPECT_GE(ink.left, 10);
    EXPECT_LT(ink.right, 100 + 2);
    EXPECT_GE(ink.top, 20);
    EXPECT_LT(ink.bottom, 50 + 2);
    EXPECT_GT(ink.Width(), 70);
}

// How many counters (enclosed background regions: 4-connected background that does not
// reach the border) of a regular glyph keep some enclosed background in its bold form
// drawn at the same place; the second element is the number of counters.
std::pair<int, int> KeptCounters(const Bitmap& regular, const Bitmap& bold) {
    const auto label = [](const Bitmap& b) {
        const int w = b.Width(), h = b.Height();
        std::vector<int> id(static_cast<std::size_t>(w) * h, 0);  // 0 unvisited, -1 open
        int count = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (int y0 = 0; y0 < h; ++y0) {
                for (int x0 = 0; x0 < w; ++x0) {
                    const bool border = x0 == 0 || y0 == 0 || x0 == w - 1 || y0 == h - 1;
                    if ((pass == 0) != border || id[y0 * w + x0] || b.Pixel(x0, y0) != 0xFFFFFF)
                        continue;
                    const int mark = pass == 0 ? -1 : ++count;
                    std::vector<std::pair<int, int>> todo{{x0, y0}};
                    id[y0 * w + x0] = mark;
                    while (!todo.empty()) {
                        const auto [x, y] = todo.back();
                        todo.pop_back();
                        for (const auto& [nx, ny] :
                             {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
                            if (nx < 0 || ny < 0 || nx >= w || ny >= h || id[ny * w + nx] ||
                                b.Pixel(nx, ny) != 0xFFFFFF)
                                continue;
                            id[ny * w + nx] = mark;
                            todo.emplace_back(nx, ny);
                        }
                    }
                }
            }
        }
        return std::pair{id, count};
    };
    const auto [before, counters] = label(regular);
    const auto [after, unused] = label(bold);
    std::set<int> kept;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i] > 0 && after[i] > 0) kept.insert(before[i]);
    return {static_cast<int>(kept.size()), counters};
}

// Bold against regular where the reader draws bold: the body font (double size for the
// smoothing) at the default window and at 1920 x 1080 (24 and 66 pixels) and the cover
// title of 羅生門 at both (58 and 156). The faces have no bold style: synthetic bold
// keeps at least 80 % of the counters and still adds a tenth of ink.
TEST(VerticalFontBold, SyntheticBoldKeepsTheCounters) {
    for (const char* face : {"@ＭＳ ゴシック", "@ＭＳ 明朝"}) {
        for (int h : {24, 58, 66, 156}) {
            for (const char* ch : {"羅", "輩", "鬱", "驚"}) {
                const Bitmap regular = DrawOne(ch, h, 250, 20, false, face);
                const Bitmap bold = DrawOne(ch, h, 250, 20, true, face);
                const auto [kept, counters] = KeptCounters(regular, bold);
                EXPECT_GE(kept * 5, counters * 4)
                    << face << " " << ch << " at " << h << ": " << kept << " of " << counters;
                EXPECT_GT(InkOf(bold).count * 10, InkOf(regular).count * 11) << ch << " " << h;
            }
        }
    }
}

// Noto Sans CJK JP, unpacked by scripts/setup.sh and known to this process's fontconfig
// only (the default Japanese face stays IPAGothic), has a BASE table (em box bottom at
// -120 of 1000 units) and a bold style of its own. IPAGothic has neither.
TEST(VerticalFontFace, EmBoxAndBoldStyleOfTheFace) {
    for (const char* file : {"/NotoSansCJK-Regular.ttc", "/NotoSansCJK-Bold.ttc"}) {
        const std::string path = std::string(MIRVO_TEST_FONT_DIR) + file;
        ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str())))
            << path << " missing: run scripts/setup.sh";
    }
    const std::string noto = "@Noto Sans CJK JP";
    VerticalFont f;
    f.Configure(noto, 40, false);
    ASSERT_NE(f.Face().family.find("Noto Sans CJK"), std::string::npos) << f.Face().file;
    EXPECT_EQ(f.Ascent(), 35);  // 0.88 em
    // Cell x 60..100, y 50..90: the ink stays inside and sits where IPAGothic's does.
    for (const char* ch : {"国", "漢", "■", "一"}) {
        const Ink ink = InkOf(DrawOne(ch, 40, 100, 50, false, noto));
        const Ink ipa = InkOf(DrawOne(ch, 40, 100, 50));
        EXPECT_TRUE(ink.top >= 50 && ink.bottom < 90 && ink.left >= 60) << ch;
        EXPECT_NEAR(ink.top + ink.bottom, ipa.top + ipa.bottom, 3) << ch;
    }
    // IPAGothic's em box top is its ascender (1802 of 2048 units) at every size, so it
    // does not move (0.88 em would, first at 179 pixels).
    for (int h = 1; h <= 400; ++h) {
        f.Configure("@ＭＳ ゴシック", h, false);
        ASSERT_EQ(f.Ascent(), std::lround(h * 1802.0 / 2048)) << h;
    }
    const ResolvedFace notoBold = ResolveJapaneseFace(noto, true);
    EXPECT_TRUE(notoBold.hasBold && notoBold.file.find("Bold") != std::string::npos);
    const ResolvedFace ipaBold = ResolveJapaneseFace("@ＭＳ ゴシック", true);
    EXPECT_FALSE(ipaBold.hasBold);
    EXPECT_EQ(ipaBold.file, ResolveJapaneseFace("@ＭＳ ゴシック", false).file);
}

}  // namespace
}  // namespace mirvo

namespace mirvo {
namespace {

Ink UprightInk(std::u32string_view text, int h, const std::string& face = "@ＭＳ ゴシック") {
    VerticalFont f;
    f.Configure(face, h, false);
    Bitmap b(300, 420, 0xFFFFFF);
    EXPECT_EQ(f.DrawUpright(b, text, 100, 50, 0x000000), h);
    return InkOf(b);
}

// Extra characters are drawn from their code points as a double-byte character is drawn;
// a face that lacks one gives way to an installed face that has it. Cell x 72..99, y 50..77.
TEST(VerticalFontDraw, ExtraCharactersFromTheirCodePoints) {
    const Ink same = UprightInk(U"永", 28);
    const Ink cp932 = InkOf(DrawOne("永", 28, 100, 50));
    EXPECT_EQ(std::tie(same.left, same.top, same.right, same.bottom, same.count),
              std::tie(cp932.left, cp932.top, cp932.right, cp932.bottom, cp932.count));
    // A base and its combining mark in one cell: more ink than the base alone.
    const Ink ka = UprightInk(U"か", 28), kaMark = UprightInk(U"\u304B\u309A", 28);
    EXPECT_GT(kaMark.count, ka.count);
    for (const Ink& ink : {UprightInk(U"鷗", 28), UprightInk(U"\u728D", 28), kaMark,
                           UprightInk(U"\U0010FFFD", 28)}) {
        ASSERT_GT(ink.count, 0);
        EXPECT_TRUE(ink.left >= 72 && ink.right < 100 && ink.top >= 50 && ink.bottom < 78);
    }
    // 𠮷 (beyond the BMP): none of the IPA faces has it, Noto Sans CJK JP does.
    const std::string path = std::string(MIRVO_TEST_FONT_DIR) + "/NotoSansCJK-Regular.ttc";
    ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str())))
        << path << " missing: run scripts/setup.sh";
    EXPECT_NE(FaceCovering(U"\U00020BB7").family.find("Noto Sans CJK"), std::string::npos);
    EXPECT_TRUE(FaceCovering(U"\U0010FFFD").file.empty());
    const Ink yoshi = UprightInk(U"\U00020BB7", 28);
    EXPECT_GT(yoshi.count, 40);
    EXPECT_TRUE(yoshi.left >= 72 && yoshi.right < 100 && yoshi.top >= 50 && yoshi.bottom < 78);
}

}  // namespace
}  // namespace mirvo
