#include "format/typeset_rules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "format/cp932.h"
#include "format/markup.h"

namespace mirvo {
namespace {

struct ClassTable {
    std::array<std::uint8_t, 65536> cls{};

    ClassTable() {
        Mark("。、，．", kTsHang);
        // Closing brackets, ！？, middle dots, sound marks, iteration marks, and the half-width
        // stops, which do not hang.
        Mark("]}):;,.-?!ﾞﾟ｣･~､｡・：；？！゛゜‐’”）〕｝〉》」』】々ゝゞヽヾ", kTsNoStart);
        Mark("[{(‘“（〔｛〈《「『【", kTsNoEnd);
        Mark("―…‥", kTsRun);
        for (int c = 0x829F; c <= 0x82F1; ++c) cls[c] |= kTsKana;  // hiragana
        for (int c = 0x8340; c <= 0x8396; ++c) cls[c] |= kTsKana;  // katakana
        for (int c = 0xA6; c <= 0xDF; ++c) cls[c] |= kTsKana;      // half-width katakana
        Mark("ー", kTsKana);
    }
    void Mark(const char* utf8, std::uint8_t c) {
        const std::string s = Utf8ToCp932(utf8);
        for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) {
            cls[CharCode(std::string_view(s).substr(i, CharLengthAt(s, i)))] |= c;
        }
    }
};

const ClassTable& Classes() {
    static const ClassTable t;
    return t;
}

std::uint16_t CodeAt(std::string_view text, std::size_t i, std::size_t& len) {
    len = CharLengthAt(text, i);
    return CharCode(text.substr(i, len));
}

// The first unit of the base of a ruby whose 《 follows units[0, n): the units after a
// ｜ (`bar`, or n when there is none) that are all characters or runs, else the run of
// characters of the last one's script, else that one character; n when the last unit is no
// character (the base is empty).
std::size_t BaseStart(std::string_view text, const std::vector<TypesetUnit>& u, std::size_t bar) {
    const std::size_t n = u.size();
    if (bar < n) {
        bool plain = true;
        for (std::size_t k = bar + 1; k < n; ++k)
            plain = plain && (u[k].kind == UnitKind::Char || u[k].kind == UnitKind::Run);
        if (plain) return bar + 1;
    }
    if (n == 0 || u[n - 1].kind != UnitKind::Char) return n;
    std::size_t len;
    const int script = ScriptOf(CodeAt(text, u[n - 1].begin, len));
    std::size_t k = n - 1;
    while (script != 0 && k > 0 && u[k - 1].kind == UnitKind::Char &&
           ScriptOf(CodeAt(text, u[k - 1].begin, len)) == script) {
        --k;
    }
    return k;
}

// Makes units[first, end) and the ruby after them one group.
void MakeGroup(std::string_view text, std::vector<TypesetUnit>& u, std::size_t first,
               std::size_t bar, std::size_t open, std::size_t rubyEnd) {
    TypesetUnit g;
    g.kind = UnitKind::Group;
    g.begin = static_cast<std::uint32_t>(first < u.size() ? u[first].begin : open);
    g.baseBegin = g.begin;
    if (bar < u.size() && first == bar + 1) {
        g.begin = u[bar].begin;
        g.baseBegin = u[bar].end;
        first = bar;
    }
    g.baseEnd = static_cast<std::uint32_t>(open);
    g.rubyBegin = static_cast<std::uint32_t>(open + Markup().rubyOpen.size());
    g.rubyEnd = static_cast<std::uint32_t>(rubyEnd);
    g.end = static_cast<std::uint32_t>(rubyEnd + Markup().rubyClose.size());
    std::size_t len;
    if (g.baseEnd > g.baseBegin) {
        g.firstCls = TypesetClassOf(CodeAt(text, g.baseBegin, len));
        g.lastCls = u.back().lastCls;
    }
    u.resize(first);
    u.push_back(g);
}

TypesetUnit Simple(UnitKind kind, std::size_t begin, std::size_t end, std::uint8_t cls) {
    TypesetUnit t;
    t.kind = kind;
    t.begin = t.baseBegin = static_cast<std::uint32_t>(begin);
    t.end = t.baseEnd = static_cast<std::uint32_t>(end);
    t.cls = t.firstCls = t.lastCls = cls;
    return t;
}

// The annotation at byte i: a footnote mark, or no cell for emphasis. 0 when it is not
// closed on the text, npos when no annotation begins there.
std::size_t ReadNote(std::string_view text, std::size_t i, std::vector<TypesetUnit>& units) {
    std::string_view note;
    const std::size_t end = AnnotationEnd(text, i, &note);
    if (end == 0) {
        const MarkupChars& m = Markup();
        const std::size_t at = i + m.noteOpen.size();
        return text.substr(at, m.noteSharp.size()) == m.noteSharp ? 0 : std::string_view::npos;
    }
    const bool emphasis = ContainsChars(note, Markup().emphasis);
    units.push_back(Simple(emphasis ? UnitKind::Zero : UnitKind::Mark, i, end, 0));
    units.back().emphasis = emphasis;
    return end;
}

}  // namespace

