#include "format/encoding.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "format/conversion_tables.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

using conversion::FromJisX0212;
using conversion::JisX0212CodePoint;
using conversion::kNone;
using conversion::kSurrogate;
using conversion::Tables;
using conversion::Vector;

constexpr std::uint16_t kGeta = 0x81AC;  // 〓

// Where the CP932 bytes go: over the input itself, or into a buffer of their own (for a
// conversion that may give up, so that the input stays as it was). The decoders keep the
// write position in a local pointer and check it against `limit` once a character: below
// it there is room for one more character and a replacement.
//
// Over the input, the written part never passes the part read: no character gives more
// CP932 bytes than it takes, and a replacement that would (a malformed single byte becomes
// two) first moves what was written to a buffer of its own, large enough for the rest.
class Cp932Buffer {
  public:
    static constexpr std::size_t kRoom = 32;

    // A buffer of its own. It starts small: a file that turns out not to be in the
    // encoding tried costs little.
    explicit Cp932Buffer(std::size_t inputSize) {
        own_.resize(std::min<std::size_t>(inputSize, 4096) + kRoom);
        limit = own_.data() + own_.size() - kRoom;
    }
    // Over `input`, from its first byte.
    explicit Cp932Buffer(std::string& input) : input_(&input) {
        limit = input.data() + input.size();
    }

    char* Start() { return input_ ? input_->data() : own_.data(); }

    // Goes on over `input`: what was written to the buffer of its own moves to the start of
    // the input, whose part read it never passes. Returns the write position there.
    char* MoveOver(std::string& input, char* at) {
        const std::size_t used = static_cast<std::size_t>(at - own_.data());
        std::copy(own_.data(), at, input.data());
        input_ = &input;
        own_ = std::string();
        limit = input.data() + input.size();
        return input.data() + used;
    }

    // Room for `inputLeft` more input bytes; `at` is the write position, kept.
    char* Grow(char* at, std::size_t inputLeft) {
        const std::size_t used = static_cast<std::size_t>(at - own_.data());
        own_.resize(std::max(own_.size() * 2, used + inputLeft + 2 * kRoom));
        limit = own_.data() + own_.size() - kRoom;
        return own_.data() + used;
    }

    // 〓 for the input read up to `readEnd`.
    char* Replace(char* at, const unsigned char* readEnd) {
        if (input_ && at + 2 > reinterpret_cast<const char*>(readEnd)) {
            // Over the input, it would pass the part read: take what was written along to a
            // buffer with room for two bytes for every byte left.
            const std::size_t used = static_cast<std::size_t>(at - input_->data());
            const std::size_t left = static_cast<std::size_t>(
                input_->data() + input_->size() - reinterpret_cast<const char*>(readEnd));
            own_.resize(used + 2 * left + 2 + 2 * kRoom);
            std::copy(input_->data(), at, own_.data());
            input_ = nullptr;
            limit = own_.data() + own_.size() - kRoom;
            at = own_.data() + used;
        }
        if (replaced_++ == 0) firstReplaced_ = static_cast<std::size_t>(at - Start());
        at[0] = static_cast<char>(kGeta >> 8);
        at[1] = static_cast<char>(kGeta & 0xFF);
        return at + 2;
    }

    // The extra character `text` (format/extra_chars.h) for the input read up to
    // `readEnd`, or 〓 when the table is full. Never more bytes than it read: every such
    // character takes at least two.
    char* Extra(char* at, std::u32string_view text, const unsigned char* readEnd) {
        char* next = TryExtra(at, text, readEnd);
        return next ? next : Replace(at, readEnd);
    }
    const ExtraChars& Extras() const { return extras_; }
    // The same, or null (nothing written) when the table is full.
    char* TryExtra(char* at, std::u32string_view text, const unsigned char* /*readEnd*/) {
        const std::uint16_t code = extras_.Add(text);
        if (code == 0) return nullptr;
        at[0] = static_cast<char>(code >> 8);
        at[1] = static_cast<char>(code & 0xFF);
        return at + 2;
    }

