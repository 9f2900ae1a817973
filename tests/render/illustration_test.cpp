#include "render/illustration.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "render/picture_file.h"
#include "render/picture_samples.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;
using test::TempDir;
using test::WriteFileBytes;

struct RecordingReporter : ProblemReporter {
    std::vector<Problem> problems;
    void Report(const Problem& problem) override { problems.push_back(problem); }
};

IllustrationTag Tag(IllustrationPosition position = IllustrationPosition::None, bool full = false) {
    IllustrationTag t;
    t.isTag = t.nameClosed = true;
    t.position = position;
    t.full = full;
    return t;
}

void ExpectRect(const Rect& r, int left, int top, int w, int h) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.Width(), w);
    EXPECT_EQ(r.Height(), h);
}

TEST(IllustrationTagParse, TagTestNameAndKeywords) {
    EXPECT_TRUE(IsIllustrationTag("<img src=\"a.bmp\">"));
    EXPECT_TRUE(IsIllustrationTag("<ImG"));
    EXPECT_FALSE(IsIllustrationTag(" <IMG \"a.bmp\">"));
    EXPECT_FALSE(IsIllustrationTag("<IM"));
    EXPECT_FALSE(ParseIllustrationTag("<SKIP>").isTag);

    const IllustrationTag t = ParseIllustrationTag("<IMG SRC=\"Pic One.BMP\" full trans>");
    EXPECT_TRUE(t.isTag);
    EXPECT_TRUE(t.nameClosed);
    EXPECT_EQ(t.fileName, "Pic One.BMP");  // as written
    EXPECT_TRUE(t.full);
    EXPECT_TRUE(t.trans);
    EXPECT_EQ(t.position, IllustrationPosition::None);

    const IllustrationTag plain = ParseIllustrationTag("<IMG \"a.bmp\" \"b.bmp\">");
    EXPECT_EQ(plain.fileName, "a.bmp");
    EXPECT_FALSE(plain.full || plain.trans);

    const IllustrationTag open = ParseIllustrationTag("<IMG \"a.bmp>");
    EXPECT_FALSE(open.nameClosed);
    EXPECT_EQ(open.fileName, "a.bmp>");
    EXPECT_FALSE(ParseIllustrationTag("<IMG a.bmp>").nameClosed);
}

TEST(IllustrationTagParse, PositionKeywordsAnywhereInTheRow) {
    auto position = [](const char* row) { return ParseIllustrationTag(row).position; };
    EXPECT_EQ(position("<IMG \"a.bmp\" top>"), IllustrationPosition::Top);
    EXPECT_EQ(position("<IMG \"a.bmp\" MIDDLE>"), IllustrationPosition::Middle);
    EXPECT_EQ(position("<IMG \"a.bmp\" BOTTOM TOP>"), IllustrationPosition::Bottom);
    EXPECT_EQ(position("<IMG \"a.bmp\" top Middle>"), IllustrationPosition::Middle);
    EXPECT_EQ(position("<IMG \"stop.bmp\">"), IllustrationPosition::Top);  // in the name
    EXPECT_TRUE(ParseIllustrationTag("<IMG \"fullmoon.bmp\">").full);
}

TEST(IllustrationGeometry, WorkedExamplesOnA300x420Page) {
    // Box 270 x 378.
    ExpectRect(IllustrationRect(300, 420, 200, 100, Tag()), 50, 160, 200, 100);
    ExpectRect(IllustrationRect(300, 420, 200, 100, Tag(IllustrationPosition::None, true)), 15, 142,
               270, 135);
    // 100 x 400: rounding makes it two pixels taller than the box.
    ExpectRect(IllustrationRect(300, 420, 100, 400, Tag()), 102, 20, 95, 380);
    ExpectRect(IllustrationRect(300, 420, 100, 400, Tag(IllustrationPosition::Middle)), 102, 20, 95,
               380);
    ExpectRect(IllustrationRect(300, 420, 100, 400, Tag(IllustrationPosition::Top)), 102, 0, 95,
               380);
    ExpectRect(IllustrationRect(300, 420, 100, 400, Tag(IllustrationPosition::Bottom)), 102, 40, 95,
               380);
    // Exactly the box's size is drawn as it is. One pixel wider is scaled to the box's width,
    // and the rounding of the height then gives the width back: 271 x 100 again.
    ExpectRect(IllustrationRect(300, 420, 270, 378, Tag()), 15, 21, 270, 378);
    ExpectRect(IllustrationRect(300, 420, 271, 100, Tag()), 14, 160, 271, 100);
    ExpectRect(IllustrationRect(300, 420, 540, 100, Tag()), 15, 185, 270, 50);
}

