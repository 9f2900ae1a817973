// The reading markup of a book: ruby 《…》 with its base marker ｜, annotations ［＃…］
// and what an annotation asks for. The formatter and the page renderer both read markup
// through this one model, so that a row is cut and drawn by the same rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/cp932.h"
#include "format/row_marks.h"

namespace mirvo {

// The markup characters, in CP932.
struct MarkupChars {
    std::string bar;         // ｜ begins a ruby base
    std::string rubyOpen;    // 《
    std::string rubyClose;   // 》
    std::string noteOpen;    // ［, which with ＃ after it opens an annotation
    std::string noteSharp;   // ＃
    std::string noteClose;   // ］
    std::string emphasis;    // 傍点: an annotation holding it asks for emphasis dots
    std::string quoteOpen;   // 「, around the text an annotation speaks of
    std::string quoteClose;  // 」
};
const MarkupChars& Markup();

// The code of a CP932 character: its byte, or lead << 8 | trail.
constexpr std::uint16_t CharCode(std::string_view ch) {
    return ch.size() >= 2 ? static_cast<std::uint16_t>(static_cast<unsigned char>(ch[0]) << 8 |
                                                       static_cast<unsigned char>(ch[1]))
           : ch.empty()   ? 0
                          : static_cast<std::uint16_t>(static_cast<unsigned char>(ch[0]));
}

// 1-based byte position of the first occurrence of `what` in `text` that begins on a
// character boundary; 0 when there is none.
int FindChars(std::string_view text, std::string_view what);
inline bool ContainsChars(std::string_view text, std::string_view what) {
    return FindChars(text, what) != 0;
}
// True when `text` ends with `suffix` and the suffix begins on a character boundary.
bool EndsWithChars(std::string_view text, std::string_view suffix);

// What an annotation asks for.
enum class NoteKind {
    Footnote,        // a note shown behind a circled mark (everything not below)
    Emphasis,        // holds 傍点: dots beside the text before it
    Indent,          // N字下げ: this line N cells down
    BlockIndent,     // ここからN字下げ: the lines up to the block's end N cells down
    BlockIndentEnd,  // ここで字下げ終わり
    Heading,  // 「X」は大見出し, 中見出し, 小見出し: the X before it is a heading
    HeadingStart,  // 大見出し, 中見出し, 小見出し: a heading runs up to its end
    HeadingEnd,    // 大見出し終わり, 中見出し終わり, 小見出し終わり
    PageBreak,  // 改ページ (改頁), 改丁, 改見開き: the next text on a new page (level 0, 1, 2)
    // Read only by ClassifyAozoraNote (aozora_notes.h):
    Raise,  // 地付き, 地からN字上げ: the text after it ends N cells above the foot
    BlockRaise,  // ここから地付き, ここから地からN字上げ: the lines up to the block's end
    BlockRaiseEnd,  // ここで地付き終わり, ここで字上げ終わり
    BlockWidth,     // ここからN字詰め: rows of at most N cells up to the block's end
    BlockWidthEnd,  // ここで字詰め終わり
    Size,  // N段階大きな文字, N段階小さな文字, キャプション: up to its end (steps)
    SizeEnd,  // 大きな文字終わり, 小さな文字終わり, キャプション終わり
    SizeOf,  // 「X」はN段階小さな文字, 「X」はキャプション: the X before it (steps)
    BlockSize,     // ここからN段階小さな文字: the lines up to the block's end (steps)
    BlockSizeEnd,  // ここで小さな文字終わり, ここで大きな文字終わり
    Picture,       // 挿絵（FILE）入る and its variants: FILE (target) on a page of its own
    PageCentre,    // ページの左右中央: the page's text centred across the page
    BlockHeading,  // ここから中見出し (大, 小): the lines up to the block's end (level)
    BlockHeadingEnd,  // ここで中見出し終わり (大, 小)
};

struct Note {
    NoteKind kind = NoteKind::Footnote;
    int cells = 0;       // Indent, BlockIndent, Raise, BlockWidth; digits beyond
                         // kMaxNoteCells are cut there
    int rest = -1;       // BlockIndent: the indent of a line's later rows (-1: as `cells`)
    int foot = 0;        // BlockIndent: cells kept free at the foot of every row
    int level = 0;       // headings: 1 大見出し, 2 中見出し, 3 小見出し; page breaks
    int steps = 0;       // the size notes: steps larger (above 0) or smaller (below 0)
    std::string target;  // Heading, SizeOf: the quoted X; Picture: the file name (CP932)
};
constexpr int kMaxNoteCells = 9999;

// Reads the text of an annotation (CP932, between "＃" and "］"). Text holding 傍点 is an
// emphasis, as always. With `layout` false every other text is a footnote; with it true
// the layout forms above are recognised (N in full-width or ASCII digits, or both), and
// any other text stays a footnote.
Note ClassifyNote(std::string_view text, bool layout);

// The annotation "［＃…］" that begins at byte `at` of `line`: the byte just past its "］",
// or 0 when there is no annotation opener there or it is not closed on the line. `text`
// receives the bytes between "＃" and "］".
std::size_t AnnotationEnd(std::string_view line, std::size_t at, std::string_view* text);

// Calls `visible`(byte index, byte length) for every character of `text` that reads as
// text, in order: the one walk over the markup behind StripMarkup and the find engine.
template <typename Visible>
void ForEachReadChar(std::string_view text, bool ruby, bool notes, Visible visible) {
    const MarkupChars& m = Markup();
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t len = CharLengthAt(text, i);
        const std::string_view ch = text.substr(i, len);
        if (ruby && ch == m.bar) {
            i += len;
            continue;
        }
        if (ruby && ch == m.rubyOpen) {
            const int close = FindChars(text.substr(i + len), m.rubyClose);
            if (close != 0) {
                i += len + static_cast<std::size_t>(close - 1) + m.rubyClose.size();
                continue;
            }
        }
        if (notes) {
            const std::size_t end = AnnotationEnd(text, i, nullptr);
            if (end != 0) {
                i = end;
                continue;
            }
        }
        visible(i, len);
        i += len;
    }
}

