#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "render/picture_file.h"
#include "render/png_samples.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::PngBytes;
using test::PngShape;

// A picture that must be decoded.
Bitmap Decode(const std::string& bytes) {
    Result<Bitmap> r = DecodePng(bytes, "t.png");
    if (!r) {
        ADD_FAILURE() << "refused: " << static_cast<int>(r.GetProblem().kind) << " "
                      << r.GetProblem().detail;
        return Bitmap();
    }
    return std::move(r.Value());
}

ProblemKind Refusal(const std::string& bytes) {
    const Result<Bitmap> r = DecodePng(bytes, "t.png");
    if (r) return ProblemKind::None;
    EXPECT_EQ(r.GetProblem().path, "t.png");
    return r.GetProblem().kind;
}

// Rows of 4 pixels of the samples given, packed at `depth` bits, repeated on every row.
std::function<std::vector<png_byte>(int)> Samples(std::vector<int> samples, int depth) {
    return [samples, depth](int) {
        std::vector<png_byte> row((samples.size() * depth + 7) / 8);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (depth == 16) {
                row[2 * i] = static_cast<png_byte>(samples[i] >> 8);
                row[2 * i + 1] = static_cast<png_byte>(samples[i]);
            } else {
                const std::size_t bit = i * depth;
                row[bit / 8] |= static_cast<png_byte>(samples[i] << (8 - depth - bit % 8));
            }
        }
        return row;
    };
}

const std::vector<png_color> kPalette = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {10, 200, 30}};
const Color kRed = MakeColor(255, 0, 0), kBlue = MakeColor(0, 0, 255);
const Color kWhite = MakeColor(255, 255, 255), kBlack = MakeColor(0, 0, 0);
const Color kPink = MakeColor(255, 127, 127);  // red at half alpha over white

struct KindCase {
    const char* name;
    int colorType, depth;
    std::vector<int> samples;  // of 4 pixels, channels interleaved
    std::vector<Color> want;   // the 4 pixels
    std::vector<png_byte> paletteAlpha = {};
    bool transparentGrey = false;  // grey 0 is transparent
};

// Every colour type at every depth it allows, with transparency of each kind.
const KindCase kKinds[] = {
    {"grey1", PNG_COLOR_TYPE_GRAY, 1, {0, 1, 1, 0}, {kBlack, kWhite, kWhite, kBlack}},
    {"grey2",
     PNG_COLOR_TYPE_GRAY,
     2,
     {0, 1, 2, 3},
     {kBlack, MakeColor(85, 85, 85), MakeColor(170, 170, 170), kWhite}},
    {"grey4",
     PNG_COLOR_TYPE_GRAY,
     4,
     {0, 15, 5, 0},
     {kBlack, kWhite, MakeColor(85, 85, 85), kBlack}},
    {"grey8",
     PNG_COLOR_TYPE_GRAY,
     8,
     {0, 255, 17, 200},
     {kBlack, kWhite, MakeColor(17, 17, 17), MakeColor(200, 200, 200)}},
    {"grey16",
     PNG_COLOR_TYPE_GRAY,
     16,
     {0, 65535, 0x1100, 0xC800},
     {kBlack, kWhite, MakeColor(17, 17, 17), MakeColor(200, 200, 200)}},
    {"greyKey",
     PNG_COLOR_TYPE_GRAY,
     8,
     {0, 255, 0, 17},
     {kWhite, kWhite, kWhite, MakeColor(17, 17, 17)},
     {},
     true},
    {"greyAlpha8",
     PNG_COLOR_TYPE_GRAY_ALPHA,
     8,
     {0, 255, 0, 0, 0, 128, 200, 255},
     {kBlack, kWhite, MakeColor(127, 127, 127), MakeColor(200, 200, 200)}},
    {"rgb8",
     PNG_COLOR_TYPE_RGB,
     8,
     {255, 0, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255},
     {kRed, kBlue, kBlack, kWhite}},
    {"rgb16",
     PNG_COLOR_TYPE_RGB,
     16,
     {65535, 0, 0, 0, 0, 65535, 0, 0, 0, 65535, 65535, 65535},
     {kRed, kBlue, kBlack, kWhite}},
    {"rgba8",
     PNG_COLOR_TYPE_RGB_ALPHA,
     8,
     {255, 0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 128, 0, 0, 255, 255},
     {kRed, kWhite, kPink, kBlue}},
    {"rgba16",
     PNG_COLOR_TYPE_RGB_ALPHA,
     16,
     {65535, 0, 0, 65535, 65535, 0, 0, 0, 65535, 0, 0, 0x8000, 0, 0, 65535, 65535},
     {kRed, kWhite, kPink, kBlue}},
    {"palette1", PNG_COLOR_TYPE_PALETTE, 1, {0, 1, 1, 0}, {kBlack, kRed, kRed, kBlack}},
    {"palette2",
     PNG_COLOR_TYPE_PALETTE,
     2,
     {0, 1, 2, 3},
     {kBlack, kRed, kBlue, MakeColor(10, 200, 30)}},
    {"palette4",
     PNG_COLOR_TYPE_PALETTE,
     4,
     {3, 2, 1, 0},
     {MakeColor(10, 200, 30), kBlue, kRed, kBlack}},
    {"palette8", PNG_COLOR_TYPE_PALETTE, 8, {2, 2, 1, 0}, {kBlue, kBlue, kRed, kBlack}},
    {"paletteAlpha",
     PNG_COLOR_TYPE_PALETTE,
     8,
     {0, 1, 2, 3},
     {kWhite, kPink, kBlue, MakeColor(10, 200, 30)},
     {0, 128}},
};

