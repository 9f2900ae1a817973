// The wording of the formatter's and the loader's problems, byte for byte, reached through
// the formatter itself where it finds them.
#include "app/messages.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "format/cp932.h"
#include "format/document.h"
#include "format/formatter.h"
#include "support/test_support.h"

namespace mirvo::test {
namespace {

const std::string kPath = "/books/本.txt";
const std::string kHead = "ファイル:/books/本.txtの読込み中にエラーが発生しました。\r\n";

// Words what the formatter reports, as the window does.
struct WordingHost : FormatterHost {
    std::vector<std::string> messages;
    void Report(const Problem& p) override { messages.push_back(Word(p)); }
};

std::string FormatMessage(const std::vector<std::string>& utf8Lines) {
    RowList rows;
    for (const std::string& l : utf8Lines) rows.push_back(Sjis(l));
    WordingHost host;
    EXPECT_FALSE(FormatDocument(rows, FormatOptions{PageLayout(10, 50), true, true, kPath}, host));
    return host.messages.size() == 1 ? host.messages[0] : "";
}

TEST(Messages, FormattingErrorsWordForWord) {
    const std::string unclosed =
        kHead +
        "ルビ判定文字列《》または脚注判定文字列［＃］が閉じられていないようです。\r\n"
        "\r\n場所は、物理行で、3行目辺りです。確認してください。";
    struct Case {
        std::vector<std::string> lines;
        std::string message;
    } cases[] = {
        {{"」あ"},
         kHead + "ファイル先頭に 」の禁則文字は書けません\r\n"
                 "\r\n場所は、物理行で、1行目です。確認してください。"},
        {{"《るび》"},
         kHead + "ファイル先頭に ルビ判定文字列《は書けません\r\n"
                 "\r\n場所は、物理行で、1行目です。確認してください。"},
        {{"［＃注］"},
         kHead + "ファイル先頭に 脚注判定文字列［＃は書けません\r\n"
                 "\r\n場所は、物理行で、1行目です。確認してください。"},
        {{"あ", "い", "う《るび"}, unclosed},
        {{"あ", "い", "う［＃注"}, unclosed},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatMessage(c.lines), c.message) << c.lines.back();
}

TEST(Messages, LoadingAndInternalFailuresWordForWord) {
    auto problem = [](ProblemKind kind, long long count = 0, long long line = 0, int error = 0) {
        Problem p = FileProblem(kind, kPath);
        p.count = count;
        p.line = line;
        p.systemError = error;
        return p;
    };
    struct Case {
        Problem problem;
        std::string message;
    } cases[] = {
        {problem(ProblemKind::FormatInternal),
         "ファイル:/books/本.txtの整形中に文字列アクセス関連のエラーが発生しました。"
         "原因は不明です。\r\n上記ファイルの内容を確認してみてください。"},
        {problem(ProblemKind::FormatOutOfMemory),
         "ファイル:/books/本.txtの整形中にメモリーアクセス関連のエラーが発生しました。"
         "原因は不明です。\r\n上記ファイルの内容を確認してみてください。"},
        {problem(ProblemKind::BookNotRegular),
         "ファイル:/books/本.txtは通常のファイルではないため、開けません。"},
        {problem(ProblemKind::BookTooLarge, 256),
         "ファイル:/books/本.txtは大きすぎるため、開けません（256 MiB まで）。"},
        {problem(ProblemKind::BookCharsReplaced, 3, 17),
         "ファイル:/books/本.txtには、表示できない文字が3個ありました。\r\n"
         "「〓」に置き換えて表示します。最初の文字は17行目にあります。"},
        // The system's reason in Japanese; one without a Japanese wording is left out.
        {problem(ProblemKind::BookUnreadable, 0, 0, ENOENT),
         "ファイル:/books/本.txtを読み込めません（ファイルまたはフォルダーがありません）。"},
        {problem(ProblemKind::BookUnreadable, 0, 0, EACCES),
         "ファイル:/books/本.txtを読み込めません（アクセスが許可されていません）。"},
        {problem(ProblemKind::BookUnreadable, 0, 0, ENOTSUP),
         "ファイル:/books/本.txtを読み込めません。"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Word(c.problem), c.message) << static_cast<int>(c.problem.kind);
    }
    EXPECT_EQ(Word(Problem()), "");
}

TEST(Messages, NoEnglishSystemTextForTheCommonErrors) {
    for (int e : {ENOENT, EACCES, EPERM, EISDIR, ENOTDIR, ELOOP, ENAMETOOLONG, EIO, EMFILE, ENFILE,
                  ENOMEM, ENXIO, ENODEV, EOVERFLOW, ETXTBSY, ESTALE}) {
        const std::string text = SystemErrorText(e);
        EXPECT_FALSE(text.empty()) << e;
        for (unsigned char c : text) EXPECT_GE(c, 0x80) << e << ": " << text;
    }
}

TEST(Messages, ALoadOfAMissingBookNamesItInJapanese) {
    TempDir dir;
    const Result<RowList> lines = LoadLines(dir.File("none.txt"));
    ASSERT_FALSE(lines);
    EXPECT_EQ(Word(lines.GetProblem()),
              "ファイル:" + dir.File("none.txt") +
                  "を読み込めません（ファイルまたはフォルダーがありません）。");
}

TEST(Messages, FormattingProgress) {
    EXPECT_EQ(FormatProgressText(0, 5), "文書整形中:○○○○○○○○○○");
    EXPECT_EQ(FormatProgressText(3, 10), "文書整形中:●●●○○○○○○○");
    EXPECT_EQ(FormatProgressText(7, 7), "文書整形中:●●●●●●●●●●");
    EXPECT_EQ(FormatProgressText(0, 0), "文書整形中:●●●●●●●●●●");
}

}  // namespace
}  // namespace mirvo::test
