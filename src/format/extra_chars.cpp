#include "format/extra_chars.h"

#include <algorithm>
#include <cstring>

#include "format/cp932.h"

namespace mirvo {
namespace {

constexpr unsigned kFirstLead = 0xF0, kLastLead = 0xF9;
constexpr std::size_t kTrailsPerLead = 188;  // 0x40-0x7E and 0x80-0xFC

constexpr char32_t kFirstPrivateUse = 0xE000;  // where Cp932ToUtf8 puts 0xF040

// The code point of one well-formed UTF-8 character of two to four bytes.
char32_t CodePointOf(std::string_view ch) {
    char32_t cp = static_cast<unsigned char>(ch[0]) & (0xFF >> (ch.size() + 1));
    for (std::size_t k = 1; k < ch.size(); ++k)
        cp = cp << 6 | (static_cast<unsigned char>(ch[k]) & 0x3F);
    return cp;
}

bool IsScalar(char32_t cp) {
    return cp < 0x110000 && (cp < 0xD800 || cp > 0xDFFF);
}

// Slot 0 .. kCapacity - 1 of a user-defined code, which must be one.
std::size_t SlotOf(std::uint16_t code) {
    const unsigned lead = code >> 8, trail = code & 0xFF;
    return (lead - kFirstLead) * kTrailsPerLead + (trail - 0x40 - (trail >= 0x80 ? 1 : 0));
}

std::uint16_t CodeOf(std::size_t slot) {
    const unsigned lead = kFirstLead + static_cast<unsigned>(slot / kTrailsPerLead);
    unsigned trail = 0x40 + static_cast<unsigned>(slot % kTrailsPerLead);
    if (trail >= 0x7F) ++trail;
    return static_cast<std::uint16_t>(lead << 8 | trail);
}

}  // namespace

bool ExtraChars::IsUserDefined(std::uint16_t code) {
    const unsigned lead = code >> 8, trail = code & 0xFF;
    return lead >= kFirstLead && lead <= kLastLead && trail >= 0x40 && trail <= 0xFC &&
           trail != 0x7F;
}

std::uint16_t ExtraChars::UserDefinedCode(std::string_view ch) {
    if (ch.size() != 2) return 0;
    const auto code = static_cast<std::uint16_t>(static_cast<unsigned char>(ch[0]) << 8 |
                                                 static_cast<unsigned char>(ch[1]));
    return IsUserDefined(code) ? code : 0;
}

namespace {

// Whether one of the eight bytes at `p` is 0xF0 or above: their high halves compared with F
// at once (a zero byte of `y` is such a byte).
bool AnyByteFromF0(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    const std::uint64_t y = (w & 0xF0F0F0F0F0F0F0F0ull) ^ 0xF0F0F0F0F0F0F0F0ull;
    return ((y - 0x0101010101010101ull) & ~y & 0x8080808080808080ull) != 0;
}

}  // namespace

void ExtraChars::ReserveUsedCodes(std::string_view cp932) {
    // Bytes 0xF0 to 0xF9 are rare; each is looked at closely. It begins a character when an
    // even number of bytes that could be lead bytes stands just before it: a run of them pairs
    // off from its start, since the byte before the run ends a character. The walk back stops
    // where a character is known to begin (past the last such byte), so no run is read twice
    // and a long line of lead bytes costs one pass.
    const auto* s = reinterpret_cast<const unsigned char*>(cp932.data());
    const std::size_t n = cp932.size();
    std::size_t known = 0;  // a character begins here
    for (std::size_t i = 0; i + 1 < n; ++i) {
        // Eight bytes at a time while none of them is 0xF0 or above.
        while (i + 8 <= n && !AnyByteFromF0(s + i)) i += 8;
        if (i + 1 >= n) break;
        if (static_cast<unsigned>(s[i] - kFirstLead) > kLastLead - kFirstLead) continue;
        std::size_t leads = 0;
        while (i - leads > known && IsLeadByte(s[i - 1 - leads])) ++leads;
        if (leads % 2 != 0) {
            known = i + 1;  // a trail byte: the next character begins after it
            continue;
        }
        const auto code = static_cast<std::uint16_t>(s[i] << 8 | s[i + 1]);
        if (IsUserDefined(code)) taken_.set(SlotOf(code));
        known = i + 2;
        ++i;
    }
}

std::uint16_t ExtraChars::Add(std::u32string_view text, std::string_view note) {
    if (text.empty()) return 0;
    for (const char32_t cp : text)
        if (!IsScalar(cp)) return 0;
    const std::u32string key(text);
    if (const auto it = byText_.find(key); it != byText_.end()) {
        Entry& entry = byCode_[it->second];
        if (entry.note.empty()) entry.note = note;
        return it->second;
    }
    while (nextFree_ < kCapacity && taken_.test(nextFree_)) ++nextFree_;
    if (nextFree_ == kCapacity) return 0;
    taken_.set(nextFree_);
    const std::uint16_t code = CodeOf(nextFree_);
    byCode_.emplace(code, Entry{key, std::string(note)});
    byText_.emplace(key, code);
    return code;
}

const ExtraChars::Entry* ExtraChars::Find(std::uint16_t code) const {
    const auto it = byCode_.find(code);
    return it == byCode_.end() ? nullptr : &it->second;
}

std::string ExtraChars::ToUtf8(std::string_view cp932) const {
    return ResolvePrivateUse(Cp932ToUtf8(cp932));
}

std::string ExtraChars::ResolvePrivateUse(std::string_view utf8) const {
    if (byCode_.empty()) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = std::max<std::size_t>(Utf8LengthAt(utf8, i), 1);
        const char32_t cp = len == 3 ? CodePointOf(utf8.substr(i, 3)) : 0;
        const Entry* entry = cp >= kFirstPrivateUse && cp < kFirstPrivateUse + kCapacity
                                 ? Find(CodeOf(cp - kFirstPrivateUse))
                                 : nullptr;
        if (entry) {
            for (const char32_t c : entry->text) AppendUtf8(out, c);
        } else {
            out.append(utf8, i, len);
        }
        i += len;
    }
    return out;
}

std::string ExtraChars::ToPrivateUse(std::string_view utf8) const {
    if (byCode_.empty()) return std::string(utf8);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = std::max<std::size_t>(Utf8LengthAt(utf8, i), 1);
        const char32_t cp = len > 1 ? CodePointOf(utf8.substr(i, len)) : 0;
        const auto it = cp ? byText_.find(std::u32string(1, cp)) : byText_.end();
        if (it != byText_.end())
            AppendUtf8(out, kFirstPrivateUse + static_cast<char32_t>(SlotOf(it->second)));
        else
            out.append(utf8, i, len);
        i += len;
    }
    return out;
}

std::string BookTextUtf8(std::string_view cp932, const ExtraChars* extras) {
    return extras ? extras->ToUtf8(cp932) : Cp932ToUtf8(cp932);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (!IsScalar(cp)) return;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace mirvo