    DecodedText Finish(char* at, BookEncoding encoding, bool bom) {
        std::string& text = input_ ? *input_ : own_;
        text.resize(static_cast<std::size_t>(at - text.data()));
        DecodedText d;
        d.report.encoding = encoding;
        d.report.byteOrderMark = bom;
        d.report.replaced = replaced_;
        if (replaced_ > 0) d.report.firstReplacedLine = LineAt(text, firstReplaced_);
        d.cp932 = std::move(text);
        d.extras = std::move(extras_);
        return d;
    }

    char* limit;

  private:
    // The 1-based line of byte `offset`, lines ending at CR LF, CR or LF (CP932 trail bytes
    // never take those values).
    static std::size_t LineAt(const std::string& text, std::size_t offset) {
        std::size_t line = 1;
        for (std::size_t i = 0; i < offset; ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && !(i + 1 < offset && text[i + 1] == '\n')))
                ++line;
        }
        return line;
    }

    std::string* input_ = nullptr;
    std::string own_;
    std::size_t replaced_ = 0;
    std::size_t firstReplaced_ = 0;
    ExtraChars extras_;
};

inline char* Put(char* at, std::uint16_t code) {
    if (code < 0x100) {
        *at = static_cast<char>(code);
        return at + 1;
    }
    at[0] = static_cast<char>(code >> 8);
    at[1] = static_cast<char>(code & 0xFF);
    return at + 2;
}

// A code point's CP932 form, or an extra character when it has none; `readEnd` is the
// input position after it.
inline char* PutCodePoint(Cp932Buffer& out, char* at, std::uint32_t u,
                          const unsigned char* readEnd) {
    const std::uint16_t code = u < 0x10000 ? Tables().fromUnicode[u] : kNone;
    if (code < kSurrogate) return Put(at, code);
    const char32_t text[1] = {u};
    return out.Extra(at, std::u32string_view(text, 1), readEnd);
}

bool IsCombiningMark(std::uint32_t cp) {
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x20D0 && cp <= 0x20FF) ||
           (cp >= 0x3099 && cp <= 0x309A);
}

// Length of the UTF-8 sequence that begins at s[i] when it is well formed (1 to 4), or 0.
std::size_t Utf8Sequence(const unsigned char* s, std::size_t n, std::size_t i, std::uint32_t& cp,
                         std::size_t& bad);

// A combining mark CP932 lacks (`mark`, read up to `readEnd`) joined to the character
// written just before it (its last `lastBytes` bytes, 0 when there is none to join: a line
// end or control character, a replacement, another mark), so that the two stand as one
// extra character in one cell in place of that character. Null when they cannot be joined
// or the table has no room. The input itself may already be overwritten: the character is
// read back from what was written.
char* JoinCombiningMark(Cp932Buffer& out, char* at, std::size_t lastBytes, std::uint32_t mark,
                        const unsigned char* readEnd) {
    if (lastBytes == 0 || static_cast<std::size_t>(at - out.Start()) < lastBytes) return nullptr;
    const std::string_view before(at - lastBytes, lastBytes);
    std::u32string text;
    if (const ExtraChars::Entry* entry = out.Extras().Find(before)) {
        text = entry->text;
    } else {
        const std::string utf8 = Cp932ToUtf8(before);
        const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
        std::uint32_t base = utf8.size() == 1 ? u[0] : 0;
        std::size_t bad = 0;
        if (utf8.empty() ||
            (base == 0 && Utf8Sequence(u, utf8.size(), 0, base, bad) != utf8.size()) ||
            base == 0xFFFD)
            return nullptr;
        text = std::u32string(1, base);
    }
    if (text.size() != 1 || IsCombiningMark(text[0])) return nullptr;
    text += static_cast<char32_t>(mark);
    return out.TryExtra(at - lastBytes, text, readEnd);
}

// Where a pass over the input stopped, and what it saw.
struct Pass {
    std::size_t stop = 0;    // input index where the pass stopped; n when it read everything
    char* at = nullptr;      // write position
    bool multibyte = false;  // it read a whole character of more than one byte
    bool malformed = false;  // it stopped at a malformed sequence
};

