#include "render/picture_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "format/cp932.h"
#include "render/page_renderer.h"
#include "render/picture_samples.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::BmpBytes;
using test::TempDir;
using test::WriteFileBytes;

class Quiet : public ProblemReporter {
  public:
    void Report(const Problem&) override {}
};

// Draws pages of a book whose rows name pictures, as the spreads do.
class PictureCacheTest : public ::testing::Test {
  protected:
    PictureCacheTest() {
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            WriteFileBytes(dir.File(name), BmpBytes(test::QuarterPicture(40, 30)));
        WriteFileBytes(dir.File("bad.bmp"), "BM not a picture");
    }
    // Page `page` of rows (one a page).
    PageOutcome Draw(int page) {
        const PageSource src{rows, style, texture, book};
        return renderer.RenderPage(buffer, 200, 280, page, page % 2 == 1, src, lists, quiet);
    }
    long long Decodes() { return renderer.Pictures().Decodes(); }

    TempDir dir;
    std::string book = dir.File("book.txt");
    PageStyle style{.Layout = PageLayout(1, 20)};
    RowList rows;
    Bitmap texture, buffer;
    PageTexts lists;
    Quiet quiet;
    PageRenderer renderer;
};

TEST_F(PictureCacheTest, ASpreadShownAgainDecodesNothing) {
    rows = {"<IMG \"a.bmp\">", "<IMG \"b.bmp\">", "text", "<IMG \"a.bmp\">"};
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(Draw(1));
        ASSERT_TRUE(Draw(2));
        EXPECT_EQ(Decodes(), 2) << round;
    }
    // The next spread uses a.bmp again; returning to the first spread decodes nothing.
    ASSERT_TRUE(Draw(3));
    ASSERT_TRUE(Draw(4));
    ASSERT_TRUE(Draw(1));
    ASSERT_TRUE(Draw(2));
    EXPECT_EQ(Decodes(), 2);
    EXPECT_EQ(renderer.Pictures().Bytes(), 2u * 120 * 30);  // two 40 x 30 pictures
}

TEST_F(PictureCacheTest, AChangedFileIsDecodedAgain) {
    rows = {"<IMG \"a.bmp\">"};
    ASSERT_TRUE(Draw(1));
    WriteFileBytes(dir.File("a.bmp"), BmpBytes(Bitmap(8, 6, MakeColor(9, 9, 9))));
    ASSERT_TRUE(Draw(1));
    EXPECT_EQ(Decodes(), 2);
    EXPECT_EQ(buffer.Pixel(100, 140), MakeColor(9, 9, 9));  // the new picture is drawn
    EXPECT_EQ(renderer.Pictures().Bytes(), 24u * 6);        // the old one is let go
}

TEST_F(PictureCacheTest, APictureThatCannotBeReadIsTriedOnceAndReportedEachTime) {
    rows = {"<IMG \"bad.bmp\">", "<IMG \"missing.bmp\">"};
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Draw(1).picture.kind, ProblemKind::BmpNotBmp);
        EXPECT_EQ(Draw(2).picture.kind, ProblemKind::PictureUnreadable);
    }
    // The broken file is decoded once; a missing one has nothing to keep.
    EXPECT_EQ(Decodes(), 3);
}

TEST(PictureCacheBounds, FarAndOldPicturesAreLetGo) {
    TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        WriteFileBytes(dir.File(name), BmpBytes(Bitmap(100, 10)));  // 3000 bytes each
    struct Case {
        std::size_t maxBytes;
        int keepPages, pagesBetween;
        const char* draws;  // pictures drawn in turn, a page counted before each
        long long decodes;
        std::size_t bytes;  // kept at the end
    } cases[] = {
        {1 << 20, 8, 1, "abcabc", 3, 9000},  // everything fits
        {6000, 8, 1, "abcabc", 6, 6000},     // two fit: the least recently drawn goes
        {6000, 8, 1, "ababcb", 3, 6000},     // b stays, drawn last before c
        {1000, 8, 1, "aa", 1, 3000},         // over the bound alone: kept while on show
        {1 << 20, 2, 3, "aa", 2, 3000},      // not drawn on the last 2 pages
        {1 << 20, 4, 3, "aa", 1, 3000},      // drawn 3 pages ago: still near
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.draws);
        PictureCache cache(c.maxBytes, c.keepPages);
        for (const char* d = c.draws; *d; ++d) {
            for (int k = 0; k < c.pagesBetween; ++k) cache.NextPage();
            ASSERT_TRUE(cache.Get(dir.File(std::string(1, *d) + ".bmp")));
        }
        EXPECT_EQ(cache.Decodes(), c.decodes);
        EXPECT_EQ(cache.Bytes(), c.bytes);
    }
}

}  // namespace
}  // namespace mirvo
