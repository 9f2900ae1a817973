// mirvo --export: the files read back with the tools and libraries a reader's own tools use
// (libzip, unzip, qpdf, pdfinfo): every page there, in order, each the very page --render
// draws in grey, right-to-left reading marked; and failures that leave nothing behind.
#include <png.h>
#include <unistd.h>
#include <zip.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "render/grey_image.h"
#include "support/headless_run.h"
#include "support/test_support.h"
#include "viewer/spread_layout.h"

namespace mirvo::test {
namespace {

// Seven pages at 4 columns of 6 characters: ruby, footnote marks (numbered anew on each
// spread's right page: page 4 goes on from page 3's) and a last page that is a right page
// alone.
const char* const kBook =
    "｜吾輩《わがはい》は猫である。名前はまだ無い。\r\n"
    "どこで生れたかとんと見当がつかぬ［＃注一］。\r\n"
    "何でも薄暗いじめじめした所で泣いていた事だけは記憶している［＃注二］。\r\n"
    "吾輩はここで始めて［＃注三］人間というものを見た［＃注四］。\r\n"
    "しかもあとで聞くとそれは書生という人間中で一番獰悪な種族であったそうだ。\r\n"
    "でも。\r\n";
const std::vector<std::string> kLayout = {"--rows", "4", "--chars", "6"};
constexpr int kPages = 7;

std::string RunTool(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

GreyImage DecodePng(const std::string& bytes, png_uint_32 format) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    GreyImage g;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return g;
    png.format = format;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) return g;
    g.width = static_cast<int>(png.width);
    g.height = static_cast<int>(png.height);
    g.pixels = std::move(pixels);
    return g;
}

// Page `page` of `--render` at a picture area whose page images are `w` x `h`: the right
// image of the spread from an odd page, the left one of the spread before an even page,
// in grey.
GreyImage RenderedPage(const TempDir& dir, int page, int areaW, int areaH) {
    const std::string png = dir.File("render.png");
    std::vector<std::string> args = {
        "--render", dir.File("book.txt"),
        "--page",   std::to_string(page % 2 ? page : page - 1),
        "--out",    png,
        "--area",   std::to_string(areaW) + "x" + std::to_string(areaH)};
    args.insert(args.end(), kLayout.begin(), kLayout.end());
    EXPECT_EQ(RunMirvo(args).status, 0);
    const GreyImage rgb = DecodePng(ReadFileBytes(png), PNG_FORMAT_RGB);
    const SpreadLayout l = LayoutSpread(areaW, areaH, kSpreadHeightRatio, true);
    const Rect& r = page % 2 ? l.rightImage : l.leftImage;
    GreyImage g{r.Width(), r.Height(), {}};
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const std::uint8_t* p = &rgb.pixels[(static_cast<std::size_t>(y) * rgb.width + x) * 3];
            g.pixels.push_back(GreyLevel(p[0], p[1], p[2]));
        }
    }
    return g;
}

struct ReadBack {
    std::vector<GreyImage> pages;
    bool rightToLeft = false;
    int toolPageCount = 0;  // what the outside tool counts
};

ReadBack ReadCbz(const std::string& path) {
    ReadBack r;
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!z) return r;
    auto entry = [&](const std::string& name) {
        std::string bytes;
        zip_stat_t st;
        zip_file_t* f =
            zip_stat(z, name.c_str(), 0, &st) == 0 ? zip_fopen(z, name.c_str(), 0) : nullptr;
        if (!f) return bytes;
        bytes.resize(st.size);
        if (zip_fread(f, bytes.data(), st.size) != static_cast<zip_int64_t>(st.size)) bytes.clear();
        zip_fclose(f);
        return bytes;
    };
    // The pages, then ComicInfo.xml.
    const int pages = static_cast<int>(zip_get_num_entries(z, 0)) - 1;
    for (int p = 1; p <= pages; ++p) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d.png", p);
        r.pages.push_back(DecodePng(entry(name), PNG_FORMAT_GRAY));
    }
    r.rightToLeft =
        entry("ComicInfo.xml").find("<Manga>YesAndRightToLeft</Manga>") != std::string::npos;
    zip_close(z);
    // One line a file, the name last.
    const std::string listing = RunTool("unzip -l '" + path + "'");
    for (std::size_t at = listing.find(".png\n"); at != std::string::npos;
         at = listing.find(".png\n", at + 1))
        ++r.toolPageCount;
    return r;
}

ReadBack ReadPdf(const std::string& path) {
    ReadBack r;
    QPDF pdf;
    pdf.processFile(path.c_str());
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        QPDFObjectHandle image =
            page.getObjectHandle().getKey("/Resources").getKey("/XObject").getKey("/Page");
        const auto data = image.getStreamData(qpdf_dl_generalized);
        GreyImage g;
        g.width = static_cast<int>(image.getDict().getKey("/Width").getIntValue());
        g.height = static_cast<int>(image.getDict().getKey("/Height").getIntValue());
        EXPECT_EQ(image.getDict().getKey("/ColorSpace").getName(), "/DeviceGray");
        g.pixels.assign(data->getBuffer(), data->getBuffer() + data->getSize());
        r.pages.push_back(std::move(g));
    }
    QPDFObjectHandle prefs = pdf.getRoot().getKey("/ViewerPreferences");
    r.rightToLeft = prefs.isDictionary() && prefs.getKey("/Direction").isName() &&
                    prefs.getKey("/Direction").getName() == "/R2L";
    const std::string info = RunTool("pdfinfo '" + path + "'");
    if (const std::size_t at = info.find("\nPages:"); at != std::string::npos)
        r.toolPageCount = std::atoi(info.c_str() + at + 7);
    return r;
}

