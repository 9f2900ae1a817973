// The Aozora layout annotations beyond indents and headings: how their texts are read, and
// the rows and row styles the formatter makes of them (text at the foot, hanging indents,
// fixed widths, sizes, block lines, pictures, page breaks, centred pages, open markup).
#include <gtest/gtest.h>

#include "format/aozora_notes.h"
#include "format/cp932.h"
#include "format/format_test_util.h"
#include "format/layout_notes.h"
#include "format/markup.h"

namespace mirvo::test {
namespace {

struct NoteCase {
    const char* text;
    NoteKind kind;
    int cells = 0, rest = -1, foot = 0, level = 0, steps = 0;
    const char* target = "";
};

TEST(AozoraNoteText, EveryFormAndItsNearMisses) {
    using K = NoteKind;
    const NoteCase cases[] = {
        {"地付き", K::Raise},
        {"地から３字上げ", K::Raise, 3},
        {"ここから地付き", K::BlockRaise},
        {"ここから地から1字上げ", K::BlockRaise, 1},
        {"ここで地付き終わり", K::BlockRaiseEnd},
        {"ここで字上げ終わり", K::BlockRaiseEnd},
        {"天から２字下げ", K::Indent, 2},
        {"この行1字下げ", K::Indent, 1},
        {"ここから２字下げ、折り返して３字下げ", K::BlockIndent, 2, 3},
        {"ここから改行天付き、折り返して２字下げ", K::BlockIndent, 0, 2},
        {"ここから２字下げ、地から３字下げ", K::BlockIndent, 2, -1, 3},
        {"ここから２０字詰め", K::BlockWidth, 20},
        {"ここで字詰め終わり", K::BlockWidthEnd},
        {"１段階小さな文字", K::Size, 0, -1, 0, 0, -1},
        {"２段階大きな文字", K::Size, 0, -1, 0, 0, 2},
        {"12段階小さな文字", K::Size, 0, -1, 0, 0, -9},  // at most nine steps
        {"小さな文字終わり", K::SizeEnd},
        {"大きな文字終わり", K::SizeEnd},
        {"キャプション", K::Size, 0, -1, 0, 0, -1},
        {"キャプション終わり", K::SizeEnd},
        {"ここから１段階小さな文字", K::BlockSize, 0, -1, 0, 0, -1},
        {"ここで小さな文字終わり", K::BlockSizeEnd},
        {"「（注）」は２段階小さな文字", K::SizeOf, 0, -1, 0, 0, -2, "（注）"},
        {"「図一」はキャプション", K::SizeOf, 0, -1, 0, 0, -1, "図一"},
        {"挿絵（fig1.png）入る", K::Picture, 0, -1, 0, 0, 0, "fig1.png"},
        {"鵞鳥の挿絵２（fig43603_11.png、横342×縦320）入る", K::Picture, 0, -1, 0, 0, 0,
         "fig43603_11.png"},
        {"「波（その一）」のキャプション付きの挿絵（a/b.JPEG）入る", K::Picture, 0, -1, 0, 0, 0,
         "a/b.JPEG"},
        {"改頁", K::PageBreak},
        {"改丁", K::PageBreak, 0, -1, 0, 1},
        {"改見開き", K::PageBreak, 0, -1, 0, 2},
        {"ページの左右中央", K::PageCentre},
        {"「一」は同行中見出し", K::Heading, 0, -1, 0, 2, 0, "一"},
        {"窓大見出し", K::HeadingStart, 0, -1, 0, 1},
        {"ここから小見出し", K::BlockHeading, 0, -1, 0, 3},
        {"ここで小見出し終わり", K::BlockHeadingEnd, 0, -1, 0, 3},
        // Near misses stay footnotes.
        {"地から字上げ", K::Footnote},
        {"地付きで", K::Footnote},
        {"ここから０字詰め", K::Footnote},
        {"０段階小さな文字", K::Footnote},
        {"段階小さな文字", K::Footnote},
        {"挿絵（説明）入る", K::Footnote},  // no picture's name
        {"挿絵（.png）入る", K::Footnote},
        {"「」はキャプション", K::Footnote},
        {"ここから２字下げ、折り返して", K::Footnote},
    };
    for (const NoteCase& c : cases) {
        const Note n = ClassifyNote(Sjis(c.text), true);
        EXPECT_EQ(n.kind, c.kind) << c.text;
        EXPECT_EQ(n.cells, c.cells) << c.text;
        EXPECT_EQ(n.rest, c.rest) << c.text;
        EXPECT_EQ(n.foot, c.foot) << c.text;
        EXPECT_EQ(n.level, c.level) << c.text;
        EXPECT_EQ(n.steps, c.steps) << c.text;
        EXPECT_EQ(Cp932ToUtf8(n.target), c.target) << c.text;
        EXPECT_EQ(ClassifyNote(Sjis(c.text), false).kind, NoteKind::Footnote) << c.text;
    }
}

// One formatted row as a test reads it: the indent, "|", then the row with hidden
// annotations in {}, heading text in **, sized text in [steps …] and, where the text set
// at the foot begins, "^" and its raise.
std::string Describe(const std::string& row, const RowStyle& s) {
    std::string out = std::to_string(s.indent) + "|";
    for (std::size_t i = 0; i <= row.size();) {
        for (const RowSpan& h : s.hidden) out += h.end == i ? "}" : "";
        for (const SizedSpan& z : s.sized) out += z.end == i ? "]" : "";
        for (const RowSpan& b : s.bold) out += b.end == i ? "*" : "";
        if (s.raise >= 0 && s.footFrom == i) out += "^" + std::to_string(s.raise);
        for (const SizedSpan& z : s.sized) {
            out += z.begin == i ? "[" + std::to_string(z.steps) + " " : "";
        }
        for (const RowSpan& h : s.hidden) out += h.begin == i ? "{" : "";
        for (const RowSpan& b : s.bold) out += b.begin == i ? "*" : "";
        if (i == row.size()) break;
        const std::size_t len = CharLengthAt(row, i);
        out += Cp932ToUtf8(row.substr(i, len));
        i += len;
    }
    if (s.picture) out += " <" + Cp932ToUtf8(PictureNoteFile(row)) + ">";
    return out;
}

struct Formatted {
    std::vector<std::string> rows;  // Describe()d
    std::vector<Problem> problems;
    std::vector<std::string> headings;  // "row text"
};

Formatted Format(const std::vector<std::string>& lines, int chars = 10, int rowCount = 10) {
    FormatOptions o{PageLayout(rowCount, 2 * chars), true, true, "/books/本.txt", true};
    RowList rows;
    for (const std::string& l : lines) rows.push_back(Sjis(l));
    const RowList source = rows;
    RecordingHost host;
    LayoutNotes notes;
    Formatted f;
    if (!FormatDocument(rows, o, host, &notes)) {
        f.problems = host.problems;
        return f;
    }
    EXPECT_EQ(notes.rows.size(), rows.size());
    // Every line's bytes stand in the rows in order, but for page-break lines.
    std::string kept, laid;
    for (const std::string& l : source) kept += LayoutNoteTracker::IsPageBreakLine(l) ? "" : l;
    for (const std::string& r : rows) laid += r;
    EXPECT_EQ(Cp932ToUtf8(laid), Cp932ToUtf8(kept));
    for (std::size_t r = 0; r < rows.size(); ++r)
        f.rows.push_back(Describe(rows[r], notes.rows[r]));
    for (const Heading& h : notes.headings) {
        f.headings.push_back(std::to_string(h.row) + " " + Cp932ToUtf8(h.text));
    }
    f.problems = host.problems;
    return f;
}

using Rows = std::vector<std::string>;

struct RowsCase {
    const char* what;
    std::vector<std::string> lines;
    Rows rows;
    int chars = 10;
};

TEST(AozoraLayoutRows, FootIndentWidthAndSize) {
    const RowsCase cases[] = {
        {"a signature at the foot",
         {"本文", "［＃地付き］署名"},
         {"0|本文", "0|^0{［＃地付き］}署名", "0|"}},
        {"a date three cells above the foot",
         {"［＃地から３字上げ］日付"},
         {"0|^3{［＃地から３字上げ］}日付", "0|"}},
        {"amid a line, the rest fits below the text before it",
         {"拝具［＃地から１字上げ］名"},
         {"0|拝具{［＃地から１字上げ］}^1名", "0|"}},
        {"amid a line, the rest goes to the foot of the next column",
         {"あいうえおかき［＃地から２字上げ］くけこ"},
         {"0|あいうえおかき{［＃地から２字上げ］}", "0|^2くけこ", "0|"}},
        {"amid a line: the fit is judged once, at the annotation",
         {"あ［＃地付き］いう［＃１段階小さな文字］え［＃小さな文字終わり］"},
         {"0|あ{［＃地付き］}^0いう{［＃１段階小さな文字］}[-1 え]{［＃小さな文字終わり］}", "0|"},
         6},
        {"a long line keeps the raise free in every row; its last row is aligned",
         {"［＃地から２字上げ］あいうえおかきくけこ"},
         {"0|{［＃地から２字上げ］}あいうえおかきく", "0|^2けこ", "0|"}},
        {"a foot block: each line's last row aligned; the block lines take no column",
         {"前", "［＃ここから地から１字上げ］", "一行目", "二", "［＃ここで字上げ終わり］", "後"},
         {"0|前{［＃ここから地から１字上げ］}", "0|^1一行目", "0|^1二{［＃ここで字上げ終わり］}",
          "0|後", "0|"}},
        {"a hanging indent",
         {"前", "［＃ここから２字下げ、折り返して３字下げ］", "あいうえおかきくけこさしすせ",
          "［＃ここで字下げ終わり］", "後"},
         {"0|前{［＃ここから２字下げ、折り返して３字下げ］}", "2|あいうえおかきく",
          "3|けこさしすせ{［＃ここで字下げ終わり］}", "0|後", "0|"}},
        {"the first row at the head, the rest indented",
         {"前", "［＃ここから改行天付き、折り返して２字下げ］", "あいうえおかきくけこさしす"},
         {"0|前{［＃ここから改行天付き、折り返して２字下げ］}", "0|あいうえおかきくけこ",
          "2|さしす", "0|"}},
        {"rows of a fixed width",
         {"前", "［＃ここから５字詰め］", "あいうえおかきくけこさ", "［＃ここで字詰め終わり］",
          "あいうえおかきくけこさ"},
         {"0|前{［＃ここから５字詰め］}", "0|あいうえお", "0|かきくけこ",
          "0|さ{［＃ここで字詰め終わり］}", "0|あいうえおかきくけこ", "0|さ", "0|"}},
        {"smaller text, on a line and across lines",
         {"前［＃１段階小さな文字］注記［＃小さな文字終わり］後", "［＃ここから２段階小さな文字］",
          "一", "二", "［＃ここで小さな文字終わり］", "本の題［＃「題」はキャプション］"},
         {"0|前{［＃１段階小さな文字］}[-1 注記]{［＃小さな文字終わり］}後"
          "{［＃ここから２段階小さな文字］}",
          "0|[-2 一]", "0|[-2 二]{［＃ここで小さな文字終わり］}",
          "0|本の[-1 題]{［＃「題」はキャプション］}", "0|"}},
        {"an end with nothing open, and text not before its note, stay footnotes",
         {"あ［＃小さな文字終わり］", "い［＃「う」は１段階小さな文字］",
          "え［＃ここで字詰め終わり］"},
         {"0|あ［＃小さな文字終わり］", "0|い［＃「う」は１段階小さな文字］",
          "0|え［＃ここで字詰め終わり］", "0|"}},
        {"the first line of the book keeps its column; a one-line indent too",
         {"［＃ここから２字下げ］", "あ", "［＃３字下げ］", "い"},
         {"2|{［＃ここから２字下げ］}", "2|あ", "3|{［＃３字下げ］}", "2|い", "0|"}},
    };
    for (const RowsCase& c : cases) {
        const Formatted f = Format(c.lines, c.chars);
        EXPECT_TRUE(f.problems.empty()) << c.what;
        EXPECT_EQ(f.rows, c.rows) << c.what;
    }
}

TEST(AozoraLayoutRows, PageBreaksPicturesAndCentredPages) {
    // 改丁 and 改見開き go on to the next odd (right-hand) page.
    auto f = Format({"あ", "［＃改丁］", "い"}, 10, 4);
    EXPECT_EQ(f.rows, (Rows{"0|あ", "0|", "0|", "0|", "0|", "0|", "0|", "0|", "0|", "0|い", "0|"}));
    f = Format({"あ", "［＃改ページ］", "い", "［＃改見開き］", "う"}, 10, 4);
    EXPECT_EQ(f.rows,
              (Rows{"0|あ", "0|", "0|", "0|", "0|", "0|い", "0|", "0|", "0|", "0|う", "0|"}));

    // A picture annotation alone on its line: a page of its own, as an <IMG> line.
    f = Format({"あ", "［＃挿絵１（fig1.png、横321×縦123）入る］", "い"}, 10, 3);
    EXPECT_EQ(f.rows,
              (Rows{"0|あ", "0|", "0|", "0|［＃挿絵１（fig1.png、横321×縦123）入る］ <fig1.png>",
                    "0|", "0|", "0|い", "0|"}));
    // A block line after a picture keeps its own column: a picture's page stays empty.
    for (const char* picture : {"［＃挿絵（a.png）入る］", "<IMG SRC=\"a.png\">"}) {
        f = Format({picture, "［＃ここから２字下げ］", "あ"}, 10, 3);
        EXPECT_EQ(f.rows[2], "0|") << picture;
        EXPECT_EQ(f.rows[3], "2|{［＃ここから２字下げ］}") << picture;
    }
    // Amid text it stays a footnote.
    f = Format({"あ［＃挿絵（fig1.png）入る］"}, 20, 3);
    EXPECT_EQ(f.rows, (Rows{"0|あ［＃挿絵（fig1.png）入る］", "0|"}));

    // ページの左右中央: the text of its page moved to the middle columns.
    f = Format(
        {"前", "［＃改ページ］", "［＃ページの左右中央］", "", "題", "", "［＃改ページ］", "本"},
        10, 10);
    ASSERT_EQ(f.rows.size(), 23u);
    EXPECT_EQ(f.rows[10], "0|{［＃ページの左右中央］}");
    EXPECT_EQ(f.rows[14], "0|題");  // one row in the middle of ten
    for (int r : {11, 12, 13, 15, 16, 17, 18, 19}) EXPECT_EQ(f.rows[r], "0|") << r;
    EXPECT_EQ(f.rows[21], "0|本");
    // A heading on the page moves with it; a page whose text runs on is left alone.
    f = Format(
        {"［＃改ページ］", "［＃ページの左右中央］", "一［＃「一」は中見出し］", "［＃改丁］"}, 10,
        6);
    EXPECT_EQ(f.headings, Rows{"2 一"});
    f = Format({"［＃改ページ］", "［＃ページの左右中央］", "あ", "い", "う", "え", "お",
                "［＃改ページ］"},
               10, 4);
    EXPECT_EQ(f.rows[1], "0|あ");
}

TEST(AozoraLayoutRows, HeadingBlocksOverLines) {
    const Formatted f = Format({"前", "［＃ここから中見出し］", "第一", "副題",
                                "［＃ここで中見出し終わり］", "本文［＃ここで中見出し終わり］"});
    EXPECT_EQ(f.rows, (Rows{"0|前{［＃ここから中見出し］}", "0|*第一*",
                            "0|*副題*{［＃ここで中見出し終わり］}",
                            "0|本文［＃ここで中見出し終わり］", "0|"}));
    EXPECT_EQ(f.headings, Rows{"1 第一"});
}

TEST(AozoraLayoutRows, MarkupLeftOpenIsTextAndNamedOnce) {
    const Formatted f = Format({"前", "あ《い", "う［＃え", "お｜か《き》"});
    EXPECT_EQ(f.rows, (Rows{"0|前", "0|あ《い", "0|う［＃え", "0|お｜か《き》", "0|"}));
    ASSERT_EQ(f.problems.size(), 1u);
    EXPECT_EQ(f.problems[0].kind, ProblemKind::FormatMarkupAsText);
    EXPECT_EQ(f.problems[0].line, 2);
    // Open markup takes its width as text: ten cells, then the next row.
    EXPECT_EQ(Format({"前", "あいうえお《かきくけこさ"}).rows,
              (Rows{"0|前", "0|あいうえお《かきくけ", "0|こさ", "0|"}));
}

TEST(AozoraLayoutText, DrawnWidthCountsCells) {
    const struct {
        const char* text;
        std::size_t width;
    } cases[] = {
        {"あいう", 6},
        {"ab", 2},
        {"漢《かん》字", 4},
        {"あ［＃注］", 4},
        {"あ［＃「あ」に傍点］", 2},
        {"あ［＃地付き］い", 4},  // a layout annotation takes no cell
        {"あ《い", 6},            // open ruby is text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DrawnWidth(Sjis(c.text), 0, true, nullptr), c.width) << c.text;
    }
    RowStyle hidden;
    hidden.hidden.push_back({2, 2 + static_cast<std::uint32_t>(Sjis("［＃注］").size())});
    EXPECT_EQ(DrawnWidth(Sjis("あ［＃注］い"), 0, true, &hidden), 4u);
    EXPECT_EQ(DrawnWidth(Sjis("あ［＃注］い"), 2, true, nullptr), 4u);
}

}  // namespace
}  // namespace mirvo::test
