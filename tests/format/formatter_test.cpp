// The formatter's rules, each shown on small texts, and its error messages word for word.
#include "format/formatter.h"

#include <gtest/gtest.h>

#include "format/cp932.h"
#include "format/format_test_util.h"

namespace mirvo::test {
namespace {

FormatOptions Layout(int rows = 10, int chars = 25, bool ruby = true, bool comment = true) {
    return FormatOptions{PageLayout(rows, 2 * chars), ruby, comment, "/books/本.txt"};
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::vector<std::string> Format(const std::vector<std::string>& lines,
                                const FormatOptions& o = Layout()) {
    RecordingHost host;
    bool ok = false;
    auto rows = FormatUtf8(lines, o, host, &ok);
    EXPECT_TRUE(ok) << (host.errors.empty() ? "" : host.errors[0]);
    return rows;
}

std::string FormatError(const std::vector<std::string>& lines, const FormatOptions& o = Layout()) {
    RecordingHost host;
    bool ok = true;
    auto rows = FormatUtf8(lines, o, host, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(rows.empty()) << "rows must be cleared after an error";
    EXPECT_EQ(host.lastCleared, 1) << "the Last entry must be cleared";
    EXPECT_EQ(host.statusTexts.back(), o.DocumentPath);
    return host.errors.size() == 1 ? host.errors[0] : "";
}

const std::string kHead = "ファイル:/books/本.txtの読込み中にエラーが発生しました。\r\n";

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
    EXPECT_EQ(host.statusTexts, std::vector<std::string>{"/books/本.txt"});
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

TEST(FormatterErrors, ForbiddenCharacterAtTheStartOfTheFile) {
    EXPECT_EQ(FormatError({"」あ"}), kHead +
                                         "ファイル先頭に 」の禁則文字は書けません\r\n"
                                         "\r\n場所は、物理行で、1行目です。確認してください。");
}

TEST(FormatterErrors, ForbiddenCharacterLaterOnTheFirstLine) {
    const std::string m = FormatError({Repeat("あ", 25) + "。" + Repeat("い", 4)});
    EXPECT_NE(m.find("ファイル先頭に 。の禁則文字は書けません"), std::string::npos) << m;
}

TEST(FormatterErrors, RubyAndAnnotationOpenersStartingTheFirstLine) {
    EXPECT_EQ(FormatError({"《るび》"}), kHead +
                                             "ファイル先頭に ルビ判定文字列《は書けません\r\n"
                                             "\r\n場所は、物理行で、1行目です。確認してください。");
    EXPECT_EQ(FormatError({"［＃注］"}), kHead +
                                             "ファイル先頭に 脚注判定文字列［＃は書けません\r\n"
                                             "\r\n場所は、物理行で、1行目です。確認してください。");
}

TEST(FormatterErrors, UnclosedBracketNamesItsLine) {
    const std::string expected =
        kHead +
        "ルビ判定文字列《》または脚注判定文字列［＃］が閉じられていないようです。\r\n"
        "\r\n場所は、物理行で、3行目辺りです。確認してください。";
    EXPECT_EQ(FormatError({"あ", "い", "う《るび"}), expected);
    EXPECT_EQ(FormatError({"あ", "い", "う［＃注"}), expected);
}

// A host whose status panel fails the way a full memory or a bad index would.
template <class E>
class FailingHost : public RecordingHost {
  public:
    void SetStatusText(const std::string& t) override {
        RecordingHost::SetStatusText(t);
        if (statusTexts.size() == 1) throw E("test");
    }
};

TEST(FormatterErrors, InternalFailuresAreReportedAndTheRunEnds) {
    FailingHost<std::out_of_range> outOfRange;
    RowList rows{Sjis("あ")};
    EXPECT_FALSE(FormatDocument(rows, Layout(), outOfRange));
    ASSERT_EQ(outOfRange.errors.size(), 1u);
    EXPECT_EQ(outOfRange.errors[0],
              "ファイル:/books/本.txtの整形中に文字列アクセス関連のエラーが発生しました。"
              "原因は不明です。\r\n上記ファイルの内容を確認してみてください。");
    EXPECT_TRUE(rows.empty());

    struct NoMemory : std::bad_alloc {
        explicit NoMemory(const char*) {}
    };
    FailingHost<NoMemory> noMemory;
    rows = RowList{Sjis("あ")};
    EXPECT_FALSE(FormatDocument(rows, Layout(), noMemory));
    ASSERT_EQ(noMemory.errors.size(), 1u);
    EXPECT_EQ(noMemory.errors[0],
              "ファイル:/books/本.txtの整形中にメモリーアクセス関連のエラーが発生しました。"
              "原因は不明です。\r\n上記ファイルの内容を確認してみてください。");
    EXPECT_EQ(noMemory.lastCleared, 1);
}

TEST(FormatterProgress, TextAndSteps) {
    EXPECT_EQ(ProgressText(0, 5), "文書整形中:○○○○○○○○○○");
    EXPECT_EQ(ProgressText(3, 10), "文書整形中:●●●○○○○○○○");
    EXPECT_EQ(ProgressText(7, 7), "文書整形中:●●●●●●●●●●");
    RecordingHost host;
    bool ok = false;
    FormatUtf8({"あ", "い", "う", "え"}, Layout(), host, &ok);
    EXPECT_EQ(host.statusTexts,
              (std::vector<std::string>{"文書整形中:●●○○○○○○○○", "文書整形中:●●●●●○○○○○",
                                        "文書整形中:●●●●●●●○○○", "文書整形中:●●●●●●●●●●",
                                        "/books/本.txt"}));
}

TEST(TagLines, IllustrationGetsAPageOfItsOwn) {
    const auto rows = Format({"あ", "い", "う", "<IMG \"a.bmp\">", "え"}, Layout(4));
    EXPECT_EQ(rows, (std::vector<std::string>{"あ", "い", "う", "", "<IMG \"a.bmp\">", "", "", "",
                                              "え", ""}));
}

TEST(TagLines, PageBreakFillsThePageAndLeavesTheFirstRowEmpty) {
    const auto rows = Format({"あ", "<skip>", "い"}, Layout(3));
    EXPECT_EQ(rows, (std::vector<std::string>{"あ", "", "", "", "い", ""}));
    // At the first row of a page nothing is added.
    const auto atStart = Format({"あ", "い", "<SKIP>", "う"}, Layout(3));
    EXPECT_EQ(atStart, (std::vector<std::string>{"あ", "い", "", "", "う", ""}));
}

TEST(TagLines, TagsOnTheFirstLineAndInARow) {
    const auto first = Format({"<img \"a.bmp\">", "あ"}, Layout(3));
    EXPECT_EQ(first, (std::vector<std::string>{"<img \"a.bmp\">", "", "", "あ", ""}));
    const auto two = Format({"<IMG \"a\">", "<Img \"b\">"}, Layout(2));
    EXPECT_EQ(two, (std::vector<std::string>{"<IMG \"a\">", "", "<Img \"b\">", "", ""}));
    const auto skips = Format({"あ", "<SKIP>", "<SKIP>", "い"}, Layout(2));
    EXPECT_EQ(skips, (std::vector<std::string>{"あ", "", "", "", "", "い", ""}));
}

TEST(TagLines, KeywordMustStandAtTheVeryStart) {
    EXPECT_FALSE(IsImageTagLine(" <IMG \"a\">"));
    EXPECT_FALSE(IsImageTagLine("<IM"));
    EXPECT_TRUE(IsImageTagLine("<iMg"));
    EXPECT_FALSE(IsSkipTagLine("<SKI"));
    EXPECT_TRUE(IsSkipTagLine("<sKiP anything"));
    // A tag line never raises an error, even with a bracket or a forbidden character.
    const auto rows = Format({"<IMG 」《"}, Layout(2));
    EXPECT_EQ(rows[0], "<IMG 」《");
}

}  // namespace
}  // namespace mirvo::test
