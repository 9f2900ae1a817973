#include "render/picture_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw PictureError(what + ": " + path);
}

// Opens a regular file for reading; returns its size.
FilePtr OpenPicture(const std::string& path, long long& size) {
    // A name cut short by a zero byte would open another file.
    if (path.find('\0') != std::string::npos) Fail("Invalid file name", path);
    FilePtr file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) Fail(std::strerror(errno), path);
    struct stat st {};
    if (fstat(fileno(file.get()), &st) != 0) Fail(std::strerror(errno), path);
    if (S_ISDIR(st.st_mode)) Fail(std::strerror(EISDIR), path);
    if (!S_ISREG(st.st_mode)) Fail("Not a regular file", path);
    size = static_cast<long long>(st.st_size);
    return file;
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

Bitmap ReadBmp(const std::string& path) {
    long long fileSize = 0;
    FilePtr file = OpenPicture(path, fileSize);

    // The headers are checked here before the decoder sees the file: sizes that no file of
    // this length can hold are refused before any pixel memory is taken.
    std::uint8_t head[54] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file.get());
    if (got < 26 || head[0] != 'B' || head[1] != 'M') Fail("Not a BMP file", path);
    const std::uint32_t offBits = Le32(head + 10);
    const std::uint32_t infoSize = Le32(head + 14);
    long long width = 0, height = 0;
    int bitCount = 0;
    std::uint32_t compression = 0;
    if (infoSize == 12) {
        width = Le16(head + 18);
        height = Le16(head + 20);
        bitCount = static_cast<int>(Le16(head + 24));
    } else if (infoSize >= 40 && got >= 34) {
        width = static_cast<std::int32_t>(Le32(head + 18));
        height = static_cast<std::int32_t>(Le32(head + 22));
        bitCount = static_cast<int>(Le16(head + 28));
        compression = Le32(head + 30);
    } else {
        Fail("Unsupported BMP header", path);
    }
    if (width < 0) Fail("Bad BMP width", path);
    if (height < 0) height = -height;
    if (width == 0 || height == 0) return Bitmap();
    CheckPixelCount(width, height, path);
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    if (plain && bitCount > 0 && bitCount <= 32) {
        const long long rowBytes = (width * bitCount + 31) / 32 * 4;
        if (static_cast<long long>(offBits) + rowBytes * height > fileSize) {
            Fail("BMP file is truncated", path);
        }
    }

    std::rewind(file.get());
    int w = 0, h = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_file(file.get(), &w, &h, &channels, 3), &stbi_image_free);
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

enum class JpegResult { kOk, kFailed, kTooLarge, kOutOfMemory };

// Decodes into `out`, which belongs to the caller: nothing with a destructor lives in this
// frame, so the error jump skips no clean-up. `size` receives the stated size.
JpegResult DecodeJpeg(FILE* file, Bitmap* out, std::vector<std::uint8_t>* line, char* message,
                      long long* size) {
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
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    size[0] = cinfo.image_width;
    size[1] = cinfo.image_height;
    if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels) {
        jpeg_destroy_decompress(&cinfo);
        return JpegResult::kTooLarge;
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

Bitmap ReadJpeg(const std::string& path) {
    long long fileSize = 0;
    FilePtr file = OpenPicture(path, fileSize);
    Bitmap out;
    std::vector<std::uint8_t> line;
    char message[JMSG_LENGTH_MAX] = {};
    long long size[2] = {0, 0};
    switch (DecodeJpeg(file.get(), &out, &line, message, size)) {
        case JpegResult::kOk:
            return out;
        case JpegResult::kTooLarge:
            CheckPixelCount(size[0], size[1], path);
            break;
        case JpegResult::kOutOfMemory:
            Fail("Out of memory", path);
        case JpegResult::kFailed:
            break;
    }
    Fail(message[0] ? message : "Bad JPEG file", path);
}

}  // namespace

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
    return IsJpegPath(path) ? ReadJpeg(path) : ReadBmp(path);
}

Bitmap LoadBitmapFile(const std::string& path) {
    return ReadBmp(path);
}

}  // namespace mirvo
