#include "format/inline_notes.h"

#include <algorithm>

#include "format/cp932.h"
#include "format/markup.h"

namespace mirvo {
namespace {

struct Entry {
    std::string word;  // CP932
    InlineNote note;
};

InlineNote MarkNote(MarkKind kind, int style, bool left) {
    InlineNote n;
    n.mark.kind = kind;
    n.mark.style = static_cast<std::uint8_t>(style);
    n.mark.left = left;
    return n;
}

// The words of the inline annotations, in CP932: the tails of the quoted forms (after X)
// and the whole texts of the range openers and closers.
struct InlineWords {
    std::vector<Entry> tails, opens, closes;

    InlineWords() {
        const char* emphasis[kEmphasisShapes] = {"傍点",       "白ゴマ傍点", "丸傍点",
                                                 "白丸傍点",   "黒三角傍点", "白三角傍点",
                                                 "二重丸傍点", "蛇の目傍点", "ばつ傍点"};
        const char* lines[kSideLineStyles] = {"傍線", "二重傍線", "鎖線", "破線", "波線"};
        for (int k = 0; k < kEmphasisShapes; ++k) AddMark(emphasis[k], MarkKind::Emphasis, k);
        for (int k = 0; k < kSideLineStyles; ++k) AddMark(lines[k], MarkKind::SideLine, k);
        // 「X」に「×」の傍記: a mark written beside each character of X.
        const std::pair<const char*, EmphasisShape> besides[] = {
            {"×", EmphasisShape::Cross},         {"●", EmphasisShape::Circle},
            {"○", EmphasisShape::WhiteCircle},   {"▲", EmphasisShape::Triangle},
            {"△", EmphasisShape::WhiteTriangle}, {"◎", EmphasisShape::DoubleCircle}};
        for (const auto& [ch, shape] : besides) {
            for (const bool left : {false, true}) {
                const std::string tail =
                    std::string(left ? "」の左に「" : "」に「") + ch + "」の傍記";
                tails.push_back({Utf8ToCp932(tail),
                                 MarkNote(MarkKind::Emphasis, static_cast<int>(shape), left)});
            }
        }
        InlineNote bold;
        bold.bold = true;
        for (const char* name : {"太字", "ゴシック体", "ゴシック", "ゴチック体", "ゴチック"}) {
            AddWhole(name, bold);
            opens.push_back({Utf8ToCp932(std::string("ここから") + name), bold});
            closes.push_back({Utf8ToCp932(std::string("ここで") + name + "終わり"), bold});
        }
        AddWhole("縦中横", MarkNote(MarkKind::Upright, 0, false));
    }

    // 「X」に…, 「X」の左に…, and the ranges …, 左に…
    void AddMark(const std::string& name, MarkKind kind, int style) {
        for (const bool left : {false, true}) {
            const InlineNote note = MarkNote(kind, style, left);
            const std::string range = (left ? "左に" : "") + name;
            tails.push_back({Utf8ToCp932((left ? "」の左に" : "」に") + name), note});
            opens.push_back({Utf8ToCp932(range), note});
            closes.push_back({Utf8ToCp932(range + "終わり"), note});
        }
    }
    // 「X」は…, and the range …
    void AddWhole(const std::string& name, const InlineNote& note) {
        tails.push_back({Utf8ToCp932("」は" + name), note});
        opens.push_back({Utf8ToCp932(name), note});
        closes.push_back({Utf8ToCp932(name + "終わり"), note});
    }
};
const InlineWords& Words() {
    static const InlineWords w;
    return w;
}

bool SameKind(const InlineNote& a, const InlineNote& b) {
    return a.bold == b.bold &&
           (a.bold || (a.mark.kind == b.mark.kind && a.mark.style == b.mark.style &&
                       a.mark.left == b.mark.left));
}

bool IsUpright(const InlineNote& n) {
    return !n.bold && n.mark.kind == MarkKind::Upright;
}

// Half-width pairs set upright without a note.
bool IsUprightPair(char a, char b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return (digit(a) && digit(b)) || (a == '!' && (b == '!' || b == '?')) || (a == '?' && b == '?');
}

// 〇 一 二 三 四 五 六 七 八 九 十, as numbered items write them: （一）.
bool IsKanjiNumeral(int code) {
    static constexpr int kCodes[] = {0x815A, 0x88EA, 0x93F1, 0x8E4F, 0x8E6C, 0x8CDC,
                                     0x985A, 0x8EB5, 0x94AA, 0x8BE3, 0x8F5C};
    return std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes);
}

// True when `text` holds a character of the reading markup: ｜ 《 》 ［ ＃ ］.
bool HasMarkup(std::string_view text) {
    const MarkupChars& m = Markup();
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
        const std::string_view ch = text.substr(i, CharLengthAt(text, i));
        if (ch == m.bar || ch == m.rubyOpen || ch == m.rubyClose || ch == m.noteOpen ||
            ch == m.noteSharp || ch == m.noteClose) {
            return true;
        }
    }
    return false;
}