bool Near(Color a, Color b) {
    return std::abs(RedOf(a) - RedOf(b)) <= 1 && std::abs(GreenOf(a) - GreenOf(b)) <= 1 &&
           std::abs(BlueOf(a) - BlueOf(b)) <= 1;
}

TEST(PngDecode, EveryKindPlainAndInterlaced) {
    for (const KindCase& k : kKinds) {
        for (const bool interlaced : {false, true}) {
            PngShape shape;
            shape.width = 4;
            shape.height = 3;
            shape.colorType = k.colorType;
            shape.bitDepth = k.depth;
            shape.interlaced = interlaced;
            if (k.colorType == PNG_COLOR_TYPE_PALETTE) {
                shape.palette = kPalette;
                shape.palette.resize(std::min<std::size_t>(kPalette.size(), 1u << k.depth));
            }
            shape.paletteAlpha = k.paletteAlpha;
            shape.transparentColor = k.transparentGrey;
            shape.row = Samples(k.samples, k.depth);
            const Bitmap b = Decode(PngBytes(shape));
            ASSERT_EQ(b.Width(), 4) << k.name;
            ASSERT_EQ(b.Height(), 3) << k.name;
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 4; ++x) {
                    EXPECT_TRUE(Near(b.Pixel(x, y), k.want[x]))
                        << k.name << (interlaced ? " interlaced" : "") << " pixel " << x << "," << y
                        << ": " << std::hex << b.Pixel(x, y);
                }
            }
        }
    }
}

// A file's gamma does not change how its transparency is laid over white.
TEST(PngDecode, GammaLeavesTheMixAlone) {
    PngShape shape;
    shape.width = 4;
    shape.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    shape.row = Samples({255, 0, 0, 128, 255, 0, 0, 128, 255, 0, 0, 128, 255, 0, 0, 128}, 8);
    for (const double gamma : {0.0, 0.45455, 1.0}) {
        shape.gamma = gamma;
        EXPECT_TRUE(Near(Decode(PngBytes(shape)).Pixel(0, 0), kPink)) << gamma;
    }
}

// A picture whose every pixel differs: each pass of Adam7 puts its own pixels in place.
TEST(PngDecode, InterlacedPassesLandInPlace) {
    PngShape shape;
    shape.width = 13;
    shape.height = 11;
    shape.interlaced = true;
    shape.row = [](int y) {
        std::vector<png_byte> row;
        for (int x = 0; x < 13; ++x) {
            row.insert(row.end(), {static_cast<png_byte>(x * 19), static_cast<png_byte>(y * 23),
                                   static_cast<png_byte>(x ^ y)});
        }
        return row;
    };
    const Bitmap b = Decode(PngBytes(shape));
    ASSERT_EQ(b.Width(), 13);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) ASSERT_EQ(b.Pixel(x, y), MakeColor(x * 19, y * 23, x ^ y));
    }
}

