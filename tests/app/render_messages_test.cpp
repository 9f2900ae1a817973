// The wording of the renderer's Problems: the texts the reader saw before they were worded
// in the app, byte for byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "app/messages.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

Problem Make(ProblemKind kind, std::string path, std::string detail = {}, long long count = 0) {
    Problem p;
    p.kind = kind;
    p.path = std::move(path);
    p.detail = std::move(detail);
    p.count = count;
    return p;
}

TEST(MessagesRender, PicturesNameTheirFileAfterTheDecodersWords) {
    using K = ProblemKind;
    const struct {
        Problem problem;
        const char* text;
    } cases[] = {
        {Make(K::PictureNotRegular, "/b/p.bmp"), "Not a regular file: /b/p.bmp"},
        {Make(K::PictureFileTooLarge, "/b/p.bmp"), "File too large: /b/p.bmp"},
        {Make(K::PictureOutOfMemory, "/b/p.jpg"), "Out of memory: /b/p.jpg"},
        {Make(K::PictureTooManyPixels, "/b/p.jpg", "65000 x 65000"),
         "Picture too large (65000 x 65000 pixels): /b/p.jpg"},
        {Make(K::BmpNotBmp, "/b/p.bmp"), "Not a BMP file: /b/p.bmp"},
        {Make(K::BmpHeaderUnsupported, "/b/p.bmp"), "Unsupported BMP header: /b/p.bmp"},
        {Make(K::BmpBadWidth, "/b/p.bmp"), "Bad BMP width: /b/p.bmp"},
        {Make(K::BmpCompressionUnsupported, "/b/p.bmp"), "Unsupported BMP compression: /b/p.bmp"},
        {Make(K::BmpBadCompression, "/b/p.bmp"), "Bad BMP compression: /b/p.bmp"},
        {Make(K::BmpTruncated, "/b/p.bmp"), "BMP file is truncated: /b/p.bmp"},
        {Make(K::BmpTooShort, "/b/p.bmp", "6000 x 6000"),
         "BMP file is too short for 6000 x 6000 pixels: /b/p.bmp"},
        {Make(K::BmpUndecodable, "/b/p.bmp", "bad bpp"), "bad bpp: /b/p.bmp"},
        {Make(K::BmpUndecodable, "/b/p.bmp"), "Bad BMP file: /b/p.bmp"},
        {Make(K::JpegTooShort, "/b/p.jpg", "10000 x 10000"),
         "JPEG file is too short for 10000 x 10000 pixels: /b/p.jpg"},
        {Make(K::JpegTooManyScans, "/b/p.jpg"), "Too many scans in JPEG file: /b/p.jpg"},
        {Make(K::JpegUndecodable, "/b/p.jpg", "Not a JPEG file: starts with 0x42 0x4d"),
         "Not a JPEG file: starts with 0x42 0x4d: /b/p.jpg"},
        {Make(K::JpegUndecodable, "/b/p.jpg"), "Bad JPEG file: /b/p.jpg"},
        // The system's reason in Japanese, or left out.
        {Make(K::PictureUnreadable, "/b/p.bmp", "", ENOENT),
         "ファイルまたはフォルダーがありません: /b/p.bmp"},
        {Make(K::PictureUnreadable, "/b/p.bmp", "", EACCES),
         "アクセスが許可されていません: /b/p.bmp"},
        {Make(K::PictureUnreadable, "/b/p.bmp", "", EXDEV), "読み込めません: /b/p.bmp"},
        // A name from a Windows archive (CP932 bytes) is shown readable.
        {Make(K::BmpNotBmp, "/b/" + test::Sjis("挿絵.bmp")), "Not a BMP file: /b/挿絵.bmp"},
    };
    for (const auto& c : cases) EXPECT_EQ(Word(c.problem), c.text);
}

