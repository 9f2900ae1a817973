#include "render/grey_image.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <stdexcept>

namespace mirvo {

GreyImage ToGrey(const Bitmap& bitmap, const Rect& part) {
    const int left = std::max(part.left, 0), top = std::max(part.top, 0);
    const int right = std::min(part.right, bitmap.Width());
    const int bottom = std::min(part.bottom, bitmap.Height());
    GreyImage grey;
    grey.width = std::max(right - left, 0);
    grey.height = std::max(bottom - top, 0);
    grey.pixels.resize(static_cast<std::size_t>(grey.width) * grey.height);
    std::uint8_t* to = grey.pixels.data();
    // GreyLevel without its division, which keeps the loop from being vectorised: for every
    // sum of 8-bit channels, (s + 500) / 1000 == (s + 500) x 4294968 / 2^32.
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* p = bitmap.Row(y) + left * 3;  // blue, green, red
        for (int x = left; x < right; ++x, p += 3) {
            const std::uint64_t sum = 299u * p[2] + 587u * p[1] + 114u * p[0] + 500u;
            *to++ = static_cast<std::uint8_t>((sum * 4294968u) >> 32);
        }
    }
    return grey;
}

namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

}  // namespace

std::string EncodeGreyPng(const GreyImage& image) {
    if (image.width <= 0 || image.height <= 0)
        throw std::runtime_error("cannot make a PNG picture: empty picture");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::string bytes;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_set_write_fn(png, &bytes, AppendToString, nullptr);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                     static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_GRAY,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        // Pages are mostly paper with sharp glyphs: the fastest deflate of the pixels as they
        // are (no filter) makes them smaller than a deflate of the difference to the pixel on
        // the left did at level 3, in two thirds of its time.
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y)
            png_write_row(png, image.pixels.data() + static_cast<std::size_t>(y) * image.width);
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        return bytes;
    }
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot make a PNG picture: out of memory");
}

}  // namespace mirvo
