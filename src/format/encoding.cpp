#include "format/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "format/cp932.h"

namespace mirvo {
namespace {

constexpr std::uint16_t kNone = 0xFFFF;           // no CP932 form (0xFF is never a lead byte)
constexpr std::uint16_t kGeta = 0x81AC;           // 〓
constexpr std::uint32_t kMalformed = 0xFFFFFFFF;  // stands for a malformed sequence

// One code point of a CP932 code: a single byte below 0x100, else lead and trail.
struct Cp932Tables {
    std::array<std::uint16_t, 0x10000> fromUnicode;  // BMP code point -> CP932 code
    std::vector<bool> assigned;                      // CP932 double-byte codes in use
};

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

    // The one code point `in` stands for, or kMalformed.
    std::uint32_t OneCodePoint(const unsigned char* in, std::size_t n) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        unsigned char out[8];
        char* dst = reinterpret_cast<char*>(out);
        std::size_t srcLeft = n, dstLeft = sizeof out;
        if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) ||
            srcLeft != 0 || dstLeft != sizeof out - 4)
            return kMalformed;
        return out[0] | out[1] << 8 | out[2] << 16 | static_cast<std::uint32_t>(out[3]) << 24;
    }

  private:
    iconv_t cd_;
};

// Built once, from the system's CP932 decoder. A code point that several CP932 codes
// decode to takes the first of them, except that the NEC-selected IBM extensions (lead
// bytes 0xED, 0xEE) give way to the IBM extensions (0xFA to 0xFC): the choice of the
// system's own CP932 encoder.
Cp932Tables BuildTables() {
    Cp932Tables t;
    t.fromUnicode.fill(kNone);
    t.assigned.assign(0x10000, false);
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
            t.assigned[code] = true;
            std::uint16_t& to = t.fromUnicode[u];
            const unsigned held = to >> 8;
            if (to == kNone || ((held == 0xED || held == 0xEE) && lead >= 0xFA)) to = code;
        }
    }
    for (const auto& [u, code] : kFolds) t.fromUnicode[u] = code;
    return t;
}

const Cp932Tables& Tables() {
    static const Cp932Tables tables = BuildTables();
    return tables;
}

// JIS X 0212 (EUC-JP's three-byte characters) row and cell -> CP932 code, through the
// system's EUC-JP-MS decoder; built the first time a book holds such a character.
const std::vector<std::uint16_t>& JisX0212Table() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> t(94 * 94, kNone);
        Iconv decoder("UTF-32LE", "EUC-JP-MS");
        const auto& from = Tables().fromUnicode;
        for (unsigned r = 0; r < 94; ++r) {
            for (unsigned c = 0; c < 94; ++c) {
                const unsigned char in[3] = {0x8F, static_cast<unsigned char>(0xA1 + r),
                                             static_cast<unsigned char>(0xA1 + c)};
                const std::uint32_t u = decoder.OneCodePoint(in, 3);
                if (u < 0x10000) t[r * 94 + c] = from[u];
            }
        }
        return t;
    }();
    return table;
}

// Collects CP932 bytes, and "〓" for what cannot be held, counting those.
class Cp932Writer {
  public:
    explicit Cp932Writer(std::size_t expected) : from_(Tables().fromUnicode) {
        out_.reserve(expected + 16);
    }

    void Byte(unsigned char b) { out_.push_back(static_cast<char>(b)); }
    void Code(std::uint16_t code) {
        if (code == kNone) {
            Replace();
        } else if (code < 0x100) {
            out_.push_back(static_cast<char>(code));
        } else {
            const char two[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
            out_.append(two, 2);
        }
    }
    void CodePoint(std::uint32_t u) { Code(u < 0x10000 ? from_[u] : kNone); }
    void Replace() {
        if (replaced_++ == 0) firstReplaced_ = out_.size();
        Code(kGeta);
    }

    DecodedText Finish(BookEncoding encoding, bool bom) {
        DecodedText d;
        d.report.encoding = encoding;
        d.report.byteOrderMark = bom;
        d.report.replaced = replaced_;
        if (replaced_ > 0) d.report.firstReplacedLine = LineAt(out_, firstReplaced_);
        out_.shrink_to_fit();
        d.cp932 = std::move(out_);
        return d;
    }

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

    const std::array<std::uint16_t, 0x10000>& from_;
    std::string out_;
    std::size_t replaced_ = 0;
    std::size_t firstReplaced_ = 0;
};

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

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
        if (k == 1 ? (c < lo || c > hi) : !IsContinuation(c)) break;
    }
    if (k < len) {
        bad = k;
        return 0;
    }
    cp = b & (0xFF >> (len + 1));
    for (k = 1; k < len; ++k) cp = cp << 6 | (s[i + k] & 0x3F);
    return len;
}