// Calls `visible`(byte index, byte length) for each character of `line` outside ruby
// readings (when `ruby`) and annotations: ForEachReadChar for a line whose brackets all
// close, as a formatted line's do, without looking ahead for each closer.
template <typename Visible>
void ForEachTextChar(std::string_view line, bool ruby, Visible visible) {
    const MarkupChars& m = Markup();
    const std::uint16_t rubyOpen = CharCode(m.rubyOpen), rubyClose = CharCode(m.rubyClose);
    const std::uint16_t noteOpen = CharCode(m.noteOpen), noteClose = CharCode(m.noteClose);
    const std::uint16_t sharp = CharCode(m.noteSharp);
    std::uint16_t closer = 0;  // the closer awaited inside brackets
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t len = CharLengthAt(line, i);
        const std::uint16_t c = CharCode(line.substr(i, len));
        if (closer != 0) {
            if (c == closer) closer = 0;
        } else if (ruby && c == rubyOpen) {
            closer = rubyClose;
        } else if (c == noteOpen && i + len < line.size() &&
                   CharCode(line.substr(i + len, CharLengthAt(line, i + len))) == sharp) {
            closer = noteClose;
        } else {
            visible(i, len);
        }
        i += len;
    }
}

}  // namespace

InlineNote ParseInlineNote(std::string_view text) {
    const InlineWords& w = Words();
    const std::string& open = Markup().quoteOpen;
    if (text.starts_with(open)) {
        for (const Entry& e : w.tails) {
            if (text.size() > open.size() + e.word.size() && text.ends_with(e.word) &&
                EndsWithChars(text, e.word)) {
                InlineNote n = e.note;
                n.form = InlineForm::Quoted;
                n.target = text.substr(open.size(), text.size() - open.size() - e.word.size());
                return n;
            }
        }
        return {};
    }
    for (const Entry& e : w.opens) {
        if (text == e.word) {
            InlineNote n = e.note;
            n.form = InlineForm::Open;
            return n;
        }
    }
    for (const Entry& e : w.closes) {
        if (text == e.word) {
            InlineNote n = e.note;
            n.form = InlineForm::Close;
            return n;
        }
    }
    return {};
}

bool IsUprightRun(std::string_view run) {
    int chars = 0;
    for (std::size_t i = 0; i < run.size(); i += CharLengthAt(run, i)) {
        if (++chars > 4) return false;
        const auto b = static_cast<unsigned char>(run[i]);
        if (CharLengthAt(run, i) == 1) {
            if (b < 0x21 || b > 0x7E) return false;
            continue;
        }
        const int code = b << 8 | static_cast<unsigned char>(run[i + 1]);
        const bool alnum = code >= 0x824F && code <= 0x829A;    // ０-９ Ａ-Ｚ ａ-ｚ
        const bool punct = code == 0x8148 || code == 0x8149 ||  // ？ ！
                           code == 0x8169 || code == 0x816A ||  // （ ）
                           code == 0x8144 || code == 0x8146;    // ． ：
        if (!alnum && !punct && !IsKanjiNumeral(code)) return false;
    }
    return chars > 0;
}

bool InlineNoteTracker::Take(std::string_view line, std::size_t at, std::size_t end,
                             std::string_view text) {
    uprightRun_ = 0;
    const InlineNote note = ParseInlineNote(text);
    switch (note.form) {
        case InlineForm::Quoted:
            return TakeQuoted(line, at, note);
        case InlineForm::Open:
            return TakeOpen(line, end, note);
        case InlineForm::Close:
            return TakeClose(at, note);
        case InlineForm::None:
            break;
    }
    return false;
}

bool InlineNoteTracker::TakeQuoted(std::string_view line, std::size_t at, const InlineNote& note) {
    if (IsUpright(note)) {
        // X stands just before the note as it is written: no markup inside an upright run.
        const std::size_t n = note.target.size();
        if (!IsUprightRun(note.target) || at < n || line.substr(at - n, n) != note.target) {
            return false;
        }
        AddSpan(at - n, at, note);
        uprightRun_ = n;
        return true;
    }
    const std::size_t begin = TextBefore(line, at, note.target);
    if (begin == std::string_view::npos) return false;
    AddSpan(begin, at, note);
    return true;
}

