// Gaiji annotations: a character outside the book's character set written as a note that
// gives its code, "※［＃「てへん＋劣」、第3水準1-84-77］" (JIS X 0213 plane, row and cell, with
// or without the level), "［＃「口＋世」、U+546D、35-4］" (Unicode code points). With the
// annotations taken as layout, each such note, with the "※" before it when there is one,
// becomes one extra character (format/extra_chars.h) in its line before the lines are
// formatted; the table keeps the note. A note without a code stays as it is (a "※" and a
// footnote).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "format/document.h"
#include "format/extra_chars.h"
#include "format/formatter.h"

namespace mirvo {

// The character a gaiji note's text names (CP932, the text between "［＃" and "］"): the
// code points of the first of its parts after a "、" that is a code ("第3水準1-84-77",
// "第4水準2-1-3", "1-6-84", "U+546D", "U+304B+309A"), digits half- or full-width. JIS X
// 0213 codes go through the system's EUC-JISX0213 decoder, so some give two code points.
// Empty when no part is a code, or the code names no character.
std::u32string GaijiCharacter(std::string_view noteText);

// Replaces every gaiji note with a code in `lines` by its extra character in `extras`, the
// "※" just before it included. The codes the lines already use are reserved first. A
// note stays when the table is full. Returns how many notes were replaced.
std::size_t ApplyGaijiNotes(RowList& lines, ExtraChars& extras);
// The same before the lines are formatted with `options`: only when they take the
// annotations as layout (UseAozoraNotes and UseComment); else nothing changes.
std::size_t ApplyGaijiNotes(RowList& lines, ExtraChars& extras, const FormatOptions& options);

}  // namespace mirvo
