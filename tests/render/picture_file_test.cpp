#include "render/picture_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include "render/picture_samples.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::BmpBytes;
using test::BmpHeader;
using test::JpegBytes;
using test::TempDir;
using test::WriteFileBytes;

bool Near(Color a, Color b, int tolerance) {
    return std::abs(RedOf(a) - RedOf(b)) <= tolerance &&
           std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
           std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

// The picture of a file that must be read.
Bitmap Read(const std::string& path) {
    Result<Bitmap> r = ReadPictureFile(path);
    if (!r) {
        ADD_FAILURE() << "refused " << path;
        return Bitmap();
    }
    return std::move(r.Value());
}

// Why a file cannot be read (kind None when it was read).
Problem Refusal(const Result<Bitmap>& r) {
    return r ? Problem{} : r.GetProblem();
}

// Expects a refusal that names the file.
void ExpectPictureError(const std::string& path) {
    const Result<Bitmap> r = ReadPictureFile(path);
    if (r) {
        ADD_FAILURE() << "read " << r.Value().Width() << "x" << r.Value().Height() << " from "
                      << path;
    } else {
        EXPECT_EQ(r.GetProblem().path, path);
    }
}

TEST(PictureFileChoice, ExtensionDecidesTheReader) {
    EXPECT_TRUE(IsJpegPath("/a/b/pic.jpg"));
    EXPECT_TRUE(IsJpegPath("/a/b/PIC.JpG"));
    EXPECT_TRUE(IsJpegPath("pic.bmp.jpg"));
    EXPECT_FALSE(IsJpegPath("/a/b/pic.jpeg"));
    EXPECT_FALSE(IsJpegPath("/a/b.jpg/pic"));
    EXPECT_FALSE(IsJpegPath("/a/b/pic.jpg.bmp"));
    EXPECT_FALSE(IsJpegPath("/a/b/pic"));
}

TEST(PictureFileRead, BmpRowsAndColours) {
    TempDir dir;
    const Bitmap picture = test::QuarterPicture(7, 5);  // odd width: padded rows
    WriteFileBytes(dir.File("up.bmp"), BmpBytes(picture));
    WriteFileBytes(dir.File("down.BMP"), BmpBytes(picture, true));
    WriteFileBytes(dir.File("noext"), BmpBytes(picture));
    for (const char* name : {"up.bmp", "down.BMP", "noext"}) {
        const Bitmap got = Read(dir.File(name));
        EXPECT_TRUE(got == picture) << name;
    }
    EXPECT_TRUE(LoadBitmapFile(dir.File("up.bmp")).Value() == picture);
}

TEST(PictureFileRead, PalettedBmp) {
    TempDir dir;
    // 2 x 2, 8 bits per pixel, palette {black, red}: pixel value 1 at top-left only.
    std::string bmp = BmpHeader(2, 2, 8, 54 + 8);
    bmp.replace(46, 4, std::string("\x02\0\0\0", 4));  // colours used
    bmp += std::string("\0\0\0\0\0\0\xFF\0", 8);
    bmp += std::string("\0\0\0\0", 4);  // bottom row
    bmp += std::string("\x01\0\0\0", 4);
    WriteFileBytes(dir.File("pal.bmp"), bmp);
    const Bitmap got = Read(dir.File("pal.bmp"));
    ASSERT_EQ(got.Width(), 2);
    EXPECT_EQ(got.Pixel(0, 0), MakeColor(255, 0, 0));
    EXPECT_EQ(got.Pixel(1, 1), MakeColor(0, 0, 0));
}

// A run-length compressed BMP (RLE8 or RLE4) of w x h with the palette white, red, green,
// blue, the pixel data given as bytes.
std::string RleBmp(int w, int h, int bitCount, const std::string& data) {
    std::string bmp = BmpHeader(w, h, bitCount, 54 + 16);
    bmp.replace(30, 4, std::string(1, bitCount == 8 ? '\x01' : '\x02') + std::string(3, '\0'));
    bmp.replace(46, 4, std::string("\x04\0\0\0", 4));  // colours used
    bmp += std::string("\xFF\xFF\xFF\0\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0", 16);
    return bmp + data;
}

TEST(PictureFileRead, RunLengthCompressedBmps) {
    // Rows are listed top first: 0 white (also what the data never reaches), 1 red, 2 green,
    // 3 blue, k black (an index past the palette).
    const std::string B = std::string(1, '\0');
    struct Case {
        const char* what;
        int w, h, bits;
        std::string data;
        std::vector<std::string> rows;
    } cases[] = {
        {"runs, end of line, end of picture",
         4,
         2,
         8,
         "\x03\x01\x01\x02" + B + B + "\x04\x03" + B + "\x01",
         {"3333", "1112"}},
        {"literal run padded to a word",
         5,
         1,
         8,
         B + "\x03\x01\x02\x03" + B + "\x02\x01" + B + "\x01",
         {"12311"}},
        {"delta jump leaves white",
         4,
         3,
         8,
         "\x01\x01" + B + "\x02\x02\x01\x01\x02" + B + "\x01",
         {"0000", "0002", "1000"}},
        {"run past the right edge is cut", 3, 1, 8, "\x05\x01" + B + "\x01", {"111"}},
        {"data cut short", 3, 2, 8, "\x02\x01", {"000", "110"}},
        {"index past the palette", 2, 1, 8, "\x01\x09\x01\x03", {"k3"}},
        {"top-down rows", 2, -2, 8, "\x02\x01" + B + B + "\x02\x02", {"11", "22"}},
        {"rows past the last are dropped", 1, 1, 8, "\x01\x02" + B + B + "\x01\x03", {"2"}},
        {"RLE4 run alternates two indices", 5, 1, 4, "\x05\x12", {"12121"}},
        {"RLE4 literal of an even byte count", 3, 1, 4, B + "\x03\x12\x30" + B + "\x01", {"123"}},
        {"RLE4 literal padded to a word",
         6,
         1,
         4,
         B + "\x05\x12\x31\x20" + B + "\x01\x30",
         {"123123"}},
    };
    const std::map<char, Color> colours = {{'0', MakeColor(255, 255, 255)},
                                           {'1', MakeColor(255, 0, 0)},
                                           {'2', MakeColor(0, 255, 0)},
                                           {'3', MakeColor(0, 0, 255)},
                                           {'k', MakeColor(0, 0, 0)}};
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(dir.File("rle.bmp"), RleBmp(c.w, c.h, c.bits, c.data));
        const Bitmap got = Read(dir.File("rle.bmp"));
        ASSERT_EQ(got.Width(), c.w);
        ASSERT_EQ(got.Height(), static_cast<int>(c.rows.size()));
        for (int y = 0; y < got.Height(); ++y)
            for (int x = 0; x < got.Width(); ++x)
                EXPECT_EQ(got.Pixel(x, y), colours.at(c.rows[y][x])) << x << "," << y;
    }
    // A compression that does not match the bit count is refused.
    WriteFileBytes(dir.File("odd.bmp"), RleBmp(2, 2, 4, "\x02\x01").replace(30, 1, "\x01"));
    ExpectPictureError(dir.File("odd.bmp"));
}

