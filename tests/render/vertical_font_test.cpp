#include "render/vertical_font.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "render/glyph_counters.h"
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

TEST(VerticalFontDraw, HorizontalText) {
    VerticalFont f;
    f.Configure("ＭＳ ゴシック", 30, true);
    Bitmap b(300, 100, 0xFFFFFF);
    const int width = f.DrawHorizontal(b, "羅生門", 10, 20, 0);
    EXPECT_EQ(width, 90);
    const Ink ink = InkOf(b);
    EXPECT_GE(ink.left, 10);
    EXPECT_LT(ink.right, 100 + 2);
    EXPECT_GE(ink.top, 20);
    EXPECT_LT(ink.bottom, 50 + 2);
    EXPECT_GT(ink.Width(), 70);
}

// Noto Sans CJK JP (a BASE table, a bold style of its own), from the faces that
// scripts/setup.sh unpacks for the tests; known to this process's fontconfig only, so
// the default Japanese face stays IPAGothic.
bool AddNotoSansCjk() {
    static const bool added = [] {
        bool ok = true;
        for (const char* file : {"/NotoSansCJK-Regular.ttc", "/NotoSansCJK-Bold.ttc"}) {
            const std::string path = std::string(MIRVO_TEST_FONT_DIR) + file;
            ok = FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str())) &&
                 ok;
        }
        return ok;
    }();
    return added;
}
#define REQUIRE_NOTO()                                                          \
    ASSERT_TRUE(AddNotoSansCjk()) << "no Noto Sans CJK in " MIRVO_TEST_FONT_DIR \
                                     " (scripts/setup.sh)"

TEST(VerticalFontEmBox, UprightGlyphsSitInTheirEmBox) {
    REQUIRE_NOTO();
    // Noto's BASE table puts the em box bottom at -120 of 1000 units: top 0.88 em.
    VerticalFont noto;
    noto.Configure("@Noto Sans CJK JP", 40, false);
    ASSERT_NE(noto.Face().family.find("Noto Sans CJK"), std::string::npos) << noto.Face().file;
    EXPECT_EQ(noto.Ascent(), 35);
    VerticalFont ipa;
    ipa.Configure("@ＭＳ ゴシック", 40, false);
    // Cell x 60..100, y 50..90: the ink stays inside and sits where IPAGothic's does.
    for (const char* ch : {"国", "漢", "■", "一"}) {
        const Ink ink = InkOf(DrawOne(ch, 40, 100, 50, false, "@Noto Sans CJK JP"));
        EXPECT_GE(ink.top, 50) << ch;
        EXPECT_LT(ink.bottom, 90) << ch;
        EXPECT_GE(ink.left, 60) << ch;
        const Ink ref = InkOf(DrawOne(ch, 40, 100, 50));
        EXPECT_NEAR(ink.top + ink.bottom, ref.top + ref.bottom, 3) << ch;
    }
    // IPAGothic has no BASE table; its ascender (1802 of 2048 units) is its em box top,
    // so it stays where it always was at every size (0.88 em would move it at 179).
    for (int h = 1; h <= 400; ++h) {
        ipa.Configure("@ＭＳ ゴシック", h, false);
        ASSERT_EQ(ipa.Ascent(), std::lround(h * 1802.0 / 2048)) << h;
    }
}

TEST(VerticalFontBold, TheFamilysOwnBoldStyle) {
    REQUIRE_NOTO();
    const ResolvedFace notoBold = ResolveJapaneseFace("@Noto Sans CJK JP", true);
    EXPECT_TRUE(notoBold.hasBold);
    EXPECT_NE(notoBold.file.find("Bold"), std::string::npos) << notoBold.file;
    // IPAGothic has no bold: its regular face is emboldened.
    const ResolvedFace ipaBold = ResolveJapaneseFace("@ＭＳ ゴシック", true);
    EXPECT_FALSE(ipaBold.hasBold);
    EXPECT_EQ(ipaBold.file, ResolveJapaneseFace("@ＭＳ ゴシック", false).file);
}

TEST(VerticalFontBold, StrokesWidenAlongTheRowsAndGapsKeepHalf) {
    struct Case {
        const char* row;
        int strength;
        const char* widened;
    };
    const Case cases[] = {
        {"#", 1, "##"},           {"#.#", 1, "#.##"},  // a one-pixel gap is never closed
        {"#..#", 1, "##.##"},     {"##...#", 2, "####..##"},
        {".#.#.", 3, ".##.###."}, {"#......#", 4, "#####...####"},
        {"....", 3, "......."},
    };
    for (const Case& c : cases) {
        const std::string row = c.row;
        std::vector<std::uint8_t> pixels;
        for (char p : row) pixels.push_back(p == '#');
        // Two equal rows: each row is widened on its own.
        pixels.insert(pixels.end(), pixels.begin(), pixels.end());
        const auto out = WidenStrokes(pixels, static_cast<int>(row.size()), 2, c.strength);
        std::string got;
        for (std::size_t i = 0; i < out.size() / 2; ++i) got += out[i] ? '#' : '.';
        EXPECT_EQ(got, c.widened) << c.row << " by " << c.strength;
        EXPECT_TRUE(
            std::equal(out.begin(), out.begin() + out.size() / 2, out.begin() + out.size() / 2));
    }
    EXPECT_EQ(SyntheticBoldWidth(12), 1);
    EXPECT_EQ(SyntheticBoldWidth(66), 3);
    EXPECT_EQ(SyntheticBoldWidth(156), 7);
}

// Bold against regular where the reader draws bold: the body font (smoothed, double
// size) at the default window and at 1920 x 1080 (24 and 66 pixels), and the cover title
// of 羅生門 at both (58 and 156). Bold keeps at least 80 % of the enclosed background
// regions of the regular glyph and still adds a tenth of ink.
TEST(VerticalFontBold, SyntheticBoldKeepsTheCounters) {
    for (const char* face : {"@ＭＳ ゴシック", "@ＭＳ 明朝"}) {
        for (int h : {24, 58, 66, 156}) {
            for (const char* ch : {"羅", "輩", "鬱", "驚"}) {
                const Bitmap regular = DrawOne(ch, h, 250, 20, false, face);
                const Bitmap bold = DrawOne(ch, h, 250, 20, true, face);
                const int counters = test::FindCounters(regular, 0xFFFFFF).count;
                const int kept = test::KeptCounters(regular, bold, 0xFFFFFF);
                EXPECT_GE(kept * 5, counters * 4)
                    << face << " " << ch << " at " << h << ": " << kept << " of " << counters;
                EXPECT_GT(InkOf(bold).count * 10, InkOf(regular).count * 11) << ch << " " << h;
            }
        }
    }
}

}  // namespace
}  // namespace mirvo