// Length of the UTF-8 sequence that begins at s[i] when it is well formed (1 to 4), or 0;
// `cp` receives its code point. In `bad` the length of the malformed part to replace: the
// longest start of a well-formed sequence, at least one byte.
std::size_t Utf8Sequence(const unsigned char* s, std::size_t n, std::size_t i, std::uint32_t& cp,
                         std::size_t& bad) {
    const unsigned char b = s[i];
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        bad = 1;
        return 0;
    }
    std::size_t k = 1;
    for (; k < len && i + k < n; ++k) {
        const unsigned char c = s[i + k];
        if (k == 1 ? (c < lo || c > hi) : (c & 0xC0) != 0x80) break;
    }
    if (k < len) {
        bad = k;
        return 0;
    }
    cp = b & (0xFF >> (len + 1));
    for (k = 1; k < len; ++k) cp = cp << 6 | (s[i + k] & 0x3F);
    return len;
}

// The eight bytes at `s` as a little-endian number.
inline std::uint64_t Load8(const unsigned char* s) {
    std::uint64_t w;
    std::memcpy(&w, s, 8);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    return w;
}

// Two three-byte characters from eight bytes read at once, from input index `i` up to
// `end`, while both are characters CP932 holds in two bytes. Returns where it stopped.
inline std::size_t ThreeBytePairs(const unsigned char* s, std::size_t i, std::size_t end, char*& at,
                                  const char* limit, const std::uint16_t* from, bool& multibyte) {
    while (i + 8 <= end && at <= limit) {
        const std::uint64_t w = Load8(s + i);
        if ((w & 0xC0C0F0C0C0F0) != 0x8080E08080E0) break;
        const auto cp0 =
            static_cast<std::uint32_t>((w & 0x0F) << 12 | (w >> 2 & 0xFC0) | (w >> 16 & 0x3F));
        const auto cp1 =
            static_cast<std::uint32_t>((w >> 12 & 0xF000) | (w >> 26 & 0xFC0) | (w >> 40 & 0x3F));
        const std::uint16_t c0 = from[cp0], c1 = from[cp1];
        if ((cp0 < 0x800) | (cp1 < 0x800) | (c0 >= kSurrogate) | (c1 >= kSurrogate) | (c0 < 0x100) |
            (c1 < 0x100))
            break;
        at[0] = static_cast<char>(c0 >> 8);
        at[1] = static_cast<char>(c0);
        at[2] = static_cast<char>(c1 >> 8);
        at[3] = static_cast<char>(c1);
        at += 4;
        i += 6;
        multibyte = true;
    }
    return i;
}

// UTF-8 to CP932 in one pass, from input index `i`, writing at `at`. A malformed sequence
// stops the pass when `stopAtMalformed`, else it becomes 〓; the pass also stops at the
// first character boundary at or after `stopAfter`. Runs of three-byte characters (nearly
// all of Japanese text) and ASCII take the short way; everything else goes through
// Utf8Sequence.
Pass Utf8Pass(std::string_view text, std::size_t i, char* at, Cp932Buffer& out,
              bool stopAtMalformed, std::size_t stopAfter) {
    const auto vectorRuns = Vector().utf8;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const std::uint16_t* from = Tables().fromUnicode.data();
    char* limit = out.limit;
    // The short ways stop at `stopAfter`; the character there is read the long way.
    const std::size_t fastEnd = std::min(n, stopAfter);
    bool multibyte = false;
    std::size_t lastBytes = 0;  // of the character written last, for a combining mark
    while (i < n) {
        if (i >= stopAfter) return Pass{i, at, multibyte, false};
        if (at > limit) {
            at = out.Grow(at, fastEnd - i + 4);
            limit = out.limit;
        }
        const std::size_t runStart = i;
        if (vectorRuns) i = vectorRuns(s, i, fastEnd, at, limit, from);
        i = ThreeBytePairs(s, i, fastEnd, at, limit, from, multibyte);
        if (i != runStart) {
            multibyte = true;
            lastBytes = 2;  // the short ways write double-byte characters only
        }
        if (i >= n || at > limit) continue;
        const unsigned b0 = s[i];
        if (b0 < 0x80) {
            *at++ = static_cast<char>(b0);
            lastBytes = b0 < 0x20 ? 0 : 1;
            ++i;
            continue;
        }
        std::uint32_t cp;
        std::size_t bad;
        const std::size_t len = Utf8Sequence(s, n, i, cp, bad);
        if (len > 0) {
            char* joined = IsCombiningMark(cp) && Tables().fromUnicode[cp] == kNone
                               ? JoinCombiningMark(out, at, lastBytes, cp, s + i + len)
                               : nullptr;
            char* const before = at;
            at = joined ? joined : PutCodePoint(out, at, cp, s + i + len);
            lastBytes = joined ? 0 : static_cast<std::size_t>(at - before);
            i += len;
            multibyte = true;
        } else if (stopAtMalformed) {
            return Pass{i, at, multibyte, true};
        } else {
            at = out.Replace(at, s + i + bad);
            lastBytes = 0;
            i += bad;
        }
        limit = out.limit;  // a replacement may have moved the text to a buffer of its own
    }
    return Pass{n, at, multibyte, false};
}