TEST(PictureFileRead, JpegByExtensionInAnyCase) {
    TempDir dir;
    const Bitmap picture = test::QuarterPicture(32, 16);
    WriteFileBytes(dir.File("pic.jpg"), JpegBytes(picture));
    const Bitmap got = Read(dir.File("pic.jpg"));
    ASSERT_EQ(got.Width(), 32);
    ASSERT_EQ(got.Height(), 16);
    EXPECT_TRUE(Near(got.Pixel(3, 3), MakeColor(255, 0, 0), 12));
    EXPECT_TRUE(Near(got.Pixel(28, 3), MakeColor(0, 255, 0), 12));
    EXPECT_TRUE(Near(got.Pixel(3, 12), MakeColor(0, 0, 255), 12));

    Bitmap grey(8, 8, MakeColor(90, 90, 90));
    WriteFileBytes(dir.File("grey.JPG"), JpegBytes(grey, 95, test::JpegKind::kGrey));
    EXPECT_TRUE(Near(Read(dir.File("grey.JPG")).Pixel(4, 4), grey.Pixel(4, 4), 2));

    WriteFileBytes(dir.File("cmyk.jpg"), JpegBytes(picture, 95, test::JpegKind::kAdobeCmyk));
    const Bitmap cmyk = Read(dir.File("cmyk.jpg"));
    EXPECT_TRUE(Near(cmyk.Pixel(3, 3), MakeColor(255, 0, 0), 12));
    EXPECT_TRUE(Near(cmyk.Pixel(28, 12), MakeColor(255, 255, 255), 12));
}

