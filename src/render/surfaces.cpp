#include "render/surfaces.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "render/color.h"
#include "render/zoom_out.h"

namespace mirvo {

namespace {

// ---- Built-in textures ----------------------------------------------------------------
// Both pictures are made from integer hashes, so they are the same on every machine, and
// every pattern in them repeats with the picture's size, so tiles join without seams.

std::uint32_t Hash(std::uint32_t a, std::uint32_t b, std::uint32_t seed) {
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// Uniform in [0, 1).
double Noise(int x, int y, std::uint32_t seed) {
    return (Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) >> 8) /
           16777216.0;
}

double Smooth(double t) {
    return t * t * (3 - 2 * t);
}

// Value noise on a lattice of `cellsX` x `cellsY` cells over a w x h picture, wrapping at
// the picture's edges.
double LatticeNoise(int x, int y, int w, int h, int cellsX, int cellsY, std::uint32_t seed) {
    const double fx = static_cast<double>(x) * cellsX / w;
    const double fy = static_cast<double>(y) * cellsY / h;
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const double tx = Smooth(fx - x0), ty = Smooth(fy - y0);
    auto at = [&](int cx, int cy) { return Noise(cx % cellsX, cy % cellsY, seed); };
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * tx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * tx;
    return top + (bottom - top) * ty;
}

// Turns a field of values into a picture whose channel means are `mean` (r, g, b) and
// whose channels move by `amplitude[c]` per unit of the field, clamped to bytes.
Bitmap Colorize(const std::vector<double>& field, int w, int h, const double mean[3],
                const double amplitude[3]) {
    double average = 0;
    for (double v : field) average += v;
    average /= static_cast<double>(field.size());
    Bitmap out(w, h);
    // Two rounds: the second corrects the shift that clamping at 255 gave the means.
    double shift[3] = {0, 0, 0};
    for (int round = 0; round < 2; ++round) {
        double sum[3] = {0, 0, 0};
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double v = field[static_cast<std::size_t>(y) * w + x] - average;
                int rgb[3];
                for (int c = 0; c < 3; ++c) {
                    const double value = mean[c] + shift[c] + amplitude[c] * v;
                    rgb[c] = std::clamp(static_cast<int>(std::lround(value)), 0, 255);
                    sum[c] += rgb[c];
                }
                out.SetPixel(x, y, MakeColor(rgb[0], rgb[1], rgb[2]));
            }
        }
        for (int c = 0; c < 3; ++c) shift[c] += mean[c] - sum[c] / (static_cast<double>(w) * h);
    }
    return out;
}

}  // namespace

Bitmap BuiltInPageTexture() {
    // Paper: a fine plain weave of 2-pixel threads, each thread a little lighter in its
    // middle, with fibre specks and a faint cloudiness. The field is a darkening: 0 is the
    // brightest paper.
    constexpr int w = 100, h = 90;
    std::vector<double> field(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool warpOnTop = ((x / 2) + (y / 2)) % 2 == 0;
            const int across = warpOnTop ? x % 2 : y % 2;  // position across the thread
            double d = warpOnTop ? 0.10 : 0.22;            // the lower thread lies in shadow
            d += across == 0 ? 0.0 : 0.12;
            d += 0.25 * LatticeNoise(x, y, w, h, 5, 5, 11);   // cloudiness
            d += 0.18 * Noise(x, y, 12);                      // grain
            if (Noise(x, y, 13) < 0.035) d += 0.35;           // fibre specks
            if (Noise(x / 3, y, 14) < 0.02) d += 0.2;         // short fibres across
            field[static_cast<std::size_t>(y) * w + x] = -d;  // brighter is higher
        }
    }
    const double mean[3] = {244, 235, 203};
    const double amplitude[3] = {34, 36, 40};
    return Colorize(field, w, h, mean, amplitude);
}

Bitmap BuiltInBaseTexture() {
    // Sand or cork: granules of a few pixels, each of its own tone, with dark gaps between
    // them and single light and dark grains.
    constexpr int w = 64, h = 64, cells = 8;
    std::vector<double> field(static_cast<std::size_t>(w) * h);
    // One granule centre per cell of an 8 x 8 lattice, placed at random inside its cell.
    auto centre = [&](int cx, int cy, double& px, double& py, double& tone) {
        const int wx = (cx % cells + cells) % cells, wy = (cy % cells + cells) % cells;
        px = cx * 8 + 8 * Noise(wx, wy, 21);
        py = cy * 8 + 8 * Noise(wx, wy, 22);
        tone = Noise(wx, wy, 23);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double best = 1e9, second = 1e9, tone = 0;
            for (int cy = y / 8 - 1; cy <= y / 8 + 1; ++cy) {
                for (int cx = x / 8 - 1; cx <= x / 8 + 1; ++cx) {
                    double px, py, t;
                    centre(cx, cy, px, py, t);
                    const double dist = std::hypot(x + 0.5 - px, y + 0.5 - py);
                    if (dist < best) {
                        second = best;
                        best = dist;
                        tone = t;
                    } else if (dist < second) {
                        second = dist;
                    }
                }
            }
            double v = 0.9 * (tone - 0.5);
            v -= 0.45 * std::max(0.0, 1.2 - (second - best));  // gaps between granules
            v -= 0.15 * best / 6.0;                            // granules round off
            v += 0.45 * (Noise(x, y, 24) - 0.5);               // grain
            const double speck = Noise(x, y, 25);
            if (speck < 0.04) v -= 0.35;
            if (speck > 0.97) v += 0.35;
            field[static_cast<std::size_t>(y) * w + x] = v;
        }
    }
    const double mean[3] = {207, 165, 123};
    const double amplitude[3] = {68, 72, 68};
    return Colorize(field, w, h, mean, amplitude);
}

