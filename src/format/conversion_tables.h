// The tables that turn code points and JIS codes into CP932 codes, and the vector ways of
// converting runs of text with them: the inner parts of reading books in other encodings
// (format/encoding.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mirvo::conversion {

// Table values besides CP932 codes (a single byte below 0x100, else lead and trail byte).
constexpr std::uint16_t kNone = 0xFFFF;       // no CP932 form (0xFF is never a lead byte)
constexpr std::uint16_t kSurrogate = 0xFFFE;  // U+D800 to U+DFFF: never a character alone

struct Cp932Tables {
    // BMP code point -> CP932 code; two more entries, so that four bytes can be read at
    // any code point's entry.
    std::array<std::uint16_t, 0x10002> fromUnicode;
    std::array<std::uint16_t, 94 * 94> fromJis;  // JIS X 0208 row and cell -> CP932
};

// Built once a process, from the system's CP932 decoder (about a millisecond). A code point
// that several CP932 codes decode to takes the first of them, except that the NEC-selected
// IBM extensions (lead bytes 0xED, 0xEE) give way to the IBM extensions (0xFA to 0xFC): the
// choice of the system's own CP932 encoder. No code point maps into the user-defined area
// (lead bytes 0xF0 to 0xF9), which each book gives its own extra characters. Characters that a
// JIS-based conversion gives other code points than CP932 does are folded to the CP932 character,
// and U+2028 and U+2029 are line ends (LF).
const Cp932Tables& Tables();

// JIS X 0212 (EUC-JP's three-byte characters) row and cell bytes (0xA1 to 0xFE) -> CP932
// code or kNone, through the system's EUC-JP-MS decoder; built the first time it is asked.
std::uint16_t FromJisX0212(unsigned char row, unsigned char cell);
// The same character's code point, or 0 when the decoder has none.
char32_t JisX0212CodePoint(unsigned char row, unsigned char cell);

// Runs of text that convert eight characters at a time, where the processor can (AVX2);
// null where not. Each returns the index where its run ends and moves `at` on by the bytes
// written, 16 a step, checking `at` against `limit` before each (the caller leaves room
// past it). A run ends before anything it does not handle alone: a character of another
// length, or one without a double-byte CP932 form.
struct VectorWays {
    // Three-byte UTF-8 characters; indices count bytes.
    std::size_t (*utf8)(const unsigned char* s, std::size_t i, std::size_t n, char*& at,
                        const char* limit, const std::uint16_t* fromUnicode) = nullptr;
    // UTF-16 units; indices count units.
    std::size_t (*utf16)(const unsigned char* s, std::size_t i, std::size_t units, bool bigEndian,
                         char*& at, const char* limit, const std::uint16_t* fromUnicode) = nullptr;
};
const VectorWays& Vector();

}  // namespace mirvo::conversion