TEST(PictureFileRead, WrongReaderFailsCleanly) {
    TempDir dir;
    const Bitmap picture = test::QuarterPicture(8, 8);
    WriteFileBytes(dir.File("pic.JPEG"), JpegBytes(picture));  // read as BMP
    WriteFileBytes(dir.File("pic.bmp"), JpegBytes(picture));
    WriteFileBytes(dir.File("bmp.jpg"), BmpBytes(picture));
    for (const char* name : {"pic.JPEG", "pic.bmp", "bmp.jpg"}) ExpectPictureError(dir.File(name));
    EXPECT_EQ(Refusal(LoadBitmapFile(dir.File("pic.bmp"))).kind, ProblemKind::BmpNotBmp);
}

TEST(PictureFileRead, MissingAndUnreadableFiles) {
    TempDir dir;
    ExpectPictureError(dir.File("none.bmp"));
    ExpectPictureError(dir.File("none.jpg"));
    std::filesystem::create_directory(dir.File("folder.bmp"));
    std::filesystem::create_directory(dir.File("folder.jpg"));
    ExpectPictureError(dir.File("folder.bmp"));
    ExpectPictureError(dir.File("folder.jpg"));
    WriteFileBytes(dir.File("empty.bmp"), "");
    WriteFileBytes(dir.File("empty.jpg"), "");
    ExpectPictureError(dir.File("empty.bmp"));
    ExpectPictureError(dir.File("empty.jpg"));

    // A zero byte in the name must not open the file named by the part before it.
    WriteFileBytes(dir.File("pic.bmp"), BmpBytes(test::QuarterPicture(4, 4)));
    const std::string cut = dir.File(std::string("pic.bmp\0.bmp", 12));
    EXPECT_EQ(Refusal(ReadPictureFile(cut)).kind, ProblemKind::PictureUnreadable);
}

TEST(PictureFileHostile, ZeroSizeIsAnEmptyPicture) {
    TempDir dir;
    WriteFileBytes(dir.File("w0.bmp"), BmpHeader(0, 10));
    WriteFileBytes(dir.File("h0.bmp"), BmpHeader(10, 0));
    EXPECT_TRUE(Read(dir.File("w0.bmp")).Empty());
    EXPECT_TRUE(Read(dir.File("h0.bmp")).Empty());
}

TEST(PictureFileHostile, AbsurdBmpHeadersAreRefusedBeforeDecoding) {
    TempDir dir;
    const std::string pixels(300, '\x7F');
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"huge.bmp", BmpHeader(200000, 200000) + pixels},        // 40 gigapixels
        {"wide.bmp", BmpHeader(0x7FFFFFFF, 1) + pixels},         // overflowing row size
        {"min.bmp", BmpHeader(10, INT32_MIN) + pixels},          // height without a magnitude
        {"negw.bmp", BmpHeader(-10, 10) + pixels},               // negative width
        {"big.bmp", BmpHeader(5000, 5000) + pixels},             // 25 megapixels, 300 bytes
        {"off.bmp", BmpHeader(4, 4, 24, 0xFFFFFFF0u) + pixels},  // pixels beyond the end
        {"bits.bmp", BmpHeader(4, 4, 7) + pixels},               // no such bit count
        {"short.bmp", std::string("BM\x10\0\0\0", 6)},           // header cut short
        {"garbage.bmp", std::string(4000, '\xA5')},
    };
    for (const Case& c : cases) {
        WriteFileBytes(dir.File(c.name), c.bytes);
        SCOPED_TRACE(c.name);
        ExpectPictureError(dir.File(c.name));
    }
}

