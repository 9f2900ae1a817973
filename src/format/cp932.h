// Shift_JIS (code page 932) text: characters, stepping and conversion to UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mirvo {

// Bytes 0x81-0x9F and 0xE0-0xFC begin a two-byte character.
constexpr bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The code of the character at byte `i` of the `size` bytes at `bytes` (its byte, or
// lead << 8 | trail) and, in `len`, its length: a lead byte is a character of two bytes
// only when a byte follows it. For the loops that read text a character at a time.
template <typename Length>
constexpr std::uint16_t CodeAtByte(const unsigned char* bytes, std::size_t size, std::size_t i,
                                   Length& len) {
    const unsigned char b = bytes[i];
    if (IsLeadByte(b) && i + 1 < size) {
        len = 2;
        return static_cast<std::uint16_t>(b << 8 | bytes[i + 1]);
    }
    len = 1;
    return b;
}

// Byte length of the character that begins at byte index `index` (0-based) of `text`:
// 2 for a lead byte followed by another byte, otherwise 1. A lead byte that ends the
// text is a one-byte character; nothing past the text is read. 0 at or past the end.
inline std::size_t CharLengthAt(std::string_view text, std::size_t index) {
    if (index >= text.size()) return 0;
    if (IsLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size()) return 2;
    return 1;
}

// Returns the character that begins at the 1-based byte `position` of `line` and moves
// `position` past it. At or past the end it returns an empty view and leaves `position`.
inline std::string_view NextChar(std::string_view line, int& position) {
    if (position < 1) position = 1;
    const std::size_t index = static_cast<std::size_t>(position - 1);
    const std::size_t len = CharLengthAt(line, index);
    position += static_cast<int>(len);
    return line.substr(index < line.size() ? index : line.size(), len);
}

// CP932 bytes to UTF-8 for the screen and for messages. Bytes that do not convert
// (a lone lead byte, an unassigned code) become U+FFFD; the conversion never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932, for markup written in the source and for paths shown in rows.
// Characters with no CP932 form become "?".
std::string Utf8ToCp932(std::string_view utf8);

// True when `bytes` is well-formed UTF-8 (used to tell UTF-8 files from CP932 files).
bool IsValidUtf8(std::string_view bytes);
// Length of the well-formed UTF-8 character at byte `index`, or 0 when the bytes there
// are no UTF-8 (or `index` is at or past the end).
std::size_t Utf8LengthAt(std::string_view bytes, std::size_t index);

// Text for the screen from bytes that are UTF-8 except where they are not: file names
// from Windows archives are CP932. Well-formed UTF-8 stays; each run of other bytes is
// read as CP932 (what does not convert becomes U+FFFD). Messages that quote a path go
// through this before they are shown.
std::string ReadableUtf8(std::string_view bytes);

}  // namespace mirvo
