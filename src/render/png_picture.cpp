// PNG pictures through libpng: every colour type and bit depth, interlaced or not, turned
// into our 8-bit rows with any transparency laid over white.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "render/picture_decoding.h"
#include "render/picture_file.h"

namespace mirvo {

namespace {

using picture::Refused;
using picture::SizeText;
using picture::TooManyPixels;

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Deflate packs at most 1032 bytes into one (a run of one byte value, 258 bytes a code of
// two bits); zlib adds a few bytes of its own.
constexpr long long kMaxDeflateRatio = 1032;
constexpr long long kZlibOverhead = 64;

std::uint32_t Be32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// The header of a PNG file and the length of its compressed pixel data, found by walking
// its chunks before libpng sees them.
struct PngFacts {
    long long width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    long long dataBytes = 0;  // the IDAT chunks' lengths, summed
};

// False when the file does not begin with the PNG signature and a whole IHDR chunk.
bool ReadPngFacts(std::string_view bytes, PngFacts* facts) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < 33 || std::memcmp(b, kPngSignature, 8) != 0 ||
        std::memcmp(b + 12, "IHDR", 4) != 0) {
        return false;
    }
    facts->width = Be32(b + 16);
    facts->height = Be32(b + 20);
    facts->bitDepth = b[24];
    facts->colorType = b[25];
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint64_t length = Be32(b + at);
        if (std::memcmp(b + at + 4, "IDAT", 4) == 0) {
            // What the file holds of the chunk, not what its length says.
            facts->dataBytes +=
                static_cast<long long>(std::min<std::uint64_t>(length, bytes.size() - at - 8));
        }
        if (std::memcmp(b + at + 4, "IEND", 4) == 0) break;
        at += 12 + length;
    }
    return true;
}

// The bytes the decoder inflates: a filter byte and the packed samples of every row.
long long RawBytes(const PngFacts& f) {
    int channels = 1;
    if (f.colorType == PNG_COLOR_TYPE_RGB) channels = 3;
    if (f.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
    if (f.colorType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
    return f.height * (1 + (f.width * channels * f.bitDepth + 7) / 8);
}

enum class PngResult { kOk, kFailed, kOutOfMemory };

// What the callbacks of one decoding share. Plain data only: libpng's errors jump over it.
struct PngReading {
    std::string_view bytes;
    std::size_t at = 0;
    char message[160] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    auto* reading = static_cast<PngReading*>(png_get_error_ptr(png));
    std::snprintf(reading->message, sizeof reading->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (a damaged ancillary chunk, an unknown profile) are not shown.
void IgnorePngWarning(png_structp, png_const_charp) {}

void ReadPngBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* reading = static_cast<PngReading*>(png_get_io_ptr(png));
    if (count > reading->bytes.size() - reading->at) png_error(png, "PNG file is truncated");
    std::memcpy(out, reading->bytes.data() + reading->at, count);
    reading->at += count;
}

// The output asked of libpng: 8 bits of blue, green and red a pixel (our order), palette
// and grey expanded, 16 bits cut to 8, alpha and transparent colours laid over white.
// Text, profiles and unknown chunks are skipped unread.
void SetUpPngTransforms(png_structp png) {
    // Gamma and colour space chunks as well: transparency is laid over white in the file's
    // own values, the same for every file (with gAMA, libpng would mix in linear light).
    static const png_byte kSkipped[] = "iCCP\0iTXt\0tEXt\0zTXt\0sPLT\0eXIf\0gAMA\0cHRM\0sRGB\0";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 9);
    png_set_user_limits(png, 1u << 20, 1u << 20);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_color_16 white{};
    white.red = white.green = white.blue = white.gray = 255;
    png_set_background_fixed(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, PNG_FP_1);
    png_set_bgr(png);
}

bool TakePngMemory(png_structp png, png_infop info, Bitmap* out) {
    try {
        out->Create(static_cast<int>(png_get_image_width(png, info)),
                    static_cast<int>(png_get_image_height(png, info)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Every pass of an interlaced picture adds its pixels to the rows already read.
void ReadPngRows(png_structp png, int passes, Bitmap* out) {
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < out->Height(); ++y) png_read_row(png, out->Row(y), nullptr);
    }
}

// Decodes into `out`, which belongs to the caller: nothing with a destructor lives in this
// frame or in the steps it calls, so the error jump skips no clean-up.
PngResult RunPngDecoder(PngReading* reading, Bitmap* out) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, reading, OnPngError, IgnorePngWarning);
    if (png == nullptr) return PngResult::kOutOfMemory;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return PngResult::kFailed;
    }
    png_set_read_fn(png, reading, ReadPngBytes);
    SetUpPngTransforms(png);
    png_read_info(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != 3 * static_cast<png_size_t>(png_get_image_width(png, info)))
        png_error(png, "Unsupported PNG pixel format");
    if (!TakePngMemory(png, info, out)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return PngResult::kOutOfMemory;
    }
    ReadPngRows(png, passes, out);
    png_destroy_read_struct(&png, &info, nullptr);
    return PngResult::kOk;
}

}  // namespace

Result<Bitmap> DecodePng(std::string_view bytes, const std::string& path) {
    PngFacts facts;
    if (!ReadPngFacts(bytes, &facts)) return Refused(ProblemKind::PngNotPng, path);
    if (facts.width == 0 || facts.height == 0) return Bitmap();
    const std::string size = SizeText(facts.width, facts.height);
    // Each side is checked alone first: the file states up to 2^32 - 1 for each.
    if (facts.width > kMaxPicturePixels || facts.height > kMaxPicturePixels ||
        TooManyPixels(facts.width, facts.height)) {
        return Refused(ProblemKind::PictureTooManyPixels, path, size);
    }
    // Data too short to inflate to the stated picture: libpng would stop at its end, after
    // the picture's memory was taken.
    if ((facts.dataBytes + kZlibOverhead) * kMaxDeflateRatio < RawBytes(facts)) {
        return Refused(ProblemKind::PngTooShort, path, size);
    }
    PngReading reading;
    reading.bytes = bytes;
    Bitmap out;
    switch (RunPngDecoder(&reading, &out)) {
        case PngResult::kOk:
            return out;
        case PngResult::kOutOfMemory:
            return Refused(ProblemKind::PictureOutOfMemory, path);
        case PngResult::kFailed:
            break;
    }
    return Refused(ProblemKind::PngUndecodable, path, reading.message);
}

}  // namespace mirvo
