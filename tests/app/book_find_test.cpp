// Finding text in formatted rows: what the reader reads is found, markup is not, hits cross
// row ends, full-width ASCII equals ASCII, and the search wraps at the ends.
#include <gtest/gtest.h>

#include "app/book_find.h"
#include "format/formatter.h"
#include "support/test_support.h"

namespace mirvo::test {
namespace {

struct FindCase {
    const char* name;
    std::vector<const char*> rows;  // UTF-8, made CP932
    const char* query;
    std::size_t from;
    FindDirection direction;
    bool found;
    bool wrapped;
    std::vector<TextCell> cells;
    bool ruby = true, notes = true;
};

constexpr auto kNext = FindDirection::Next;
constexpr auto kPrev = FindDirection::Previous;

const FindCase kCases[] = {
    {"RubyBaseWithMarker",
     {"私は｜先生《せんせい》と"},
     "先生",
     0,
     kNext,
     true,
     false,
     {{0, 6}, {0, 8}}},
    {"RubyBaseWithoutMarker",
     {"先生《せんせい》と"},
     "先生と",
     0,
     kNext,
     true,
     false,
     {{0, 0}, {0, 2}, {0, 16}}},
    {"RubyReadingIsNotText", {"｜先生《せんせい》"}, "せんせい", 0, kNext, false, false, {}},
    {"RubyOffReadsTheBrackets",
     {"先生《せんせい》"},
     "《せん",
     0,
     kNext,
     true,
     false,
     {{0, 4}, {0, 6}, {0, 8}},
     false,
     true},
    {"AnnotationIsNotText",
     {"先［＃「先」に傍点］生"},
     "先生",
     0,
     kNext,
     true,
     false,
     {{0, 0}, {0, 20}}},
    {"AnnotationTextIsNotFound", {"先［＃注記］生"}, "注記", 0, kNext, false, false, {}},
    {"AcrossRows", {"あいう", "えお"}, "うえ", 0, kNext, true, false, {{0, 4}, {1, 0}}},
    {"AcrossAnEmptyRowAndAMarkerAtARowEnd",
     {"その｜", "", "先生《せんせい》は"},
     "の先生は",
     0,
     kNext,
     true,
     false,
     {{0, 2}, {2, 0}, {2, 2}, {2, 16}}},
    {"IllustrationRowsHoldNoText",
     {"<IMG \"a.jpg\">", "IMGa"},
     "IMG",
     0,
     kNext,
     true,
     false,
     {{1, 0}, {1, 1}, {1, 2}}},
    {"FullWidthQueryFindsAscii",
     {"abc 123"},
     "ａｂｃ　１２",
     0,
     kNext,
     true,
     false,
     {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}}},
    {"AsciiQueryFindsFullWidth",
     {"ＡＢ！＼"},
     "AB!\\",
     0,
     kNext,
     true,
     false,
     {{0, 0}, {0, 2}, {0, 4}, {0, 6}}},
    {"CaseStays", {"abc"}, "ABC", 0, kNext, false, false, {}},
    {"NoHit", {"あいう"}, "え", 0, kNext, false, false, {}},
    {"QueryWithoutCp932Form", {"?あ"}, "\xF0\x9F\x98\x80", 0, kNext, false, false, {}},
    {"EmptyQuery", {"あ"}, "", 0, kNext, false, false, {}},
    {"NextFromAHitFindsIt", {"あい", "あい"}, "あい", 2, kNext, true, false, {{1, 0}, {1, 2}}},
    {"NextWrapsToTheStart", {"あい", "あい"}, "あい", 3, kNext, true, true, {{0, 0}, {0, 2}}},
    {"PreviousFindsTheHitBefore", {"あいあい"}, "あい", 2, kPrev, true, false, {{0, 0}, {0, 2}}},
    {"PreviousWrapsToTheEnd", {"あいあい"}, "あい", 0, kPrev, true, true, {{0, 4}, {0, 6}}},
    {"PreviousFindsAHitEndingPastFrom", {"xあい"}, "あい", 2, kPrev, true, false, {{0, 1}, {0, 3}}},
    {"OverlappingHits", {"ああああ"}, "ああ", 1, kNext, true, false, {{0, 2}, {0, 4}}},
    {"OnlyHitIsAtFromWrapsToItself", {"あい"}, "あい", 1, kNext, true, true, {{0, 0}, {0, 2}}},
};

class FindInBookTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindInBookTest, FindsWhatReads) {
    const FindCase& c = GetParam();
    RowList rows;
    for (const char* r : c.rows) rows.push_back(Sjis(r));
    const BookText text(rows, c.ruby, c.notes);
    const FindHit hit = FindInBook(text, c.query, c.from, c.direction);
    EXPECT_EQ(hit.found, c.found);
    EXPECT_EQ(hit.wrapped, c.wrapped);
    EXPECT_EQ(hit.cells, c.cells);
    if (hit.found) {
        EXPECT_EQ(text.Cell(hit.index), c.cells.front());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FindInBookTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BookText, IndexAtSkipsMarkupAndEmptyRows) {
    const RowList rows = {Sjis("｜先生《せんせい》"), "", Sjis("あ")};
    const BookText text(rows, true, true);
    ASSERT_EQ(text.Size(), 3u);
    EXPECT_EQ(text.IndexAt({0, 0}), 0u);  // the marker: the base's first character follows
    EXPECT_EQ(text.IndexAt({0, 6}), 2u);  // inside the reading: the next row's character
    EXPECT_EQ(text.IndexAt({1, 0}), 2u);
    EXPECT_EQ(text.IndexAt({9, 0}), 3u);
}

// Going through every hit of a formatted book (8 characters a row, 2 rows a page), Next from each
// hit's index + 1, comes back to the first after as many steps as there are hits, and Previous
// visits them backwards.
TEST(BookText, NextAndPreviousVisitEveryHitOfAFormattedBook) {
    RowList rows = {Sjis("先生は｜先生《せんせい》の先生だと言った。先生、先生。")};
    FormatOptions options{PageLayout{2, 16}, true, true, "", false};
    struct : FormatterHost {
        void Report(const Problem& p) override { ADD_FAILURE() << static_cast<int>(p.kind); }
    } host;
    ASSERT_TRUE(FormatDocument(rows, options, host));
    const BookText text(rows, true, true);
    std::vector<std::size_t> forward, backward;
    FindHit hit = FindInBook(text, "先生", 0, kNext);
    while (hit.found && !hit.wrapped) {
        forward.push_back(hit.index);
        hit = FindInBook(text, "先生", hit.index + 1, kNext);
    }
    EXPECT_EQ(forward, (std::vector<std::size_t>{0, 3, 6, 14, 17}));
    // Rows "先生は｜先生《せんせい》の先", "生だと言った。先", "生、先生。": two hits
    // cross a row end, the second also the end of page 1.
    EXPECT_EQ(FindInBook(text, "先生", 7, kNext).cells, (std::vector<TextCell>{{1, 14}, {2, 0}}));
    hit = FindInBook(text, "先生", 0, kPrev);
    EXPECT_TRUE(hit.wrapped);
    while (hit.found) {
        backward.insert(backward.begin(), hit.index);
        hit = FindInBook(text, "先生", hit.index, kPrev);
        if (hit.wrapped) break;
    }
    EXPECT_EQ(backward, forward);
}

}  // namespace
}  // namespace mirvo::test
