#include "render/picture_file.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "format/regular_file.h"
#include "render/bmp_rle.h"

// jpeglib.h needs the declarations of <cstdio> before it.
#include <jpeglib.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_FAILURE_USERMSG
#define STBI_MAX_DIMENSIONS (1 << 20)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#if __has_include(<stb/stb_image.h>)
#include <stb/stb_image.h>
#else
#include <stb_image.h>
#endif
#pragma GCC diagnostic pop

namespace mirvo {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw PictureError(what + ": " + path);
}

// The bytes of the picture file: a regular file (a FIFO or device is never waited on) of
// at most kMaxPictureFileBytes.
std::string ReadPictureBytes(const std::string& path) {
    FileReadResult file = ReadRegularFile(path, kMaxPictureFileBytes);
    switch (file.status) {
        case FileReadStatus::Ok:
            return std::move(file.bytes);
        case FileReadStatus::NotRegular:
            Fail("Not a regular file", path);
        case FileReadStatus::TooLarge:
            Fail("File too large", path);
        case FileReadStatus::OpenFailed:
        case FileReadStatus::ReadFailed:
            break;
    }
    Fail(std::strerror(file.error), path);
}

void CheckPixelCount(long long width, long long height, const std::string& path) {
    if (width * height > kMaxPicturePixels) {
        Fail("Picture too large (" + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels)",
             path);
    }
}

// ---- BMP ------------------------------------------------------------------------------

std::uint32_t Le16(const std::uint8_t* p) {
    return p[0] | p[1] << 8;
}
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Run-length compressed pictures up to this size are read whatever the length of their data.
constexpr long long kRlePicturePixelsAlways = 1000 * 1000;

// The palette of a paletted BMP: the colour table between the headers and the pixels.
std::vector<Color> BmpPalette(std::string_view bytes, std::uint32_t infoSize, std::uint32_t offBits,
                              int bitCount, std::uint32_t colorsUsed) {
    const std::size_t most = std::size_t{1} << bitCount;
    std::size_t count = colorsUsed == 0 ? most : std::min<std::size_t>(colorsUsed, most);
    const std::size_t from = 14 + static_cast<std::size_t>(infoSize);
    const std::size_t to = std::min<std::size_t>(offBits, bytes.size());
    count = std::min(count, to > from ? (to - from) / 4 : 0);
    std::vector<Color> palette(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* e = reinterpret_cast<const std::uint8_t*>(bytes.data() + from + 4 * i);
        palette[i] = MakeColor(e[2], e[1], e[0]);
    }
    return palette;
}

}  // namespace

Bitmap DecodeBmp(std::string_view bytes, const std::string& path) {
    // The headers are checked here before the decoder sees the file: sizes that no file of
    // this length can hold are refused before any pixel memory is taken.
    std::uint8_t head[54] = {};
    const std::size_t got = std::min(bytes.size(), sizeof head);
    std::memcpy(head, bytes.data(), got);
    if (got < 26 || head[0] != 'B' || head[1] != 'M') Fail("Not a BMP file", path);
    const std::uint32_t offBits = Le32(head + 10);
    const std::uint32_t infoSize = Le32(head + 14);
    long long width = 0, height = 0;
    int bitCount = 0;
    std::uint32_t compression = 0, colorsUsed = 0;
    if (infoSize == 12) {
        width = Le16(head + 18);
        height = Le16(head + 20);
        bitCount = static_cast<int>(Le16(head + 24));
    } else if (infoSize >= 40 && got >= 50) {
        width = static_cast<std::int32_t>(Le32(head + 18));
        height = static_cast<std::int32_t>(Le32(head + 22));
        bitCount = static_cast<int>(Le16(head + 28));
        compression = Le32(head + 30);
        colorsUsed = Le32(head + 46);
    } else {
        Fail("Unsupported BMP header", path);
    }
    if (width < 0) Fail("Bad BMP width", path);
    const bool topDown = height < 0;
    if (height < 0) height = -height;
    if (width == 0 || height == 0) return Bitmap();
    CheckPixelCount(width, height, path);
    const long long fileSize = static_cast<long long>(bytes.size());
    // Uncompressed (with or without bit masks) or run-length compressed; anything else
    // would reach the decoder unchecked.
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    if (!plain && compression != 1 && compression != 2) Fail("Unsupported BMP compression", path);
    if (plain && bitCount > 0 && bitCount <= 32) {
        const long long rowBytes = (width * bitCount + 31) / 32 * 4;
        if (static_cast<long long>(offBits) + rowBytes * height > fileSize) {
            Fail("BMP file is truncated", path);
        }
    }

    // Run-length compression: our own decoder (stb_image has none).
    const bool rle8 = compression == 1 && bitCount == 8;
    const bool rle4 = compression == 2 && bitCount == 4;
    if (compression == 1 || compression == 2) {
        if (!rle8 && !rle4) Fail("Bad BMP compression", path);
        if (offBits >= bytes.size()) Fail("BMP file is truncated", path);
        // A run covers at most 255 pixels with 2 bytes; a large picture whose data could
        // not cover it in runs leans on ending its rows early, and would make a few bytes
        // take a whole picture's memory.
        const long long dataBytes = static_cast<long long>(bytes.size() - offBits);
        if (width * height > kRlePicturePixelsAlways && width * height > 128 * dataBytes) {
            Fail("BMP file is too short for " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels",
                 path);
        }
        Bitmap out(static_cast<int>(width), static_cast<int>(height));
        DecodeBmpRle(bytes.substr(offBits),
                     BmpPalette(bytes, infoSize, offBits, bitCount, colorsUsed),
                     rle8 ? BmpRle::Rle8 : BmpRle::Rle4, topDown, out);
        return out;
    }

    int w = 0, h = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                              static_cast<int>(bytes.size()), &w, &h, &channels, 3),
        &stbi_image_free);
    if (!pixels) Fail(stbi_failure_reason() ? stbi_failure_reason() : "Bad BMP file", path);
    if (w <= 0 || h <= 0) return Bitmap();
    Bitmap out(w, h);
    for (int y = 0; y < h; ++y) {
        const stbi_uc* s = pixels.get() + static_cast<std::size_t>(y) * w * 3;
        std::uint8_t* d = out.Row(y);
        for (int x = 0; x < w; ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    return out;
}

namespace {

// ---- JPEG -----------------------------------------------------------------------------

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Damaged data is decoded as far as it goes (libjpeg fills what is missing); its warnings
// are not shown.
void IgnoreJpegMessage(j_common_ptr) {}

// A stream with thousands of scans is hostile: it would take minutes to decode.
void LimitJpegScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > 1000) {
        auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "Too many scans in JPEG file");
        std::longjmp(err->jump, 1);
    }
}

