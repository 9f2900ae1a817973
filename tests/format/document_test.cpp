// Loading text into lines, stepping through CP932 characters, and the page arithmetic.
#include "format/document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

#include "format/cp932.h"
#include "support/test_support.h"

namespace mirvo::test {
namespace {

TEST(SplitLines, AllThreeLineEndsAndNoMarkersKept) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (RowList{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\r\nb"), (RowList{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (RowList{"a", "", "b"}));
    EXPECT_EQ(SplitLines("\n"), (RowList{""}));
    EXPECT_EQ(SplitLines("\n\n"), (RowList{"", ""}));
}

TEST(SplitLines, FinalLineEndAddsNoLineAndEmptyGivesNone) {
    EXPECT_EQ(SplitLines("a\r\n"), SplitLines("a"));
    EXPECT_EQ(SplitLines("a\r"), SplitLines("a"));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(SplitLines, TrailBytesThatLookLikeNothingSpecialStay) {
    // CP932 trail bytes never take the values of CR or LF; bytes pass through unchanged.
    const std::string text = Sjis("表示\r\n能力") + "\x81";
    EXPECT_EQ(SplitLines(text), (RowList{Sjis("表示"), Sjis("能力") + "\x81"}));
}

TEST(SplitLines, EveryKindOfLineEndInOnePass) {
    // A million lines ended by lone CR (or lone LF, or CR LF, or a mix): a scan for one kind
    // of end that ran on to the next of the other at every line took minutes.
    const std::size_t n = 1000000;
    for (const std::string end : {"\r", "\n", "\r\n", "\r\r\n\n"}) {
        std::string bytes;
        for (std::size_t i = 0; i < n / 4; ++i) bytes += "ab" + end + "c" + end + end + "d" + end;
        const auto start = std::chrono::steady_clock::now();
        const RowList lines = SplitLines(bytes);
        const auto took = std::chrono::steady_clock::now() - start;
        const std::size_t perEnd = end == "\r\r\n\n" ? 3 : 1;  // CR, CR LF, LF
        EXPECT_EQ(lines.size(), n * perEnd) << end.size();
        EXPECT_EQ(lines.capacity(), lines.size()) << "one string a line, no spare room";
        EXPECT_LT(took, std::chrono::seconds(3)) << end.size();
    }
}

TEST(LoadLines, ReadsBytesAndReportsAMissingFile) {
    TempDir dir;
    WriteFileBytes(dir.File("a.txt"), "x\r\ny");
    Result<RowList> lines = LoadLines(dir.File("a.txt"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines.Value(), (RowList{"x", "y"}));
    lines = LoadLines(dir.File("none.txt"));
    ASSERT_FALSE(lines);
    EXPECT_EQ(lines.GetProblem().kind, ProblemKind::BookUnreadable);
    EXPECT_EQ(lines.GetProblem().path, dir.File("none.txt"));
    EXPECT_EQ(lines.GetProblem().systemError, ENOENT);
    EXPECT_FALSE(LoadLines(dir.Path())) << "a folder is not a text file";
}

TEST(LoadLines, OnlyRegularFilesWithinTheLimitAndNeverWaiting) {
    // A FIFO would block the opening, /dev/zero never ends, a huge file fills memory, so
    // does a file of line ends alone: each is refused at once naming the file. The alarm
    // ends a test that waits.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo.txt").c_str(), 0600), 0);
    const std::string huge = dir.File("huge.txt");
    WriteFileBytes(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxBookBytes) + 1), 0);  // sparse
    const std::string ends = dir.File("ends.txt");
    WriteFileBytes(ends, std::string(kMaxBookLines + 1, '\n'));
    struct Case {
        std::string path;
        ProblemKind kind;
    } cases[] = {
        {dir.File("fifo.txt"), ProblemKind::BookNotRegular},
        {"/dev/zero", ProblemKind::BookNotRegular},
        {dir.Path(), ProblemKind::BookNotRegular},
        {huge, ProblemKind::BookTooLarge},
        {ends, ProblemKind::FormatOutOfMemory},
    };
    ::alarm(20);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const Result<RowList> lines = LoadLines(c.path);
        ASSERT_FALSE(lines);
        EXPECT_EQ(lines.GetProblem().kind, c.kind);
        EXPECT_EQ(lines.GetProblem().path, c.path);
    }
    ::alarm(0);
    EXPECT_EQ(LoadLines(huge).GetProblem().count, 256) << "the limit in MiB";
}

TEST(NextChar, StepsByWholeCharactersAndNeverPastTheEnd) {
    const std::string s = Sjis("あa") + "\xFC";
    int pos = 1;
    EXPECT_EQ(NextChar(s, pos), Sjis("あ"));
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(NextChar(s, pos), "a");
    EXPECT_EQ(NextChar(s, pos), "\xFC");  // a lead byte at the end stands alone
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(NextChar(s, pos), "");
    EXPECT_EQ(pos, 5);
    EXPECT_TRUE(IsLeadByte(0x81) && IsLeadByte(0x9F) && IsLeadByte(0xE0) && IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0x80) || IsLeadByte(0xA0) || IsLeadByte(0xDF) || IsLeadByte(0xFD));
}

TEST(Cp932, ConvertsBothWaysIncludingCp932Extensions) {
    EXPECT_EQ(Cp932ToUtf8(Sjis("①吾輩ｱ～")), "①吾輩ｱ～");
    EXPECT_EQ(Sjis("①").size(), 2u);
    EXPECT_EQ(Cp932ToUtf8("a\x82"), "a\xEF\xBF\xBD");  // a broken character never fails
    EXPECT_TRUE(IsValidUtf8("吾輩"));
    EXPECT_FALSE(IsValidUtf8(Sjis("吾輩")));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
}

TEST(PageArithmetic, CountsOutsideTheWorkableLayoutsTakeTheNearest) {
    const struct {
        int rows, bytes, usableRows, usableBytes;
    } cases[] = {
        {10, 50, 10, 50},         {0, 0, 1, 2},           {-5, 1, 1, 2},
        {INT_MIN, INT_MIN, 1, 2}, {200, 3, 200, 3},       {201, INT_MAX, 200, INT_MAX},
        {1000000, 2, 200, 2},     {INT_MAX, 60, 200, 60},
    };
    for (const auto& c : cases) {
        const PageLayout l(c.rows, c.bytes);
        EXPECT_EQ(l.Rows(), c.usableRows) << c.rows;
        EXPECT_EQ(l.RowBytes(), c.usableBytes) << c.bytes;
    }
}

TEST(PageArithmetic, CountsPagesWithoutTheFinalEmptyRow) {
    const PageLayout ten(10, 50);
    EXPECT_EQ(PageCount(22, ten), 3);
    EXPECT_EQ(PageCount(21, ten), 2);
    EXPECT_EQ(PageCount(11, ten), 1);  // ten text rows and the final empty row
    EXPECT_EQ(PageCount(12, ten), 2);
    EXPECT_EQ(PageCount(1, ten), 1);
    EXPECT_EQ(PageCount(0, ten), 1);
    EXPECT_EQ(PageCount(5, PageLayout(0, 0)), 4);  // a row count below 1 is taken as 1
    EXPECT_EQ(FirstRowOfPage(3, ten), 20);
    EXPECT_EQ(PageOfRow(19, ten), 2);
    EXPECT_EQ(PageOfRow(20, ten), 3);
}

}  // namespace
}  // namespace mirvo::test
