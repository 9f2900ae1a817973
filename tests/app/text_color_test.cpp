// The text colour setting through the headless option the settings table makes.
#include <gtest/gtest.h>

#include "format/cp932.h"
#include "support/headless_run.h"
#include "support/test_support.h"

namespace mirvo::test {
namespace {

TEST(TextColorOption, BlackDrawsAsWithoutTheOptionWhiteDiffersAndABadColourIsRefused) {
    TempDir dir;
    WriteFileBytes(dir.File("b.txt"), Sjis("本文｜漢字《かんじ》です。［＃注］\r\n"));
    const auto render = [&](const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args = {"--render", dir.File("b.txt"), "--page",    "1",
                                         "--out",    dir.File(out),     "--texture", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunMirvo(args);
    };
    ASSERT_EQ(render("plain.png", {}).status, 0);
    ASSERT_EQ(render("black.png", {"--text-color", "clBlack"}).status, 0);
    ASSERT_EQ(render("white.png", {"--text-color", "clWhite", "--page-color", "clBlack"}).status,
              0);
    ASSERT_EQ(render("dark.png", {"--page-color", "clBlack"}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("black.png")), ReadFileBytes(dir.File("plain.png")));
    EXPECT_NE(ReadFileBytes(dir.File("white.png")), ReadFileBytes(dir.File("dark.png")));
    const Captured bad = render("o.png", {"--text-color", "notacolour"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("notacolour"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace mirvo::test
