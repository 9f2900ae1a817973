// Colour strings of the settings files and their 32-bit values.
//
// A colour is stored as a string: one of the 41 names below (any letter case), a decimal
// integer, or a hexadecimal integer written with a leading "$". Values are 0x00BBGGRR for a
// plain colour, or 0x80000000 + index for one of the 25 system colours, which resolve to
// the classic Windows scheme through a fixed table, so a book looks the same on every
// desktop.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "render/bitmap.h"

namespace mirvo {

// A colour string that is neither a colour name nor a number. The text quotes the string.
class ColorConversionError : public std::runtime_error {
  public:
    explicit ColorConversionError(std::string_view text);
    const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

struct ColorName {
    const char* name;
    Color value;
};

// First value of the system colours: 0x80000000 + index, index 0..24.
constexpr Color kSystemColorBase = 0x80000000u;
constexpr int kSystemColorCount = 25;

// The 41 named colours in their fixed order: 16 plain colours, then the system colours
// with indices 0 to 24.
std::span<const ColorName> ColorNames();

// The name where the table has one (the first entry with that value), else "$" and 8
// upper-case hexadecimal digits.
std::string ColorToString(Color c);

// A colour name (any case), a decimal integer (a "-" sign allowed, within 32 bits) or "$"
// followed by hexadecimal digits (within 32 bits). Nothing else, no spaces.
bool TryStringToColor(std::string_view text, Color& out);

// As TryStringToColor; throws ColorConversionError for anything else.
Color StringToColor(std::string_view text);

// A system colour (high bit set) becomes its classic Windows scheme value: clWindowText
// black, clWindow white, clBtnFace 0xC0C0C0 and so on; the index is the low byte, and an
// index without a system colour gives black. A plain colour is returned unchanged.
Color ResolveSystemColor(Color c);

// The contrast ratio of two plain colours by their relative luminance (sRGB): 1 for the
// same colour, 21 for black on white.
double ContrastRatio(Color a, Color b);

// The three bytes of a colour as the shading arithmetic takes them apart:
// c1 = trunc(c / 65536), c2 = trunc((c - c1 * 65536) / 256), c3 = the rest.
// For a plain colour that is blue, green and red.
void SplitColorBytes(Color c, int& c1, int& c2, int& c3);

}  // namespace mirvo