struct FormatCase {
    const char* out;
    ReadBack (*read)(const std::string& path);
};

class ExportFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(ExportFormats, EveryPageIsThePageRenderDrawsInGreyAndReadsRightToLeft) {
    TempDir dir;
    WriteFileBytes(dir.File("book.txt"), Sjis(kBook));
    // A picture area of 400 x 300 gives --render pages of 201 x 282.
    const SpreadLayout l = LayoutSpread(400, 300, kSpreadHeightRatio, true);
    ASSERT_EQ(l.leftImage.Width(), 201);
    const std::string out = dir.File(GetParam().out);
    std::vector<std::string> args = {"--export", dir.File("book.txt"), "--out", out, "--area",
                                     "201x282"};
    args.insert(args.end(), kLayout.begin(), kLayout.end());
    const Captured c = RunMirvo(args);
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.err.find("page 7 of 7"), std::string::npos) << c.err;

    const ReadBack back = GetParam().read(out);
    EXPECT_EQ(back.toolPageCount, kPages);
    EXPECT_TRUE(back.rightToLeft);
    ASSERT_EQ(back.pages.size(), static_cast<std::size_t>(kPages));
    for (int p = 1; p <= kPages; ++p) {
        const GreyImage want = RenderedPage(dir, p, 400, 300);
        const GreyImage& got = back.pages[p - 1];
        EXPECT_EQ(got.width, 201);
        EXPECT_EQ(got.height, 282);
        EXPECT_TRUE(got.pixels == want.pixels) << "page " << p;
    }
    // Nothing else was left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportFormats,
                         testing::Values(FormatCase{"book.cbz", ReadCbz},
                                         FormatCase{"Book.PDF", ReadPdf}),
                         [](const auto& info) { return std::string(info.param.out).substr(5); });

struct FailureCase {
    const char* name;
    const char* book;  // UTF-8; null: no book file
    const char* out;   // in the test's folder
    std::vector<std::string> options;
    int status;
    const char* message;
};

const FailureCase kFailures[] = {
    {"FolderIsAFile", "あ", "plain/book.cbz", {}, 1, "mirvo: cannot write "},
    {"MissingFolder", "あ", "none/book.pdf", {}, 1, "No such file or directory"},
    {"MissingBook", nullptr, "old.cbz", {}, 1, "mirvo: "},
    {"BookThatCannotBeFormatted", "あ《い\r\n", "old.pdf", {}, 1, "閉じられていない"},
    // The picture error of a drawing process (the book has spreads for two).
    {"MissingIllustration",
     "あいう\r\nえお\r\nか\r\n<IMG SRC=\"none.jpg\">\r\nき\r\n",
     "book.pdf",
     {"--rows", "2", "--chars", "4"},
     1,
     "none.jpg"},
    {"OtherExtension", "あ", "book.epub", {}, 2, "--out needs a .cbz or .pdf file"},
    {"NoOut", "あ", nullptr, {}, 2, "no --out given"},
    {"BadArea", "あ", "book.cbz", {"--area", "0x10"}, 2, "--area needs WxH"},
    {"AreaTooLarge", "あ", "book.cbz", {"--area", "5001x10"}, 2, "--area needs WxH"},
};

class ExportFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(ExportFailures, SayWhyAndLeaveNoFile) {
    const FailureCase& c = GetParam();
    TempDir dir;
    if (c.book) WriteFileBytes(dir.File("book.txt"), Sjis(c.book));
    WriteFileBytes(dir.File("plain"), "x");
    WriteFileBytes(dir.File("old.cbz"), "old");
    WriteFileBytes(dir.File("old.pdf"), "old");
    std::vector<std::string> args = {"--export", dir.File("book.txt")};
    if (c.out) args.insert(args.end(), {"--out", dir.File(c.out)});
    args.insert(args.end(), c.options.begin(), c.options.end());
    const Captured r = RunMirvo(args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), c.book ? 4 : 3);
    EXPECT_EQ(ReadFileBytes(dir.File("old.cbz")), "old");
    EXPECT_EQ(ReadFileBytes(dir.File("old.pdf")), "old");
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportFailures, testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExportFailures, ReadOnlyFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    WriteFileBytes(dir.File("book.txt"), Sjis("あ"));
    std::filesystem::create_directory(dir.File("ro"));
    std::filesystem::permissions(dir.File("ro"), std::filesystem::perms(0555));
    const Captured r = RunMirvo({"--export", dir.File("book.txt"), "--out", dir.File("ro/b.cbz")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("ro")));
}

// An existing file at OUT is replaced whole, keeping its permissions.
TEST(ExportCommand, ReplacesAnOldFileKeepingItsPermissions) {
    TempDir dir;
    WriteFileBytes(dir.File("book.txt"), Sjis("あ"));
    WriteFileBytes(dir.File("b.cbz"), "old");
    std::filesystem::permissions(dir.File("b.cbz"), std::filesystem::perms(0640));
    const Captured r =
        RunMirvo({"--export", dir.File("book.txt"), "--out", dir.File("b.cbz"), "--area", "50x70"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadCbz(dir.File("b.cbz")).toolPageCount, 1);
    EXPECT_EQ(std::filesystem::status(dir.File("b.cbz")).permissions(),
              std::filesystem::perms(0640));
}

}  // namespace
}  // namespace mirvo::test
