#include "format/aozora_notes.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "format/ascii.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

// The words of the annotations read here, in CP932.
struct AozoraWords {
    std::string from = Utf8ToCp932("ここから");
    std::string here = Utf8ToCp932("ここで");
    std::string foot = Utf8ToCp932("地付き");
    std::string footFrom = Utf8ToCp932("地から");
    std::string raise = Utf8ToCp932("字上げ");
    std::string raiseEnd[2] = {Utf8ToCp932("ここで地付き終わり"),
                               Utf8ToCp932("ここで字上げ終わり")};
    std::string indent = Utf8ToCp932("字下げ");
    std::string head = Utf8ToCp932("天から");
    std::string thisLine = Utf8ToCp932("この行");
    std::string wrap = Utf8ToCp932("、折り返して");
    std::string headWrap = Utf8ToCp932("ここから改行天付き、折り返して");
    std::string footIndent = Utf8ToCp932("、地から");
    std::string width = Utf8ToCp932("字詰め");
    std::string widthEnd = Utf8ToCp932("ここで字詰め終わり");
    std::string larger = Utf8ToCp932("段階大きな文字");
    std::string smaller = Utf8ToCp932("段階小さな文字");
    std::string sizeEnd[2] = {Utf8ToCp932("大きな文字終わり"), Utf8ToCp932("小さな文字終わり")};
    std::string caption = Utf8ToCp932("キャプション");
    std::string captionEnd = Utf8ToCp932("キャプション終わり");
    std::string of = Utf8ToCp932("」は");
    std::string pictureEnd = Utf8ToCp932("）入る");
    std::string pictureOpen = Utf8ToCp932("（");
    std::string pictureSep = Utf8ToCp932("、");
    std::string centre = Utf8ToCp932("ページの左右中央");
    std::string pageBreaks[4] = {Utf8ToCp932("改ページ"), Utf8ToCp932("改頁"), Utf8ToCp932("改丁"),
                                 Utf8ToCp932("改見開き")};
    std::string headingPrefixes[2] = {Utf8ToCp932("同行"), Utf8ToCp932("窓")};
    std::string headings[3] = {Utf8ToCp932("大見出し"), Utf8ToCp932("中見出し"),
                               Utf8ToCp932("小見出し")};
    std::string headingEnd = Utf8ToCp932("終わり");
};
const AozoraWords& Words() {
    static const AozoraWords w;
    return w;
}

constexpr int kMaxSteps = 9;

// The byte where `what` last begins in `text` on a character boundary; npos when never.
std::size_t FindLastChars(std::string_view text, std::string_view what) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i + what.size() <= text.size(); i += CharLengthAt(text, i)) {
        if (text.compare(i, what.size(), what) == 0) found = i;
    }
    return found;
}

// `text` is `prefix`, a number and `suffix`, exactly: the number goes into `n`.
bool NumberBetween(std::string_view text, std::string_view prefix, std::string_view suffix,
                   int& n) {
    if (!text.starts_with(prefix)) return false;
    text.remove_prefix(prefix.size());
    return TakeNoteNumber(text, n) && text == suffix;
}

// The size words after a number: N段階大きな文字 (+N), N段階小さな文字 (-N), キャプション (-1).
bool ReadSize(std::string_view text, int& steps) {
    const AozoraWords& w = Words();
    if (text == w.caption) {
        steps = -1;
        return true;
    }
    int n = 0;
    if (NumberBetween(text, "", w.larger, n) && n > 0) {
        steps = std::min(n, kMaxSteps);
        return true;
    }
    if (NumberBetween(text, "", w.smaller, n) && n > 0) {
        steps = -std::min(n, kMaxSteps);
        return true;
    }
    return false;
}

// The picture notes: anything ending in （FILE）入る or （FILE、…）入る, FILE a picture's name.
bool ReadPicture(std::string_view text, Note& note) {
    const AozoraWords& w = Words();
    if (!text.ends_with(w.pictureEnd)) return false;
    const std::size_t open = FindLastChars(text, w.pictureOpen);
    if (open == std::string_view::npos) return false;
    std::string_view inside =
        text.substr(open + w.pictureOpen.size(),
                    text.size() - w.pictureEnd.size() - open - w.pictureOpen.size());
    const int sep = FindChars(inside, w.pictureSep);
    if (sep != 0) inside = inside.substr(0, static_cast<std::size_t>(sep - 1));
    const std::string upper = UpperAscii(inside);
    static constexpr std::array<const char*, 4> kKinds = {".PNG", ".JPG", ".JPEG", ".BMP"};
    if (std::none_of(kKinds.begin(), kKinds.end(), [&](const char* k) {
            return std::string_view(upper).ends_with(k) && upper.size() > std::strlen(k);
        })) {
        return false;
    }
    note.kind = NoteKind::Picture;
    note.target = std::string(inside);
    return true;
}