std::uint8_t TypesetClassOf(std::uint16_t code) {
    return Classes().cls[code];
}

int ScriptOf(std::uint16_t code) {
    enum { kNone, kKanji, kHiragana, kKatakana, kLatin };
    const bool ascii = code < 0x80;
    if ((code >= 0x889F && code <= 0x9FFC) || (code >= 0xE040 && code <= 0xEAA4) ||
        (code >= 0xED40 && code <= 0xEEFC) || (code >= 0xFA5C && code <= 0xFC4B) ||
        (code >= 0x8157 && code <= 0x815A) || code == 0x8396) {
        return kKanji;  // with 仝々〆〇 and ヶ
    }
    if ((code >= 0x829F && code <= 0x82F1) || code == 0x8154 || code == 0x8155) return kHiragana;
    if ((code >= 0x8340 && code <= 0x8395) || code == 0x8152 || code == 0x8153 || code == 0x815B ||
        (code >= 0xA6 && code <= 0xDF)) {
        return kKatakana;
    }
    if ((ascii && std::isalnum(static_cast<unsigned char>(code)) != 0) ||
        (code >= 0x824F && code <= 0x829A))
        return kLatin;
    return kNone;
}

bool ReadTypesetUnits(std::string_view text, bool ruby, bool notes, HiddenNotes* hidden,
                      std::vector<TypesetUnit>& units) {
    const MarkupChars& m = Markup();
    const std::uint16_t bar = CharCode(m.bar), open = CharCode(m.rubyOpen);
    const std::uint16_t noteOpen = CharCode(m.noteOpen);
    units.clear();
    std::size_t pendingBar = std::string_view::npos;  // the unit of the last ｜
    bool atStart = true;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t len;
        const std::uint16_t code = CodeAt(text, i, len);
        if (notes && code == noteOpen) {
            const std::size_t end = hidden ? hidden->Take(text, i, atStart) : 0;
            if (end != 0) {
                units.push_back(Simple(UnitKind::Zero, i, end, 0));
                i = end;
                continue;
            }
            const std::size_t noteEnd = ReadNote(text, i, units);
            if (noteEnd == 0) return false;
            atStart = false;
            if (noteEnd != std::string_view::npos) {
                i = noteEnd;
                continue;
            }
        }
        atStart = false;
        if (ruby && code == bar) {
            pendingBar = units.size();
            units.push_back(Simple(UnitKind::Zero, i, i + len, 0));
            i += len;
            continue;
        }
        if (ruby && code == open) {
            const int close = FindChars(text.substr(i + len), m.rubyClose);
            if (close == 0) return false;
            const std::size_t rubyEnd = i + len + static_cast<std::size_t>(close - 1);
            const std::size_t first = BaseStart(text, units, pendingBar);
            MakeGroup(text, units, first, pendingBar, i, rubyEnd);
            pendingBar = std::string_view::npos;
            i = units.back().end;
            continue;
        }
        const std::uint8_t cls = TypesetClassOf(code);
        std::size_t end = i + len;
        if (cls & kTsRun) {
            std::size_t l2;
            while (end < text.size() && CodeAt(text, end, l2) == code) end += l2;
        }
        units.push_back(Simple(cls & kTsRun ? UnitKind::Run : UnitKind::Char, i, end, cls));
        i = end;
    }
    return true;
}

