// Books with PNG illustrations, and books in ZIP archives, through the display-free
// commands: what a script sees of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/headless/headless.h"
#include "render/picture_file.h"
#include "render/png_samples.h"
#include "support/test_support.h"

namespace mirvo::test {
namespace {

// A picture of one colour.
std::string SolidPng(int w, int h, png_byte r, png_byte g, png_byte b) {
    PngSpec spec;
    spec.width = w;
    spec.height = h;
    spec.row = [=](int) {
        std::vector<png_byte> row;
        for (int x = 0; x < w; ++x) row.insert(row.end(), {r, g, b});
        return row;
    };
    return PngBytes(spec);
}

// The first spread of `book` rendered: the status and the picture written.
std::pair<int, Bitmap> RenderFirstPage(const std::string& book, const std::string& out) {
    int status = -1;
    EXPECT_TRUE(RunHeadless({"--render", book, "--page", "1", "--out", out, "--area", "640x480",
                             "--alias", "0"},
                            status));
    Result<Bitmap> page = DecodePng(ReadFileBytes(out), out);
    return {status, page ? std::move(page.Value()) : Bitmap()};
}

TEST(PictureBook, PngIllustrationBesideTheBookIsDrawn) {
    TempDir dir;
    WriteFileBytes(dir.File("b.txt"), Sjis("題名\r\n作者\r\n<IMG \"fig/red.png\" FULL>\r\n本文"));
    std::filesystem::create_directory(dir.File("fig"));
    WriteFileBytes(dir.File("fig/red.png"), SolidPng(40, 56, 255, 0, 0));
    const auto [status, page] = RenderFirstPage(dir.File("b.txt"), dir.File("o.png"));
    EXPECT_EQ(status, 0);
    ASSERT_FALSE(page.Empty());
    // The tag row starts the left page of the spread: the picture fills it, FULL; the
    // right page holds the title.
    EXPECT_EQ(page.Pixel(page.Width() / 4, page.Height() / 2), MakeColor(255, 0, 0));
    EXPECT_NE(page.Pixel(page.Width() * 3 / 4, page.Height() / 2), MakeColor(255, 0, 0));
}

}  // namespace
}  // namespace mirvo::test