enum class JpegResult { kOk, kFailed, kTooLarge, kTruncated, kOutOfMemory };

// Every 8 x 8 block of the first component costs at least one bit of Huffman-coded data,
// in a sequential file and in the first scan of a progressive one. A file shorter than that
// states a picture it cannot hold: the decoder would fill it in from nothing. (Arithmetic
// coding can pack blocks tighter; such files are held to the pixel limit only.)
bool JpegTooShort(const jpeg_decompress_struct& cinfo, std::size_t fileBytes) {
    if (cinfo.arith_code || cinfo.num_components < 1) return false;
    const jpeg_component_info& c = cinfo.comp_info[0];
    const std::uint64_t blocks = static_cast<std::uint64_t>(c.width_in_blocks) * c.height_in_blocks;
    return blocks / 8 > fileBytes;
}

// Decodes into `out`, which belongs to the caller: nothing with a destructor lives in this
// frame, so the error jump skips no clean-up. `size` receives the stated size.
JpegResult RunJpegDecoder(std::string_view bytes, Bitmap* out, std::vector<std::uint8_t>* line,
                          char* message, long long* size) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    jpeg_progress_mgr progress;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.output_message = IgnoreJpegMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return JpegResult::kFailed;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = LimitJpegScans;
    cinfo.progress = &progress;
    cinfo.mem->max_memory_to_use = 1L << 30;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    size[0] = cinfo.image_width;
    size[1] = cinfo.image_height;
    if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::kTooLarge;
    }
    if (JpegTooShort(cinfo, bytes.size())) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::kTruncated;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    const int components = cinfo.output_components;
    try {
        out->Create(width, height);
        line->assign(static_cast<std::size_t>(width) * components, 0);
    } catch (const std::bad_alloc&) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::kOutOfMemory;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = line->data();
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        std::uint8_t* d = out->Row(y);
        const std::uint8_t* s = line->data();
        for (int x = 0; x < width; ++x, s += components, d += 3) {
            if (components == 4) {
                // Adobe CMYK is stored inverted: each byte is 255 minus the ink.
                d[0] = static_cast<std::uint8_t>(s[2] * s[3] / 255);
                d[1] = static_cast<std::uint8_t>(s[1] * s[3] / 255);
                d[2] = static_cast<std::uint8_t>(s[0] * s[3] / 255);
            } else {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return JpegResult::kOk;
}

}  // namespace

Bitmap DecodeJpeg(std::string_view bytes, const std::string& path) {
    Bitmap out;
    std::vector<std::uint8_t> line;
    char message[JMSG_LENGTH_MAX] = {};
    long long size[2] = {0, 0};
    switch (RunJpegDecoder(bytes, &out, &line, message, size)) {
        case JpegResult::kOk:
            return out;
        case JpegResult::kTooLarge:
            CheckPixelCount(size[0], size[1], path);
            break;
        case JpegResult::kTruncated:
            Fail("JPEG file is too short for " + std::to_string(size[0]) + " x " +
                     std::to_string(size[1]) + " pixels",
                 path);
        case JpegResult::kOutOfMemory:
            Fail("Out of memory", path);
        case JpegResult::kFailed:
            break;
    }
    Fail(message[0] ? message : "Bad JPEG file", path);
}

bool IsJpegPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = path.substr(dot);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return ext == ".JPG";
}

Bitmap ReadPictureFile(const std::string& path) {
    const std::string bytes = ReadPictureBytes(path);
    return IsJpegPath(path) ? DecodeJpeg(bytes, path) : DecodeBmp(bytes, path);
}

Bitmap LoadBitmapFile(const std::string& path) {
    return DecodeBmp(ReadPictureBytes(path), path);
}

}  // namespace mirvo
