// The wording of the PNG decoder's and the ZIP archives' Problems.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "app/messages.h"

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
        {Make(K::ArchiveNotRegular, zip), file + "は通常のファイルではないため、開けません。"},
        {Make(K::ArchiveTooLarge, zip, "", 256 << 20),
         file + "は大きすぎるため、開けません（256 MiB まで）。"},
        {Make(K::ArchiveUnreadable, zip, "", ENOENT),
         file + "を読み込めません（" + std::strerror(ENOENT) + "）。"},
        {Make(K::ArchiveDamaged, zip, "Not a zip archive"),
         file + "は ZIP ファイルとして読めません（Not a zip archive）。"},
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
