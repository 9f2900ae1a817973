// The formatter's rules, each shown on small texts, and the problems it reports (worded in
// tests/app/messages_test.cpp).
#include "format/formatter.h"

#include <gtest/gtest.h>

#include "format/cp932.h"
#include "format/format_test_util.h"

namespace mirvo::test {
namespace {

FormatOptions Layout(int rows = 10, int chars = 25, bool ruby = true, bool comment = true) {
    return FormatOptions{PageLayout(rows, 2 * chars), ruby, comment, "/books/本.txt"};
}

std::vector<std::string> Format(const std::vector<std::string>& lines,
                                const FormatOptions& o = Layout()) {
    RecordingHost host;
    bool ok = false;
    auto rows = FormatUtf8(lines, o, host, &ok);
    EXPECT_TRUE(ok) << (host.errors.empty() ? "" : host.errors[0]);
    return rows;
}

Problem FormatError(const std::vector<std::string>& lines, const FormatOptions& o = Layout()) {
    RecordingHost host;
    bool ok = true;
    auto rows = FormatUtf8(lines, o, host, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(rows.empty()) << "rows must be cleared after an error";
    EXPECT_EQ(host.lastCleared, 1) << "the Last entry must be cleared";
    EXPECT_EQ(host.statusTexts.back(), "ended");
    EXPECT_EQ(host.problems.size(), 1u);
    return host.problems.empty() ? Problem() : host.problems[0];
}

TEST(FormatterRows, FullWidthRowsHoldCharCountCharacters) {
    const auto rows = Format({Repeat("あ", 60)});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], Repeat("あ", 25));
    EXPECT_EQ(rows[1], Repeat("あ", 25));
    EXPECT_EQ(rows[2], Repeat("あ", 10));
    EXPECT_EQ(rows[3], "");
}

TEST(FormatterRows, HalfWidthEndingRowHoldsOneByteLess) {
    // 24 full-width characters (48 bytes) then ASCII: the row closes at 49 counted bytes.
    const auto rows = Format({Repeat("あ", 24) + "abc"});
    EXPECT_EQ(rows[0], Repeat("あ", 24) + "a");
    EXPECT_EQ(rows[1], "bc");
}

TEST(FormatterRows, EveryLineBeginsARowAndExactFitAddsAnEmptyRow) {
    const auto rows = Format({"あ", "", Repeat("い", 25), "う"});
    EXPECT_EQ(rows, (std::vector<std::string>{"あ", "", Repeat("い", 25), "", "う", ""}));
}

TEST(FormatterRows, EmptySourceGivesOneEmptyRowAndNoProgress) {
    RecordingHost host;
    RowList rows;
    ASSERT_TRUE(FormatDocument(rows, Layout(), host));
    EXPECT_EQ(rows, RowList{""});
    EXPECT_EQ(host.statusTexts, std::vector<std::string>{"ended"});
}

TEST(FormatterKinsoku, HangingPunctuationJoinsThePreviousRow) {
    const auto rows = Format({"序", Repeat("あ", 25) + "。次"});
    EXPECT_EQ(rows[1], Repeat("あ", 25) + "。");
    EXPECT_EQ(rows[2], "次");
}

TEST(FormatterKinsoku, ConsecutiveForbiddenCharactersAllHangOnOneRow) {
    const auto rows = Format({"序", Repeat("あ", 25) + "。」』次"});
    EXPECT_EQ(rows[1], Repeat("あ", 25) + "。」』");
    EXPECT_EQ(rows[2], "次");
}

TEST(FormatterKinsoku, ForbiddenCharacterStartingALineHangsOnTheLineBefore) {
    const auto rows = Format({"あい", "」う"});
    EXPECT_EQ(rows, (std::vector<std::string>{"あい」", "う", ""}));
}

TEST(FormatterKinsoku, HalfWidthForbiddenCharactersAreMembersOnlyAsThemselves) {
    // "!" is forbidden at a row start, "a" is not.
    const auto rows = Format({"序", Repeat("あ", 25) + "!a"});
    EXPECT_EQ(rows[1], Repeat("あ", 25) + "!");
    EXPECT_EQ(rows[2], "a");
}

TEST(FormatterKinsoku, OpenerAtRowEndIsPushedDown) {
    const auto rows = Format({Repeat("あ", 24) + "「い」"});
    EXPECT_EQ(rows[0], Repeat("あ", 24));
    EXPECT_EQ(rows[1], "「い」");
}

TEST(FormatterKinsoku, BracketsBelongToNoSet) {
    const auto rows = Format({"序", Repeat("あ", 25) + "］［"});
    EXPECT_EQ(rows[2], "］［");
}

TEST(FormatterRuby, RubyTakesNoWidth) {
    // The 25th base character fills the row; its ruby follows it there.
    const auto rows = Format({"序", Repeat("漢《かん》", 25) + "字"});
    EXPECT_EQ(rows[1], Repeat("漢《かん》", 25));
    EXPECT_EQ(rows[2], "字");
}

TEST(FormatterRuby, RubyAfterAFullRowMovesToThatRow) {
    const auto rows = Format({"序", Repeat("あ", 24) + "｜漢字《かんじ》次"});
    // "｜" takes a cell like any text and may end a row.
    EXPECT_EQ(rows[1], Repeat("あ", 24) + "｜");
    const auto rows2 = Format({"序", Repeat("あ", 25) + "《るび》次"});
    EXPECT_EQ(rows2[1], Repeat("あ", 25) + "《るび》");
    EXPECT_EQ(rows2[2], "次");
}

TEST(FormatterRuby, RubyOffMakesBracketsOrdinaryText) {
    const FormatOptions off = Layout(10, 25, false);
    const auto rows = Format({Repeat("あ", 22) + "《るび》"}, off);
    EXPECT_EQ(rows[0], Repeat("あ", 22) + "《るび");
    EXPECT_EQ(rows[1], "》");
    // Neither the first-line opener error nor the unclosed-bracket error.
    EXPECT_EQ(Format({"《ああ"}, off)[0], "《ああ");
}

TEST(FormatterAnnotation, FootnoteTakesOneCellEmphasisNone) {
    const auto note = Format({Repeat("あ", 23) + "［＃注記］いう"});
    EXPECT_EQ(note[0], Repeat("あ", 23) + "［＃注記］い");
    EXPECT_EQ(note[1], "う");
    const auto dots = Format({Repeat("あ", 23) + "［＃「ああ」に傍点］いう"});
    EXPECT_EQ(dots[0], Repeat("あ", 23) + "［＃「ああ」に傍点］いう");
}

TEST(FormatterAnnotation, AnnotationStartingARowMovesToThePreviousRow) {
    const auto rows = Format({"序", Repeat("あ", 25) + "［＃注］次"});
    EXPECT_EQ(rows[1], Repeat("あ", 25) + "［＃注］");
    EXPECT_EQ(rows[2], "次");
}

TEST(FormatterAnnotation, CommentOffMakesAnnotationsText) {
    const auto rows = Format({Repeat("あ", 24) + "［＃注］"}, Layout(10, 25, true, false));
    EXPECT_EQ(rows[0], Repeat("あ", 24) + "［");
    EXPECT_EQ(rows[1], "＃注］");
}

TEST(FormatterAnnotation, EmphasisWordInBodyTextDoesNotMakeAFootnoteWidthless) {
    // Only the annotation's own text decides whether it is an emphasis annotation.
    const auto rows = Format({"傍点" + Repeat("あ", 21) + "［＃注］いう"});
    EXPECT_EQ(rows[0], "傍点" + Repeat("あ", 21) + "［＃注］い");
}

TEST(FormatterDecisions, LoneLeadByteAtLineEndIsOneCharacter) {
    RecordingHost host;
    RowList rows{Sjis("あ") + "\x82", Sjis("い")};
    ASSERT_TRUE(FormatDocument(rows, Layout(), host));
    EXPECT_EQ(rows, (RowList{Sjis("あ") + "\x82", Sjis("い"), ""}));
}

TEST(FormatterDecisions, CharactersInsideBracketsNeverDeleteARow) {
    // The ruby moves to the full row before; its "・" must not delete that row.
    const auto rows = Format({"序", Repeat("あ", 25) + "《・る》次"});
    EXPECT_EQ(rows[1], Repeat("あ", 25) + "《・る》");
    EXPECT_EQ(rows[2], "次");
}

TEST(FormatterDecisions, OpeningBracketAndSharpStayTogether) {
    // "［" fills the row; "＃" joins it and the annotation closes that row.
    const auto rows = Format({Repeat("あ", 24) + "［＃「あ」に傍点］次"});
    EXPECT_EQ(rows[0], Repeat("あ", 24) + "［＃「あ」に傍点］");
    EXPECT_EQ(rows[1], "次");
    const auto note = Format({Repeat("あ", 24) + "［＃注］次"});
    EXPECT_EQ(note[0], Repeat("あ", 24) + "［＃注］");
    EXPECT_EQ(note[1], "次");
}

TEST(FormatterDecisions, NestedOpenersAreTextInsideBrackets) {
    const auto rows = Format({Repeat("あ", 23) + "［＃「彼《かれ》」に傍点］い"});
    EXPECT_EQ(rows[0], Repeat("あ", 23) + "［＃「彼《かれ》」に傍点］い");
}

TEST(FormatterDecisions, LayoutsBelowOneAreTakenAsOne) {
    RecordingHost host;
    for (int rc : {0, -3}) {
        for (int rb : {0, 1, -8}) {
            RowList rows{Sjis("あい"), Sjis("<IMG \"a.bmp\">"), Sjis("う")};
            ASSERT_TRUE(
                FormatDocument(rows, FormatOptions{PageLayout(rc, rb), true, true, "x"}, host));
            EXPECT_EQ(rows, (RowList{Sjis("あ"), Sjis("い"), "", Sjis("<IMG \"a.bmp\">"),
                                     Sjis("う"), "", ""}));
            EXPECT_EQ(PageCount(rows, PageLayout(rc, rb)), 6);
        }
    }
    // A huge row count fills an illustration's page out to the most rows a page holds.
    RowList rows{Sjis("<IMG \"a.bmp\">")};
    ASSERT_TRUE(
        FormatDocument(rows, FormatOptions{PageLayout(2000000000, 50), true, true, "x"}, host));
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(PageLayout::kMaxRows) + 1);
}