inline std::uint32_t Unit(const unsigned char* s, bool bigEndian) {
    return bigEndian ? (s[0] << 8 | s[1]) : (s[1] << 8 | s[0]);
}

char* Utf16ToCp932(std::string_view text, bool bigEndian, Cp932Buffer& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t units = text.size() / 2;
    const std::uint16_t* from = Tables().fromUnicode.data();
    const auto vectorRuns = Vector().utf16;
    char* at = out.Start();
    const char* limit = out.limit;
    for (std::size_t i = 0; i < units; ++i) {
        if (at > limit) {
            at = out.Grow(at, 2 * (units - i) + 1);
            limit = out.limit;
        }
        if (vectorRuns) {
            i = vectorRuns(s, i, units, bigEndian, at, limit, from);
            if (i >= units) break;
        }
        const std::uint32_t u = Unit(s + 2 * i, bigEndian);
        const std::uint16_t code = from[u];
        if (code < kSurrogate) {
            at = Put(at, code);
            continue;
        }
        // No CP932 form: an extra character; so is a pair of surrogates, a character beyond
        // the BMP. A lone surrogate is malformed: one 〓.
        const bool lone = (u & 0xF800) == 0xD800;
        const bool pair =
            u <= 0xDBFF && i + 1 < units && (Unit(s + 2 * i + 2, bigEndian) & 0xFC00) == 0xDC00;
        if (pair) {
            ++i;
            const char32_t cp =
                0x10000 + ((u - 0xD800) << 10) + (Unit(s + 2 * i, bigEndian) - 0xDC00);
            at = PutCodePoint(out, at, cp, s + 2 * i + 2);
        } else if (lone) {
            at = out.Replace(at, s + 2 * i + 2);
        } else {
            at = PutCodePoint(out, at, u, s + 2 * i + 2);
        }
        limit = out.limit;
    }
    if (text.size() % 2) {
        if (at > out.limit) at = out.Grow(at, 1);
        at = out.Replace(at, s + text.size());  // half a unit at the end
    }
    return at;
}

// How well `bytes` read as UTF-16 of the given byte order: units that are common in
// Japanese text (ASCII, kana and CJK punctuation, CJK ideographs, full-width forms).
std::size_t Utf16Score(std::string_view bytes, bool bigEndian) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 65536);
    std::size_t score = 0;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = Unit(s + 2 * i, bigEndian);
        score += (u >= 0x09 && u <= 0x7E) || (u >= 0x3000 && u <= 0x30FF) ||
                 (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF);
    }
    return score;
}

inline bool IsEucByte(unsigned b) {
    return b >= 0xA1 && b <= 0xFE;
}

// The start of an EUC-JP character that the end of the bytes cuts short.
bool IsCutEucSequence(const unsigned char* s, std::size_t n, std::size_t i) {
    const unsigned char b = s[i];
    if (b == 0x8F) return n - i == 1 || (n - i == 2 && IsEucByte(s[i + 1]));
    return n - i == 1 && (b == 0x8E || IsEucByte(b));
}

struct EucPass : Pass {
    std::size_t characters = 0;         // multi-byte characters
    std::size_t kanaOrPunctuation = 0;  // of them: JIS rows 1, 4, 5 and half-width kana
};

