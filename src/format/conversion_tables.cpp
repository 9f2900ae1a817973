#include "format/conversion_tables.h"

#include <iconv.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "format/cp932.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace mirvo::conversion {
namespace {

constexpr std::uint32_t kNotOne = 0xFFFFFFFF;

// Characters CP932 holds under another code point than the one a JIS-based conversion
// gives them, and the JIS-Roman characters at 0x5C and 0x7E: folded to the CP932
// character so that converted text is the Shift_JIS original again.
constexpr std::pair<std::uint16_t, std::uint16_t> kFolds[] = {
    {0x301C, 0x8160},  // WAVE DASH, as FULLWIDTH TILDE
    {0x2014, 0x815C},  // EM DASH, as HORIZONTAL BAR
    {0x2016, 0x8161},  // DOUBLE VERTICAL LINE, as PARALLEL TO
    {0x2212, 0x817C},  // MINUS SIGN, as FULLWIDTH HYPHEN-MINUS
    {0x00A2, 0x8191},  // CENT SIGN, as FULLWIDTH CENT SIGN
    {0x00A3, 0x8192},  // POUND SIGN, as FULLWIDTH POUND SIGN
    {0x00AC, 0x81CA},  // NOT SIGN, as FULLWIDTH NOT SIGN
    {0x00A6, 0xFA55},  // BROKEN BAR, as FULLWIDTH BROKEN BAR
    {0x00A5, 0x005C},  // YEN SIGN: JIS-Roman 0x5C
    {0x203E, 0x007E},  // OVERLINE: JIS-Roman 0x7E
    {0x2028, 0x000A},  // LINE SEPARATOR: a line end
    {0x2029, 0x000A},  // PARAGRAPH SEPARATOR: a line end
};

class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // The one code point (from UTF-32LE) that `in` stands for, or kNotOne.
    std::uint32_t OneCodePoint(const unsigned char* in, std::size_t n) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        unsigned char out[8];
        char* dst = reinterpret_cast<char*>(out);
        std::size_t srcLeft = n, dstLeft = sizeof out;
        if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) ||
            srcLeft != 0 || dstLeft != sizeof out - 4)
            return kNotOne;
        return out[0] | out[1] << 8 | out[2] << 16 | static_cast<std::uint32_t>(out[3]) << 24;
    }

  private:
    iconv_t cd_;
};

// JIS X 0208 row and cell (1 to 94) to Shift_JIS, which CP932 shares for every row it uses.
std::uint16_t ShiftJisOf(unsigned row, unsigned cell) {
    const unsigned lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
    const unsigned trail = row % 2 ? cell + (cell <= 63 ? 0x3F : 0x40) : cell + 0x9E;
    return static_cast<std::uint16_t>(lead << 8 | trail);
}

Cp932Tables BuildTables() {
    Cp932Tables t;
    t.fromUnicode.fill(kNone);
    std::vector<bool> assigned(0x10000, false);
    Iconv decoder("UTF-32LE", "CP932");
    for (unsigned b = 0; b < 0x100; ++b) {
        if (IsLeadByte(static_cast<unsigned char>(b))) continue;
        const unsigned char in[1] = {static_cast<unsigned char>(b)};
        const std::uint32_t u = decoder.OneCodePoint(in, 1);
        if (u < 0x10000 && t.fromUnicode[u] == kNone)
            t.fromUnicode[u] = static_cast<std::uint16_t>(b);
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            const unsigned char in[2] = {static_cast<unsigned char>(lead),
                                         static_cast<unsigned char>(trail)};
            const std::uint32_t u = decoder.OneCodePoint(in, 2);
            if (u >= 0x10000) continue;
            const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
            assigned[code] = true;
            std::uint16_t& to = t.fromUnicode[u];
            const unsigned held = to >> 8;
            if (to == kNone || ((held == 0xED || held == 0xEE) && lead >= 0xFA)) to = code;
        }
    }
    for (const auto& [u, code] : kFolds) t.fromUnicode[u] = code;
    // The user-defined area is left to each book's extra characters (format/extra_chars.h):
    // the private-use characters that decode to it are extra characters too.
    for (std::uint16_t& code : t.fromUnicode)
        if (code != kNone && (code >> 8) >= 0xF0 && (code >> 8) <= 0xF9) code = kNone;
    std::fill(t.fromUnicode.begin() + 0xD800, t.fromUnicode.begin() + 0xE000, kSurrogate);
    for (unsigned row = 1; row <= 94; ++row) {
        for (unsigned cell = 1; cell <= 94; ++cell) {
            const std::uint16_t code = ShiftJisOf(row, cell);
            t.fromJis[(row - 1) * 94 + cell - 1] = assigned[code] ? code : kNone;
        }
    }
    return t;
}

}  // namespace

const Cp932Tables& Tables() {
    static const Cp932Tables tables = BuildTables();
    return tables;
}