void TileTexture(Bitmap& target, int width, int height, const Bitmap& texture) {
    // The tiles cover every byte of a picture without row padding: one of that size already
    // (the page buffer of the last page) need not be cleared first.
    const bool covered = !texture.Empty() && target.Width() == width && target.Height() == height &&
                         target.Stride() == 3 * width;
    if (!covered) target.Create(width, height);
    if (texture.Empty() || target.Empty()) return;
    const int tw = texture.Width(), th = texture.Height();
    for (int x = 0; x < target.Width(); x += tw) CopyRect(target, x, 0, texture, 0, 0, tw, th);
    for (int y = th; y < target.Height(); y += th) {
        CopyRect(target, 0, y, target, 0, 0, target.Width(), th);
    }
}

int TextureChannelAverage(const Bitmap& texture, char selector) {
    if (texture.Empty()) return 0;
    Bitmap sample(8, 8);
    StretchDraw(sample, Rect{0, 0, 8, 8}, texture);
    int sum1 = 0, sum2 = 0, sum3 = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            int c1, c2, c3;
            SplitColorBytes(sample.Pixel(x, y), c1, c2, c3);
            sum1 += c1;
            sum2 += c2;
            sum3 += c3;
        }
    }
    switch (selector) {
        case 'R':
            return sum1 / 64;
        case 'G':
            return sum2 / 64;
        default:
            return sum3 / 64;
    }
}

namespace {

Color JoinBytes(std::int64_t c1, std::int64_t c2, std::int64_t c3) {
    return static_cast<Color>(c1 * 65536 + c2 * 256 + c3);
}

// The gutter colour S(i) of the band of n lines: each byte falls along a parabola from
// nearly the base colour at i = 1 to 0 at i = n.
Color GutterShade(int c1, int c2, int c3, std::int64_t i, std::int64_t n) {
    const std::int64_t i2 = i * i, n2 = n * n;
    return JoinBytes(c1 - i2 * c1 / n2, c2 - i2 * c2 / n2, c3 - i2 * c3 / n2);
}

}  // namespace

void FinishSpread(Bitmap& leftBuf, Bitmap& rightBuf, const FinishOptions& o) {
    if (o.Alias) {
        ShrinkBitmap(leftBuf, 0.5);
        ShrinkBitmap(rightBuf, 0.5);
    }

    int c1, c2, c3;
    if (o.UsePageTexture && o.PageTexture) {
        c1 = TextureChannelAverage(*o.PageTexture, 'R');
        c2 = TextureChannelAverage(*o.PageTexture, 'G');
        c3 = TextureChannelAverage(*o.PageTexture, 'B');
    } else {
        // System colours take their fixed scheme value; any bits above the three colour
        // bytes are dropped so that every byte of the shading stays a byte.
        const Color base = ResolveSystemColor(o.PageColor) & 0xFFFFFFu;
        SplitColorBytes(base, c1, c2, c3);
    }

    const int n = o.LeftPageImageWidth / 20;
    const int wl = leftBuf.Width(), hl = leftBuf.Height();
    const int wr = rightBuf.Width(), hr = rightBuf.Height();
    for (int i = 1; i <= n; ++i) {
        const Color s = GutterShade(c1, c2, c3, i, n);
        leftBuf.VerticalLine(wl - n + i, 0, hl, s);  // the last one falls outside
        rightBuf.VerticalLine(n - i, 0, hr, s);
    }

    const Color base = JoinBytes(c1, c2, c3);
    const Color dark = JoinBytes(c1 / 2, c2 / 2, c3 / 2);
    for (int i = 1; i <= wl / 40; ++i) leftBuf.VerticalLine(i - 1, 0, hl, i % 2 ? dark : base);
    for (int i = 1; i <= wr / 40; ++i) {
        rightBuf.VerticalLine(wr - i, 0, hr, i % 2 ? dark : base);
    }
}

}  // namespace mirvo