// EUC-JP to CP932 in one pass; a byte that EUC-JP does not allow where it stands stops the
// pass when `stopAtMalformed`, else it becomes 〓.
EucPass EucJpPass(std::string_view text, Cp932Buffer& out, bool stopAtMalformed) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const std::uint16_t* fromJis = Tables().fromJis.data();
    EucPass p;
    char* at = out.Start();
    std::size_t i = 0;
    while (i < n) {
        if (at > out.limit) at = out.Grow(at, n - i);
        const unsigned b = s[i];
        if (b < 0x80) {
            *at++ = static_cast<char>(b);
            ++i;
            continue;
        }
        if (IsEucByte(b) && i + 1 < n && IsEucByte(s[i + 1])) {
            ++p.characters;
            p.kanaOrPunctuation += b == 0xA1 || b == 0xA4 || b == 0xA5;
            const std::uint16_t code = fromJis[(b - 0xA1) * 94 + (s[i + 1] - 0xA1)];
            at = code == kNone ? out.Replace(at, s + i + 2) : Put(at, code);
            i += 2;
        } else if (b == 0x8E && i + 1 < n && s[i + 1] >= 0xA1 && s[i + 1] <= 0xDF) {
            ++p.characters;
            ++p.kanaOrPunctuation;
            *at++ = static_cast<char>(s[i + 1]);  // half-width katakana: one CP932 byte
            i += 2;
        } else if (b == 0x8F && i + 2 < n && IsEucByte(s[i + 1]) && IsEucByte(s[i + 2])) {
            ++p.characters;
            const std::uint16_t code = FromJisX0212(s[i + 1], s[i + 2]);
            const char32_t cp = JisX0212CodePoint(s[i + 1], s[i + 2]);
            if (code != kNone)
                at = Put(at, code);
            else if (cp != 0)
                at = PutCodePoint(out, at, cp, s + i + 3);
            else
                at = out.Replace(at, s + i + 3);
            i += 3;
        } else if (stopAtMalformed) {
            p.stop = i;
            p.at = at;
            return p;
        } else {
            at = out.Replace(at, s + i + 1);
            ++i;
        }
    }
    p.stop = n;
    p.at = at;
    return p;
}

// Every byte where CP932 allows it: no 0x80, 0xA0 or 0xFD to 0xFF, and a trail byte after
// each lead byte.
bool IsCp932Shaped(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char b = s[i];
        if (b == 0x80 || b == 0xA0 || b >= 0xFD) return false;
        if (!IsLeadByte(b)) continue;
        if (++i >= n) return false;
        const unsigned char t = s[i];
        if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
    }
    return true;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

DecodedText AsCp932(std::string bytes) {
    DecodedText d;
    d.cp932 = std::move(bytes);
    return d;
}

// The conversions of an encoding known for certain, over the input. `skip`: the bytes of
// a byte-order mark.
DecodedText FromUtf8(std::string bytes, std::size_t skip) {
    Cp932Buffer out(bytes);
    const Pass p = Utf8Pass(bytes, skip, out.Start(), out, false, bytes.size());
    return out.Finish(p.at, BookEncoding::Utf8, skip > 0);
}

DecodedText FromUtf16(std::string bytes, bool bigEndian, std::size_t skip) {
    Cp932Buffer out(bytes);
    char* at = Utf16ToCp932(std::string_view(bytes).substr(skip), bigEndian, out);
    return out.Finish(at, bigEndian ? BookEncoding::Utf16Be : BookEncoding::Utf16Le, skip > 0);
}

DecodedText FromEucJp(std::string bytes) {
    Cp932Buffer out(bytes);
    const EucPass p = EucJpPass(bytes, out, false);
    return out.Finish(p.at, BookEncoding::EucJp, false);
}

// Bytes read as UTF-8 before the file is taken as UTF-8, counted from its first byte beyond
// ASCII.
constexpr std::size_t kUtf8Window = 64 * 1024;