namespace {

struct JisX0212Tables {
    std::vector<std::uint16_t> cp932 = std::vector<std::uint16_t>(94 * 94, kNone);
    std::vector<char32_t> unicode = std::vector<char32_t>(94 * 94, 0);
};

const JisX0212Tables& JisX0212() {
    static const JisX0212Tables tables = [] {
        JisX0212Tables t;
        Iconv decoder("UTF-32LE", "EUC-JP-MS");
        const auto& from = Tables().fromUnicode;
        for (unsigned r = 0; r < 94; ++r) {
            for (unsigned c = 0; c < 94; ++c) {
                const unsigned char in[3] = {0x8F, static_cast<unsigned char>(0xA1 + r),
                                             static_cast<unsigned char>(0xA1 + c)};
                const std::uint32_t u = decoder.OneCodePoint(in, 3);
                if (u < 0xD800 || (u > 0xDFFF && u < 0x110000)) t.unicode[r * 94 + c] = u;
                if (u < 0xD800 || (u > 0xDFFF && u < 0x10000)) t.cp932[r * 94 + c] = from[u];
            }
        }
        return t;
    }();
    return tables;
}

}  // namespace

std::uint16_t FromJisX0212(unsigned char row, unsigned char cell) {
    return JisX0212().cp932[(row - 0xA1) * 94 + (cell - 0xA1)];
}

char32_t JisX0212CodePoint(unsigned char row, unsigned char cell) {
    return JisX0212().unicode[(row - 0xA1) * 94 + (cell - 0xA1)];
}

namespace {

#if defined(__x86_64__)
// Eight code points (32-bit lanes) to CP932 at `at`, 16 bytes, when each has a double-byte
// CP932 form (the table entries gathered at once) and no lane of `odd` is set; else false
// and nothing written.
__attribute__((target("avx2"))) inline bool StoreEightAvx2(__m256i cp, __m256i odd,
                                                           const std::uint16_t* from, char* at) {
    const __m256i code =
        _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(from), cp, 2),
                         _mm256_set1_epi32(0xFFFF));
    odd = _mm256_or_si256(
        odd, _mm256_or_si256(_mm256_cmpgt_epi32(code, _mm256_set1_epi32(kSurrogate - 1)),
                             _mm256_cmpgt_epi32(_mm256_set1_epi32(0x100), code)));
    if (!_mm256_testz_si256(odd, odd)) return false;
    const __m256i bigEndian =
        _mm256_setr_epi8(1, 0, 5, 4, 9, 8, 13, 12, -1, -1, -1, -1, -1, -1, -1, -1, 1, 0, 5, 4, 9, 8,
                         13, 12, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i out = _mm256_shuffle_epi8(code, bigEndian);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(out));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(at + 8), _mm256_extracti128_si256(out, 1));
    return true;
}

// Runs of three-byte UTF-8 characters that CP932 holds as two bytes, eight characters from
// each 32 bytes read (24 of them taken). Returns the input index where the run ends; `at`
// moves on by the bytes written (16 a step, so `limit` must leave that room).
__attribute__((target("avx2"))) std::size_t Utf8RunsAvx2(const unsigned char* s, std::size_t i,
                                                         std::size_t n, char*& atRef,
                                                         const char* limit,
                                                         const std::uint16_t* from) {
    char* at = atRef;  // in a register: the stores below could alias the reference
    const __m256i spread = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);
    const __m256i bytes = _mm256_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1, 2,
                                           1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m256i shape = _mm256_set1_epi32(0x00F0C0C0), threeBytes = _mm256_set1_epi32(0x00E08080);
    while (i + 32 <= n && at <= limit) {
        // Each character's three bytes in a 32-bit lane: b0 << 16 | b1 << 8 | b2.
        const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i v = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(in, spread), bytes);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(v, shape), threeBytes)) != -1)
            break;
        const __m256i cp = _mm256_or_si256(
            _mm256_or_si256(
                _mm256_slli_epi32(
                    _mm256_and_si256(_mm256_srli_epi32(v, 16), _mm256_set1_epi32(0x0F)), 12),
                _mm256_slli_epi32(
                    _mm256_and_si256(_mm256_srli_epi32(v, 8), _mm256_set1_epi32(0x3F)), 6)),
            _mm256_and_si256(v, _mm256_set1_epi32(0x3F)));
        // Overlong forms go the one-at-a-time way, which refuses them.
        if (!StoreEightAvx2(cp, _mm256_cmpgt_epi32(_mm256_set1_epi32(0x800), cp), from, at)) break;
        at += 16;
        i += 24;
    }
    atRef = at;
    return i;
}

// Runs of UTF-16 units that CP932 holds as two bytes, eight at a time; `i` and the result
// count units.
__attribute__((target("avx2"))) std::size_t Utf16RunsAvx2(const unsigned char* s, std::size_t i,
                                                          std::size_t units, bool bigEndian,
                                                          char*& atRef, const char* limit,
                                                          const std::uint16_t* from) {
    char* at = atRef;
    const __m128i swap = _mm_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
    while (i + 8 <= units && at <= limit) {
        __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * i));
        if (bigEndian) in = _mm_shuffle_epi8(in, swap);
        if (!StoreEightAvx2(_mm256_cvtepu16_epi32(in), _mm256_setzero_si256(), from, at)) break;
        at += 16;
        i += 8;
    }
    atRef = at;
    return i;
}
#endif

}  // namespace

const VectorWays& Vector() {
    static const VectorWays ways = [] {
        VectorWays w;
#if defined(__x86_64__)
        if (__builtin_cpu_supports("avx2")) {
            w.utf8 = Utf8RunsAvx2;
            w.utf16 = Utf16RunsAvx2;
        }
#endif
        return w;
    }();
    return ways;
}

}  // namespace mirvo::conversion