// UTF-8 throughout, with at least one whole multi-byte character. A file cut short in its
// last character still counts: only that character is lost.
bool IsUtf8WithMultibyte(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    bool multibyte = false;
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        std::uint32_t cp;
        std::size_t bad;
        const std::size_t len = Utf8Sequence(s, n, i, cp, bad);
        if (len == 0) return multibyte && s[i] >= 0xC2 && s[i] <= 0xF4 && i + bad == n;
        multibyte = true;
        i += len;
    }
    return multibyte;
}

void DecodeUtf8(std::string_view bytes, Cp932Writer& w) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            w.Byte(s[i++]);
            continue;
        }
        std::uint32_t cp;
        std::size_t bad;
        const std::size_t len = Utf8Sequence(s, n, i, cp, bad);
        if (len == 0) {
            w.Replace();
            i += bad;
        } else {
            w.CodePoint(cp);
            i += len;
        }
    }
}

template <bool BigEndian>
std::uint32_t Unit(const unsigned char* s) {
    return BigEndian ? (s[0] << 8 | s[1]) : (s[1] << 8 | s[0]);
}

template <bool BigEndian>
void DecodeUtf16(std::string_view bytes, Cp932Writer& w) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = Unit<BigEndian>(s + 2 * i);
        if (u < 0xD800 || u > 0xDFFF) {
            w.CodePoint(u);
        } else if (u <= 0xDBFF && i + 1 < units && Unit<BigEndian>(s + 2 * i + 2) >= 0xDC00 &&
                   Unit<BigEndian>(s + 2 * i + 2) <= 0xDFFF) {
            w.Replace();  // a pair: beyond the BMP, where CP932 has nothing
            ++i;
        } else {
            w.Replace();  // a lone surrogate
        }
    }
    if (bytes.size() % 2) w.Replace();  // half a unit at the end
}

// How well `bytes` read as UTF-16 of the given byte order: units that are common in
// Japanese text (ASCII, kana and CJK punctuation, CJK ideographs, full-width forms).
template <bool BigEndian>
std::size_t Utf16Score(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 65536);
    std::size_t score = 0;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = Unit<BigEndian>(s + 2 * i);
        score += (u >= 0x09 && u <= 0x7E) || (u >= 0x3000 && u <= 0x30FF) ||
                 (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF);
    }
    return score;
}

bool IsEucByte(unsigned char b) {
    return b >= 0xA1 && b <= 0xFE;
}

// Length of the EUC-JP character at s[i] when it is well formed (1 to 3), or 0.
std::size_t EucSequence(const unsigned char* s, std::size_t n, std::size_t i) {
    const unsigned char b = s[i];
    if (b < 0x80) return 1;
    if (b == 0x8E) return i + 1 < n && s[i + 1] >= 0xA1 && s[i + 1] <= 0xDF ? 2 : 0;
    if (b == 0x8F) return i + 2 < n && IsEucByte(s[i + 1]) && IsEucByte(s[i + 2]) ? 3 : 0;
    return IsEucByte(b) && i + 1 < n && IsEucByte(s[i + 1]) ? 2 : 0;
}