// Detection after the byte-order marks:
//   - UTF-8 when the first 64 KiB from the first byte beyond ASCII are well-formed UTF-8 (all
//     of a shorter file; a file cut short in its last character still counts). A Shift_JIS
//     book fails within its first Japanese character, and a UTF-8 book damaged further on
//     stays UTF-8, each damaged sequence a 〓. The window is read into a buffer of its own,
//     the rest converted over the input.
//   - else EUC-JP when the whole file is (a file cut short in its last character still
//     counts) and it is not plausible CP932;
//   - else CP932.
DecodedText Detect(std::string bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const auto first = std::find_if(s, s + n, [](unsigned char b) { return b >= 0x80; });
    if (first == s + n) return AsCp932(std::move(bytes));  // pure ASCII
    {
        const std::size_t windowEnd = static_cast<std::size_t>(first - s) + kUtf8Window;
        Cp932Buffer out(n);
        const Pass p = Utf8Pass(bytes, 0, out.Start(), out, true, windowEnd);
        std::uint32_t cp;
        std::size_t bad = 0;
        const bool cut = p.malformed && s[p.stop] >= 0xC2 && s[p.stop] <= 0xF4 &&
                         Utf8Sequence(s, n, p.stop, cp, bad) == 0 && p.stop + bad == n;
        if (p.multibyte && cut)
            return out.Finish(out.Replace(p.at, s + n), BookEncoding::Utf8, false);
        if (p.multibyte && !p.malformed) {
            char* at = out.MoveOver(bytes, p.at);
            const Pass rest = Utf8Pass(bytes, p.stop, at, out, false, n);
            return out.Finish(rest.at, BookEncoding::Utf8, false);
        }
    }
    {
        Cp932Buffer out(n);
        const EucPass p = EucJpPass(bytes, out, true);
        const bool cut = p.stop < n && IsCutEucSequence(s, n, p.stop);
        // Plausible CP932: every byte in its place, and too few kana and punctuation for
        // Japanese prose in EUC-JP.
        const bool cp932 = IsCp932Shaped(std::string_view(bytes).substr(0, p.stop)) &&
                           p.kanaOrPunctuation * 4 < p.characters;
        if (p.characters > 0 && (p.stop == n || cut) && !cp932)
            return out.Finish(cut ? out.Replace(p.at, s + n) : p.at, BookEncoding::EucJp, false);
    }
    return AsCp932(std::move(bytes));
}

}  // namespace

bool ParseTextEncoding(std::string_view name, TextEncoding& out) {
    static constexpr std::pair<std::string_view, TextEncoding> kNames[] = {
        {"auto", TextEncoding::Auto},    {"cp932", TextEncoding::Cp932},
        {"utf-8", TextEncoding::Utf8},   {"utf-16", TextEncoding::Utf16},
        {"euc-jp", TextEncoding::EucJp},
    };
    for (const auto& [known, encoding] : kNames) {
        if (known.size() != name.size()) continue;
        if (std::equal(known.begin(), known.end(), name.begin(),
                       [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b + 32 : b); })) {
            out = encoding;
            return true;
        }
    }
    return false;
}

const char* EncodingName(BookEncoding encoding) {
    switch (encoding) {
        case BookEncoding::Cp932:
            return "Shift_JIS";
        case BookEncoding::Utf8:
            return "UTF-8";
        case BookEncoding::Utf16Le:
            return "UTF-16LE";
        case BookEncoding::Utf16Be:
            return "UTF-16BE";
        case BookEncoding::EucJp:
            return "EUC-JP";
    }
    return "";
}

DecodedText DecodeText(std::string bytes, TextEncoding requested) {
    const std::string_view text = bytes;
    const bool utf8Bom = StartsWith(text, kUtf8Bom);
    const bool leBom = StartsWith(text, kUtf16LeBom), beBom = StartsWith(text, kUtf16BeBom);
    switch (requested) {
        case TextEncoding::Cp932:
            return AsCp932(std::move(bytes));
        case TextEncoding::EucJp:
            return FromEucJp(std::move(bytes));
        case TextEncoding::Utf8:
            return FromUtf8(std::move(bytes), utf8Bom ? 3 : 0);
        case TextEncoding::Utf16: {
            const bool big = beBom || (!leBom && Utf16Score(text, true) > Utf16Score(text, false));
            return FromUtf16(std::move(bytes), big, leBom || beBom ? 2 : 0);
        }
        case TextEncoding::Auto:
            break;
    }
    if (utf8Bom) return FromUtf8(std::move(bytes), 3);
    if (leBom || beBom) return FromUtf16(std::move(bytes), beBom, 2);
    return Detect(std::move(bytes));
}

}  // namespace mirvo