TEST(FormatterErrors, EachProblemWithItsFacts) {
    struct Case {
        std::vector<std::string> lines;
        ProblemKind kind;
        long long line;
        std::string detail;
    } cases[] = {
        {{"」あ"}, ProblemKind::FormatForbiddenAtStart, 1, "」"},
        // A forbidden character that a long first line brings to the start of a row.
        {{Repeat("あ", 25) + "。" + Repeat("い", 4)}, ProblemKind::FormatForbiddenAtStart, 1, "。"},
        {{"《るび》"}, ProblemKind::FormatRubyAtStart, 1, ""},
        {{"［＃注］"}, ProblemKind::FormatNoteAtStart, 1, ""},
        {{"あ", "い", "う《るび"}, ProblemKind::FormatUnclosed, 3, ""},
        {{"あ", "い", "う［＃注"}, ProblemKind::FormatUnclosed, 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.back());
        const Problem p = FormatError(c.lines);
        EXPECT_EQ(p.kind, c.kind);
        EXPECT_EQ(p.path, "/books/本.txt");
        EXPECT_EQ(p.line, c.line);
        EXPECT_EQ(p.detail, c.detail);
    }
}

// A host whose status panel fails the way a full memory or a bad index would.
template <class E>
class FailingHost : public RecordingHost {
  public:
    void ShowProgress(std::size_t done, std::size_t total) override {
        RecordingHost::ShowProgress(done, total);
        if (statusTexts.size() == 1) throw E("test");
    }
};