// 「X」はN段階…な文字 and 「X」はキャプション.
bool ReadSizeOf(std::string_view text, Note& note) {
    const AozoraWords& w = Words();
    const std::string& open = Markup().quoteOpen;
    if (!text.starts_with(open)) return false;
    const std::size_t of = FindLastChars(text, w.of);
    if (of == std::string_view::npos || of <= open.size()) return false;
    int steps = 0;
    if (!ReadSize(text.substr(of + w.of.size()), steps)) return false;
    note.kind = NoteKind::SizeOf;
    note.steps = steps;
    note.target = std::string(text.substr(open.size(), of - open.size()));
    return true;
}

// Forms that begin with ここから: blocks of indent, foot, width and size.
bool ReadBlockStart(std::string_view text, Note& note) {
    const AozoraWords& w = Words();
    int n = 0, m = 0;
    if (NumberBetween(text, w.headWrap, w.indent, m)) {
        note.kind = NoteKind::BlockIndent;
        note.rest = m;
        return true;
    }
    if (!text.starts_with(w.from)) return false;
    std::string_view rest = text.substr(w.from.size());
    if (rest == w.foot || NumberBetween(rest, w.footFrom, w.raise, n)) {
        note.kind = NoteKind::BlockRaise;
        note.cells = rest == w.foot ? 0 : n;
        return true;
    }
    if (ReadSize(rest, note.steps)) {
        note.kind = NoteKind::BlockSize;
        return true;
    }
    for (int level = 1; level <= 3; ++level) {
        if (rest == w.headings[level - 1]) {
            note.kind = NoteKind::BlockHeading;
            note.level = level;
            return true;
        }
    }
    if (!TakeNoteNumber(rest, n)) return false;
    note.cells = n;
    if (rest == w.width) {
        note.kind = n > 0 ? NoteKind::BlockWidth : NoteKind::Footnote;
        return n > 0;
    }
    if (!rest.starts_with(w.indent)) return false;
    rest.remove_prefix(w.indent.size());
    if (NumberBetween(rest, w.wrap, w.indent, m)) {
        note.rest = m;
    } else if (NumberBetween(rest, w.footIndent, w.indent, m) ||
               NumberBetween(rest, w.footIndent, w.raise, m)) {
        note.foot = m;
    } else {
        return false;
    }
    note.kind = NoteKind::BlockIndent;
    return true;
}

// ここで中見出し終わり (大, 小).
bool ReadBlockHeadingEnd(std::string_view text, Note& note) {
    const AozoraWords& w = Words();
    if (!text.starts_with(w.here) || !text.ends_with(w.headingEnd)) return false;
    text = text.substr(w.here.size());
    text.remove_suffix(w.headingEnd.size());
    for (int level = 1; level <= 3; ++level) {
        if (text == w.headings[level - 1]) {
            note.kind = NoteKind::BlockHeadingEnd;
            note.level = level;
            return true;
        }
    }
    return false;
}

// Forms that stand alone or end a block.
bool ReadSingle(std::string_view text, Note& note) {
    const AozoraWords& w = Words();
    for (int level = 0; level < 4; ++level) {
        if (text == w.pageBreaks[level]) {
            note.kind = NoteKind::PageBreak;
            note.level = std::max(0, level - 1);
            return true;
        }
    }
    int n = 0;
    if (text == w.foot || NumberBetween(text, w.footFrom, w.raise, n)) {
        note.kind = NoteKind::Raise;
        note.cells = text == w.foot ? 0 : n;
    } else if (NumberBetween(text, w.head, w.indent, n) ||
               NumberBetween(text, w.thisLine, w.indent, n)) {
        note.kind = NoteKind::Indent;
        note.cells = n;
    } else if (text == w.raiseEnd[0] || text == w.raiseEnd[1]) {
        note.kind = NoteKind::BlockRaiseEnd;
    } else if (text == w.widthEnd) {
        note.kind = NoteKind::BlockWidthEnd;
    } else if (text == w.centre) {
        note.kind = NoteKind::PageCentre;
    } else if (text == w.captionEnd || text == w.sizeEnd[0] || text == w.sizeEnd[1]) {
        note.kind = NoteKind::SizeEnd;
    } else if (text.starts_with(w.here) && (text.substr(w.here.size()) == w.captionEnd ||
                                            text.substr(w.here.size()) == w.sizeEnd[0] ||
                                            text.substr(w.here.size()) == w.sizeEnd[1])) {
        note.kind = NoteKind::BlockSizeEnd;
    } else if (ReadSize(text, note.steps)) {
        note.kind = NoteKind::Size;
    } else {
        return ReadBlockHeadingEnd(text, note);
    }
    return true;
}

}  // namespace

