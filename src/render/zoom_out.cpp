#include "render/zoom_out.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace mirvo {

namespace {

constexpr std::int64_t kWhole = 65536;  // weight of one whole source pixel

std::atomic<bool> shortage{false};

// Work memory of the passes. A table that cannot be had is reported as false, with
// whatever was got already released.
template <class T>
bool TryAllocate(std::vector<T>& table, std::size_t count) {
    try {
        if (shortage.load(std::memory_order_relaxed)) throw std::bad_alloc();
        table.assign(count, T{});
        return true;
    } catch (const std::bad_alloc&) {
        std::vector<T>().swap(table);
        return false;
    }
}

// q = total * j / parts in real numbers, cut into its whole part and its fraction in
// 1/65536 units.
inline void SplitEdge(int total, int j, int parts, int& whole, int& fraction) {
    const double q = static_cast<double>(static_cast<std::int64_t>(total) * j) / parts;
    whole = static_cast<int>(q);
    fraction = static_cast<int>((q - whole) * 65536.0);
}

// The rounded weight of one destination pixel: trunc(total * 65536 / parts + 0.5).
inline std::int64_t StepOf(int total, int parts) {
    return static_cast<std::int64_t>(static_cast<double>(total * kWhole) / parts + 0.5);
}

struct WidthTables {
    std::vector<int> a, f;  // left edge of destination pixel j: a[j] + f[j] / 65536
    std::int64_t step = 0;
};

bool MakeWidthTables(int sw, int dw, WidthTables& t) {
    if (!TryAllocate(t.a, static_cast<std::size_t>(dw) + 1)) return false;
    if (!TryAllocate(t.f, static_cast<std::size_t>(dw) + 1)) {
        std::vector<int>().swap(t.a);
        return false;
    }
    for (int j = 0; j <= dw; ++j) SplitEdge(sw, j, dw, t.a[j], t.f[j]);
    t.step = StepOf(sw, dw);
    return true;
}

// One row of the width pass: dw destination pixels from the source row.
void ReduceRow(const std::uint8_t* s, std::uint8_t* d, int dw, const WidthTables& t) {
    int k = 0;
    std::int64_t w = kWhole;
    for (int x = 0; x < dw; ++x) {
        std::int64_t b0 = 0, b1 = 0, b2 = 0;
        if (w != 0) {
            const std::uint8_t* p = s + 3 * k;
            b0 = w * p[0];
            b1 = w * p[1];
            b2 = w * p[2];
        }
        const int next = t.a[x + 1];
        std::int64_t m0 = 0, m1 = 0, m2 = 0;
        for (int i = k + 1; i < next; ++i) {
            const std::uint8_t* p = s + 3 * i;
            m0 += p[0];
            m1 += p[1];
            m2 += p[2];
        }
        b0 += m0 * kWhole;
        b1 += m1 * kWhole;
        b2 += m2 * kWhole;
        k = next;
        w = t.f[x + 1];
        if (w != 0) {
            const std::uint8_t* p = s + 3 * k;
            b0 += w * p[0];
            b1 += w * p[1];
            b2 += w * p[2];
        }
        w = kWhole - w;
        d[3 * x] = static_cast<std::uint8_t>(b0 / t.step);
        d[3 * x + 1] = static_cast<std::uint8_t>(b1 / t.step);
        d[3 * x + 2] = static_cast<std::uint8_t>(b2 / t.step);
    }
}

inline void AddRow(std::int64_t* acc, const std::uint8_t* row, std::size_t n, std::int64_t w) {
    for (std::size_t i = 0; i < n; ++i) acc[i] += w * row[i];
}

inline void StoreRow(std::uint8_t* d, const std::int64_t* acc, std::size_t n, std::int64_t step) {
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(acc[i] / step);
}

// The height pass over rows handed out by `rowOf(r)` (a source row, or a source row after
// the width pass), writing `dh` rows of `n` bytes through `out(y)`.
template <class RowOf, class Out>
void ReduceColumns(int sh, int dh, std::size_t n, std::vector<std::int64_t>& acc, RowOf rowOf,
                   Out out) {
    const std::int64_t step = StepOf(sh, dh);
    int k = 0;
    std::int64_t w = kWhole;
    const std::uint8_t* current = rowOf(0);
    for (int y = 0; y < dh; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        if (w != 0) AddRow(acc.data(), current, n, w);
        int whole, fraction;
        SplitEdge(sh, y + 1, dh, whole, fraction);
        for (int r = k + 1; r < whole; ++r) AddRow(acc.data(), rowOf(r), n, kWhole);
        k = whole;
        w = fraction;
        if (y != dh - 1) {
            current = rowOf(k);
            if (w != 0) AddRow(acc.data(), current, n, w);
        }
        StoreRow(out(y), acc.data(), n, step);
        w = kWhole - w;
    }
}

// Both passes in one sweep over the source: each source row is reduced in width when the
// height pass first needs it, so the intermediate picture is never made. The bytes are
// those of the two separate passes.
bool ShrinkFused(const Bitmap& src, Bitmap& dst) {
    const int sw = src.Width(), sh = src.Height(), dw = dst.Width(), dh = dst.Height();
    const std::size_t n = static_cast<std::size_t>(dw) * 3;
    WidthTables t;
    std::vector<std::int64_t> acc;
    // The height pass uses each row it asks for before asking for the next one, so one
    // reduced row is enough.
    std::vector<std::uint8_t> reduced;
    if (!MakeWidthTables(sw, dw, t) || !TryAllocate(acc, n) || !TryAllocate(reduced, n)) {
        return false;
    }
    ReduceColumns(
        sh, dh, n, acc,
        [&](int r) {
            ReduceRow(src.Row(r), reduced.data(), dw, t);
            return static_cast<const std::uint8_t*>(reduced.data());
        },
        [&](int y) { return dst.Row(y); });
    return true;
}

// Halving of a picture of even width and height: every destination byte is
// trunc((trunc((a + b) / 2) + trunc((c + d) / 2)) / 2) of its 2 x 2 block, the width pass
// first, exactly what the two passes give when all the weights are whole.
//
// It works in place: destination row y and pixel x lie at or before source row 2y and
// pixel 2x, and every group of pixels is read before it is written.
inline unsigned HalfSum(unsigned a, unsigned b) {
    return (a + b) >> 1;
}

void HalvePixels(const std::uint8_t* r0, const std::uint8_t* r1, std::uint8_t* d, int from,
                 int to) {
    for (int x = from; x < to; ++x) {
        for (int c = 0; c < 3; ++c) {
            const unsigned top = HalfSum(r0[6 * x + c], r0[6 * x + 3 + c]);
            const unsigned bottom = HalfSum(r1[6 * x + c], r1[6 * x + 3 + c]);
            d[3 * x + c] = static_cast<std::uint8_t>(HalfSum(top, bottom));
        }
    }
}

#if defined(__x86_64__) || defined(__i386__)
#define MIRVO_HALVE_SSSE3 1

// Byte shuffles that gather the bytes of every other pixel (source byte 6p + c goes to
// byte 3p + c) from three 16-byte vectors into 24 bytes; 0x80 gives 0.
struct GatherMasks {
    alignas(16) std::uint8_t m[2][3][16];
    GatherMasks() {
        for (int o = 0; o < 2; ++o) {
            for (int v = 0; v < 3; ++v) {
                for (int k = 0; k < 16; ++k) {
                    const int d = 16 * o + k;
                    const int from = 6 * (d / 3) + d % 3;
                    m[o][v][k] =
                        d < 24 && from / 16 == v ? static_cast<std::uint8_t>(from % 16) : 0x80;
                }
            }
        }
    }
};

// Eight destination pixels per round from pixel x on; returns the first pixel not done.
__attribute__((target("ssse3"))) int HalveRowSsse3(const std::uint8_t* r0, const std::uint8_t* r1,
                                                   std::uint8_t* d, int x, int dw) {
    static const GatherMasks masks;
    const __m128i* m = reinterpret_cast<const __m128i*>(masks.m);
    auto load = [](const std::uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    // A round reads 51 bytes of each row from byte 6x: it needs one pixel beyond its own.
    for (; x + 9 <= dw; x += 8) {
        const std::uint8_t* a = r0 + 6 * x;
        const std::uint8_t* b = r1 + 6 * x;
        // trunc((a + b) / 2) = 255 - ceil(((255 - a) + (255 - b)) / 2): the rounding-up
        // byte mean of the complements gives the truncating mean, and the complement of a
        // mean of complements needs no flip in between.
        const __m128i ones = _mm_set1_epi8(-1);
        auto inv = [&](__m128i v) { return _mm_xor_si128(v, ones); };
        __m128i u[3];
        for (int k = 0; k < 3; ++k) {
            const __m128i top = _mm_avg_epu8(inv(load(a + 16 * k)), inv(load(a + 16 * k + 3)));
            const __m128i bottom = _mm_avg_epu8(inv(load(b + 16 * k)), inv(load(b + 16 * k + 3)));
            u[k] = inv(_mm_avg_epu8(top, bottom));
        }
        const __m128i lo = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(u[0], _mm_load_si128(m + 0)),
                                                     _mm_shuffle_epi8(u[1], _mm_load_si128(m + 1))),
                                        _mm_shuffle_epi8(u[2], _mm_load_si128(m + 2)));
        const __m128i hi = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(u[0], _mm_load_si128(m + 3)),
                                                     _mm_shuffle_epi8(u[1], _mm_load_si128(m + 4))),
                                        _mm_shuffle_epi8(u[2], _mm_load_si128(m + 5)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * x), lo);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 3 * x + 16), hi);
    }
    return x;
}