std::size_t InlineNoteTracker::TextBefore(std::string_view line, std::size_t at,
                                          std::string_view x) {
    // The common case, X written just before the note without markup, is told without
    // reading the line again: the notes of a line come in order, and so does the walk
    // over its character boundaries.
    const std::size_t n = x.size();
    if (!HasMarkup(x) && n > 0 && n <= at && line.substr(at - n, n) == x) {
        if (walked_ > at - n) walked_ = 0;
        while (walked_ < at - n) walked_ += CharLengthAt(line, walked_);
        if (walked_ == at - n) return at - n;
    }
    return FindReadingBefore(line, at, x, ruby_);
}

bool InlineNoteTracker::TakeOpen(std::string_view line, std::size_t end, const InlineNote& note) {
    if (IsUpright(note)) {
        // Taken only with its closer on the line and a run that fits one cell between.
        std::size_t i = end;
        for (; i < line.size() && i <= end + 8; i += CharLengthAt(line, i)) {
            std::string_view text;
            if (AnnotationEnd(line, i, &text) != 0) break;
        }
        std::string_view closer;
        if (i >= line.size() || AnnotationEnd(line, i, &closer) == 0) return false;
        const InlineNote close = ParseInlineNote(closer);
        if (close.form != InlineForm::Close || !IsUpright(close) ||
            !IsUprightRun(line.substr(end, i - end))) {
            return false;
        }
    }
    open_.push_back({note, end});
    return true;
}

bool InlineNoteTracker::TakeClose(std::size_t at, const InlineNote& note) {
    const auto it = std::find_if(open_.rbegin(), open_.rend(),
                                 [&](const OpenRange& r) { return SameKind(r.note, note); });
    if (it == open_.rend()) return false;
    if (it->begin < at) AddSpan(it->begin, at, note);
    if (IsUpright(note)) uprightRun_ = at - it->begin;
    open_.erase(std::next(it).base());
    return true;
}

void InlineNoteTracker::AddSpan(std::size_t begin, std::size_t end, const InlineNote& note) {
    InlineSpan span{begin, end, note.bold, {}};
    if (!note.bold) span.mark = note.mark;
    spans_.push_back(span);
}

void InlineNoteTracker::EndLine(std::string_view line, std::vector<InlineSpan>& out) {
    std::erase_if(open_, [](const OpenRange& r) { return IsUpright(r.note); });
    for (OpenRange& r : open_) {
        if (r.begin < line.size()) AddSpan(r.begin, line.size(), r.note);
        r.begin = 0;
    }
    AddAutoUpright(line);
    out.insert(out.end(), spans_.begin(), spans_.end());
    spans_.clear();
    uprightRun_ = 0;
    walked_ = 0;
}

void InlineNoteTracker::AddAutoUpright(std::string_view line) {
    // The common case: no byte from "!" to "?" (never a second byte in CP932), so no
    // half-width digit or mark on the line. A loop the compiler vectorises.
    unsigned char any = 0;
    for (const char c : line) any |= static_cast<unsigned char>(c - 0x21) < 0x1F;
    if (!any) return;
    bool pair = false;
    for (std::size_t i = 0; i + 1 < line.size() && !pair; ++i) {
        pair = IsUprightPair(line[i], line[i + 1]);
    }
    if (!pair) return;
    // Runs of half-width characters as the line reads (markup left out), by bytes.
    std::size_t runBegin = 0, runEnd = 0;
    const auto finishRun = [&] {
        if (runEnd - runBegin != 2 || !IsUprightPair(line[runBegin], line[runBegin + 1])) return;
        const bool taken = std::any_of(spans_.begin(), spans_.end(), [&](const InlineSpan& s) {
            return s.mark && s.mark->kind == MarkKind::Upright && s.begin < runEnd &&
                   runBegin < s.end;
        });
        if (!taken) spans_.push_back({runBegin, runEnd, false, RowMark{}});
    };
    ForEachTextChar(line, ruby_, [&](std::size_t i, std::size_t len) {
        const auto b = static_cast<unsigned char>(line[i]);
        const bool half = len == 1 && b >= 0x21 && b <= 0x7E;
        if (half && runEnd == i && runEnd > runBegin) {
            runEnd = i + 1;
            return;
        }
        finishRun();
        runBegin = i;
        runEnd = half ? i + 1 : i;
    });
    finishRun();
}

}  // namespace mirvo
