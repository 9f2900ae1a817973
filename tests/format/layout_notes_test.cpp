// Layout annotations: how their texts are read, and the rows, indents, hidden annotations,
// heading texts and headings the formatter makes of them.
#include <gtest/gtest.h>

#include "format/cp932.h"
#include "format/format_test_util.h"
#include "format/layout_notes.h"
#include "format/markup.h"

namespace mirvo::test {
namespace {

struct NoteCase {
    const char* text;
    NoteKind kind;
    int cells = 0;
    int level = 0;
    const char* target = "";
};

TEST(LayoutNoteText, EveryFormAndWhatStaysAFootnote) {
    const NoteCase cases[] = {
        {"５字下げ", NoteKind::Indent, 5},
        {"5字下げ", NoteKind::Indent, 5},
        {"１0字下げ", NoteKind::Indent, 10},  // both kinds of digit in one number
        {"99999999999字下げ", NoteKind::Indent, kMaxNoteCells},
        {"ここから２字下げ", NoteKind::BlockIndent, 2},
        {"ここで字下げ終わり", NoteKind::BlockIndentEnd},
        {"「上　先生と私」は大見出し", NoteKind::Heading, 0, 1, "上　先生と私"},
        {"「一」は中見出し", NoteKind::Heading, 0, 2, "一"},
        {"大見出し", NoteKind::HeadingStart, 0, 1},
        {"小見出し", NoteKind::HeadingStart, 0, 3},
        {"中見出し終わり", NoteKind::HeadingEnd, 0, 2},
        {"改ページ", NoteKind::PageBreak},
        {"「いう」に傍点", NoteKind::Emphasis},
        {"「傍点」は中見出し", NoteKind::Emphasis},  // 傍点 wins, as it always did
        // Footnotes: other annotations and near misses.
        {"「X」は底本では「Y」", NoteKind::Footnote},
        {"地から字上げ", NoteKind::Footnote},
        {"字下げ", NoteKind::Footnote},
        {"５字下げる", NoteKind::Footnote},
        {"ここから字下げ", NoteKind::Footnote},
        {"「」は中見出し", NoteKind::Footnote},
        {"中見出しの終わり", NoteKind::Footnote},
        {"", NoteKind::Footnote},
    };
    for (const NoteCase& c : cases) {
        const Note n = ClassifyNote(Sjis(c.text), true);
        EXPECT_EQ(n.kind, c.kind) << c.text;
        EXPECT_EQ(n.cells, c.cells) << c.text;
        EXPECT_EQ(n.level, c.level) << c.text;
        EXPECT_EQ(Cp932ToUtf8(n.target), c.target) << c.text;
        // Without layout only emphasis is told apart, as the reader always did.
        EXPECT_EQ(ClassifyNote(Sjis(c.text), false).kind,
                  c.kind == NoteKind::Emphasis ? NoteKind::Emphasis : NoteKind::Footnote)
            << c.text;
    }
}

TEST(LayoutNoteText, MarkupRemovedAndTextFoundBeforeAnAnnotation) {
    EXPECT_EQ(Cp932ToUtf8(StripMarkup(Sjis("｜漢字《かんじ》［＃注］と《る》"), true, true)),
              "漢字と");
    EXPECT_EQ(Cp932ToUtf8(StripMarkup(Sjis("漢《かん［＃注］"), true, true)), "漢《かん")
        << "markup left open stays";
    const std::string line = Sjis("序の｜漢字《かんじ》［＃注］");
    EXPECT_EQ(FindReadingBefore(line, line.size(), Sjis("の漢字"), true), Sjis("序").size());
    EXPECT_EQ(FindReadingBefore(line, line.size(), Sjis("漢"), true), std::string::npos);
    // A match must begin on a character: "ア" (0x83 0x41) ends in the byte of "A".
    EXPECT_EQ(FindReadingBefore(Sjis("ア"), 2, "A", true), std::string::npos);
}

// One formatted row as a test reads it: the indent, "|", then the row with hidden
// annotations in {} and heading text in **.
std::string Describe(const std::string& row, const RowStyle& style) {
    std::string out = std::to_string(style.indent) + "|";
    for (std::size_t i = 0; i <= row.size();) {
        auto edge = [&](const std::vector<RowSpan>& spans, bool begin) {
            int n = 0;
            for (const RowSpan& s : spans) n += (begin ? s.begin : s.end) == i;
            return n;
        };
        for (int n = edge(style.hidden, false); n > 0; --n) out += "}";
        for (int n = edge(style.bold, false); n > 0; --n) out += "*";
        for (int n = edge(style.hidden, true); n > 0; --n) out += "{";
        for (int n = edge(style.bold, true); n > 0; --n) out += "*";
        if (i == row.size()) break;
        const std::size_t len = CharLengthAt(row, i);
        out += Cp932ToUtf8(row.substr(i, len));
        i += len;
    }
    return out;
}

struct Formatted {
    std::vector<std::string> rows;      // Describe()d
    std::vector<std::string> headings;  // "row level text"
};

Formatted FormatWithNotes(const std::vector<std::string>& lines, int chars = 25, int rowCount = 10,
                          bool aozora = true, bool comment = true) {
    FormatOptions o{PageLayout(rowCount, 2 * chars), true, comment, "/books/本.txt", aozora};
    RowList rows;
    for (const std::string& l : lines) rows.push_back(Sjis(l));
    RecordingHost host;
    LayoutNotes notes;
    EXPECT_TRUE(FormatDocument(rows, o, host, &notes))
        << (host.errors.empty() ? "" : host.errors[0]);
    Formatted f;
    const bool styled = !notes.rows.empty();
    EXPECT_EQ(styled, aozora && comment);
    if (styled) {
        EXPECT_EQ(notes.rows.size(), rows.size());
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        f.rows.push_back(Describe(rows[r], styled ? notes.rows[r] : RowStyle{}));
    }
    for (const Heading& h : notes.headings) {
        f.headings.push_back(std::to_string(h.row) + " " + std::to_string(h.level) + " " +
                             Cp932ToUtf8(h.text));
    }
    return f;
}

using Rows = std::vector<std::string>;

TEST(LayoutNoteRows, IndentAtTheStartOfALineShortensItsRows) {
    // The chapter opening of the sample novel: indent and heading take no cell.
    auto f = FormatWithNotes({"［＃５字下げ］一［＃「一」は中見出し］"});
    EXPECT_EQ(f.rows, (Rows{"5|{［＃５字下げ］}*一*{［＃「一」は中見出し］}", "0|"}));
    EXPECT_EQ(f.headings, Rows{"0 2 一"});

    // 10 characters a row, 3 of them indent: 7 characters a row; kinsoku on the short row.
    f = FormatWithNotes({"［＃3字下げ］あいうえおかきくけこさ。し", "次"}, 10);
    EXPECT_EQ(f.rows, (Rows{"3|{［＃3字下げ］}あいうえおかき", "3|くけこさ。し", "0|次", "0|"}));
    f = FormatWithNotes({"前", "［＃３字下げ］あいうえおかき。く"}, 10);
    EXPECT_EQ(f.rows[1], "3|{［＃３字下げ］}あいうえおかき。") << "hung on the shortened row";

    // An indent wider than the row leaves room for one character.
    f = FormatWithNotes({"［＃１0字下げ］あい", "う"}, 5);
    EXPECT_EQ(f.rows, (Rows{"4|{［＃１0字下げ］}あ", "4|い", "4|", "0|う", "0|"}));
    // The smallest row holds no indent at all.
    f = FormatWithNotes({"［＃２字下げ］あい"}, 1);
    EXPECT_EQ(f.rows, (Rows{"0|{［＃２字下げ］}あ", "0|い", "0|", "0|"}));

    // Not at the start of a line: a footnote that takes its cell.
    f = FormatWithNotes({"あ［＃２字下げ］いう"}, 3);
    EXPECT_EQ(f.rows, (Rows{"0|あ［＃２字下げ］い", "0|う", "0|"}));
    // The first line may begin with a layout annotation; a footnote there is an error.
    f = FormatWithNotes({"［＃２字下げ］題"});
    EXPECT_EQ(f.rows[0], "2|{［＃２字下げ］}題");
}

TEST(LayoutNoteRows, IndentBlocksNestAndRunToTheirEnd) {
    auto f = FormatWithNotes({"［＃ここから２字下げ］", "あ", "［＃ここから４字下げ］", "い",
                              "［＃５字下げ］う", "［＃ここで字下げ終わり］", "え",
                              "［＃ここで字下げ終わり］", "お", "［＃ここで字下げ終わり］か"});
    // A line of block annotations alone joins the row before: no empty column (but for
    // the cover's title and author rows, the first two).
    EXPECT_EQ(f.rows, (Rows{"2|{［＃ここから２字下げ］}", "2|あ", "4|{［＃ここから４字下げ］}",
                            "4|い", "5|{［＃５字下げ］}う{［＃ここで字下げ終わり］}",
                            "2|え{［＃ここで字下げ終わり］}", "0|お",
                            "0|{［＃ここで字下げ終わり］}か", "0|"}));
    // A block never closed runs to the end of the book.
    f = FormatWithNotes({"［＃ここから３字下げ］", "あ", "", "い"});
    EXPECT_EQ(f.rows, (Rows{"3|{［＃ここから３字下げ］}", "3|あ", "3|", "3|い", "0|"}));
    // A block start amid text is a footnote and opens nothing.
    f = FormatWithNotes({"あ［＃ここから３字下げ］", "い"});
    EXPECT_EQ(f.rows, (Rows{"0|あ［＃ここから３字下げ］", "0|い", "0|"}));
}

TEST(LayoutNoteRows, HeadingsInlineAndAsBlocks) {
    // The quoted text is read without ruby; the ruby is part of the heading's text.
    auto f = FormatWithNotes({"序の漢字《かんじ》［＃「漢字」は大見出し］続き"});
    EXPECT_EQ(f.rows[0], "0|序の*漢字《かんじ》*{［＃「漢字」は大見出し］}続き");
    EXPECT_EQ(f.headings, Rows{"0 1 漢字"});

    // A quoted text that is not the text before it: the annotation stays a footnote.
    f = FormatWithNotes({"二［＃「一」は中見出し］"});
    EXPECT_EQ(f.rows[0], "0|二［＃「一」は中見出し］");
    EXPECT_TRUE(f.headings.empty());

    f = FormatWithNotes({"［＃小見出し］序《じょ》章［＃小見出し終わり］本文"});
    EXPECT_EQ(f.rows[0], "0|{［＃小見出し］}*序《じょ》章*{［＃小見出し終わり］}本文");
    EXPECT_EQ(f.headings, Rows{"0 3 序《じょ》章"});

    // Nested blocks make two headings, the outer one first.
    f = FormatWithNotes(
        {"［＃大見出し］上［＃中見出し］一［＃中見出し終わり］［＃大見出し終わり］"});
    EXPECT_EQ(f.headings, (Rows{"0 1 上［＃中見出し］一［＃中見出し終わり］", "0 2 一"}));
    EXPECT_EQ(
        f.rows[0],
        "0|{［＃大見出し］}*上{［＃中見出し］}*一*{［＃中見出し終わり］}*{［＃大見出し終わり］}");

    // Unclosed on the line, closed without a start, or closed by another level: footnotes.
    for (const char* line : {"［＃中見出し］序章", "序章［＃中見出し終わり］",
                             "［＃大見出し］序章［＃中見出し終わり］"}) {
        f = FormatWithNotes({"前", line});
        std::string all;
        for (const std::string& r : f.rows) all += r;
        EXPECT_EQ(all.find_first_of("{*"), std::string::npos) << all;
        EXPECT_TRUE(f.headings.empty()) << line;
    }
    // An empty block hides its annotations and lists nothing.
    f = FormatWithNotes({"［＃中見出し］［＃中見出し終わり］"});
    EXPECT_EQ(f.rows[0], "0|{［＃中見出し］}{［＃中見出し終わり］}");
    EXPECT_TRUE(f.headings.empty());
}

TEST(LayoutNoteRows, HeadingsAcrossRowsAndAtARowEnd) {
    // A heading longer than a row: its text is bold in both rows, listed at the first.
    auto f = FormatWithNotes({"前", "第一章序［＃「第一章序」は中見出し］"}, 3);
    EXPECT_EQ(f.rows, (Rows{"0|前", "0|*第一章*", "0|*序*{［＃「第一章序」は中見出し］}", "0|"}));
    EXPECT_EQ(f.headings, Rows{"1 2 第一章序"});

    // The heading fills its row: the annotation stays at the end of that row (no empty
    // column of its own), and a full stop after it still hangs there.
    f = FormatWithNotes({"前", "第一章［＃「第一章」は中見出し］。次"}, 3);
    EXPECT_EQ(f.rows, (Rows{"0|前", "0|*第一章*{［＃「第一章」は中見出し］}。", "0|次", "0|"}));
}

TEST(LayoutNoteRows, PageBreaksOnALineOfTheirOwnActAsTagLines) {
    const Formatted skip = FormatWithNotes({"あ", "<SKIP>", "い"}, 25, 4);
    for (const char* brk : {"［＃改ページ］", "［＃改頁］"}) {
        EXPECT_EQ(FormatWithNotes({"あ", brk, "い"}, 25, 4).rows, skip.rows) << brk;
    }
    EXPECT_EQ(skip.rows, (Rows{"0|あ", "0|", "0|", "0|", "0|", "0|い", "0|"}));
    // Amid text, or with the option off, it is a footnote.
    EXPECT_EQ(FormatWithNotes({"あ［＃改ページ］い"}, 25, 4).rows[0], "0|あ［＃改ページ］い");
    EXPECT_EQ(FormatWithNotes({"あ", "［＃改ページ］", "い"}, 25, 4, false).rows,
              (Rows{"0|あ［＃改ページ］", "0|", "0|い", "0|"}));
}

TEST(LayoutNoteRows, WithoutAnnotationMarkupNothingIsRead) {
    // UseComment off: annotations are text, so the option has nothing to lay out.
    const std::vector<std::string> book = {"題", "［＃５字下げ］一［＃「一」は中見出し］",
                                           "［＃改ページ］", "次"};
    RecordingHost host;
    Rows expected;
    for (const std::string& r :
         FormatUtf8(book, FormatOptions{PageLayout(10, 20), true, false, "/b.txt"}, host))
        expected.push_back("0|" + r);
    EXPECT_EQ(FormatWithNotes(book, 10, 10, true, false).rows, expected);
    // Emphasis keeps its place and takes no cell with the option on too (where it is
    // hidden: its marks are drawn from the row's style).
    EXPECT_EQ(FormatWithNotes({"前", "あいう［＃「いう」に傍点］え"}, 3).rows,
              (Rows{"0|前", "0|あいう{［＃「いう」に傍点］}", "0|え", "0|"}));
}

}  // namespace
}  // namespace mirvo::test
