// The inline annotations of a book: emphasis marks (傍点 and its kinds), side lines (傍線
// and its kinds), bold text (太字, ゴシック) and runs set upright across one cell (縦中横).
// Each comes in two forms: one that names the text just before it (［＃「X」に白丸傍点］) and
// a range (［＃白丸傍点］…［＃白丸傍点終わり］, ［＃ここから太字］…［＃ここで太字終わり］; a range
// may run over several lines). The layout tracker offers these notes here; what is taken
// takes no width and becomes spans of the line's bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/row_marks.h"

namespace mirvo {

enum class InlineForm : std::uint8_t {
    None,    // not an inline annotation
    Quoted,  // 「X」…: applies to the X just before it
    Open,    // begins a range
    Close,   // ends the innermost open range of the same kind
};

struct InlineNote {
    InlineForm form = InlineForm::None;
    bool bold = false;   // 太字 and ゴシック: drawn in the bold face, no mark
    RowMark mark;        // otherwise: its kind, style and side (begin and end unused)
    std::string target;  // Quoted: X (CP932)
};

// Reads the text of an annotation (CP932, between "＃" and "］").
InlineNote ParseInlineNote(std::string_view text);

// True when `run` (CP932) can be set upright in one cell: one to four characters, none of
// them markup or a space, each an ASCII character, a full-width digit, letter, "！", "？"
// or bracket, or a kanji numeral.
bool IsUprightRun(std::string_view run);

// A span of a line's bytes [begin, end) and what it asks for.
struct InlineSpan {
    std::size_t begin = 0, end = 0;
    bool bold = false;
    std::optional<RowMark> mark;  // when not bold
};

class InlineNoteTracker {
  public:
    // `ruby` tells whether 《…》 is ruby, so that an X is read without it.
    explicit InlineNoteTracker(bool ruby) : ruby_(ruby) {}

    // The annotation with text `text` at bytes [at, end) of `line`: true when it is an
    // inline annotation that applies here (then it is recorded and takes no width).
    bool Take(std::string_view line, std::size_t at, std::size_t end, std::string_view text);

    // The bytes of the upright run that the annotation just taken completes (its X, just
    // before it), for the formatter to count as one cell; 0 when it completes none.
    std::size_t UprightRunBytes() const { return uprightRun_; }

    // The line is done: ranges still open run to its end and go on from the start of the
    // next line; two half-width digits (or "!!", "!?", "??") that stand alone, outside
    // markup, are set upright. Appends the line's spans to `out`.
    void EndLine(std::string_view line, std::vector<InlineSpan>& out);

  private:
    struct OpenRange {
        InlineNote note;
        std::size_t begin;  // in the current line
    };
    bool TakeQuoted(std::string_view line, std::size_t at, const InlineNote& note);
    bool TakeOpen(std::string_view line, std::size_t end, const InlineNote& note);
    bool TakeClose(std::size_t at, const InlineNote& note);
    void AddSpan(std::size_t begin, std::size_t end, const InlineNote& note);
    void AddAutoUpright(std::string_view line);
    // Where X begins when the line up to `at`, as it reads, ends with it; npos if not.
    std::size_t TextBefore(std::string_view line, std::size_t at, std::string_view x);

    const bool ruby_;
    std::vector<OpenRange> open_;    // innermost last
    std::vector<InlineSpan> spans_;  // of the current line
    std::size_t uprightRun_ = 0;
    std::size_t walked_ = 0;  // a character boundary of the current line
};

}  // namespace mirvo
