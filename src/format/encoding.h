// Books in other encodings than Shift_JIS: which encoding a file's bytes are in, and their
// conversion to CP932 bytes when the file is loaded. Everything after loading works on
// CP932 as it always has; a Shift_JIS book passes through byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "format/extra_chars.h"

namespace mirvo {

// What loading is asked to read a book as: detect it, or one encoding, forced.
enum class TextEncoding { Auto, Cp932, Utf8, Utf16, EucJp };

// What a book was read as.
enum class BookEncoding { Cp932, Utf8, Utf16Le, Utf16Be, EucJp };

// The names the book state file and the headless option take: "auto", "cp932", "utf-8",
// "utf-16", "euc-jp", in any case. False (and `out` unchanged) for any other name.
bool ParseTextEncoding(std::string_view name, TextEncoding& out);

// The name shown to the reader: "Shift_JIS", "UTF-8", "UTF-16LE", "UTF-16BE", "EUC-JP".
const char* EncodingName(BookEncoding encoding);

// What reading a book's bytes found.
struct TextReport {
    BookEncoding encoding = BookEncoding::Cp932;
    bool byteOrderMark = false;         // the file began with one (not kept)
    std::size_t replaced = 0;           // characters that became "〓" (0x81AC)
    std::size_t firstReplacedLine = 0;  // 1-based line of the first of them; 0 when none
};

struct DecodedText {
    std::string cp932;  // the book as CP932 bytes
    TextReport report;
    ExtraChars extras;  // the characters CP932 has no code for, by their codes in `cp932`
};

// Converts a book's bytes to CP932, in the encoding asked for. Auto detects it, trying in
// this order:
//   1. a byte-order mark: UTF-8, UTF-16LE, UTF-16BE;
//   2. bytes that are well-formed UTF-8 for the first 64 KiB from their first byte beyond
//      ASCII (all of a shorter file): a Shift_JIS book fails within its first Japanese
//      character, and a UTF-8 book damaged further on stays UTF-8, each damaged sequence
//      one replaced character;
//   3. bytes that are EUC-JP throughout, hold at least one multi-byte character, and do
//      not read as plausible CP932: CP932 is plausible when every byte also stands where
//      CP932 allows it and fewer than a quarter of the EUC-JP characters are kana or
//      punctuation (which make up much of any Japanese prose, and turn up in half-width
//      CP932 text only by chance);
//   4. CP932 (also every pure ASCII file).
// A file cut short in the middle of its last character still counts as UTF-8 or EUC-JP.
// Then:
//   - CP932 bytes are taken as they are, whatever they hold.
//   - A character that CP932 cannot hold (a private-use character among them) becomes an
//     extra character: a user-defined code that `extras` maps to it. Once the table is
//     full such a character becomes "〓"; so does each malformed sequence (a broken or
//     truncated UTF-8 sequence, a lone UTF-16 surrogate or a final odd byte, a byte EUC-JP
//     does not allow there). Each 〓 is counted.
//   - Characters CP932 holds under another code point are folded to the CP932 character
//     (WAVE DASH U+301C to 0x8160 as FULLWIDTH TILDE, EM DASH U+2014 to 0x815C as
//     HORIZONTAL BAR, ...), so converted text breaks into the same rows as the original.
//   - U+2028 and U+2029 become LF, so that the lines stay lines.
//   - A byte-order mark is dropped. UTF-16 without one is taken as little-endian unless its
//     text reads better as big-endian.
// Never fails.
DecodedText DecodeText(std::string bytes, TextEncoding requested);

}  // namespace mirvo
