#include "render/bitmap.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace mirvo {

void Bitmap::Create(int width, int height, Color fill) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (width_ == 0 || height_ == 0) width_ = height_ = 0;
    stride_ = (width_ * 3 + 3) & ~3;
    const std::size_t bytes = static_cast<std::size_t>(stride_) * height_;
    // A grey fill (white paper, black) of rows without padding is one pass over the bytes.
    if (stride_ == width_ * 3 && BlueOf(fill) == GreenOf(fill) && GreenOf(fill) == RedOf(fill)) {
        data_.assign(bytes, BlueOf(fill));
        return;
    }
    data_.assign(bytes, 0);
    if (fill != 0) Fill(fill);
}

void Bitmap::SetSize(int width, int height) {
    Bitmap resized(width, height);
    CopyRect(resized, 0, 0, *this, 0, 0, width_, height_);
    *this = std::move(resized);
}

bool Bitmap::Reshape(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == 0 || height == 0) width = height = 0;
    const int stride = (width * 3 + 3) & ~3;
    const std::size_t bytes = static_cast<std::size_t>(stride) * height;
    if (bytes > data_.size()) return false;
    width_ = width;
    height_ = height;
    stride_ = stride;
    data_.resize(bytes);
    return true;
}

Color Bitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const std::uint8_t* p = Row(y) + x * 3;
    return MakeColor(p[2], p[1], p[0]);
}

void Bitmap::SetPixel(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = Row(y) + x * 3;
    p[0] = BlueOf(c);
    p[1] = GreenOf(c);
    p[2] = RedOf(c);
}

void Bitmap::Fill(Color c) {
    FillRect(Rect{0, 0, width_, height_}, c);
}

void Bitmap::FillRect(const Rect& r, Color c) {
    const int l = std::max(r.left, 0), t = std::max(r.top, 0);
    const int rr = std::min(r.right, width_), b = std::min(r.bottom, height_);
    if (l >= rr || t >= b) return;
    const std::uint8_t px[3] = {BlueOf(c), GreenOf(c), RedOf(c)};
    std::uint8_t* first = Row(t) + l * 3;
    for (int x = 0; x < rr - l; ++x) std::memcpy(first + x * 3, px, 3);
    for (int y = t + 1; y < b; ++y) std::memcpy(Row(y) + l * 3, first, (rr - l) * 3);
}

void Bitmap::VerticalLine(int x, int y0, int y1, Color c) {
    FillRect(Rect{x, y0, x + 1, y1}, c);
}

void Bitmap::Line(int x0, int y0, int x1, int y1, Color c) {
    // Bresenham; like a pen's LineTo, the last point is left out.
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (!(x == x1 && y == y1)) {
        SetPixel(x, y, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Bitmap::Frame(const Rect& r, Color c) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    FillRect(Rect{r.left, r.top, r.right, r.top + 1}, c);
    FillRect(Rect{r.left, r.bottom - 1, r.right, r.bottom}, c);
    FillRect(Rect{r.left, r.top, r.left + 1, r.bottom}, c);
    FillRect(Rect{r.right - 1, r.top, r.right, r.bottom}, c);
}

bool Bitmap::operator==(const Bitmap& o) const {
    if (width_ != o.width_ || height_ != o.height_) return false;
    for (int y = 0; y < height_; ++y) {
        if (std::memcmp(Row(y), o.Row(y), static_cast<std::size_t>(width_) * 3) != 0) return false;
    }
    return true;
}

void CopyRect(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h) {
    // Clip against the source, then against the destination.
    if (sx < 0) {
        w += sx;
        dx -= sx;
        sx = 0;
    }
    if (sy < 0) {
        h += sy;
        dy -= sy;
        sy = 0;
    }
    if (dx < 0) {
        w += dx;
        sx -= dx;
        dx = 0;
    }
    if (dy < 0) {
        h += dy;
        sy -= dy;
        dy = 0;
    }
    w = std::min({w, src.Width() - sx, dst.Width() - dx});
    h = std::min({h, src.Height() - sy, dst.Height() - dy});
    if (w <= 0 || h <= 0) return;
    const std::size_t bytes = static_cast<std::size_t>(w) * 3;
    if (&dst == &src && dy > sy) {
        for (int y = h - 1; y >= 0; --y) {
            std::memmove(dst.Row(dy + y) + dx * 3, src.Row(sy + y) + sx * 3, bytes);
        }
    } else {
        for (int y = 0; y < h; ++y) {
            std::memmove(dst.Row(dy + y) + dx * 3, src.Row(sy + y) + sx * 3, bytes);
        }
    }
}

namespace {

template <class Put>
void Stretch(Bitmap& dst, const Rect& r, const Bitmap& src, Put put) {
    const int dw = r.Width(), dh = r.Height();
    if (dw <= 0 || dh <= 0 || src.Empty()) return;
    const int sw = src.Width(), sh = src.Height();
    const int x0 = std::max(r.left, 0), x1 = std::min(r.right, dst.Width());
    const int y0 = std::max(r.top, 0), y1 = std::min(r.bottom, dst.Height());
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<int> column(static_cast<std::size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        column[x - x0] = static_cast<int>(static_cast<long long>(x - r.left) * sw / dw) * 3;
    }
    for (int y = y0; y < y1; ++y) {
        const int syy = static_cast<int>(static_cast<long long>(y - r.top) * sh / dh);
        const std::uint8_t* s = src.Row(syy);
        std::uint8_t* d = dst.Row(y);
        for (int x = x0; x < x1; ++x) put(d + x * 3, s + column[x - x0]);
    }
}

}  // namespace

void StretchDraw(Bitmap& dst, const Rect& dstRect, const Bitmap& src) {
    Stretch(dst, dstRect, src,
            [](std::uint8_t* d, const std::uint8_t* s) { std::memcpy(d, s, 3); });
}

void StretchDrawTransparent(Bitmap& dst, const Rect& dstRect, const Bitmap& src, Color key) {
    const std::uint8_t b = BlueOf(key), g = GreenOf(key), r = RedOf(key);
    Stretch(dst, dstRect, src, [=](std::uint8_t* d, const std::uint8_t* s) {
        if (s[0] != b || s[1] != g || s[2] != r) std::memcpy(d, s, 3);
    });
}

bool WritePng(const Bitmap& bitmap, const std::string& path, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what;
        return false;
    };
    if (bitmap.Empty()) return fail("empty picture: " + path);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return fail("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        return fail("out of memory writing " + path);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bitmap.Width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return fail("cannot write " + path);
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()),
                 static_cast<png_uint_32>(bitmap.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* s = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            row[x * 3] = s[x * 3 + 2];
            row[x * 3 + 1] = s[x * 3 + 1];
            row[x * 3 + 2] = s[x * 3];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace mirvo
