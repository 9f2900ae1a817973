// Books with PNG illustrations and books in ZIP archives through the display-free
// commands: the rows of a ZIP book are those of its text, its pictures come from the
// archive, and an archive that cannot be read says why.
#include <gtest/gtest.h>

#include <filesystem>

#include "render/picture_file.h"
#include "render/png_samples.h"
#include "support/headless_run.h"
#include "support/test_support.h"
#include "support/zip_samples.h"

namespace mirvo::test {
namespace {

// A picture of one colour.
std::string SolidPng(int w, int h, png_byte r, png_byte g, png_byte b) {
    PngShape shape;
    shape.width = w;
    shape.height = h;
    shape.row = [=](int) {
        std::vector<png_byte> row;
        for (int x = 0; x < w; ++x) row.insert(row.end(), {r, g, b});
        return row;
    };
    return PngBytes(shape);
}

// The first spread of `book` rendered: the status and the picture written.
std::pair<int, Bitmap> RenderFirstPage(const std::string& book, const std::string& out) {
    int status = -1;
    EXPECT_TRUE(RunHeadless(
        {"--render", book, "--page", "1", "--out", out, "--area", "640x480", "--alias", "0"},
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

// A book whose text packs well, so that its bytes in the archive are no text at all.
std::string Book() {
    std::string book = "題名\r\n作者\r\n<IMG \"fig/red.png\" FULL>\r\n";
    for (int i = 0; i < 40; ++i) book += "本文《ほんぶん》です。\r\n";
    return Sjis(book);
}

TEST(ZipBook, RowsAreThoseOfItsText) {
    TempDir dir;
    WriteFileBytes(dir.File("b.txt"), Book());
    WriteFileBytes(dir.File("b.zip"), ZipBytes({{"readme.md", "x"}, {"b/b.txt", Book()}}));
    const Captured text = RunMirvo({"--dump-rows", dir.File("b.txt")});
    const Captured zip = RunMirvo({"--dump-rows", dir.File("b.zip")});
    EXPECT_EQ(zip.status, 0) << zip.err;
    EXPECT_EQ(zip.out, text.out);
}

TEST(ZipBook, PngIllustrationFromTheArchiveIsDrawn) {
    TempDir dir;
    WriteFileBytes(dir.File("b.zip"), ZipBytes({{"b/", ""},
                                                {"b/b.txt", Book()},
                                                {"b/fig/red.png", SolidPng(40, 56, 255, 0, 0)}}));
    const auto [status, page] = RenderFirstPage(dir.File("b.zip"), dir.File("o.png"));
    EXPECT_EQ(status, 0);
    ASSERT_FALSE(page.Empty());
    EXPECT_EQ(page.Pixel(page.Width() / 4, page.Height() / 2), MakeColor(255, 0, 0));
}

TEST(ZipBook, RefusedArchivesSayWhy) {
    TempDir dir;
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"text.zip", "plain text", "は ZIP ファイルではないため"},
        {"damaged.zip", "PK\3\4 cut short", "は壊れた ZIP ファイルのため"},
        {"pictures.zip", ZipBytes({{"fig.png", "p"}}),
         "本文のテキストファイル（.txt）がありません"},
        {"encrypted.zip", WithEncryptedFlag(ZipBytes({{"a.txt", "text"}}), 0),
         "a.txtは暗号化されているため"},
        {"lying.zip", WithStatedSize(ZipBytes({{"a.txt", std::string(5000, 'a')}}), 0, 200u << 20),
         "a.txtは圧縮データに対して大きすぎる展開サイズ"},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.File(c.name), c.bytes);
        const Captured r = RunMirvo({"--dump-rows", dir.File(c.name)});
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(dir.File(c.name)), std::string::npos) << c.name << ": " << r.err;
    }
}

}  // namespace
}  // namespace mirvo::test
