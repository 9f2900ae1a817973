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
#include "render/picture_decoding.h"

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

using picture::Refused;
using picture::SizeText;
using picture::TooManyPixels;

// The bytes of the picture file: a regular file (a FIFO or device is never waited on) of
// at most kMaxPictureFileBytes.
Result<std::string> ReadPictureBytes(const std::string& path) {
    FileReadResult file = ReadRegularFile(path, kMaxPictureFileBytes);
    switch (file.status) {
        case FileReadStatus::Ok:
            return std::move(file.bytes);
        case FileReadStatus::NotRegular:
            return Refused(ProblemKind::PictureNotRegular, path);
        case FileReadStatus::TooLarge:
            return Refused(ProblemKind::PictureFileTooLarge, path);
        case FileReadStatus::OpenFailed:
        case FileReadStatus::ReadFailed:
            break;
    }
    Problem p = Refused(ProblemKind::PictureUnreadable, path);
    p.count = file.error;
    return p;
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

// What the decoding needs of a BMP file's headers.
struct BmpHeader {
    std::uint32_t offBits = 0;  // where the pixels begin
    std::uint32_t infoSize = 0;
    long long width = 0, height = 0;  // height made positive
    bool topDown = false;             // the header stated a negative height
    int bitCount = 0;
    std::uint32_t compression = 0, colorsUsed = 0;
};

// The headers as stated (Windows 3 and later, or OS/2 1.x), before any check of the sizes.
Result<BmpHeader> ReadBmpHeader(std::string_view bytes, const std::string& path) {
    std::uint8_t head[54] = {};
    const std::size_t got = std::min(bytes.size(), sizeof head);
    std::memcpy(head, bytes.data(), got);
    if (got < 26 || head[0] != 'B' || head[1] != 'M') return Refused(ProblemKind::BmpNotBmp, path);
    BmpHeader h;
    h.offBits = Le32(head + 10);
    h.infoSize = Le32(head + 14);
    if (h.infoSize == 12) {
        h.width = Le16(head + 18);
        h.height = Le16(head + 20);
        h.bitCount = static_cast<int>(Le16(head + 24));
    } else if (h.infoSize >= 40 && got >= 50) {
        h.width = static_cast<std::int32_t>(Le32(head + 18));
        h.height = static_cast<std::int32_t>(Le32(head + 22));
        h.bitCount = static_cast<int>(Le16(head + 28));
        h.compression = Le32(head + 30);
        h.colorsUsed = Le32(head + 46);
    } else {
        return Refused(ProblemKind::BmpHeaderUnsupported, path);
    }
    if (h.width < 0) return Refused(ProblemKind::BmpBadWidth, path);
    h.topDown = h.height < 0;
    if (h.height < 0) h.height = -h.height;
    return h;
}

bool IsRunLength(const BmpHeader& h) {
    return h.compression == 1 || h.compression == 2;
}

// Sizes that no file of this length can hold are refused before any pixel memory is
// taken. None when the picture may be decoded.
Problem CheckBmpSizes(const BmpHeader& h, std::string_view bytes, const std::string& path) {
    if (TooManyPixels(h.width, h.height)) {
        return Refused(ProblemKind::PictureTooManyPixels, path, SizeText(h.width, h.height));
    }
    const long long fileSize = static_cast<long long>(bytes.size());
    // Uncompressed (with or without bit masks) or run-length compressed; anything else
    // would reach the decoder unchecked.
    const bool plain = h.compression == 0 || h.compression == 3 || h.compression == 6;
    if (!plain && !IsRunLength(h)) return Refused(ProblemKind::BmpCompressionUnsupported, path);
    if (plain && h.bitCount > 0 && h.bitCount <= 32) {
        const long long rowBytes = (h.width * h.bitCount + 31) / 32 * 4;
        if (static_cast<long long>(h.offBits) + rowBytes * h.height > fileSize) {
            return Refused(ProblemKind::BmpTruncated, path);
        }
    }
    return {};
}

// The palette of a paletted BMP: the colour table between the headers and the pixels.
std::vector<Color> BmpPalette(std::string_view bytes, const BmpHeader& h) {
    const std::size_t most = std::size_t{1} << h.bitCount;
    std::size_t count = h.colorsUsed == 0 ? most : std::min<std::size_t>(h.colorsUsed, most);
    const std::size_t from = 14 + static_cast<std::size_t>(h.infoSize);
    const std::size_t to = std::min<std::size_t>(h.offBits, bytes.size());
    count = std::min(count, to > from ? (to - from) / 4 : 0);
    std::vector<Color> palette(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* e = reinterpret_cast<const std::uint8_t*>(bytes.data() + from + 4 * i);
        palette[i] = MakeColor(e[2], e[1], e[0]);
    }
    return palette;
}

// Run-length compression: our own decoder (stb_image has none).
Result<Bitmap> DecodeBmpRunLength(std::string_view bytes, const BmpHeader& h,
                                  const std::string& path) {
    const bool rle8 = h.compression == 1 && h.bitCount == 8;
    const bool rle4 = h.compression == 2 && h.bitCount == 4;
    if (!rle8 && !rle4) return Refused(ProblemKind::BmpBadCompression, path);
    if (h.offBits >= bytes.size()) return Refused(ProblemKind::BmpTruncated, path);
    // A run covers at most 255 pixels with 2 bytes; a large picture whose data could not
    // cover it in runs leans on ending its rows early, and would make a few bytes take a
    // whole picture's memory.
    const long long dataBytes = static_cast<long long>(bytes.size() - h.offBits);
    const long long pixels = h.width * h.height;
    if (pixels > kRlePicturePixelsAlways && pixels > 128 * dataBytes) {
        return Refused(ProblemKind::BmpTooShort, path, SizeText(h.width, h.height));
    }
    Bitmap out(static_cast<int>(h.width), static_cast<int>(h.height));
    DecodeBmpRle(bytes.substr(h.offBits), BmpPalette(bytes, h), rle8 ? BmpRle::Rle8 : BmpRle::Rle4,
                 h.topDown, out);
    return out;
}

// Uncompressed pictures: stb_image, its RGB rows turned into ours.
Result<Bitmap> DecodeBmpPlain(std::string_view bytes, const std::string& path) {
    int w = 0, h = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                              static_cast<int>(bytes.size()), &w, &h, &channels, 3),
        &stbi_image_free);
    if (!pixels) {
        const char* reason = stbi_failure_reason();
        return Refused(ProblemKind::BmpUndecodable, path, reason ? reason : "");
    }
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

}  // namespace

