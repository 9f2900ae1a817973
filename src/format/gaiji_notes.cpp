#include "format/gaiji_notes.h"

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "format/cp932.h"

namespace mirvo {
namespace {

constexpr std::string_view kMark = "\x81\xA6";              // ※
constexpr std::string_view kNoteOpen = "\x81\x6D\x81\x94";  // ［＃
constexpr std::string_view kNoteClose = "\x81\x6E";         // ］

// A JIS X 0213 plane, row and cell as code points, through the system's decoder (plane 1:
// bytes 0xA0 + row, 0xA0 + cell; plane 2: 0x8F first). Empty when it names nothing.
std::u32string FromJisX0213(int plane, int row, int cell) {
    static std::mutex mu;
    static const iconv_t cd = iconv_open("UTF-32LE", "EUC-JISX0213");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    unsigned char in[3];
    std::size_t n = 0;
    if (plane == 2) in[n++] = 0x8F;
    in[n++] = static_cast<unsigned char>(0xA0 + row);
    in[n++] = static_cast<unsigned char>(0xA0 + cell);
    unsigned char out[16];
    std::lock_guard<std::mutex> lock(mu);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = reinterpret_cast<char*>(in);
    char* dst = reinterpret_cast<char*>(out);
    std::size_t srcLeft = n, dstLeft = sizeof out;
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
                    srcLeft == 0 &&
                    // A base character waits for a combining mark: the flush gives it.
                    iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1);
    if (!ok) return {};
    std::u32string text;
    for (std::size_t k = 0; k + 4 <= sizeof out - dstLeft; k += 4)
        text += static_cast<char32_t>(out[k] | out[k + 1] << 8 | out[k + 2] << 16 |
                                      static_cast<std::uint32_t>(out[k + 3]) << 24);
    return text;
}

// `utf8` with full-width digits, letters and signs as ASCII (the notes are written either
// way).
std::string AsciiForm(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = std::max<std::size_t>(Utf8LengthAt(utf8, i), 1);
        const std::string_view ch = utf8.substr(i, len);
        i += len;
        if (ch.size() == 3 && ch[0] == '\xEF' && (ch[1] == '\xBC' || ch[1] == '\xBD')) {
            // U+FF01 to U+FF5E: the full-width forms of ASCII 0x21 to 0x7E.
            const unsigned v = ((static_cast<unsigned char>(ch[1]) & 0x3F) << 6 |
                                (static_cast<unsigned char>(ch[2]) & 0x3F)) +
                               0xF000;
            if (v >= 0xFF01 && v <= 0xFF5E) {
                out += static_cast<char>(v - 0xFF01 + 0x21);
                continue;
            }
        }
        out += ch == "\xE2\x88\x92" ? std::string_view("-") : ch;  // MINUS SIGN
    }
    return out;
}

// A decimal number of 1 to 3 digits at the start of `s`, consumed; -1 when there is none.
int TakeNumber(std::string_view& s) {
    int v = 0;
    std::size_t k = 0;
    while (k < s.size() && k < 3 && s[k] >= '0' && s[k] <= '9') v = v * 10 + (s[k++] - '0');
    if (k == 0 || (k < s.size() && s[k] >= '0' && s[k] <= '9')) return -1;
    s.remove_prefix(k);
    return v;
}

