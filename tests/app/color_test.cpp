#include "render/color.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace mirvo {
namespace {

TEST(Color, NameTableOrderAndValues) {
    const auto names = ColorNames();
    ASSERT_EQ(names.size(), 41u);
    EXPECT_STREQ(names[0].name, "clBlack");
    EXPECT_STREQ(names[15].name, "clWhite");
    EXPECT_EQ(names[15].value, 0xFFFFFFu);
    EXPECT_EQ(names[9].value, 0x0000FFu);   // clRed: red in the low byte
    EXPECT_EQ(names[12].value, 0xFF0000u);  // clBlue
    // The system colours follow with indices 0..24.
    for (int i = 0; i < kSystemColorCount; ++i) EXPECT_EQ(names[16 + i].value, 0x80000000u + i);
    EXPECT_STREQ(names[16].name, "clScrollBar");
    EXPECT_STREQ(names[40].name, "clInfoBk");
    // Each name, in any case, reads as its own entry and is written back as itself.
    for (const ColorName& n : names) {
        std::string upper = n.name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(ColorToString(StringToColor(upper)), n.name);
    }
}

TEST(Color, NamesAndNumbersReadTheSame) {
    // A colour stored by name in any case and by its "$" number is one value.
    EXPECT_EQ(StringToColor("clWhite"), 0xFFFFFFu);
    EXPECT_EQ(StringToColor("clwhite"), 0xFFFFFFu);
    EXPECT_EQ(StringToColor("CLWHITE"), StringToColor("$00FFFFFF"));
    EXPECT_EQ(StringToColor("$FFFFFF"), 0xFFFFFFu);
    EXPECT_EQ(StringToColor("16777215"), 0xFFFFFFu);
    EXPECT_EQ(StringToColor("clbtnface"), 0x8000000Fu);
    EXPECT_EQ(StringToColor("$8000000F"), 0x8000000Fu);
    // Negative decimal: the 32-bit pattern of a system colour as a signed integer.
    EXPECT_EQ(StringToColor("-2147483643"), 0x80000005u);
    EXPECT_EQ(StringToColor("0"), 0u);
    EXPECT_EQ(StringToColor("$0"), 0u);
}

TEST(Color, AnythingElseIsAConversionError) {
    for (const char* bad : {"", "$", "-", "clWhit", "clWhite ", " clWhite", "$1G", "12a", "0x10",
                            "$100000000", "4294967296", "-2147483649", "+5", "red"}) {
        Color c = 7;
        EXPECT_FALSE(TryStringToColor(bad, c)) << '"' << bad << '"';
        EXPECT_EQ(c, 7u) << "a failed conversion leaves the value";
        try {
            StringToColor(bad);
            ADD_FAILURE() << "no error for \"" << bad << '"';
        } catch (const ColorConversionError& e) {
            EXPECT_NE(std::string(e.what()).find("'" + std::string(bad) + "'"), std::string::npos);
        }
    }
}

TEST(Color, ToStringPrefersNamesElseDollarHex) {
    EXPECT_EQ(ColorToString(0xFFFFFF), "clWhite");
    EXPECT_EQ(ColorToString(0x000000), "clBlack");
    EXPECT_EQ(ColorToString(0x80000005), "clWindow");
    EXPECT_EQ(ColorToString(0x00C0FFEE), "$00C0FFEE");
    EXPECT_EQ(ColorToString(0x80000019), "$80000019");  // no system colour 25
    // Every string written reads back as the same value.
    for (Color c : {0x0u, 0x123456u, 0xFFFFFFu, 0x80000018u, 0xFFFFFFFFu, 0x01000000u})
        EXPECT_EQ(StringToColor(ColorToString(c)), c);
}

TEST(Color, SystemColoursResolveToTheClassicScheme) {
    EXPECT_EQ(ResolveSystemColor(StringToColor("clWindowText")), 0x000000u);
    EXPECT_EQ(ResolveSystemColor(StringToColor("clWindow")), 0xFFFFFFu);
    EXPECT_EQ(ResolveSystemColor(StringToColor("clBtnFace")), 0xC0C0C0u);
    EXPECT_EQ(ResolveSystemColor(StringToColor("clHighlight")), 0x800000u);  // navy
    EXPECT_EQ(ResolveSystemColor(StringToColor("clInfoBk")), 0xE1FFFFu);
    // Plain colours pass unchanged; an index without a system colour is black.
    EXPECT_EQ(ResolveSystemColor(0x123456), 0x123456u);
    EXPECT_EQ(ResolveSystemColor(0x80000019), 0u);
    for (int i = 0; i < kSystemColorCount; ++i)
        EXPECT_EQ(ResolveSystemColor(0x80000000u + i) & 0xFF000000u, 0u);
}

TEST(Color, SplitBytes) {
    int c1 = 0, c2 = 0, c3 = 0;
    SplitColorBytes(MakeColor(0x11, 0x22, 0x33), c1, c2, c3);  // r, g, b
    EXPECT_EQ(c1, 0x33);
    EXPECT_EQ(c2, 0x22);
    EXPECT_EQ(c3, 0x11);
    SplitColorBytes(0xFFFFFF, c1, c2, c3);
    EXPECT_EQ(c1 + c2 + c3, 3 * 255);
    // An unresolved system colour keeps its high word in c1.
    SplitColorBytes(0x8000000F, c1, c2, c3);
    EXPECT_EQ(c1, 0x8000);
    EXPECT_EQ(c2, 0);
    EXPECT_EQ(c3, 0x0F);
}

}  // namespace
}  // namespace mirvo
