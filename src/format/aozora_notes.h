// The Aozora Bunko annotations that lay text out beyond indents and headings: text set at
// the foot (地付き, 字上げ), hanging indents, rows of fixed width (字詰め), text drawn larger
// or smaller, captions, pictures, and the notes that start the next page on a given side
// or centre a page. ClassifyNote reads them through ClassifyAozoraNote; the layout tracker
// lays them out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "format/markup.h"

namespace mirvo {

// Reads the forms named above (and 改頁, 改丁, 改見開き with their levels, 天からN字下げ and
// この行N字下げ as indents) from the text of an annotation (CP932, between "＃" and "］")
// into `note`; false, with `note` untouched, for any other text.
bool ClassifyAozoraNote(std::string_view text, Note& note);

// `text` with the 同行 or 窓 before a heading word (大見出し, 中見出し, 小見出し) removed,
// so that those headings read as the plain ones; `text` itself when there is none.
std::string WithoutHeadingPrefix(std::string_view text);

// Reads the digits (ASCII or full-width, mixed as they come) at the start of `text` into
// `value`, at most kMaxNoteCells, and removes them; false when there are none.
bool TakeNoteNumber(std::string_view& text, int& value);

// The counted width (bytes: 2 a full-width cell) that the bytes of `row` from `from` on
// take when drawn: ruby readings (when `ruby`) and emphasis take none, an annotation one
// cell, unless it lies in a hidden span of `style`, or (with no style) it is one the
// layout tracker lays out without width.
std::size_t DrawnWidth(std::string_view row, std::size_t from, bool ruby, const RowStyle* style);

// The picture file (CP932) when `line` is a picture annotation and nothing else; "".
std::string PictureNoteFile(std::string_view line);

// True when the "《" or "［＃" at byte `at` of `line` is closed later on the line.
bool ClosedOnLine(std::string_view line, std::size_t at, bool note);

}  // namespace mirvo