Result<Bitmap> DecodeBmp(std::string_view bytes, const std::string& path) {
    // The headers are checked here before the decoder sees the file.
    const Result<BmpHeader> header = ReadBmpHeader(bytes, path);
    if (!header) return header.GetProblem();
    const BmpHeader& h = header.Value();
    if (h.width == 0 || h.height == 0) return Bitmap();
    Problem refused = CheckBmpSizes(h, bytes, path);
    if (refused.kind != ProblemKind::None) return refused;
    return IsRunLength(h) ? DecodeBmpRunLength(bytes, h, path) : DecodeBmpPlain(bytes, path);
}

namespace {

// ---- JPEG -----------------------------------------------------------------------------

enum class JpegResult { kOk, kFailed, kTooManyScans, kTooLarge, kTruncated, kOutOfMemory };

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    JpegResult result;
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

// The scans met so far and the work they ask for (kMaxJpegScanPixels).
struct JpegProgress {
    jpeg_progress_mgr pub;
    int scan = 0;
    long long scanPixels = 0;
};

// Called before every row of blocks the decoder takes in: a scan is counted, with its
// work, before any of its data is decoded.
void LimitJpegScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* progress = reinterpret_cast<JpegProgress*>(cinfo->progress);
    if (d->input_scan_number == progress->scan) return;
    progress->scan = d->input_scan_number;
    for (int i = 0; i < d->comps_in_scan; ++i) {
        const jpeg_component_info* c = d->cur_comp_info[i];
        progress->scanPixels += 64LL * c->width_in_blocks * c->height_in_blocks;
    }
    if (progress->scan > kMaxJpegScans || progress->scanPixels > kMaxJpegScanPixels) {
        auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
        err->result = JpegResult::kTooManyScans;
        std::longjmp(err->jump, 1);
    }
}

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

// The stated size, checked before any pixel memory is taken. kOk when it may be decoded.
JpegResult CheckJpegHeader(const jpeg_decompress_struct& cinfo, std::size_t fileBytes) {
    if (TooManyPixels(cinfo.image_width, cinfo.image_height)) return JpegResult::kTooLarge;
    if (JpegTooShort(cinfo, fileBytes)) return JpegResult::kTruncated;
    return JpegResult::kOk;
}