// The same with 32-byte means: sixteen destination pixels per round, gathered as two
// groups of eight.
__attribute__((target("avx2"))) inline __m256i LoadInverted(const std::uint8_t* p) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return _mm256_xor_si256(v, _mm256_set1_epi8(-1));
}

__attribute__((target("avx2"))) int HalveRowAvx2(const std::uint8_t* r0, const std::uint8_t* r1,
                                                 std::uint8_t* d, int dw) {
    static const GatherMasks masks;
    const __m128i* m = reinterpret_cast<const __m128i*>(masks.m);
    int x = 0;
    // A round reads 99 bytes of each row from byte 6x.
    for (; x + 17 <= dw; x += 16) {
        const std::uint8_t* a = r0 + 6 * x;
        const std::uint8_t* b = r1 + 6 * x;
        __m128i lane[6];
        for (int k = 0; k < 3; ++k) {
            const __m256i top =
                _mm256_avg_epu8(LoadInverted(a + 32 * k), LoadInverted(a + 32 * k + 3));
            const __m256i bottom =
                _mm256_avg_epu8(LoadInverted(b + 32 * k), LoadInverted(b + 32 * k + 3));
            const __m256i u = _mm256_xor_si256(_mm256_avg_epu8(top, bottom), _mm256_set1_epi8(-1));
            lane[2 * k] = _mm256_castsi256_si128(u);
            lane[2 * k + 1] = _mm256_extracti128_si256(u, 1);
        }
        for (int h = 0; h < 2; ++h) {
            const __m128i* l = lane + 3 * h;
            const __m128i lo = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(l[0], m[0]), _mm_shuffle_epi8(l[1], m[1])),
                _mm_shuffle_epi8(l[2], m[2]));
            const __m128i hi = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(l[0], m[3]), _mm_shuffle_epi8(l[1], m[4])),
                _mm_shuffle_epi8(l[2], m[5]));
            std::uint8_t* out = d + 3 * x + 24 * h;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lo);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), hi);
        }
    }
    return x;
}
#endif