TEST(IllustrationGeometry, ExtremeShapesStayFinite) {
    // Thin lines round to nothing rather than dividing by zero.
    const Rect line = IllustrationRect(300, 420, 100000, 1, Tag());
    EXPECT_EQ(line.Height(), 0);
    const Rect column = IllustrationRect(300, 420, 1, 100000, Tag());
    EXPECT_EQ(column.Width(), 0);
    const Rect tiny = IllustrationRect(0, 0, 10, 10, Tag());
    EXPECT_EQ(tiny.Width(), 0);
}

TEST(IllustrationPaths, BesideTheTextFile) {
    EXPECT_EQ(IllustrationPath("/books/novel.txt", "pic.bmp"), "/books/pic.bmp");
    EXPECT_EQ(IllustrationPath("/books/novel.txt", "img\\pic.bmp"), "/books/img/pic.bmp");
    EXPECT_EQ(IllustrationPath("/novel.txt", "pic.bmp"), "/pic.bmp");
    EXPECT_EQ(IllustrationPath("novel.txt", "pic.bmp"), "./pic.bmp");
    // CP932 names reach the file system as UTF-8; a trail byte 0x5C is no folder mark.
    EXPECT_EQ(IllustrationPath("/b/n.txt", Sjis("ソ挿絵.bmp")), "/b/ソ挿絵.bmp");
}

class DrawIllustrationTest : public ::testing::Test {
  protected:
    void SetUp() override { page_.Create(300, 420, 0xFFFFFF); }
    std::string Doc() const { return dir_.File("book.txt"); }
    bool Draw(const std::string& row) {
        const Result<bool> drawn = DrawIllustration(page_, row, Doc(), pictures_, reporter_);
        EXPECT_TRUE(drawn.Ok()) << row;
        return drawn.Ok() && drawn.Value();
    }
    // The Problem of a picture that cannot be read (kind None when it was drawn).
    Problem Refusal(const std::string& row) {
        const Result<bool> drawn = DrawIllustration(page_, row, Doc(), pictures_, reporter_);
        return drawn.Ok() ? Problem{} : drawn.GetProblem();
    }

    TempDir dir_;
    Bitmap page_;
    PictureCache pictures_;
    RecordingReporter reporter_;
};

TEST_F(DrawIllustrationTest, DrawsAtItsOwnSizeCentred) {
    const Bitmap picture = test::QuarterPicture(200, 100);
    WriteFileBytes(dir_.File("pic.bmp"), test::BmpBytes(picture));
    ASSERT_TRUE(Draw("<IMG SRC=\"pic.bmp\">"));
    EXPECT_EQ(page_.Pixel(50, 160), MakeColor(255, 0, 0));
    EXPECT_EQ(page_.Pixel(249, 160), MakeColor(0, 255, 0));
    EXPECT_EQ(page_.Pixel(50, 259), MakeColor(0, 0, 255));
    EXPECT_EQ(page_.Pixel(49, 160), 0xFFFFFFu);
    EXPECT_EQ(page_.Pixel(250, 160), 0xFFFFFFu);
    EXPECT_EQ(page_.Pixel(50, 159), 0xFFFFFFu);
    EXPECT_EQ(page_.Pixel(50, 260), 0xFFFFFFu);
    EXPECT_TRUE(reporter_.problems.empty());
}

TEST_F(DrawIllustrationTest, FullStretchesByRepeatingPixels) {
    Bitmap picture(200, 100, MakeColor(0, 0, 0));
    picture.SetPixel(199, 99, MakeColor(255, 0, 0));
    WriteFileBytes(dir_.File("pic.bmp"), test::BmpBytes(picture));
    ASSERT_TRUE(Draw("<img \"pic.bmp\" FULL BOTTOM>"));
    // 270 x 135 at (15, 285): the last source pixel covers the last one or two columns/rows.
    EXPECT_EQ(page_.Pixel(284, 419), MakeColor(255, 0, 0));
    EXPECT_EQ(page_.Pixel(283, 418), MakeColor(0, 0, 0));
    EXPECT_EQ(page_.Pixel(15, 285), MakeColor(0, 0, 0));
    EXPECT_EQ(page_.Pixel(14, 285), 0xFFFFFFu);
    EXPECT_EQ(page_.Pixel(15, 284), 0xFFFFFFu);
}

