// PNG files made in memory with libpng, for the tests of the PNG decoder and of books with
// PNG illustrations.
#pragma once

#include <png.h>

#include <functional>
#include <string>
#include <vector>

namespace mirvo::test {

struct PngShape {
    int width = 1, height = 1;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;      // PNG_COLOR_TYPE_PALETTE
    std::vector<png_byte> paletteAlpha;  // tRNS of a palette
    bool transparentColor = false;       // tRNS of grey or RGB: `transparent`
    png_color_16 transparent{};
    double gamma = 0;  // a gAMA chunk when above 0
    int compression = 6;
    // The packed bytes of row y, as PNG stores them.
    std::function<std::vector<png_byte>(int y)> row;
};

inline void AppendPngBytes(png_structp png, png_bytep data, png_size_t size) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), size);
}

inline std::string PngBytes(const PngShape& shape) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPngBytes, nullptr);
    png_set_compression_level(png, shape.compression);
    png_set_IHDR(png, info, shape.width, shape.height, shape.bitDepth, shape.colorType,
                 shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!shape.palette.empty()) {
        png_set_PLTE(png, info, shape.palette.data(), static_cast<int>(shape.palette.size()));
    }
    if (!shape.paletteAlpha.empty() || shape.transparentColor) {
        png_set_tRNS(png, info, shape.paletteAlpha.data(),
                     static_cast<int>(shape.paletteAlpha.size()),
                     shape.transparentColor ? &shape.transparent : nullptr);
    }
    if (shape.gamma > 0) png_set_gAMA(png, info, shape.gamma);
    png_write_info(png, info);
    // Row by row, every row again for each pass of an interlaced picture: a large picture
    // is never held whole.
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < shape.height; ++y) png_write_row(png, shape.row(y).data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace mirvo::test