TEST(MessagesRender, NoEnglishSystemText) {
    for (int error = 1; error < 134; ++error) {
        const std::string text = Word(Make(ProblemKind::PictureUnreadable, "/p.bmp", "", error));
        EXPECT_EQ(text.find(std::strerror(error)), std::string::npos) << text;
        EXPECT_EQ(text.find(SystemErrorText(error)), 0u) << error;
    }
}

TEST(MessagesRender, IllustrationTagErrorsWordForWord) {
    const std::string head =
        "挿絵の表示処理中にエラーが発生しました。\r\nデリミタ \" が閉じられていないようです。\r\n";
    const auto word = [](const char* name) {
        return Word(Make(ProblemKind::IllustrationNameUnclosed, "", name));
    };
    EXPECT_EQ(word("pic.bmp>"), head + "\r\n挿絵のファイル名はpic.bmp>です。確認してください。");
    EXPECT_EQ(word(""), head + "\r\n挿絵のファイル名はです。確認してください。");
    EXPECT_EQ(word(">"), head);  // the name is just ">"
    EXPECT_EQ(word("挿絵"), head + "\r\n挿絵のファイル名は挿絵です。確認してください。");
}

TEST(MessagesRender, UnclosedMarkupWordForWord) {
    EXPECT_EQ(Word(Make(ProblemKind::PageMarkupUnclosed, "/books/本.txt")),
              "ファイル:/books/本.txtの整形中にメモリーアクセス関連のエラーが発生しました。"
              "原因は不明です。\r\n上記ファイルの内容を確認してみてください。");
}

// The PNG decoder's and the ZIP archives' Problems.
TEST(MessagesArchive, PngAndArchiveTexts) {
    using K = ProblemKind;
    const std::string zip = "/b/蜘蛛の糸.zip";
    const std::string file = "ファイル:/b/蜘蛛の糸.zip";
    const struct {
        Problem problem;
        std::string text;
    } cases[] = {
        {Make(K::PngNotPng, "/b/p.png"), "Not a PNG file: /b/p.png"},
        {Make(K::PngTooShort, "/b/p.png", "6000 x 6000"),
         "PNG file is too short for 6000 x 6000 pixels: /b/p.png"},
        {Make(K::PngUndecodable, "/b/p.png", "IDAT: CRC error"), "IDAT: CRC error: /b/p.png"},
        {Make(K::PngUndecodable, "/b/a.zip/fig1.png"), "Bad PNG file: /b/a.zip/fig1.png"},
        {Make(K::ArchiveNotZip, zip), file + "は ZIP ファイルではないため、開けません。"},
        {Make(K::ArchiveDamaged, zip), file + "は壊れた ZIP ファイルのため、開けません。"},
        {Make(K::ArchiveNoText, zip), file + "の中に本文のテキストファイル（.txt）がありません。"},
        {Make(K::ArchiveMemberMissing, zip, "kumo/fig1.png"),
         file + "の中にkumo/fig1.pngがありません。"},
        {Make(K::ArchiveMemberTooLarge, zip, "a.txt", 256 << 20),
         file + "の中のa.txtは大きすぎるため、開けません（256 MiB まで）。"},
        {Make(K::ArchiveMemberEncrypted, zip, "a.txt"),
         file + "の中のa.txtは暗号化されているため、開けません。"},
        {Make(K::ArchiveMemberUnsupported, zip, "a.txt"),
         file + "の中のa.txtは対応していない方式で圧縮されているため、開けません。"},
        {Make(K::ArchiveMemberBomb, zip, "a.txt"),
         file + "の中のa."
                "txtは圧縮データに対して大きすぎる展開サイズが記録されているため、開けません。"},
        {Make(K::ArchiveMemberSizeMismatch, zip, "a.txt"),
         file + "の中のa.txtは記録された大きさと中身が合わないため、開けません。"},
        {Make(K::ArchiveMemberDamaged, zip, "a.txt"),
         file + "の中のa.txtは壊れているため、開けません。"},
    };
    for (const auto& c : cases) EXPECT_EQ(Word(c.problem), c.text);
}

}  // namespace
}  // namespace mirvo