// `text` as it reads: without the ruby base marker and the ruby readings 《…》 (when
// `ruby`), and without annotations ［＃…］ (when `notes`). Markup left open is kept.
std::string StripMarkup(std::string_view text, bool ruby, bool notes);

// Where the text `x` (CP932) begins in `line` when `line` up to byte `at`, read as
// StripMarkup reads it (annotations always removed, ruby when `ruby`), ends with `x`;
// npos when it does not or `x` is empty.
std::size_t FindReadingBefore(std::string_view line, std::size_t at, std::string_view x, bool ruby);

// What the formatter found for the layout annotations of a book, for the renderer and
// the contents. Byte ranges are [begin, end) in the row.
struct RowSpan {
    std::uint32_t begin = 0, end = 0;
};
struct SizedSpan {
    std::uint32_t begin = 0, end = 0;
    int steps = 0;  // larger (above 0) or smaller (below 0) than the body text
};
struct RowStyle {
    int indent = 0;  // cells the row's first character sits down
    // Aligned to the foot: the row's text from byte `footFrom` on ends `raise` cells above
    // the foot of the column (-1: not aligned). Text before `footFrom` stays at the head.
    int raise = -1;
    std::uint32_t footFrom = 0;
    // The row is a picture annotation of its own page (PictureNoteFile reads its file): it
    // draws the picture as an <IMG> row would.
    bool picture = false;
    std::vector<RowSpan> hidden;   // layout annotations: nothing drawn, no cell taken
    std::vector<RowSpan> bold;     // heading text and 太字, drawn in the bold face
    std::vector<SizedSpan> sized;  // text drawn larger or smaller within its cells
    std::vector<RowMark> marks;    // 縦中横, emphasis marks and side lines
};
struct Heading {
    std::size_t row = 0;  // the row holding the heading's first character
    int level = 0;        // 1 大見出し, 2 中見出し, 3 小見出し
    std::string text;     // CP932, as it stands in the book (ruby markup included)
};
struct LayoutNotes {
    // One entry per row of the formatted book; empty when layout annotations were off,
    // and then every row draws as plain rows always have.
    std::vector<RowStyle> rows;
    std::vector<Heading> headings;  // in row order
};

}  // namespace mirvo