TEST(PictureFileHostile, DamagedJpegs) {
    TempDir dir;
    const std::string good = JpegBytes(test::QuarterPicture(64, 48));

    // Cut inside the header: no picture at all.
    WriteFileBytes(dir.File("head.jpg"), good.substr(0, 40));
    ExpectPictureError(dir.File("head.jpg"));

    // Cut inside the picture data: the decoder fills in what is missing or refuses; it never
    // returns a picture of another size.
    for (std::size_t cut : {good.size() / 2, good.size() - 3, good.size() - 200}) {
        WriteFileBytes(dir.File("cut.jpg"), good.substr(0, cut));
        const Result<Bitmap> b = ReadPictureFile(dir.File("cut.jpg"));
        if (b) {
            EXPECT_EQ(b.Value().Width(), 64);
            EXPECT_EQ(b.Value().Height(), 48);
        }
    }

    // Garbage after a valid start of image.
    std::string garbage = good.substr(0, 2) + std::string(5000, '\x5A');
    WriteFileBytes(dir.File("garbage.jpg"), garbage);
    ExpectPictureError(dir.File("garbage.jpg"));

    // A frame header stating 65000 x 65000 pixels is refused before any pixel memory.
    std::string huge = good;
    const std::size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, std::string("\xFD\xE8\xFD\xE8", 4));
    WriteFileBytes(dir.File("huge.jpg"), huge);
    const Problem refused = Refusal(ReadPictureFile(dir.File("huge.jpg")));
    EXPECT_EQ(refused.kind, ProblemKind::PictureTooManyPixels);
    EXPECT_EQ(refused.detail, "65000 x 65000");
}

TEST(PictureFileHostile, NonRegularFilesAndTinyFilesStatingHugePictures) {
    // A FIFO must not block the window, an endless device or a huge file must not be read,
    // and a few hundred bytes must not make the decoder fill a picture of many megabytes.
    // The alarm ends a test that waits.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo.bmp").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.File("fifo.jpg").c_str(), 0600), 0);
    WriteFileBytes(dir.File("huge.bmp"), "BM");
    ASSERT_EQ(
        ::truncate(dir.File("huge.bmp").c_str(), static_cast<off_t>(kMaxPictureFileBytes) + 1), 0);
    const std::string tiny = JpegBytes(Bitmap(16, 16, MakeColor(0, 0, 0)), 10);
    auto stating = [&](int w, int h) {
        std::string bytes = tiny;
        const std::size_t sof = bytes.find("\xFF\xC0");
        bytes[sof + 5] = static_cast<char>(h >> 8);
        bytes[sof + 6] = static_cast<char>(h & 0xFF);
        bytes[sof + 7] = static_cast<char>(w >> 8);
        bytes[sof + 8] = static_cast<char>(w & 0xFF);
        return bytes;
    };
    WriteFileBytes(dir.File("10000.jpg"), stating(10000, 10000));
    WriteFileBytes(dir.File("6000.jpg"), stating(6000, 6000));
    // Run-length data that ends the picture at once, stating 6000 x 6000 pixels; and 20
    // bytes of 4-bit pixels stating 394240 x 87 under a compression no BMP file has.
    WriteFileBytes(dir.File("rle.bmp"), RleBmp(6000, 6000, 8, std::string("\0\x01", 2)));
    WriteFileBytes(dir.File("comp.bmp"), RleBmp(394240, 87, 4, std::string(20, '\0'))
                                             .replace(30, 4, std::string("\x02\0\0\xFF", 4)));
    ::alarm(20);
    for (const char* name :
         {"fifo.bmp", "fifo.jpg", "huge.bmp", "10000.jpg", "6000.jpg", "rle.bmp", "comp.bmp"}) {
        SCOPED_TRACE(name);
        ExpectPictureError(dir.File(name));
    }
    EXPECT_EQ(Refusal(LoadBitmapFile(dir.File("fifo.bmp"))).kind, ProblemKind::PictureNotRegular);
    ::alarm(0);
    ASSERT_LT(tiny.size(), 1000u);

    // Large pictures that compress well are no such files: a plain JPEG, and run-length
    // data that covers every row in runs of 255 pixels.
    WriteFileBytes(dir.File("plain.jpg"),
                   JpegBytes(Bitmap(2400, 1800, MakeColor(250, 250, 250)), 75));
    EXPECT_EQ(Read(dir.File("plain.jpg")).Width(), 2400);
    std::string rows;
    for (int y = 0; y < 1000; ++y) {
        for (int run = 0; run < 8; ++run) rows += "\xFF\x01";  // 255 red pixels
        rows += std::string("\0\0", 2);                        // end of the row
    }
    WriteFileBytes(dir.File("runs.bmp"), RleBmp(2040, 1000, 8, rows));
    const Bitmap runs = Read(dir.File("runs.bmp"));
    EXPECT_EQ(runs.Width(), 2040);
    EXPECT_EQ(runs.Pixel(2039, 999), MakeColor(255, 0, 0));
}

