#include "render/color.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "format/ascii.h"

namespace mirvo {

namespace {

constexpr std::array<ColorName, 41> kColorNames = {{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clScrollBar", kSystemColorBase + 0},
    {"clBackground", kSystemColorBase + 1},
    {"clActiveCaption", kSystemColorBase + 2},
    {"clInactiveCaption", kSystemColorBase + 3},
    {"clMenu", kSystemColorBase + 4},
    {"clWindow", kSystemColorBase + 5},
    {"clWindowFrame", kSystemColorBase + 6},
    {"clMenuText", kSystemColorBase + 7},
    {"clWindowText", kSystemColorBase + 8},
    {"clCaptionText", kSystemColorBase + 9},
    {"clActiveBorder", kSystemColorBase + 10},
    {"clInactiveBorder", kSystemColorBase + 11},
    {"clAppWorkSpace", kSystemColorBase + 12},
    {"clHighlight", kSystemColorBase + 13},
    {"clHighlightText", kSystemColorBase + 14},
    {"clBtnFace", kSystemColorBase + 15},
    {"clBtnShadow", kSystemColorBase + 16},
    {"clGrayText", kSystemColorBase + 17},
    {"clBtnText", kSystemColorBase + 18},
    {"clInactiveCaptionText", kSystemColorBase + 19},
    {"clBtnHighlight", kSystemColorBase + 20},
    {"cl3DDkShadow", kSystemColorBase + 21},
    {"cl3DLight", kSystemColorBase + 22},
    {"clInfoText", kSystemColorBase + 23},
    {"clInfoBk", kSystemColorBase + 24},
}};

// The classic Windows scheme, system colour index 0..24, as 0x00BBGGRR.
constexpr std::array<Color, kSystemColorCount> kSystemColors = {
    0xC0C0C0,  // scroll bar
    0x808000,  // desktop background (teal)
    0x800000,  // active caption (navy)
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application work space
    0x800000,  // highlight (navy)
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3-D dark shadow
    0xDFDFDF,  // 3-D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background (pale yellow)
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hexadecimal after "$" or decimal with an optional "-"; the value must fit in 32 bits
// (decimal: -2147483648 .. 4294967295, a negative value taken as its two's complement).
bool ParseColorNumber(std::string_view text, Color& out) {
    if (text.empty()) return false;
    if (text[0] == '$') {
        if (text.size() < 2) return false;
        std::uint64_t v = 0;
        for (std::size_t i = 1; i < text.size(); ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0) return false;
            v = v * 16 + static_cast<std::uint64_t>(d);
            if (v > 0xFFFFFFFFull) return false;
        }
        out = static_cast<Color>(v);
        return true;
    }
    bool negative = false;
    std::size_t i = 0;
    if (text[0] == '-') {
        negative = true;
        i = 1;
    }
    if (i >= text.size()) return false;
    std::uint64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (v > 0xFFFFFFFFull) return false;
    }
    if (negative) {
        if (v > 0x80000000ull) return false;
        out = static_cast<Color>(0x100000000ull - v);
        return true;
    }
    out = static_cast<Color>(v);
    return true;
}

}  // namespace

ColorConversionError::ColorConversionError(std::string_view text)
    : std::runtime_error("'" + std::string(text) + "' は正しい色ではありません"), text_(text) {}

std::span<const ColorName> ColorNames() {
    return kColorNames;
}

std::string ColorToString(Color c) {
    for (const ColorName& entry : kColorNames)
        if (entry.value == c) return entry.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(c));
    return buf;
}

bool TryStringToColor(std::string_view text, Color& out) {
    for (const ColorName& entry : kColorNames) {
        if (EqualsNoCase(text, entry.name)) {
            out = entry.value;
            return true;
        }
    }
    return ParseColorNumber(text, out);
}

Color StringToColor(std::string_view text) {
    Color c = 0;
    if (!TryStringToColor(text, c)) throw ColorConversionError(text);
    return c;
}

Color ResolveSystemColor(Color c) {
    if ((c & kSystemColorBase) == 0) return c;
    const unsigned index = c & 0xFFu;
    return index < kSystemColors.size() ? kSystemColors[index] : 0x000000;
}

void SplitColorBytes(Color c, int& c1, int& c2, int& c3) {
    c1 = static_cast<int>(c / 65536u);
    c2 = static_cast<int>((c - static_cast<Color>(c1) * 65536u) / 256u);
    c3 = static_cast<int>(c - static_cast<Color>(c1) * 65536u - static_cast<Color>(c2) * 256u);
}

namespace {

double Channel(Color c, int shift) {
    const double v = static_cast<double>((c >> shift) & 0xFFu) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double Luminance(Color c) {
    return 0.2126 * Channel(c, 0) + 0.7152 * Channel(c, 8) + 0.0722 * Channel(c, 16);
}

}  // namespace

double ContrastRatio(Color a, Color b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace mirvo