int UnitWidth(const TypesetUnit& u, bool overhang) {
    switch (u.kind) {
        case UnitKind::Zero:
            return 0;
        case UnitKind::Mark:
            return 2;
        case UnitKind::Char:
        case UnitKind::Run:
            return static_cast<int>(u.baseEnd - u.baseBegin);
        case UnitKind::Group:
            break;
    }
    // In half bytes of the column: a ruby character takes half the cell of a base one, and
    // may overhang one ruby character (2 half bytes of a full-width one) on each side.
    const int base = static_cast<int>(u.baseEnd - u.baseBegin);
    const int ruby = static_cast<int>(u.rubyEnd - u.rubyBegin);
    const int need = (std::max(2 * base, ruby - (overhang ? 4 : 0)) + 1) / 2;
    if (need <= base) return base;
    return base + (need - base + 1) / 2 * 2;  // whole cells added
}

bool GroupOverhangs(const std::vector<TypesetUnit>& units, std::size_t k, std::size_t from,
                    std::size_t to) {
    if (units[k].kind != UnitKind::Group || k <= from || k + 1 >= to) return false;
    const auto kana = [](const TypesetUnit& u) {
        return u.kind == UnitKind::Char && (u.cls & kTsKana) != 0;
    };
    return kana(units[k - 1]) && kana(units[k + 1]);
}

int ColumnWidth(const std::vector<TypesetUnit>& units, std::size_t from, std::size_t to) {
    int width = 0;
    for (std::size_t k = from; k < to; ++k)
        width += UnitWidth(units[k], GroupOverhangs(units, k, from, to));
    return width;
}

namespace {

// Tops of the characters of text[begin, end), each `scale` bytes of the column a byte,
// set 1:2:1 over `width` bytes when they take less, centred on it when they take more.
std::vector<double> Spread(std::string_view text, std::size_t begin, std::size_t end, double scale,
                           int width) {
    std::vector<double> tops;
    std::vector<double> sizes;
    double total = 0;
    for (std::size_t i = begin; i < end; i += CharLengthAt(text, i)) {
        sizes.push_back(static_cast<double>(CharLengthAt(text, i)) * scale);
        total += sizes.back();
    }
    if (sizes.empty()) return tops;
    const double gap = total < width ? (width - total) / static_cast<double>(sizes.size()) : 0;
    double y = total < width ? gap / 2 : (width - total) / 2;
    for (double s : sizes) {
        tops.push_back(y);
        y += s + gap;
    }
    return tops;
}

}  // namespace

GroupPlacement PlaceGroup(std::string_view text, const TypesetUnit& u, int width) {
    GroupPlacement g;
    g.base = Spread(text, u.baseBegin, u.baseEnd, 1.0, width);
    g.ruby = Spread(text, u.rubyBegin, u.rubyEnd, 0.5, width);
    return g;
}

std::size_t SeparatorCut(std::string_view line, int limit) {
    if (line.size() <= static_cast<std::size_t>(std::max(limit, 0))) return 0;
    std::size_t len;
    const std::uint16_t first = CodeAt(line, 0, len);
    const std::size_t step = len;
    for (std::size_t i = 0; i < line.size(); i += len) {
        if (CodeAt(line, i, len) != first || len != step) return 0;
    }
    return static_cast<std::size_t>(limit) / step * step;
}

}  // namespace mirvo