TEST(PictureFileHostile, MutatedFilesFailOrDecode) {
    // Damaged copies of good files, bytes changed mostly in the headers: every read either
    // gives a picture within the limits or a refusal (the sanitizer build watches the
    // memory use).
    TempDir dir;
    const Bitmap picture = test::QuarterPicture(24, 10);
    Bitmap small(6, 3);
    const std::string sources[][2] = {
        {"m.bmp", BmpBytes(picture)},
        {"m.jpg", JpegBytes(picture)},
        {"p.jpg", JpegBytes(small, 50, test::JpegKind::kGrey)},
    };
    std::mt19937 rng(20240611);
    for (const auto& source : sources) {
        for (int round = 0; round < 150; ++round) {
            std::string bytes = source[1];
            const int changes = 1 + static_cast<int>(rng() % 4);
            for (int c = 0; c < changes; ++c) {
                const std::size_t limit =
                    rng() % 3 == 0 ? bytes.size() : std::min<std::size_t>(bytes.size(), 64);
                bytes[rng() % limit] = static_cast<char>(rng());
            }
            if (rng() % 5 == 0) bytes.resize(rng() % bytes.size());
            const std::string path = dir.File(source[0]);
            WriteFileBytes(path, bytes);
            const Result<Bitmap> b = ReadPictureFile(path);
            if (b) {
                EXPECT_LE(static_cast<long long>(b.Value().Width()) * b.Value().Height(),
                          kMaxPicturePixels);
            }
        }
    }
}

// A progressive JPEG may have up to kMaxJpegScans scans, each costing a pass over its
// blocks: hundreds of scans over a large picture held the window for many seconds. The work
// is summed as the scans come, and the file is refused once it passes kMaxJpegScanPixels,
// so that no picture takes much more than a second to decode (or to refuse).
#if defined(__SANITIZE_ADDRESS__)
constexpr double kSecondsBound = 10.0;  // the sanitizers slow decoding several times
#else
constexpr double kSecondsBound = 2.0;
#endif

TEST(PictureFileHostile, ProgressiveJpegsAreHeldToTheirScanWork) {
    TempDir dir;
    struct Case {
        const char* name;
        int size, scans;
        bool refused;
    } cases[] = {
        {"small.jpg", 64, 704, false},  // many scans over a small picture: cheap
        {"few.jpg", 1000, 12, false},   // few scans over a larger one
        {"many.jpg", 1000, 704, true},  // 704 million pixels of scans
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(dir.File(c.name), test::ManyScanJpegBytes(c.size, c.size, c.scans));
        const auto start = std::chrono::steady_clock::now();
        const Result<Bitmap> got = ReadPictureFile(dir.File(c.name));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(Refusal(got).kind, c.refused ? ProblemKind::JpegTooManyScans : ProblemKind::None);
        if (got) {
            EXPECT_EQ(got.Value().Width(), c.size);
        }
        EXPECT_LT(seconds, kSecondsBound);
    }
}

}  // namespace
}  // namespace mirvo