void HalveEvenInPlace(Bitmap& bitmap) {
    const int dw = bitmap.Width() / 2, dh = bitmap.Height() / 2;
    const std::size_t stride = static_cast<std::size_t>(bitmap.Stride());
    const std::size_t newStride = static_cast<std::size_t>((dw * 3 + 3) & ~3);
    std::uint8_t* base = bitmap.Data();
#ifdef MIRVO_HALVE_SSSE3
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    static const bool avx2 = __builtin_cpu_supports("avx2");
#endif
    for (int y = 0; y < dh; ++y) {
        const std::uint8_t* r0 = base + 2 * y * stride;
        const std::uint8_t* r1 = r0 + stride;
        std::uint8_t* d = base + y * newStride;
        int x = 0;
#ifdef MIRVO_HALVE_SSSE3
        if (avx2) x = HalveRowAvx2(r0, r1, d, dw);
        if (ssse3) x = HalveRowSsse3(r0, r1, d, x, dw);
#endif
        HalvePixels(r0, r1, d, x, dw);
    }
    bitmap.Reshape(dw, dh);
}

bool NewSize(const Bitmap& bitmap, double factor, int& nw, int& nh) {
    if (bitmap.Empty() || !(factor > 0.0) || factor > 1.0) return false;
    nw = static_cast<int>(bitmap.Width() * factor);
    nh = static_cast<int>(bitmap.Height() * factor);
    return true;
}

}  // namespace

