// Inline annotations: how their texts are read, which runs can stand upright, and the
// spans of emphasis marks, side lines, bold text and upright runs in the formatted rows.
#include "format/inline_notes.h"

#include <gtest/gtest.h>

#include "format/cp932.h"
#include "format/format_test_util.h"
#include "format/markup.h"

namespace mirvo::test {
namespace {

// A note as a test reads it: form, then "B" (bold), "U" (upright), "E<shape>" or
// "L<line>", "l" when on the left, and the quoted target.
std::string Read(const char* utf8) {
    const InlineNote n = ParseInlineNote(Sjis(utf8));
    const char* forms[] = {"none", "quoted", "open", "close"};
    std::string out = forms[static_cast<int>(n.form)];
    if (n.form == InlineForm::None) return out;
    out += " ";
    if (n.bold) {
        out += "B";
    } else {
        const char* kinds[] = {"U", "E", "L"};
        out += kinds[static_cast<int>(n.mark.kind)];
        if (n.mark.kind != MarkKind::Upright) out += std::to_string(n.mark.style);
        if (n.mark.left) out += "l";
    }
    if (!n.target.empty()) out += " " + Cp932ToUtf8(n.target);
    return out;
}

TEST(InlineNoteText, EveryFormKindAndSide) {
    const std::pair<const char*, const char*> cases[] = {
        {"「いう」に傍点", "quoted E0 いう"},
        {"「いう」に白ゴマ傍点", "quoted E1 いう"},
        {"「い」に丸傍点", "quoted E2 い"},
        {"「い」に白丸傍点", "quoted E3 い"},
        {"「い」に黒三角傍点", "quoted E4 い"},
        {"「い」に白三角傍点", "quoted E5 い"},
        {"「い」に二重丸傍点", "quoted E6 い"},
        {"「い」に蛇の目傍点", "quoted E7 い"},
        {"「い」にばつ傍点", "quoted E8 い"},
        {"「生血」に「×」の傍記", "quoted E8 生血"},
        {"「い」の左に傍点", "quoted E0l い"},
        {"「あ」に傍線", "quoted L0 あ"},
        {"「あ」に二重傍線", "quoted L1 あ"},
        {"「あ」に鎖線", "quoted L2 あ"},
        {"「あ」に破線", "quoted L3 あ"},
        {"「あ」の左に波線", "quoted L4l あ"},
        {"「「は」」に傍線", "quoted L0 「は」"},  // quotes inside X
        {"「強く」は太字", "quoted B 強く"},
        {"「見出し」はゴシック体", "quoted B 見出し"},
        {"「12」は縦中横", "quoted U 12"},
        {"傍点", "open E0"},
        {"白ゴマ傍点終わり", "close E1"},
        {"左に傍点", "open E0l"},
        {"左に二重傍線終わり", "close L1l"},
        {"太字", "open B"},
        {"ここから太字", "open B"},
        {"ここでゴシック体終わり", "close B"},
        {"ゴチック", "open B"},
        {"縦中横", "open U"},
        {"縦中横終わり", "close U"},
        // Not inline annotations.
        {"「」に傍点", "none"},
        {"「い」に傍点を付す", "none"},
        {"傍点の位置", "none"},
        {"ここから縦中横", "none"},
        {"「い」は斜体", "none"},
        {"「い」に「★」の傍記", "none"},
        {"", "none"},
    };
    for (const auto& [text, read] : cases) EXPECT_EQ(Read(text), read) << text;
}

TEST(InlineNoteText, RunsThatFitOneCell) {
    const std::pair<const char*, bool> cases[] = {
        {"1", true},    {"12", true},      {"1234", true},   {"!?", true},
        {"K.P.", true}, {"（３）", true},  {"１２", true},   {"12345", false},
        {"", false},    {" 1", false},     {"（四）", true}, {"2596人", false},
        {"あ", false},  {"（人）", false}, {"1《", false},   {"ｱ1", false},
    };
    for (const auto& [run, fits] : cases) EXPECT_EQ(IsUprightRun(Sjis(run)), fits) << run;
}

// One formatted row as a test reads it: the row with hidden annotations in {}, bold text
// in **, and each mark as <tag ...> (tags as in Read above).
std::string Describe(const std::string& row, const RowStyle& style) {
    std::string out;
    for (std::size_t i = 0; i <= row.size();) {
        for (const RowMark& m : style.marks) out += m.end == i ? ">" : "";
        for (const RowSpan& s : style.hidden) out += s.end == i ? "}" : "";
        for (const RowSpan& s : style.bold) out += s.end == i ? "*" : "";
        for (const RowSpan& s : style.hidden) out += s.begin == i ? "{" : "";
        for (const RowSpan& s : style.bold) out += s.begin == i ? "*" : "";
        for (const RowMark& m : style.marks) {
            if (m.begin != i) continue;
            const char* kinds[] = {"U", "E", "L"};
            out += std::string("<") + kinds[static_cast<int>(m.kind)];
            if (m.kind != MarkKind::Upright) out += std::to_string(m.style);
            out += m.left ? "l " : " ";
        }
        if (i == row.size()) break;
        const std::size_t len = CharLengthAt(row, i);
        out += Cp932ToUtf8(row.substr(i, len));
        i += len;
    }
    return out;
}

std::vector<std::string> Format(const std::vector<std::string>& lines, int chars) {
    FormatOptions o{PageLayout(10, 2 * chars), true, true, "/books/本.txt", true};
    RowList rows;
    for (const std::string& l : lines) rows.push_back(Sjis(l));
    RecordingHost host;
    LayoutNotes notes;
    EXPECT_TRUE(FormatDocument(rows, o, host, &notes));
    std::vector<std::string> out;
    for (std::size_t r = 0; r + 1 < rows.size(); ++r)
        out.push_back(Describe(rows[r], notes.rows[r]));
    return out;
}

using Rows = std::vector<std::string>;

struct RowCase {
    std::vector<std::string> lines;
    int chars;
    Rows rows;
};

TEST(InlineNoteRows, MarksFollowTheirTextOverRowsAndLines) {
    const RowCase cases[] = {
        {{"あいう［＃「いう」に傍点］え"}, 25, {"あ<E0 いう>{［＃「いう」に傍点］}え"}},
        // X is read without its ruby; the mark covers the ruby markup too.
        {{"｜漢字《かんじ》［＃「漢字」に丸傍点］"},
         25,
         {"｜<E2 漢字《かんじ》>{［＃「漢字」に丸傍点］}"}},
        {{"あ［＃白丸傍点］いう［＃白丸傍点終わり］え"},
         25,
         {"あ{［＃白丸傍点］}<E3 いう>{［＃白丸傍点終わり］}え"}},
        // A range over three rows draws on each of them.
        {{"［＃左に傍線］あいうえおかき［＃左に傍線終わり］"},
         3,
         {"{［＃左に傍線］}<L0l あいう>", "<L0l えおか>", "<L0l き>{［＃左に傍線終わり］}"}},
        // A block over lines, its notes on lines of their own.
        {{"［＃ここから太字］", "あい", "［＃ここで太字終わり］う"},
         25,
         {"{［＃ここから太字］}", "*あい*", "{［＃ここで太字終わり］}う"}},
        {{"一［＃「一」はゴシック体］二"}, 25, {"*一*{［＃「一」はゴシック体］}二"}},
        // Not the text before it, or closed without an opening: footnotes.
        {{"あ［＃「い」に傍線］"}, 25, {"あ［＃「い」に傍線］"}},
        {{"あ［＃傍線終わり］"}, 25, {"あ［＃傍線終わり］"}},
        {{"あ［＃傍線］い［＃破線終わり］"}, 25, {"あ{［＃傍線］}<L0 い［＃破線終わり］>"}},
    };
    for (const RowCase& c : cases) EXPECT_EQ(Format(c.lines, c.chars), c.rows) << c.lines[0];
}

TEST(InlineNoteRows, UprightRunsTakeOneCell) {
    const RowCase cases[] = {
        {{"12［＃「12」は縦中横］月"}, 25, {"<U 12>{［＃「12」は縦中横］}月"}},
        {{"第［＃縦中横］1［＃縦中横終わり］回"},
         25,
         {"第{［＃縦中横］}<U 1>{［＃縦中横終わり］}回"}},
        // Without a note: two digits or !? alone, not a longer run or one digit.
        {{"12月 2026年 A1 1日 ええ!? 3"}, 40, {"<U 12>月 2026年 A1 1日 ええ<U !?> 3"}},
        // Digits inside markup are not text.
        {{"あ《12》い［＃注12］"}, 25, {"あ《12》い［＃注12］"}},
        // Three rows of three cells: one-digit runs count one cell each.
        {{"1［＃「1」は縦中横］2［＃「2」は縦中横］3［＃「3」は縦中横］あい"},
         3,
         {"<U 1>{［＃「1」は縦中横］}<U 2>{［＃「2」は縦中横］}<U 3>{［＃「3」は縦中横］}",
          "あい"}},
        // Four digits take one cell: four characters fit beside them in a row of five.
        {{"1234［＃「1234」は縦中横］あいうえお"},
         5,
         {"<U 1234>{［＃「1234」は縦中横］}あいうえ", "お"}},
        // A run cut by the row's end is drawn as it is (the rows counted its bytes).
        {{"あい123［＃「123」は縦中横］"}, 3, {"あい1", "23{［＃「123」は縦中横］}"}},
        // A run that does not fit one cell, or that is not the text before: footnotes.
        {{"2596人［＃「2596人」は縦中横］"}, 25, {"2596人［＃「2596人」は縦中横］"}},
        {{"前", "［＃縦中横］12345［＃縦中横終わり］"},
         25,
         {"前［＃縦中横］", "12345［＃縦中横終わり］"}},
    };
    for (const RowCase& c : cases) EXPECT_EQ(Format(c.lines, c.chars), c.rows) << c.lines[0];
}

}  // namespace
}  // namespace mirvo::test