// The start of an EUC-JP character that the end of the bytes cuts short.
bool IsCutEucSequence(const unsigned char* s, std::size_t n, std::size_t i) {
    const unsigned char b = s[i];
    if (b == 0x8F) return n - i == 1 || (n - i == 2 && IsEucByte(s[i + 1]));
    return n - i == 1 && (b == 0x8E || IsEucByte(b));
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

// EUC-JP throughout (a file cut short in its last character still counts), with at least
// one multi-byte character, and not plausible as CP932.
bool IsEucJpNotCp932(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t characters = 0, kanaOrPunctuation = 0;
    std::size_t i = 0;
    while (i < n) {
        const std::size_t len = EucSequence(s, n, i);
        if (len == 0 && IsCutEucSequence(s, n, i)) {
            n = i;
            break;
        }
        if (len == 0) return false;
        if (len > 1) {
            ++characters;
            // JIS rows 1 (punctuation), 4 (hiragana), 5 (katakana), and half-width kana.
            const unsigned char b = s[i];
            kanaOrPunctuation += b == 0xA1 || b == 0xA4 || b == 0xA5 || b == 0x8E;
        }
        i += len;
    }
    if (characters == 0) return false;
    return !IsCp932Shaped(bytes.substr(0, n)) || kanaOrPunctuation * 4 >= characters;
}

void DecodeEucJp(std::string_view bytes, Cp932Writer& w) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const std::vector<bool>& assigned = Tables().assigned;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        const std::size_t len = EucSequence(s, n, i);
        if (len == 0) {
            w.Replace();
            i += 1;
        } else if (len == 1) {
            w.Byte(b);
            i += 1;
        } else if (b == 0x8E) {
            w.Byte(s[i + 1]);  // half-width katakana, one CP932 byte
            i += 2;
        } else if (b == 0x8F) {
            w.Code(JisX0212Table()[(s[i + 1] - 0xA1) * 94 + (s[i + 2] - 0xA1)]);
            i += 3;
        } else {
            // JIS row and cell to Shift_JIS, which CP932 shares for every row it uses.
            const unsigned row = b - 0xA0, cell = s[i + 1] - 0xA0;
            const unsigned lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
            const unsigned trail = row % 2 ? cell + (cell <= 63 ? 0x3F : 0x40) : cell + 0x9E;
            const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
            w.Code(assigned[code] ? code : kNone);
            i += 2;
        }
    }
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

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

BookEncoding DetectEncoding(std::string_view bytes) {
    if (StartsWith(bytes, kUtf8Bom)) return BookEncoding::Utf8;
    if (StartsWith(bytes, kUtf16LeBom)) return BookEncoding::Utf16Le;
    if (StartsWith(bytes, kUtf16BeBom)) return BookEncoding::Utf16Be;
    if (IsUtf8WithMultibyte(bytes)) return BookEncoding::Utf8;
    if (IsEucJpNotCp932(bytes)) return BookEncoding::EucJp;
    return BookEncoding::Cp932;
}

DecodedText DecodeText(std::string bytes, TextEncoding requested) {
    BookEncoding encoding = BookEncoding::Cp932;
    switch (requested) {
        case TextEncoding::Auto:
            encoding = DetectEncoding(bytes);
            break;
        case TextEncoding::Cp932:
            encoding = BookEncoding::Cp932;
            break;
        case TextEncoding::Utf8:
            encoding = BookEncoding::Utf8;
            break;
        case TextEncoding::EucJp:
            encoding = BookEncoding::EucJp;
            break;
        case TextEncoding::Utf16:
            if (StartsWith(bytes, kUtf16BeBom))
                encoding = BookEncoding::Utf16Be;
            else if (StartsWith(bytes, kUtf16LeBom))
                encoding = BookEncoding::Utf16Le;
            else
                encoding = Utf16Score<true>(bytes) > Utf16Score<false>(bytes)
                               ? BookEncoding::Utf16Be
                               : BookEncoding::Utf16Le;
            break;
    }
    if (encoding == BookEncoding::Cp932) {
        DecodedText d;
        d.cp932 = std::move(bytes);
        return d;
    }
    std::string_view text = bytes;
    const std::string_view bom = encoding == BookEncoding::Utf8      ? kUtf8Bom
                                 : encoding == BookEncoding::Utf16Le ? kUtf16LeBom
                                 : encoding == BookEncoding::Utf16Be ? kUtf16BeBom
                                                                     : std::string_view();
    const bool hasBom = !bom.empty() && StartsWith(text, bom);
    if (hasBom) text.remove_prefix(bom.size());
    Cp932Writer w(encoding == BookEncoding::EucJp ? text.size() : text.size() * 2 / 3);
    switch (encoding) {
        case BookEncoding::Utf8:
            DecodeUtf8(text, w);
            break;
        case BookEncoding::Utf16Le:
            DecodeUtf16<false>(text, w);
            break;
        case BookEncoding::Utf16Be:
            DecodeUtf16<true>(text, w);
            break;
        case BookEncoding::EucJp:
            DecodeEucJp(text, w);
            break;
        case BookEncoding::Cp932:
            break;
    }
    return w.Finish(encoding, hasBom);
}

std::string ReplacementNotice(const std::string& path, const TextReport& report) {
    return "ファイル:" + path + "には、表示できない文字が" + std::to_string(report.replaced) +
           "個ありました。\r\n" + "「〓」に置き換えて表示します。最初の文字は" +
           std::to_string(report.firstReplacedLine) + "行目にあります。";
}

}  // namespace mirvo
