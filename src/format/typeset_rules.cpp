#include "format/typeset_rules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "format/cp932.h"
#include "format/markup.h"

namespace mirvo {
namespace {

int ComputeScript(std::uint16_t code);

struct ClassTable {
    std::array<std::uint8_t, 65536> cls{};
    std::array<std::uint8_t, 65536> script{};

    ClassTable() {
        Mark("。、，．", kTsHang);
        // Closing brackets, ！？, middle dots, sound marks, iteration marks, and the half-width
        // stops, which do not hang.
        Mark("]}):;,.-?!ﾞﾟ｣･~､｡・：；？！゛゜‐’”）〕｝〉》」』】々ゝゞヽヾ", kTsNoStart);
        Mark("[{(‘“（〔｛〈《「『【", kTsNoEnd);
        Mark("―…‥", kTsRun);
        Mark("｜《［※", kTsMarkup);  // ※ may begin a character written as an annotation
        for (int c = 0x829F; c <= 0x82F1; ++c) cls[c] |= kTsKana;  // hiragana
        for (int c = 0x8340; c <= 0x8396; ++c) cls[c] |= kTsKana;  // katakana
        for (int c = 0xA6; c <= 0xDF; ++c) cls[c] |= kTsKana;      // half-width katakana
        Mark("ー", kTsKana);
        for (int c = 0; c < 65536; ++c)
            script[c] = static_cast<std::uint8_t>(ComputeScript(static_cast<std::uint16_t>(c)));
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

constexpr int kKanjiScript = 1;  // ScriptOf's kanji
// The codes of the markup characters ｜《》［.
constexpr std::uint16_t kBar = 0x8162, kRubyOpen = 0x8173, kRubyClose = 0x8174, kNoteOpen = 0x816D;

std::uint16_t CodeAt(std::string_view text, std::size_t i, std::size_t& len) {
    len = CharLengthAt(text, i);
    return CharCode(text.substr(i, len));
}

// Where the trailing run of characters of the text unit t that have `script` (that of its
// last character, when -1) begins: t.end when its last character has another.
// `before` takes the class of the character before the place returned.
std::size_t RunStart(std::string_view text, const TypesetUnit& t, int& script,
                     std::uint8_t& before) {
    const ClassTable& table = Classes();
    std::size_t start = t.begin, last = t.begin;
    int runScript = -2;
    std::uint8_t prevCls = 0, runBefore = 0, lastBefore = 0;
    for (std::size_t i = t.begin, len; i < t.end; i += len) {
        const std::uint16_t code = CodeAt(text, i, len);
        const int s = table.script[code];
        if (s != runScript) {
            start = i;
            runBefore = prevCls;
        }
        lastBefore = prevCls;
        runScript = s;
        last = i;
        prevCls = table.cls[code];
    }
    if (script == -1) {
        script = runScript;
        if (script == 0) {
            before = lastBefore;
            return last;  // a sign: itself alone
        }
    }
    before = runBefore;
    return runScript == script && script != 0 ? start : t.end;
}

// Cuts the text unit units[k] at byte `at` (a character boundary inside it) in two.
// `headLast` is the class of the character before `at`.
void CutText(std::string_view text, std::vector<TypesetUnit>& u, std::size_t k, std::size_t at,
             std::uint8_t headLast) {
    TypesetUnit head = u[k];
    head.end = head.baseEnd = static_cast<std::uint32_t>(at);
    head.baseWidth = static_cast<int>(at - head.begin);
    head.lastCls = headLast;
    std::size_t len = 0;
    TypesetUnit& tail = u[k];
    tail.begin = tail.baseBegin = static_cast<std::uint32_t>(at);
    tail.baseWidth = static_cast<int>(tail.end - at);
    tail.firstCls = TypesetClassOf(CodeAt(text, at, len));
    u.insert(u.begin() + static_cast<std::ptrdiff_t>(k), head);
}

// The first unit of the base of a ruby whose 《 follows the units: the units after a ｜
// (`bar`, or none) unless one is a ruby or a layout annotation; else the run of characters
// of the last one's script (a text unit is cut where it begins), else that one character;
// the units' end when the last unit is no character (the base is empty).
std::size_t BaseStart(std::string_view text, std::vector<TypesetUnit>& u, std::size_t bar) {
    if (bar < u.size()) {
        bool plain = true;
        for (std::size_t k = bar + 1; k < u.size(); ++k) {
            const bool hidden = u[k].kind == UnitKind::Zero && !u[k].emphasis;
            plain = plain && u[k].kind != UnitKind::Group && !hidden;
        }
        if (plain) return bar + 1;
    }
    // A character written as ※ and an annotation describing it counts as a kanji.
    const auto gaiji = [&](std::size_t end) {
        std::size_t len;
        return end >= 2 && u[end - 1].kind == UnitKind::Mark && u[end - 2].kind == UnitKind::Char &&
               CodeAt(text, u[end - 2].begin, len) == 0x81A6;
    };
    std::size_t k = u.size();
    int script = -1;  // not known yet
    for (;;) {
        std::size_t len;
        if ((script == -1 || script == kKanjiScript) && gaiji(k)) {
            script = kKanjiScript;
            k -= 2;
        } else if (k > 0 && u[k - 1].kind == UnitKind::Char &&
                   (script == -1 ||
                    (script != 0 && ScriptOf(CodeAt(text, u[k - 1].begin, len)) == script))) {
            if (script == -1) script = ScriptOf(CodeAt(text, u[k - 1].begin, len));
            --k;
        } else if (k > 0 && u[k - 1].kind == UnitKind::Text && script != 0) {
            std::uint8_t before = 0;
            const std::size_t at = RunStart(text, u[k - 1], script, before);
            if (at == u[k - 1].begin) {
                --k;
                continue;
            }
            if (at < u[k - 1].end) CutText(text, u, k - 1, at, before);
            return k;
        } else {
            return k;
        }
        if (script == 0) return k;
    }
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
    for (std::size_t k = first; k < u.size(); ++k) {
        if (k == bar) continue;
        g.baseWidth += UnitWidth(u[k], false);
        g.notesInBase = g.notesInBase || u[k].kind == UnitKind::Mark || u[k].kind == UnitKind::Zero;
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
    t.baseWidth = kind == UnitKind::Mark   ? 2
                  : kind == UnitKind::Zero ? 0
                                           : static_cast<int>(end - begin);
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
    return Classes().script[code];
}

namespace {

int ComputeScript(std::uint16_t code) {
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

}  // namespace

namespace {

// Reads the units from byte i of `text`: markup, or a run of dashes, or a character that
// only looked like markup. Returns where the next unit begins; 0 when the markup at i is not
// closed in `text`.
class UnitReader {
  public:
    UnitReader(std::string_view text, bool ruby, bool notes, HiddenNotes* hidden,
               std::vector<TypesetUnit>& units, bool openAsText)
        : text_(text),
          ruby_(ruby),
          notes_(notes),
          openAsText_(openAsText),
          hidden_(hidden),
          u_(units) {}

    bool atStart = true;    // nothing but layout annotations read yet
    bool leftOpen = false;  // markup left open was read as text

    std::size_t Special(std::size_t i, std::uint16_t code, std::size_t len, std::uint8_t cls) {
        if (notes_ && code == kNoteOpen) {
            const std::size_t end = hidden_ ? hidden_->Take(text_, i, atStart) : 0;
            if (end != 0) {
                u_.push_back(Simple(UnitKind::Zero, i, end, 0));
                return end;
            }
            atStart = false;
            const std::size_t noteEnd = ReadNote(text_, i, u_);
            if (noteEnd == 0 && !LeaveOpen()) return 0;
            if (noteEnd != 0 && noteEnd != std::string_view::npos) return noteEnd;
        }
        atStart = false;
        if (ruby_ && code == kBar) {
            bar_ = u_.size();
            u_.push_back(Simple(UnitKind::Zero, i, i + len, 0));
            return i + len;
        }
        if (ruby_ && code == kRubyOpen) {
            std::size_t rubyEnd = i + len, l2 = 0;
            while (rubyEnd < text_.size() && CodeAt(text_, rubyEnd, l2) != kRubyClose)
                rubyEnd += l2;
            if (rubyEnd < text_.size()) {
                MakeGroup(text_, u_, BaseStart(text_, u_, bar_), bar_, i, rubyEnd);
                bar_ = std::string_view::npos;
                return u_.back().end;
            }
            if (!LeaveOpen()) return 0;
        }
        std::size_t end = i + len;
        if (cls & kTsRun) {
            std::size_t l2;
            while (end < text_.size() && CodeAt(text_, end, l2) == code) end += l2;
        }
        u_.push_back(Simple(cls & kTsRun ? UnitKind::Run : UnitKind::Char, i, end, cls));
        return end;
    }

  private:
    // Markup not closed is read as text when that is asked for.
    bool LeaveOpen() {
        leftOpen = leftOpen || openAsText_;
        return openAsText_;
    }

    std::string_view text_;
    bool ruby_, notes_, openAsText_;
    HiddenNotes* hidden_;
    std::vector<TypesetUnit>& u_;
    std::size_t bar_ = std::string_view::npos;  // the unit of the last ｜
};

}  // namespace

std::size_t ExplodeText(std::string_view text, std::vector<TypesetUnit>& units, std::size_t k) {
    const TypesetUnit t = units[k];
    std::vector<TypesetUnit> chars;
    for (std::size_t i = t.begin; i < t.end;) {
        std::size_t len;
        const std::uint16_t code = CodeAt(text, i, len);
        chars.push_back(Simple(UnitKind::Char, i, i + len, TypesetClassOf(code)));
        i += len;
    }
    units.erase(units.begin() + static_cast<std::ptrdiff_t>(k));
    units.insert(units.begin() + static_cast<std::ptrdiff_t>(k), chars.begin(), chars.end());
    return chars.size();
}

namespace {

// Where the run of ordinary characters (kana or no class) from byte i ends; `last` takes
// the class of its last character.
std::size_t PlainEnd(const unsigned char* bytes, std::size_t size, std::size_t i,
                     const std::uint8_t* classes, std::uint8_t& last) {
    while (i < size) {
        std::size_t len;
        const std::uint8_t cls = classes[CodeAtByte(bytes, size, i, len)];
        if (cls & ~kTsKana) break;
        last = cls;
        i += len;
    }
    return i;
}

}  // namespace

bool ReadTypesetUnits(std::string_view text, bool ruby, bool notes, HiddenNotes* hidden,
                      std::vector<TypesetUnit>& units, bool openAsText, bool* leftOpen) {
    units.clear();
    const std::uint8_t* classes = Classes().cls.data();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    UnitReader reader(text, ruby, notes, hidden, units, openAsText);
    std::size_t i = 0;
    while (i < size) {
        std::uint32_t len;
        const std::uint16_t code = CodeAtByte(bytes, size, i, len);
        const std::uint8_t cls = classes[code];
        if ((cls & ~kTsKana) && !(cls & (kTsMarkup | kTsRun))) {  // a character a rule looks at
            TypesetUnit& t = units.emplace_back();
            t.kind = UnitKind::Char;
            t.begin = t.baseBegin = static_cast<std::uint32_t>(i);
            i += len;
            t.end = t.baseEnd = static_cast<std::uint32_t>(i);
            t.cls = t.firstCls = t.lastCls = cls;
            t.baseWidth = static_cast<int>(len);
            reader.atStart = false;
            continue;
        }
        if (cls & ~kTsKana) {  // markup or a run
            i = reader.Special(i, code, len, cls);
            if (i == 0) return false;
            continue;
        }
        // Ordinary characters, the common case: one text unit up to the next other one.
        const std::size_t start = i;
        std::uint8_t last = cls;
        i = PlainEnd(bytes, size, i + len, classes, last);
        TypesetUnit& t = units.emplace_back();
        t.kind = UnitKind::Text;
        t.begin = t.baseBegin = static_cast<std::uint32_t>(start);
        t.end = t.baseEnd = static_cast<std::uint32_t>(i);
        t.firstCls = cls;
        t.lastCls = last;
        t.baseWidth = static_cast<int>(i - start);
        reader.atStart = false;
    }
    if (leftOpen && reader.leftOpen) *leftOpen = true;
    return true;
}

int UnitWidth(const TypesetUnit& u, bool overhang) {
    switch (u.kind) {
        case UnitKind::Zero:
            return 0;
        case UnitKind::Mark:
            return 2;
        case UnitKind::Text:
        case UnitKind::Char:
        case UnitKind::Run:
            return static_cast<int>(u.baseEnd - u.baseBegin);
        case UnitKind::Group:
            break;
    }
    const int base = u.baseWidth;
    // In half bytes of the column: a ruby character takes half the cell of a base one, and
    // may overhang one ruby character (2 half bytes of a full-width one) on each side.
    const int ruby = static_cast<int>(u.rubyEnd - u.rubyBegin);
    const int need = (std::max(2 * base, ruby - (overhang ? 4 : 0)) + 1) / 2;
    if (need <= base) return base;
    return base + (need - base + 1) / 2 * 2;  // whole cells added
}

bool GroupOverhangs(const std::vector<TypesetUnit>& units, std::size_t k, std::size_t from,
                    std::size_t to) {
    if (units[k].kind != UnitKind::Group || k <= from || k + 1 >= to) return false;
    const auto chars = [](const TypesetUnit& u) {
        return u.kind == UnitKind::Char || u.kind == UnitKind::Text;
    };
    const TypesetUnit &before = units[k - 1], &after = units[k + 1];
    return chars(before) && (before.lastCls & kTsKana) && chars(after) &&
           (after.firstCls & kTsKana);
}

int ColumnWidth(const std::vector<TypesetUnit>& units, std::size_t from, std::size_t to) {
    int width = 0;
    for (std::size_t k = from; k < to; ++k)
        width += UnitWidth(units[k], GroupOverhangs(units, k, from, to));
    return width;
}

namespace {

// Tops of items of `sizes` bytes of the column, set 1:2:1 over `width` bytes when they take
// less, centred on it when they take more. An item of no size stands where the next begins.
std::vector<double> Spread(const std::vector<double>& sizes, int width) {
    std::vector<double> tops;
    double total = 0;
    int counted = 0;
    for (double s : sizes) {
        total += s;
        counted += s > 0 ? 1 : 0;
    }
    if (counted == 0) return std::vector<double>(sizes.size(), 0.0);
    const double gap = total < width ? (width - total) / counted : 0;
    double y = total < width ? gap / 2 : (width - total) / 2;
    for (double s : sizes) {
        tops.push_back(y);
        if (s > 0) y += s + gap;
    }
    return tops;
}

}  // namespace

GroupPlacement PlaceGroup(std::string_view text, const TypesetUnit& u, int width) {
    GroupPlacement g;
    std::vector<double> sizes;
    for (const BasePiece& b : BasePieces(text, u)) sizes.push_back(b.width);
    g.base = Spread(sizes, width);
    sizes.clear();
    for (std::size_t i = u.rubyBegin; i < u.rubyEnd; i += CharLengthAt(text, i))
        sizes.push_back(0.5 * static_cast<double>(CharLengthAt(text, i)));
    g.ruby = Spread(sizes, width);
    return g;
}

std::vector<BasePiece> BasePieces(std::string_view text, const TypesetUnit& u) {
    std::vector<BasePiece> pieces;
    for (std::size_t i = u.baseBegin; i < u.baseEnd;) {
        std::string_view note;
        const std::size_t end = u.notesInBase ? AnnotationEnd(text, i, &note) : 0;
        if (end != 0 && end <= u.baseEnd) {
            const bool emphasis = ContainsChars(note, Markup().emphasis);
            pieces.push_back({i, end - i, emphasis ? 0 : 2, true});
            i = end;
            continue;
        }
        const std::size_t len = CharLengthAt(text, i);
        pieces.push_back({i, len, static_cast<int>(len), false});
        i += len;
    }
    return pieces;
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
