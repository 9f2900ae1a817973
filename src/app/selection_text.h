// The text of a stretch of the formatted book as a reader copies it: UTF-8, without the
// markup (the ruby marker and readings, annotations and so footnote marks and their notes).
#pragma once

#include <string>

#include "format/document.h"
#include "format/markup.h"
#include "viewer/text_bands.h"

namespace mirvo {

// What the rows were formatted with, for reading them back.
struct RowReading {
    bool ruby = true;                     // ｜ and 《…》 are markup
    bool notes = true;                    // ［＃…］ is markup
    int rowBytes = 2;                     // the layout's bytes a row
    const LayoutNotes* layout = nullptr;  // indents, when layout annotations were used
};

// The characters from `first` to `last` (each the first byte of a character of its row,
// both included) of `rows` as they read, in UTF-8. A row whose text stops more than one
// full-width cell short of the row's width ended a line of the book: a line break follows
// it when more is taken. Rows out of range are left out.
std::string ReadRows(const RowList& rows, const RowReading& reading, SourceCell first,
                     SourceCell last);

}  // namespace mirvo
