#include "render/bmp_rle.h"

#include <algorithm>
#include <cstdint>

namespace mirvo {

namespace {

class RleWriter {
  public:
    RleWriter(std::span<const Color> palette, bool topDown, Bitmap& out)
        : palette_(palette), topDown_(topDown), out_(out) {}

    bool Done() const { return y_ >= out_.Height(); }
    bool RowFull() const { return x_ >= out_.Width(); }

    void Put(unsigned index) {
        if (RowFull() || Done()) return;
        const Color c = index < palette_.size() ? palette_[index] : 0;
        std::uint8_t* p = out_.Row(topDown_ ? y_ : out_.Height() - 1 - y_) + 3 * x_;
        p[0] = BlueOf(c);
        p[1] = GreenOf(c);
        p[2] = RedOf(c);
        ++x_;
    }
    void EndOfLine() {
        x_ = 0;
        ++y_;
    }
    void Delta(int dx, int dy) {
        x_ = std::min(x_ + dx, out_.Width());
        y_ = std::min(y_ + dy, out_.Height());
    }

  private:
    std::span<const Color> palette_;
    bool topDown_;
    Bitmap& out_;
    int x_ = 0, y_ = 0;  // y counts stored rows
};

}  // namespace

void DecodeBmpRle(std::string_view data, std::span<const Color> palette, BmpRle kind, bool topDown,
                  Bitmap& out) {
    out.Fill(palette.empty() ? 0 : palette[0]);
    const bool rle4 = kind == BmpRle::Rle4;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(data[i]); };
    // RLE4 packs two indices in a byte, the high half first.
    const auto nibble = [&](std::uint8_t b, int i) { return (i % 2 == 0) ? b >> 4 : b & 0x0F; };
    RleWriter w(palette, topDown, out);
    std::size_t p = 0;
    while (p + 1 < data.size() && !w.Done()) {
        const int count = byte(p);
        const std::uint8_t value = byte(p + 1);
        p += 2;
        if (count > 0) {
            // Encoded run: one index (RLE8) or two alternating ones (RLE4).
            for (int i = 0; i < count && !w.RowFull(); ++i)
                w.Put(rle4 ? static_cast<unsigned>(nibble(value, i)) : value);
            continue;
        }
        switch (value) {
            case 0:
                w.EndOfLine();
                break;
            case 1:
                return;  // end of the picture
            case 2:
                if (p + 1 >= data.size()) return;
                w.Delta(byte(p), byte(p + 1));
                p += 2;
                break;
            default: {
                // Literal run of `value` indices, padded to a whole 16-bit word.
                const int n = value;
                const std::size_t bytes = rle4 ? (static_cast<std::size_t>(n) + 1) / 2 : n;
                for (int i = 0; i < n; ++i) {
                    const std::size_t at = p + (rle4 ? static_cast<std::size_t>(i) / 2 : i);
                    if (at >= data.size()) return;
                    w.Put(rle4 ? static_cast<unsigned>(nibble(byte(at), i)) : byte(at));
                }
                p += bytes + (bytes & 1);
                break;
            }
        }
    }
}

}  // namespace mirvo