// One decoded row into `d` (our byte order), from RGB or Adobe CMYK samples.
void ConvertJpegRow(const std::uint8_t* s, std::uint8_t* d, int width, int components) {
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

// The picture and the row buffer, sized for the decoder's output.
bool TakeJpegMemory(const jpeg_decompress_struct& cinfo, Bitmap* out,
                    std::vector<std::uint8_t>* line) {
    try {
        out->Create(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
        line->assign(static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void ReadJpegRows(jpeg_decompress_struct& cinfo, Bitmap* out, std::vector<std::uint8_t>* line) {
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = line->data();
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
        ConvertJpegRow(line->data(), out->Row(y), static_cast<int>(cinfo.output_width),
                       cinfo.output_components);
    }
}

void SetUpJpegDecoder(jpeg_decompress_struct& cinfo, JpegProgress& progress,
                      std::string_view bytes) {
    jpeg_create_decompress(&cinfo);
    progress.pub.progress_monitor = LimitJpegScans;
    cinfo.progress = &progress.pub;
    cinfo.mem->max_memory_to_use = 1L << 30;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
}

// Decodes into `out`, which belongs to the caller: nothing with a destructor lives in this
// frame or in the steps it calls, so the error jump skips no clean-up. `size` receives the
// stated size.
JpegResult RunJpegDecoder(std::string_view bytes, Bitmap* out, std::vector<std::uint8_t>* line,
                          char* message, long long* size) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    JpegProgress progress;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnJpegError;
    err.pub.output_message = IgnoreJpegMessage;
    err.result = JpegResult::kFailed;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        return err.result;
    }
    SetUpJpegDecoder(cinfo, progress, bytes);
    jpeg_read_header(&cinfo, TRUE);
    size[0] = cinfo.image_width;
    size[1] = cinfo.image_height;
    JpegResult result = CheckJpegHeader(cinfo, bytes.size());
    if (result == JpegResult::kOk) {
        const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
        jpeg_start_decompress(&cinfo);
        result = TakeJpegMemory(cinfo, out, line) ? JpegResult::kOk : JpegResult::kOutOfMemory;
    }
    if (result != JpegResult::kOk) {
        jpeg_destroy_decompress(&cinfo);
        return result;
    }
    ReadJpegRows(cinfo, out, line);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return JpegResult::kOk;
}

}  // namespace

Result<Bitmap> DecodeJpeg(std::string_view bytes, const std::string& path) {
    Bitmap out;
    std::vector<std::uint8_t> line;
    char message[JMSG_LENGTH_MAX] = {};
    long long size[2] = {0, 0};
    switch (RunJpegDecoder(bytes, &out, &line, message, size)) {
        case JpegResult::kOk:
            return out;
        case JpegResult::kTooLarge:
            return Refused(ProblemKind::PictureTooManyPixels, path, SizeText(size[0], size[1]));
        case JpegResult::kTruncated:
            return Refused(ProblemKind::JpegTooShort, path, SizeText(size[0], size[1]));
        case JpegResult::kOutOfMemory:
            return Refused(ProblemKind::PictureOutOfMemory, path);
        case JpegResult::kTooManyScans:
            return Refused(ProblemKind::JpegTooManyScans, path);
        case JpegResult::kFailed:
            break;
    }
    return Refused(ProblemKind::JpegUndecodable, path, message);
}

namespace {

// True when the extension of `path` (from the last "." after the last "/"), upper-cased,
// is `upper`.
bool HasExtension(const std::string& path, std::string_view upper) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = path.substr(dot);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return ext == upper;
}

}  // namespace

bool IsJpegPath(const std::string& path) {
    return HasExtension(path, ".JPG");
}

bool IsPngPath(const std::string& path) {
    return HasExtension(path, ".PNG");
}

namespace {

// The picture formats an illustration may have: the first row whose test takes the path
// decodes it; a path no row takes is read as BMP. A new format is one row here.
struct PictureFormat {
    bool (*takes)(const std::string& path);
    Result<Bitmap> (*decode)(std::string_view bytes, const std::string& path);
};
constexpr PictureFormat kIllustrationFormats[] = {
    {IsJpegPath, DecodeJpeg},
    {IsPngPath, DecodePng},
};

// The decoder the table gives the path.
Result<Bitmap> (*DecoderOf(const std::string& path))(std::string_view, const std::string&) {
    for (const PictureFormat& format : kIllustrationFormats) {
        if (format.takes(path)) return format.decode;
    }
    return DecodeBmp;
}

Result<Bitmap> DecodeFile(const std::string& path,
                          Result<Bitmap> (*decode)(std::string_view, const std::string&)) {
    const Result<std::string> bytes = ReadPictureBytes(path);
    if (!bytes) return bytes.GetProblem();
    return decode(bytes.Value(), path);
}

}  // namespace

Result<Bitmap> ReadPictureFile(const std::string& path) {
    return DecodeFile(path, DecoderOf(path));
}

Result<Bitmap> DecodePicture(std::string_view bytes, const std::string& path) {
    return DecoderOf(path)(bytes, path);
}

Result<Bitmap> LoadBitmapFile(const std::string& path) {
    return DecodeFile(path, DecodeBmp);
}

}  // namespace mirvo
