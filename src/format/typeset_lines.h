// Book typesetting: one source line cut into rows as a printed book sets its columns.
// Only 。、，． hang below a full column, one at most; a character that may not begin a
// column takes the unit before it along; an opening bracket never ends a column; ruby
// groups, footnote marks and runs of dashes or leaders are never split; a column is closed
// only when something follows it, so no empty column is made where the line has none; and
// a separator line of one repeated character is cut to the column.
#pragma once

#include <string_view>
#include <vector>

#include "format/document.h"
#include "format/typeset_rules.h"

namespace mirvo {

class LayoutNoteTracker;

// Where the rows of one line begin and end: [begin, end) in the line.
struct LinePiece {
    std::size_t begin = 0, end = 0;
};

// Cuts `units`, read from `line`, into columns of `first` bytes (the first) and `rest`
// bytes (the others): `pieces`.
void BreakTypesetLine(std::string_view line, std::vector<TypesetUnit>& units, int first, int rest,
                      std::vector<LinePiece>& pieces);

// Formats `line` into `rows`, whose last row is the empty row opened for it. A row closes
// past `baseLimit` counted bytes (RowBytes - 1), or past the limit `tracker` gives when
// given (it takes the layout annotations; markup left open is then text, and `leftOpen`
// tells of it). False when a ruby or an annotation is not closed on the line otherwise.
bool TypesetLineIntoRows(std::string_view line, int baseLimit, bool ruby, bool notes,
                         LayoutNoteTracker* tracker, RowList& rows, bool& leftOpen);

}  // namespace mirvo
