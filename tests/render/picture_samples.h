// Picture files made by the tests themselves: BMP bytes written by hand and JPEGs encoded
// with libjpeg.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "render/bitmap.h"

namespace mirvo::test {

inline void PutLe(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A 24-bit BMP file of the picture; bottom-up rows unless `topDown`.
inline std::string BmpBytes(const Bitmap& b, bool topDown = false) {
    const int w = b.Width(), h = b.Height();
    const int rowBytes = (w * 3 + 3) & ~3;
    std::string out = "BM";
    PutLe(out, 54 + rowBytes * h, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(w), 4);
    PutLe(out, static_cast<std::uint32_t>(topDown ? -h : h), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);
    PutLe(out, static_cast<std::uint32_t>(rowBytes * h), 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int i = 0; i < h; ++i) {
        const int y = topDown ? i : h - 1 - i;
        std::string row(reinterpret_cast<const char*>(b.Row(y)), static_cast<std::size_t>(w) * 3);
        row.resize(static_cast<std::size_t>(rowBytes), '\0');
        out += row;
    }
    return out;
}

// A BMP header (no pixels) stating any size, bit count and pixel offset.
inline std::string BmpHeader(std::int32_t w, std::int32_t h, int bitCount = 24,
                             std::uint32_t offBits = 54) {
    std::string out = "BM";
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, offBits, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(w), 4);
    PutLe(out, static_cast<std::uint32_t>(h), 4);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<std::uint32_t>(bitCount), 2);
    out.append(24, '\0');
    return out;
}

enum class JpegKind { kRgb, kGrey, kAdobeCmyk };

// Encodes w x h pixels of `components` samples each with libjpeg: `setUp(cinfo)` may change
// the parameters after the defaults, `fill(y, row)` writes the samples of row y.
template <class SetUp, class Fill>
std::string EncodeJpeg(int w, int h, int components, J_COLOR_SPACE space, SetUp setUp, Fill fill) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    setUp(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        fill(static_cast<int>(cinfo.next_scanline), row.data());
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(mem), size);
    std::free(mem);
    return out;
}

// A baseline JPEG of the picture. Adobe CMYK stores 255 minus each ink: with no black ink
// the bytes are red, green, blue and 255.
inline std::string JpegBytes(const Bitmap& b, int quality = 95, JpegKind kind = JpegKind::kRgb) {
    const bool grey = kind == JpegKind::kGrey, cmyk = kind == JpegKind::kAdobeCmyk;
    const auto setUp = [&](jpeg_compress_struct& cinfo) {
        jpeg_set_quality(&cinfo, quality, TRUE);
    };
    const auto fill = [&](int y, unsigned char* row) {
        for (int x = 0; x < b.Width(); ++x) {
            const Color c = b.Pixel(x, y);
            if (grey) {
                row[x] = RedOf(c);
            } else if (cmyk) {
                row[4 * x] = RedOf(c);
                row[4 * x + 1] = GreenOf(c);
                row[4 * x + 2] = BlueOf(c);
                row[4 * x + 3] = 255;
            } else {
                row[3 * x] = RedOf(c);
                row[3 * x + 1] = GreenOf(c);
                row[3 * x + 2] = BlueOf(c);
            }
        }
    };
    return EncodeJpeg(b.Width(), b.Height(),
                      grey   ? 1
                      : cmyk ? 4
                             : 3,
                      grey   ? JCS_GRAYSCALE
                      : cmyk ? JCS_CMYK
                             : JCS_RGB,
                      setUp, fill);
}

// A grey progressive JPEG with up to `maxScans` scans (704 at most): the DC coefficients
// and then each AC coefficient on its own, each sent first at bit 10 and refined bit by bit.
inline std::string ManyScanJpegBytes(int w, int h, int maxScans) {
    std::vector<jpeg_scan_info> scans;
    for (int k = 0; k < 64; ++k) {
        for (int al = 10; al >= 0; --al) {
            jpeg_scan_info scan{};
            scan.comps_in_scan = 1;
            scan.Ss = scan.Se = k;
            scan.Ah = al == 10 ? 0 : al + 1;
            scan.Al = al;
            scans.push_back(scan);
        }
    }
    scans.resize(std::min<std::size_t>(scans.size(), static_cast<std::size_t>(maxScans)));
    const auto setUp = [&](jpeg_compress_struct& cinfo) {
        cinfo.scan_info = scans.data();
        cinfo.num_scans = static_cast<int>(scans.size());
    };
    const auto fill = [&](int y, unsigned char* row) {
        for (int x = 0; x < w; ++x) row[x] = static_cast<unsigned char>(x * 7 + y * 3);
    };
    return EncodeJpeg(w, h, 1, JCS_GRAYSCALE, setUp, fill);
}

// Four solid quarters: red, green, blue and white, with a black bottom-left corner pixel.
inline Bitmap QuarterPicture(int w, int h) {
    Bitmap b(w, h);
    b.FillRect(Rect{0, 0, w / 2, h / 2}, MakeColor(255, 0, 0));
    b.FillRect(Rect{w / 2, 0, w, h / 2}, MakeColor(0, 255, 0));
    b.FillRect(Rect{0, h / 2, w / 2, h}, MakeColor(0, 0, 255));
    b.FillRect(Rect{w / 2, h / 2, w, h}, MakeColor(255, 255, 255));
    return b;
}

}  // namespace mirvo::test
