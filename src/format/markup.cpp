#include "format/markup.h"

#include <algorithm>

#include "format/aozora_notes.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

// The words of the layout annotations, in CP932.
struct LayoutWords {
    std::string indent = Utf8ToCp932("字下げ");
    std::string blockFrom = Utf8ToCp932("ここから");
    std::string blockEnd = Utf8ToCp932("ここで字下げ終わり");
    std::string headings[3] = {Utf8ToCp932("大見出し"), Utf8ToCp932("中見出し"),
                               Utf8ToCp932("小見出し")};
    std::string headingEnd = Utf8ToCp932("終わり");
    std::string of = Utf8ToCp932("」は");                                // 「X」は…見出し
    std::string prefixes[2] = {Utf8ToCp932("同行"), Utf8ToCp932("窓")};  // 同行中見出し
    std::string tails[3] = {of + headings[0], of + headings[1], of + headings[2]};
};
const LayoutWords& Words() {
    static const LayoutWords w;
    return w;
}

}  // namespace

const MarkupChars& Markup() {
    static const MarkupChars m{Utf8ToCp932("｜"),   Utf8ToCp932("《"), Utf8ToCp932("》"),
                               Utf8ToCp932("［"),   Utf8ToCp932("＃"), Utf8ToCp932("］"),
                               Utf8ToCp932("傍点"), Utf8ToCp932("「"), Utf8ToCp932("」")};
    return m;
}

bool EndsWithChars(std::string_view text, std::string_view suffix) {
    if (suffix.size() > text.size()) return false;
    const std::size_t at = text.size() - suffix.size();
    std::size_t i = 0;
    while (i < at) i += CharLengthAt(text, i);
    return i == at && text.substr(at) == suffix;
}

int FindChars(std::string_view text, std::string_view what) {
    if (what.empty()) return 0;
    for (std::size_t i = 0; i + what.size() <= text.size(); i += CharLengthAt(text, i)) {
        if (text[i] == what[0] && text.substr(i, what.size()) == what) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

namespace {

// The indents and headings of every book with layout annotations.
Note ClassifyIndentOrHeading(std::string_view text) {
    Note note;
    const LayoutWords& w = Words();
    if (text == w.blockEnd) {
        note.kind = NoteKind::BlockIndentEnd;
        return note;
    }
    std::string_view rest = text;
    const bool block = rest.starts_with(w.blockFrom);
    if (block) rest.remove_prefix(w.blockFrom.size());
    int cells = 0;
    if (TakeNoteNumber(rest, cells) && rest == w.indent) {
        note.kind = block ? NoteKind::BlockIndent : NoteKind::Indent;
        note.cells = cells;
        return note;
    }

    const MarkupChars& m = Markup();
    for (int level = 1; level <= 3; ++level) {
        const std::string& word = w.headings[level - 1];
        note.level = level;
        if (text == word) {
            note.kind = NoteKind::HeadingStart;
            return note;
        }
        if (text.size() == word.size() + w.headingEnd.size() && text.starts_with(word) &&
            text.ends_with(w.headingEnd)) {
            note.kind = NoteKind::HeadingEnd;
            return note;
        }
        const std::string& tail = w.tails[level - 1];
        if (text.starts_with(m.quoteOpen) && text.size() > m.quoteOpen.size() + tail.size() &&
            EndsWithChars(text, tail)) {
            note.kind = NoteKind::Heading;
            note.target = std::string(
                text.substr(m.quoteOpen.size(), text.size() - m.quoteOpen.size() - tail.size()));
            return note;
        }
    }
    note.level = 0;
    return note;
}

}  // namespace

Note ClassifyNote(std::string_view text, bool layout) {
    Note note;
    if (ContainsChars(text, Markup().emphasis)) {
        note.kind = NoteKind::Emphasis;
        return note;
    }
    if (!layout || ClassifyAozoraNote(text, note)) return note;
    note = ClassifyIndentOrHeading(text);
    // 同行中見出し and 窓中見出し are read as 中見出し.
    const LayoutWords& w = Words();
    if (note.kind == NoteKind::Footnote &&
        (ContainsChars(text, w.prefixes[0]) || ContainsChars(text, w.prefixes[1]))) {
        note = ClassifyIndentOrHeading(WithoutHeadingPrefix(text));
    }
    return note;
}

std::size_t AnnotationEnd(std::string_view line, std::size_t at, std::string_view* text) {
    const MarkupChars& m = Markup();
    const std::size_t open = m.noteOpen.size() + m.noteSharp.size();
    if (line.substr(at, m.noteOpen.size()) != m.noteOpen ||
        line.substr(at + m.noteOpen.size(), m.noteSharp.size()) != m.noteSharp) {
        return 0;
    }
    for (std::size_t i = at + open; i < line.size(); i += CharLengthAt(line, i)) {
        if (line.substr(i, m.noteClose.size()) == m.noteClose) {
            if (text) *text = line.substr(at + open, i - at - open);
            return i + m.noteClose.size();
        }
    }
    return 0;
}

std::string StripMarkup(std::string_view text, bool ruby, bool notes) {
    std::string out;
    ForEachReadChar(text, ruby, notes,
                    [&](std::size_t i, std::size_t len) { out += text.substr(i, len); });
    return out;
}

std::size_t FindReadingBefore(std::string_view line, std::size_t at, std::string_view x,
                              bool ruby) {
    if (x.empty()) return std::string_view::npos;
    const std::string_view before = line.substr(0, at);
    std::string read;
    std::vector<std::pair<std::size_t, std::size_t>> starts;  // (in `read`, in `line`)
    ForEachReadChar(before, ruby, true, [&](std::size_t i, std::size_t len) {
        starts.emplace_back(read.size(), i);
        read += before.substr(i, len);
    });
    if (read.size() < x.size() || read.compare(read.size() - x.size(), x.size(), x) != 0) {
        return std::string_view::npos;
    }
    const std::size_t from = read.size() - x.size();
    for (const auto& [inRead, inLine] : starts) {
        if (inRead == from) return inLine;
    }
    return std::string_view::npos;
}

}  // namespace mirvo
