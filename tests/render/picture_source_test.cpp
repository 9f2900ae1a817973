#include "render/picture_source.h"

#include <gtest/gtest.h>

#include "render/illustration.h"
#include "render/picture_cache.h"
#include "render/picture_file.h"
#include "render/png_samples.h"
#include "support/test_support.h"
#include "support/zip_samples.h"

namespace mirvo {
namespace {

using test::ZipEntry;

std::string RedPng(int w, int h) {
    test::PngShape shape;
    shape.width = w;
    shape.height = h;
    shape.row = [w](int) {
        std::vector<png_byte> row;
        for (int x = 0; x < w; ++x) row.insert(row.end(), {255, 0, 0});
        return row;
    };
    return test::PngBytes(shape);
}

// A book in a folder of an archive beside /books, with its pictures around it.
std::shared_ptr<const ZipArchive> BookArchive(std::vector<ZipEntry> more = {}) {
    std::vector<ZipEntry> entries = {{"kumo/kumo.txt", "text"},
                                     {"kumo/fig1.png", RedPng(3, 2)},
                                     {"kumo/img/fig2.PNG", RedPng(5, 4)},
                                     {"top.png", RedPng(1, 1)},
                                     {"kumo/bad.png", "not a picture"}};
    entries.insert(entries.end(), more.begin(), more.end());
    return ZipArchive::FromBytes(test::ZipBytes(entries), "/books/kumo.zip").Value();
}

TEST(ArchivePictures, IllustrationNamesAreMembersBesideTheBook) {
    const ArchivePictures pictures(BookArchive(), "kumo/kumo.txt");
    const struct {
        const char* name;  // as the book's illustration names it
        int width;         // 0: refused
        ProblemKind refused;
        const char* detail;
    } cases[] = {
        {"fig1.png", 3, ProblemKind::None, ""},
        {"img\\fig2.PNG", 5, ProblemKind::None, ""},
        {"IMG/FIG2.png", 5, ProblemKind::None, ""},  // capitals as Windows would take them
        {"../top.png", 1, ProblemKind::None, ""},
        {"none.png", 0, ProblemKind::ArchiveMemberMissing, "kumo/none.png"},
        {"../../top.png", 0, ProblemKind::ArchiveMemberMissing, "../../top.png"},
        {"bad.png", 0, ProblemKind::PngNotPng, ""},
    };
    for (const auto& c : cases) {
        const std::string path = IllustrationPath("/books/kumo.zip", c.name);
        const Result<Bitmap> got = pictures.Read(path);
        if (c.width > 0) {
            ASSERT_TRUE(got) << c.name << ": " << static_cast<int>(got.GetProblem().kind);
            EXPECT_EQ(got.Value().Width(), c.width) << c.name;
            EXPECT_EQ(got.Value().Pixel(0, 0), MakeColor(255, 0, 0)) << c.name;
        } else {
            ASSERT_FALSE(got) << c.name;
            EXPECT_EQ(got.GetProblem().kind, c.refused) << c.name;
            if (c.refused == ProblemKind::ArchiveMemberMissing) {
                EXPECT_EQ(got.GetProblem().path, "/books/kumo.zip");
                EXPECT_EQ(got.GetProblem().detail, c.detail) << c.name;
            } else {
                EXPECT_EQ(got.GetProblem().path, "/books/kumo.zip/kumo/bad.png");
            }
        }
    }
    // A path elsewhere than beside the archive names no member.
    EXPECT_EQ(pictures.Read("/other/fig1.png").GetProblem().kind,
              ProblemKind::ArchiveMemberMissing);
}

TEST(ArchivePictures, MemberOverThePictureLimitIsRefusedUnread) {
    std::string zip = test::ZipBytes({{"kumo.txt", "text"}, {"big.png", RedPng(2, 2)}});
    zip = test::WithStatedSize(zip, 1, static_cast<std::uint32_t>(kMaxPictureFileBytes + 1));
    const ArchivePictures pictures(ZipArchive::FromBytes(zip, "/b/k.zip").Value(), "kumo.txt");
    const Result<Bitmap> got = pictures.Read("/b/big.png");
    ASSERT_FALSE(got);
    EXPECT_EQ(got.GetProblem().kind, ProblemKind::ArchiveMemberTooLarge);
}

// A book's pictures follow the book: from its archive when it is a ZIP, read again when the
// archive changes, from files beside it otherwise.
TEST(ArchivePictures, TheCacheFollowsTheBook) {
    test::TempDir dir;
    const std::string zip = dir.File("kumo.zip");
    test::WriteFileBytes(zip, test::ZipBytes({{"kumo.txt", "t"}, {"fig.png", RedPng(3, 2)}}));
    test::WriteFileBytes(dir.File("fig.png"), RedPng(7, 7));
    PictureCache cache;
    const std::string fig = IllustrationPath(zip, "fig.png");
    cache.ForBook(zip);
    EXPECT_EQ(cache.Get(fig).Value()->Width(), 3);
    cache.ForBook(zip);
    EXPECT_EQ(cache.Get(fig).Value()->Width(), 3);
    EXPECT_EQ(cache.Decodes(), 1);
    test::WriteFileBytes(
        zip, test::ZipBytes({{"kumo.txt", "t"}, {"fig.png", RedPng(5, 2)}, {"x", "longer"}}));
    cache.ForBook(zip);
    EXPECT_EQ(cache.Get(fig).Value()->Width(), 5);
    // Back to files: nothing of the archive is kept.
    cache.ForBook(dir.File("kumo.txt"));
    EXPECT_EQ(cache.Get(fig).Value()->Width(), 7);
    // An archive that cannot be read refuses its pictures with its own Problem.
    test::WriteFileBytes(dir.File("bad.zip"), "no archive");
    cache.ForBook(dir.File("bad.zip"));
    EXPECT_EQ(cache.Get(IllustrationPath(dir.File("bad.zip"), "fig.png")).GetProblem().kind,
              ProblemKind::ArchiveNotZip);
}

}  // namespace
}  // namespace mirvo
