// The sample book shipped with the program formats cleanly and shows every kind of markup.
#include <gtest/gtest.h>

#include "format/cp932.h"
#include "format/format_test_util.h"

namespace mirvo::test {
namespace {

TEST(SampleBook, FormatsWithEveryMarkupInPlace) {
    Result<RowList> loaded = LoadLines(std::string(MIRVO_DATA_DIR) + "/readme2.txt");
    ASSERT_TRUE(loaded);
    const RowList source = std::move(loaded.Value());
    for (const std::string& l : source) ASSERT_TRUE(IsValidUtf8(Cp932ToUtf8(l)));
    const FormatOptions o{PageLayout(10, 50), true, true, "readme2.txt"};
    RowList rows = source;
    RecordingHost host;
    ASSERT_TRUE(FormatDocument(rows, o, host)) << host.errors[0];
    EXPECT_EQ(CheckRowInvariants(source, rows, o), "");

    std::string all;
    for (const std::string& r : rows) all += Cp932ToUtf8(r) + "\n";
    for (const char* markup : {"◎", "《", "｜", "に傍点］", "［＃これ", "<IMG"}) {
        EXPECT_NE(all.find(markup), std::string::npos) << markup;
    }
    EXPECT_FALSE(rows[0].empty()) << "the title for the cover";
    EXPECT_FALSE(rows[1].empty()) << "the author for the cover";
    bool skipped = false;
    for (const std::string& l : source) skipped = skipped || IsSkipTagLine(l);
    EXPECT_TRUE(skipped);
}

}  // namespace
}  // namespace mirvo::test
