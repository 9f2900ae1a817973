// A 24-bit picture with direct row access (bytes blue, green, red; top-down rows) and the
// plain drawing operations the pages are made with. Colours are 0x00BBGGRR values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirvo {

using Color = std::uint32_t;  // 0x00BBGGRR, red in the low byte

constexpr std::uint8_t RedOf(Color c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t GreenOf(Color c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(Color c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}
constexpr Color MakeColor(int r, int g, int b) {
    return static_cast<Color>((b & 0xFF) << 16 | (g & 0xFF) << 8 | (r & 0xFF));
}

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class Bitmap {
  public:
    Bitmap() = default;
    Bitmap(int width, int height, Color fill = 0) { Create(width, height, fill); }

    // New size, every pixel `fill`. Sizes below 0 are taken as 0.
    void Create(int width, int height, Color fill = 0);
    // New size keeping the pixels that lie inside both sizes (top-left anchored);
    // new pixels are black.
    void SetSize(int width, int height);
    void Clear() { Create(0, 0); }
    // New size that needs no more bytes than the picture holds, keeping the bytes where
    // they lie (rows are not moved) and the memory: for code that rewrites every row of
    // the smaller picture in place, such as the reduction. Larger sizes are refused.
    bool Reshape(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    // Bytes per row; rows are 4-byte aligned so the window can show them without copying.
    int Stride() const { return stride_; }
    std::uint8_t* Row(int y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
    const std::uint8_t* Row(int y) const {
        return data_.data() + static_cast<std::size_t>(y) * stride_;
    }
    std::uint8_t* Data() { return data_.data(); }
    const std::uint8_t* Data() const { return data_.data(); }

    Color Pixel(int x, int y) const;        // 0 outside the picture
    void SetPixel(int x, int y, Color c);   // ignored outside
    void Fill(Color c);                     // whole picture
    void FillRect(const Rect& r, Color c);  // clipped
    // A one-pixel pen line from (x0, y0) towards (x1, y1), the end point itself not drawn.
    void Line(int x0, int y0, int x1, int y1, Color c);
    // Vertical line at x over rows [y0, y1), clipped.
    void VerticalLine(int x, int y0, int y1, Color c);
    // One-pixel frame of a rectangle (right and bottom exclusive), as a pen draws it.
    void Frame(const Rect& r, Color c);

    bool operator==(const Bitmap& o) const;

  private:
    int width_ = 0, height_ = 0, stride_ = 0;
    std::vector<std::uint8_t> data_;
};

// Block copy of a w x h area of `src` at (sx, sy) to (dx, dy) of `dst`, clipped on both.
void CopyRect(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h);
// Whole-picture copy: `dst` becomes a copy of `src` with its size.
inline void CopyBitmap(Bitmap& dst, const Bitmap& src) {
    dst = src;
}
// Draws all of `src` stretched into `dstRect` by repeating or dropping pixels (no
// smoothing); destination pixel (x, y) takes source pixel (trunc((x-left) * sw / dw), ...).
void StretchDraw(Bitmap& dst, const Rect& dstRect, const Bitmap& src);
// Like StretchDraw, but source pixels of colour `key` are not drawn.
void StretchDrawTransparent(Bitmap& dst, const Rect& dstRect, const Bitmap& src, Color key);

// Writes the picture as an 8-bit RGB PNG. Returns false with a message on failure.
bool WritePng(const Bitmap& bitmap, const std::string& path, std::string* error = nullptr);

}  // namespace mirvo