PngShape GreyPicture(int w, int h) {
    PngShape shape;
    shape.width = w;
    shape.height = h;
    shape.colorType = PNG_COLOR_TYPE_GRAY;
    shape.row = [w](int y) { return std::vector<png_byte>(w, static_cast<png_byte>(y)); };
    return shape;
}

// The offset of a chunk's type in a PNG file.
std::size_t ChunkAt(const std::string& png, const char* type) {
    const std::size_t at = png.find(type);
    EXPECT_NE(at, std::string::npos) << type;
    return at;
}

struct DamageCase {
    const char* name;
    std::function<std::string()> bytes;
    ProblemKind want;
};

const DamageCase kDamaged[] = {
    {"empty", [] { return std::string(); }, ProblemKind::PngNotPng},
    {"bmp", [] { return std::string("BM") + std::string(60, '\0'); }, ProblemKind::PngNotPng},
    {"signature only", [] { return PngBytes(GreyPicture(8, 8)).substr(0, 8); },
     ProblemKind::PngNotPng},
    {"cut in the data",
     [] {
         const std::string png = PngBytes(GreyPicture(300, 200));
         return png.substr(0, ChunkAt(png, "IDAT") + 40);
     },
     ProblemKind::PngUndecodable},
    {"bad data checksum",
     [] {
         std::string png = PngBytes(GreyPicture(30, 20));
         png[ChunkAt(png, "IDAT") + 6] ^= 0x55;
         return png;
     },
     ProblemKind::PngUndecodable},
    {"bad header checksum",
     [] {
         std::string png = PngBytes(GreyPicture(30, 20));
         png[ChunkAt(png, "IHDR") + 14] ^= 0x01;
         return png;
     },
     ProblemKind::PngUndecodable},
    {"no data",
     [] {
         const std::string png = PngBytes(GreyPicture(30, 20));
         return png.substr(0, ChunkAt(png, "IDAT") - 4);
     },
     ProblemKind::PngUndecodable},
    // 100 million pixels stated: refused before a pixel is decoded.
    {"over the pixel limit", [] { return PngBytes(GreyPicture(10000, 10000)); },
     ProblemKind::PictureTooManyPixels},
    {"sides of 2^32 - 1",
     [] {
         std::string png = PngBytes(GreyPicture(30, 20));
         png.replace(16, 8, 8, '\xff');
         return png;
     },
     ProblemKind::PictureTooManyPixels},
    // 36 million pixels stated, 2 KB of data: it cannot inflate to the picture.
    {"data too short for its size",
     [] {
         const std::string png = PngBytes(GreyPicture(6000, 6000));
         return png.substr(0, ChunkAt(png, "IDAT") + 2000);
     },
     ProblemKind::PngTooShort},
};

TEST(PngDecode, DamagedAndHostileFilesAreRefused) {
    for (const DamageCase& c : kDamaged) {
        EXPECT_EQ(Refusal(c.bytes()), c.want) << c.name;
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr double kSecondsBound = 10.0;  // the sanitizers slow decoding several times
#else
constexpr double kSecondsBound = 2.0;
#endif

// The costliest picture the limits let through (16-bit RGBA, interlaced, at the pixel
// limit, 320 MB of samples to inflate) is decoded within the time a picture may hold the
// window.
TEST(PngDecode, LargestPictureIsDecodedInTime) {
    PngShape shape;
    shape.width = 8000;
    shape.height = 5000;
    shape.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    shape.bitDepth = 16;
    shape.interlaced = true;
    shape.compression = 1;
    shape.row = [](int y) {
        std::vector<png_byte> row(8000 * 8);
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<png_byte>(i * 7 + y);
        return row;
    };
    const std::string bytes = PngBytes(shape);
    // Processor time of this thread, the better of two decodings: a busy machine stretches
    // the clock on the wall, not the work done.
    const auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
    };
    double seconds = 1e9;
    for (int i = 0; i < 2; ++i) {
        const double start = cpu();
        const Bitmap b = Decode(bytes);
        seconds = std::min(seconds, cpu() - start);
        EXPECT_EQ(b.Width(), 8000);
    }
    EXPECT_LT(seconds, kSecondsBound);
}

}  // namespace
}  // namespace mirvo