// "p-r-c", all of `s`.
std::u32string PlaneRowCell(std::string_view s) {
    const int plane = TakeNumber(s);
    if (s.empty() || s[0] != '-') return {};
    s.remove_prefix(1);
    const int row = TakeNumber(s);
    if (s.empty() || s[0] != '-') return {};
    s.remove_prefix(1);
    const int cell = TakeNumber(s);
    if (!s.empty() || plane < 1 || plane > 2 || row < 1 || row > 94 || cell < 1 || cell > 94)
        return {};
    return FromJisX0213(plane, row, cell);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "U+XXXX", or several joined by "+" ("U+304B+309A"), all of `s`.
std::u32string CodePoints(std::string_view s) {
    if (s.size() < 3 || (s[0] != 'U' && s[0] != 'u') || s[1] != '+') return {};
    s.remove_prefix(2);
    std::u32string text;
    while (true) {
        if (s.size() > 1 && (s[0] == 'U' || s[0] == 'u') && s[1] == '+') s.remove_prefix(2);
        std::size_t k = 0;
        char32_t cp = 0;
        for (int digit; k < s.size() && k < 7 && (digit = HexDigit(s[k])) >= 0; ++k)
            cp = cp * 16 + static_cast<char32_t>(digit);
        if (k < 4 || k > 6 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
        text += cp;
        s.remove_prefix(k);
        if (s.empty()) return text;
        if (s[0] != '+' || s.size() < 2) return {};
        s.remove_prefix(1);
    }
}

// One part of a note as a code, or empty.
std::u32string PartAsCode(std::string_view part) {
    static const std::string kLevel3 = "第3水準", kLevel4 = "第4水準";
    if (part.starts_with(kLevel3) || part.starts_with(kLevel4))
        return PlaneRowCell(part.substr(kLevel3.size()));
    if (part.starts_with("U+") || part.starts_with("u+")) return CodePoints(part);
    return PlaneRowCell(part);
}

// Whether a note's text may hold a code: every code has a "-" or a "+", half- or
// full-width (ASCII bytes are never trail bytes; a full-width one found inside another
// character only costs a closer look).
bool MayHoldCode(std::string_view note) {
    return note.find_first_of("-+") != std::string_view::npos ||
           note.find("\x81\x7C") != std::string_view::npos ||  // －
           note.find("\x81\x7B") != std::string_view::npos;    // ＋
}

// The first part of `text` (UTF-8) after a "、" that is a code; with `quotes`, a "、" inside
// 「」 does not end a part.
std::u32string FirstCodePart(const std::string& text, bool quotes) {
    static const std::string kComma = "、", kOpen = "「", kClose = "」";
    int depth = 0;
    std::size_t partStart = std::string::npos;  // no part before the first "、"
    for (std::size_t i = 0; i <= text.size();) {
        const bool end = i == text.size();
        if (end || (depth == 0 && text.compare(i, kComma.size(), kComma) == 0)) {
            if (partStart != std::string::npos) {
                std::u32string code =
                    PartAsCode(std::string_view(text).substr(partStart, i - partStart));
                if (!code.empty()) return code;
            }
            if (end) break;
            i += kComma.size();
            partStart = i;
            continue;
        }
        if (quotes && text.compare(i, kOpen.size(), kOpen) == 0) ++depth;
        if (quotes && text.compare(i, kClose.size(), kClose) == 0 && depth > 0) --depth;
        i += std::max<std::size_t>(Utf8LengthAt(text, i), 1);
    }
    return {};
}

// The first "［＃" in `line` at or after byte `from` (wherever its bytes stand), or npos. Its
// second byte, 0x6D, is rare in Japanese text, so it is looked for first, by memchr.
std::size_t FindNoteOpen(std::string_view line, std::size_t from) {
    const char* data = line.data();
    const std::size_t n = line.size();
    for (std::size_t at = from + 1; at + 3 <= n;) {
        const void* hit = std::memchr(data + at, kNoteOpen[1], n - at - 2);
        if (!hit) break;
        const auto i = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        if (data[i - 1] == kNoteOpen[0] && data[i + 1] == kNoteOpen[2] &&
            data[i + 2] == kNoteOpen[3])
            return i - 1;
        at = i + 1;
    }
    return std::string_view::npos;
}

// Where the note that begins at `open` ("［＃") closes: the index of its "］", or npos.
std::size_t NoteEnd(std::string_view line, std::size_t open) {
    for (std::size_t i = open + kNoteOpen.size(); i < line.size();) {
        if (line.compare(i, kNoteClose.size(), kNoteClose) == 0) return i;
        i += CharLengthAt(line, i);
    }
    return std::string_view::npos;
}

// The gaiji notes of one line replaced; `reserve` runs before the first code is given.
// Whether a character of `line` begins at byte `i`: an even number of bytes that could be
// lead bytes stands just before it (the byte before such a run ends a character).
bool BeginsCharacter(std::string_view line, std::size_t i) {
    std::size_t leads = 0;
    while (leads < i && IsLeadByte(static_cast<unsigned char>(line[i - 1 - leads]))) ++leads;
    return leads % 2 == 0;
}

// The gaiji notes of one line replaced; `reserve` runs before the first code is given.
template <typename Reserve>
std::size_t ReplaceInLine(std::string& line, ExtraChars& extras, Reserve&& reserve) {
    std::size_t replaced = 0;
    std::string out;
    std::size_t copied = 0;
    for (std::size_t from = 0; from < line.size();) {
        const std::size_t i = FindNoteOpen(line, from);
        if (i == std::string_view::npos) break;
        from = i + 1;
        if (!BeginsCharacter(line, i)) continue;
        const std::size_t close = NoteEnd(line, i);
        if (close == std::string::npos) break;
        from = close + 2;
        // The note's text, as a footnote shows it: from after "＃" up to "］".
        const std::string_view note = std::string_view(line).substr(i + 4, close - i - 4);
        if (!MayHoldCode(note)) continue;
        const std::u32string text = GaijiCharacter(note);
        if (text.empty()) continue;
        reserve();
        const std::uint16_t code = extras.Add(text, note);
        if (code == 0) continue;
        const bool mark =
            i >= copied + 2 && line.compare(i - 2, 2, kMark) == 0 && BeginsCharacter(line, i - 2);
        out.append(line, copied, i - (mark ? 2 : 0) - copied);
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
        copied = close + 2;
        ++replaced;
    }
    if (replaced > 0) {
        out.append(line, copied);
        line = std::move(out);
    }
    return replaced;
}

}  // namespace

std::u32string GaijiCharacter(std::string_view noteText) {
    const std::string text = AsciiForm(Cp932ToUtf8(noteText));
    // The parts outside quotes first; a description whose quotes do not pair off (they
    // happen) leaves every "、" inside, so then each "、" counts.
    for (const bool quotes : {true, false}) {
        if (std::u32string code = FirstCodePart(text, quotes); !code.empty()) return code;
    }
    return {};
}

std::size_t ApplyGaijiNotes(RowList& lines, ExtraChars& extras) {
    bool reserved = false;
    const auto reserve = [&] {
        if (reserved) return;
        for (const std::string& line : lines) extras.ReserveUsedCodes(line);
        reserved = true;
    };
    std::size_t replaced = 0;
    for (std::string& line : lines) {
        if (FindNoteOpen(line, 0) == std::string_view::npos) continue;
        replaced += ReplaceInLine(line, extras, reserve);
    }
    return replaced;
}

std::size_t ApplyGaijiNotes(RowList& lines, ExtraChars& extras, const FormatOptions& options) {
    if (!options.UseAozoraNotes || !options.UseComment) return 0;
    return ApplyGaijiNotes(lines, extras);
}

}  // namespace mirvo
