// Book typesetting's line breaking, shown as (text, layout) -> rows tables, and the widths
// of ruby groups that the formatter and the renderer share.
#include "format/typeset_lines.h"

#include <gtest/gtest.h>

#include "format/cp932.h"
#include "format/format_test_util.h"

namespace mirvo::test {
namespace {

FormatOptions Typeset(int chars, bool ruby = true, bool aozora = false) {
    FormatOptions o{PageLayout(10, 2 * chars), ruby, true, "/b.txt", aozora};
    o.Typesetting = true;
    return o;
}

// The rows of `lines`, joined by "|" (the document's closing empty row left out).
std::string Rows(const std::vector<std::string>& lines, const FormatOptions& o) {
    RecordingHost host;
    bool ok = false;
    std::vector<std::string> rows = FormatUtf8(lines, o, host, &ok);
    if (!ok) return "failed: " + (host.errors.empty() ? std::string() : host.errors[0]);
    std::string joined;
    for (std::size_t k = 0; k + 1 < rows.size(); ++k) joined += (k ? "|" : "") + rows[k];
    return joined;
}

TEST(TypesetLines, BreakLikeAPrintedBook) {
    struct Case {
        const char* why;
        std::vector<std::string> lines;
        int chars;
        const char* rows;
    } const cases[] = {
        {"an exact fill leaves no empty column",
         {"あいうえおかきくけこ", "さし"},
         5,
         "あいうえお|かきくけこ|さし"},
        {"an empty line stays one empty column", {"あい", "", "う"}, 5, "あい||う"},
        {"。 hangs, one character", {"あいうえお。かき"}, 5, "あいうえお。|かき"},
        {"a hung 。 at the line's end adds no column",
         {"あいうえお。", "か"},
         5,
         "あいうえお。|か"},
        {"、 then 。: the second may not begin a column",
         {"あいうえお、。か"},
         5,
         "あいうえ|お、。か"},
        {"。」 would hang two deep: both go down with one more",
         {"あいうえお。」か"},
         5,
         "あいうえ|お。」か"},
        {"」 takes the character before it", {"あいうえお」か"}, 5, "あいうえ|お」か"},
        {"！ too", {"あいうえお！か"}, 5, "あいうえ|お！か"},
        {"』） both, and the one before them", {"あいうえお』）か"}, 5, "あいうえ|お』）か"},
        {"々 never begins a column", {"あいうえ時々"}, 5, "あいうえ|時々"},
        {"ゝ never begins a column", {"あいうえこゝ"}, 5, "あいうえ|こゝ"},
        {"「 never ends a column", {"あいうえ「おか」"}, 5, "あいうえ|「おか」"},
        {"―― stays whole", {"あいうえ――か"}, 5, "あいうえ|――か"},
        {"…… stays whole", {"あいうえ……か"}, 5, "あいうえ|……か"},
        {"‥‥ stays whole", {"あいうえ‥‥か"}, 5, "あいうえ|‥‥か"},
        {"a run longer than a column breaks between pairs",
         {"あ――――――――――――"},
         5,
         "あ――――|――――|――――"},
        {"a ruby group moves whole to the next column",
         {"あいうえ黒板《こくばん》です"},
         5,
         "あいうえ|黒板《こくばん》です"},
        {"｜ takes no cell", {"｜あいう《かな》えおかき"}, 5, "｜あいう《かな》えお|かき"},
        {"a base spread for a long ruby takes whole cells",
         {"あいう漢《かんじかん》え"},
         5,
         "あいう|漢《かんじかん》え"},
        {"a separator longer than a column is cut to it",
         {"----------------------", "あ"},
         5,
         "----------|あ"},
        {"a footnote mark never begins a column",
         {"あいうえお［＃注］か"},
         5,
         "あいうえ|お［＃注］か"},
        {"emphasis takes no cell and stays with its text",
         {"あいうえお［＃「お」に傍点］か"},
         5,
         "あいうえお［＃「お」に傍点］|か"},
    };
    for (const Case& c : cases) EXPECT_EQ(Rows(c.lines, Typeset(c.chars)), c.rows) << c.why;
}

TEST(TypesetLines, MarkupSwitchesAndLayoutNotes) {
    // Without ruby, ｜ and the brackets are text and take cells.
    EXPECT_EQ(Rows({"｜あいうえお"}, Typeset(5, false)), "｜あいうえ|お");
    // The indent of a layout annotation narrows the columns of its line.
    EXPECT_EQ(Rows({"［＃２字下げ］あいうえおかき"}, Typeset(5, true, true)),
              "［＃２字下げ］あいう|えおか|き");
    // A ruby left open is the formatter's unclosed-bracket error; with the layout
    // annotations it is text.
    EXPECT_EQ(Rows({"あ", "漢《かん"}, Typeset(5)).rfind("failed: problem", 0), 0u);
    EXPECT_EQ(Rows({"あ", "漢《かんじかんじ"}, Typeset(5, true, true)), "あ|漢《かんじ|かんじ");
    // A hanging indent: the later columns of a line are narrower than its first.
    EXPECT_EQ(Rows({"［＃ここから１字下げ、折り返して２字下げ］", "あいうえおかきくけこ",
                    "［＃ここで字下げ終わり］"},
                   Typeset(5, true, true)),
              "［＃ここから１字下げ、折り返して２字下げ］|あいうえ|おかき|"
              "くけこ［＃ここで字下げ終わり］");
}

TEST(TypesetRules, RubyGroupWidthsAndPlaces) {
    struct Case {
        const char* text;  // one group
        bool overhang;
        int width;                    // bytes of the column
        double firstBase, firstRuby;  // tops, in bytes of the column
    } const cases[] = {
        {"漢《かん》", false, 2, 0, 0},            // fits its base exactly
        {"漢字《かんじ》", false, 4, 0, 1.0 / 6},  // shorter: 1:2:1, ends half a gap
        {"漢字《じ》", false, 4, 0, 1.5},          // one character: centred
        {"漢《かんじ》", true, 2, 0, -0.5},        // overhangs kana by half a ruby character
        {"漢《かんじ》", false, 4, 1, 1.0 / 6},    // else the base spreads over two cells
        {"漢《かんじかん》", true, 4, 1, -0.5},    // one ruby character over each side at most
        {"漢《かんじかん》", false, 6, 2, 0.1},
        {"ABC《えーびーしー》", false, 7, 2.0 / 3, 1.0 / 12},  // whole cells added
        {"｜《るび》", false, 2, 0, 0},  // no base: the ruby in cells of its own
    };
    for (const Case& c : cases) {
        const std::string text = Utf8ToCp932(c.text);
        std::vector<TypesetUnit> units;
        ASSERT_TRUE(ReadTypesetUnits(text, true, true, nullptr, units)) << c.text;
        const TypesetUnit& g = units.back();
        ASSERT_EQ(g.kind, UnitKind::Group) << c.text;
        EXPECT_EQ(UnitWidth(g, c.overhang), c.width) << c.text;
        const GroupPlacement p = PlaceGroup(text, g, c.width);
        if (!p.base.empty()) {
            EXPECT_DOUBLE_EQ(p.base[0], c.firstBase) << c.text;
        }
        EXPECT_DOUBLE_EQ(p.ruby[0], c.firstRuby) << c.text;
    }
}

TEST(TypesetRules, RubyBaseWithoutBar) {
    struct Case {
        const char* text;
        const char* base;
    } const cases[] = {
        {"その黒板《こくばん》", "黒板"},    // the run of kanji
        {"佐々木《ささき》", "佐々木"},      // 々 belongs to the kanji
        {"あのカメラ《かめら》", "カメラ"},  // else the run of one script
        {"後《ご》私《わたくし》", "私"},    // a ruby ends the run before it
        {"「《るび》", "「"},                // a sign: itself
        {"［＃注］《るび》", ""},            // no character before it
    };
    for (const Case& c : cases) {
        const std::string text = Utf8ToCp932(c.text);
        std::vector<TypesetUnit> units;
        ASSERT_TRUE(ReadTypesetUnits(text, true, true, nullptr, units)) << c.text;
        const TypesetUnit& g = units.back();
        EXPECT_EQ(Cp932ToUtf8(text.substr(g.baseBegin, g.baseEnd - g.baseBegin)), c.base) << c.text;
    }
}

}  // namespace
}  // namespace mirvo::test