TEST(FormatterErrors, InternalFailuresAreReportedAndTheRunEnds) {
    FailingHost<std::out_of_range> outOfRange;
    RowList rows{Sjis("あ")};
    EXPECT_FALSE(FormatDocument(rows, Layout(), outOfRange));
    ASSERT_EQ(outOfRange.problems.size(), 1u);
    EXPECT_EQ(outOfRange.problems[0].kind, ProblemKind::FormatInternal);
    EXPECT_EQ(outOfRange.problems[0].path, "/books/本.txt");
    EXPECT_TRUE(rows.empty());

    struct NoMemory : std::bad_alloc {
        explicit NoMemory(const char*) {}
    };
    FailingHost<NoMemory> noMemory;
    rows = RowList{Sjis("あ")};
    EXPECT_FALSE(FormatDocument(rows, Layout(), noMemory));
    ASSERT_EQ(noMemory.problems.size(), 1u);
    EXPECT_EQ(noMemory.problems[0].kind, ProblemKind::FormatOutOfMemory);
    EXPECT_EQ(noMemory.lastCleared, 1);
}

TEST(FormatterProgress, EveryTenthOfTheLinesThenTheEnd) {
    RecordingHost host;
    bool ok = false;
    FormatUtf8({"あ", "い", "う", "え"}, Layout(), host, &ok);
    EXPECT_EQ(host.statusTexts, (std::vector<std::string>{"1/4", "2/4", "3/4", "4/4", "ended"}));
}

}  // namespace
}  // namespace mirvo::test