void SimulateWorkTableShortage(bool on) {
    shortage.store(on, std::memory_order_relaxed);
}

void ShrinkWidth(const Bitmap& src, Bitmap& dst) {
    const int sw = src.Width(), dw = dst.Width();
    if (src.Empty() || dst.Empty() || dst.Height() != src.Height() || dw > sw) return;
    WidthTables t;
    if (!MakeWidthTables(sw, dw, t)) return;
    for (int y = 0; y < dst.Height(); ++y) ReduceRow(src.Row(y), dst.Row(y), dw, t);
}

void ShrinkHeight(const Bitmap& src, Bitmap& dst) {
    const int sh = src.Height(), dh = dst.Height();
    if (src.Empty() || dst.Empty() || dst.Width() != src.Width() || dh > sh) return;
    const std::size_t n = static_cast<std::size_t>(src.Width()) * 3;
    std::vector<std::int64_t> acc;
    if (!TryAllocate(acc, n)) return;
    ReduceColumns(
        sh, dh, n, acc, [&](int r) { return src.Row(r); }, [&](int y) { return dst.Row(y); });
}

void ShrinkBitmapReference(Bitmap& bitmap, double factor) {
    int nw, nh;
    if (!NewSize(bitmap, factor, nw, nh)) return;
    if (nw <= 0 || nh <= 0) {
        bitmap.Clear();
        return;
    }
    Bitmap scratch = bitmap;
    scratch.SetSize(nw, bitmap.Height());
    ShrinkWidth(bitmap, scratch);
    bitmap = scratch;
    scratch.SetSize(bitmap.Width(), nh);
    ShrinkHeight(bitmap, scratch);
    bitmap = std::move(scratch);
}

void ShrinkBitmap(Bitmap& bitmap, double factor) {
    int nw, nh;
    if (!NewSize(bitmap, factor, nw, nh)) return;
    if (nw <= 0 || nh <= 0) {
        bitmap.Clear();
        return;
    }
    if (bitmap.Width() == 2 * nw && bitmap.Height() == 2 * nh) {
        HalveEvenInPlace(bitmap);
        return;
    }
    Bitmap result(nw, nh);
    if (!ShrinkFused(bitmap, result)) {
        // Short of work memory: the separate passes keep the cut copy where a pass
        // cannot run.
        ShrinkBitmapReference(bitmap, factor);
        return;
    }
    bitmap = std::move(result);
}

}  // namespace mirvo