bool ClassifyAozoraNote(std::string_view text, Note& note) {
    for (bool (*read)(std::string_view, Note&) :
         {ReadSingle, ReadBlockStart, ReadSizeOf, ReadPicture}) {
        Note n;  // each reader from a clean note: one that fails may have filled some
        if (read(text, n)) {
            note = std::move(n);
            return true;
        }
    }
    return false;
}

std::string WithoutHeadingPrefix(std::string_view text) {
    const AozoraWords& w = Words();
    for (const std::string& prefix : w.headingPrefixes) {
        if (!ContainsChars(text, prefix)) continue;
        for (const std::string& word : w.headings) {
            const std::size_t at = FindLastChars(text, prefix + word);
            if (at == std::string_view::npos) continue;
            std::string out(text.substr(0, at));
            out += text.substr(at + prefix.size());
            return out;
        }
    }
    return std::string(text);
}

bool TakeNoteNumber(std::string_view& text, int& value) {
    value = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        int digit = -1;
        std::size_t len = 1;
        if (b >= '0' && b <= '9') {
            digit = b - '0';
        } else if (b == 0x82 && i + 1 < text.size()) {
            const unsigned char t = static_cast<unsigned char>(text[i + 1]);
            if (t >= 0x4F && t <= 0x58) digit = t - 0x4F;  // ０ to ９
            len = 2;
        }
        if (digit < 0) break;
        value = value > kMaxNoteCells / 10 ? kMaxNoteCells
                                           : std::min(kMaxNoteCells, value * 10 + digit);
        i += len;
    }
    if (i == 0) return false;
    text.remove_prefix(i);
    return true;
}

std::size_t DrawnWidth(std::string_view row, std::size_t from, bool ruby, const RowStyle* style) {
    const MarkupChars& m = Markup();
    std::size_t width = 0, hidden = 0;
    for (std::size_t i = from; i < row.size();) {
        if (style) {
            while (hidden < style->hidden.size() && style->hidden[hidden].begin < i) ++hidden;
            if (hidden < style->hidden.size() && style->hidden[hidden].begin == i) {
                i = std::max<std::size_t>(i + 1, style->hidden[hidden++].end);
                continue;
            }
        }
        const std::size_t len = CharLengthAt(row, i);
        if (ruby && row.compare(i, len, m.rubyOpen) == 0) {
            const int close = FindChars(row.substr(i + len), m.rubyClose);
            if (close != 0) {
                i += len + static_cast<std::size_t>(close - 1) + m.rubyClose.size();
                continue;
            }
        }
        std::string_view text;
        const std::size_t end = AnnotationEnd(row, i, &text);
        if (end != 0) {
            const NoteKind kind = ClassifyNote(text, style == nullptr).kind;
            width += kind == NoteKind::Footnote ? 2 : 0;
            i = end;
            continue;
        }
        width += len;
        i += len;
    }
    return width;
}

std::string PictureNoteFile(std::string_view line) {
    std::string_view text;
    if (line.empty() || AnnotationEnd(line, 0, &text) != line.size()) return {};
    Note note = ClassifyNote(text, true);
    return note.kind == NoteKind::Picture ? std::move(note.target) : std::string();
}

bool ClosedOnLine(std::string_view line, std::size_t at, bool note) {
    const MarkupChars& m = Markup();
    const std::string& closer = note ? m.noteClose : m.rubyClose;
    const std::size_t from = std::min(line.size(), at + CharLengthAt(line, at));
    if (closer.size() != 2) return FindChars(line.substr(from), closer) != 0;
    // The common case, once for every ruby and annotation: a two-byte closer, looked for
    // on character boundaries.
    const auto* b = reinterpret_cast<const unsigned char*>(line.data());
    const auto c0 = static_cast<unsigned char>(closer[0]);
    const auto c1 = static_cast<unsigned char>(closer[1]);
    for (std::size_t i = from; i + 1 < line.size(); i += IsLeadByte(b[i]) ? 2 : 1) {
        if (b[i] == c0 && b[i + 1] == c1) return true;
    }
    return false;
}

}  // namespace mirvo