TEST_F(DrawIllustrationTest, TransparentByTheBottomLeftPixel) {
    Bitmap picture(4, 4, MakeColor(0, 128, 0));  // green ground, the key
    picture.SetPixel(1, 1, MakeColor(200, 0, 0));
    WriteFileBytes(dir_.File("t.bmp"), test::BmpBytes(picture));
    page_.Fill(MakeColor(1, 2, 3));
    ASSERT_TRUE(Draw("<IMG \"t.bmp\" TRANS TOP>"));
    // 4 x 4 at (148, 0).
    EXPECT_EQ(page_.Pixel(149, 1), MakeColor(200, 0, 0));
    EXPECT_EQ(page_.Pixel(148, 0), MakeColor(1, 2, 3));
    EXPECT_EQ(page_.Pixel(151, 3), MakeColor(1, 2, 3));

    // Without TRANS the ground is drawn.
    ASSERT_TRUE(Draw("<IMG \"t.bmp\" TOP>"));
    EXPECT_EQ(page_.Pixel(148, 0), MakeColor(0, 128, 0));
}

TEST_F(DrawIllustrationTest, JpegInLowerCaseAndFolders) {
    std::filesystem::create_directory(dir_.File("img"));
    Bitmap picture(40, 20, MakeColor(250, 250, 0));
    WriteFileBytes(dir_.File("img/pic.jpg"), test::JpegBytes(picture));
    ASSERT_TRUE(Draw("<IMG SRC=\"img\\pic.jpg\">"));
    const Color c = page_.Pixel(150, 210);
    EXPECT_GE(RedOf(c), 240);
    EXPECT_LE(BlueOf(c), 20);

    const std::string name = "挿絵.bmp";
    WriteFileBytes(dir_.File(name), test::BmpBytes(Bitmap(2, 2, MakeColor(9, 9, 9))));
    ASSERT_TRUE(Draw(Sjis("<IMG \"挿絵.bmp\">")));
    EXPECT_EQ(page_.Pixel(149, 209), MakeColor(9, 9, 9));
}

TEST_F(DrawIllustrationTest, UnreadablePicturesReachTheCaller) {
    WriteFileBytes(dir_.File("pic.JPEG"), test::JpegBytes(Bitmap(8, 8, 0x808080)));
    const Bitmap before = page_;
    const Problem jpeg = Refusal("<IMG \"pic.JPEG\">");  // read as BMP
    EXPECT_EQ(jpeg.kind, ProblemKind::BmpNotBmp);
    EXPECT_EQ(jpeg.path, dir_.File("pic.JPEG"));
    const Problem missing = Refusal("<IMG \"missing.bmp\">");
    EXPECT_EQ(missing.kind, ProblemKind::PictureUnreadable);
    EXPECT_EQ(missing.count, ENOENT);
    EXPECT_EQ(missing.path, dir_.File("missing.bmp"));
    EXPECT_TRUE(page_ == before);
    EXPECT_TRUE(reporter_.problems.empty());
}

TEST_F(DrawIllustrationTest, EmptyPicturesAndOtherRowsAreText) {
    WriteFileBytes(dir_.File("empty.bmp"), test::BmpHeader(0, 5));
    EXPECT_FALSE(Draw("<IMG \"empty.bmp\">"));
    EXPECT_FALSE(Draw("本文の行"));
    EXPECT_FALSE(Draw("<SKIP \"missing.bmp\">"));  // no tag: no file is read
    EXPECT_TRUE(reporter_.problems.empty());
}

TEST_F(DrawIllustrationTest, TagErrorsAreReportedWithTheCollectedName) {
    // Their wording: MessagesRender.IllustrationTagErrorsWordForWord (app).
    EXPECT_FALSE(Draw("<IMG SRC=\"pic.bmp>"));
    EXPECT_FALSE(Draw("<IMG pic.bmp>"));
    EXPECT_FALSE(Draw("<IMG \">"));
    EXPECT_FALSE(Draw(Sjis("<IMG \"挿絵")));
    ASSERT_EQ(reporter_.problems.size(), 4u);
    const char* names[] = {"pic.bmp>", "", ">", "挿絵"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(reporter_.problems[k].kind, ProblemKind::IllustrationNameUnclosed);
        EXPECT_EQ(reporter_.problems[k].detail, names[k]);
    }
}

}  // namespace
}  // namespace mirvo
