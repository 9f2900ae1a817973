// The reader's preferences as held in memory while the program runs. Each field is
// named after its key in the settings files; the files themselves are read and written
// by the application layer (app/global_settings.h, app/book_state.h).
#pragma once

#include <string>

namespace mirvo {

struct Settings {
    // Book-scoped: replaced by a book's state file when the book is opened.
    int RowCount = 10;       // rows (columns of print) per page
    int RowBytes = 50;       // bytes per row, always 2 x CharCount
    int FontSpace = 0;       // percent by which the page font is smaller than its cell
    bool UseRuby = true;     // interpret 《》 ruby markup
    bool UseImage = true;    // draw <IMG> rows as pictures
    bool UseComment = true;  // interpret ［＃…］ annotations
    std::string IndexChar;   // heading mark of the contents (UTF-8); empty until a book is opened
    // Lay out the annotations of indentation, headings and page breaks (with UseComment).
    bool UseAozoraNotes = false;
    std::string FontName = "@ＭＳ ゴシック";  // vertical face, UTF-8
    bool FontBold = false;
    bool UsePageTexture = true;
    std::string PageColor = "clWhite";
    std::string CoverColor = "clWhite";
    std::string BaseBGTexture;  // bitmap tiled over the window background; empty = keep current
    std::string PageBGTexture;  // bitmap used as page texture; empty = keep current

    // Global: never replaced by a book.
    int ChangeSpeed = 100;      // page-turn speed 0..200, 0 = no animation
    bool Alias = true;          // draw pages at double size and reduce them
    std::string BKStandFolder;  // bookshelf folder; empty = none chosen

    int CharCount() const { return RowBytes / 2; }
};

// Rows per page and bytes per row as the formatter and the page arithmetic use them:
// values below the smallest workable layout (1 row, one full-width character) are
// taken as that layout, so that no setting can divide by zero or loop for ever.
inline int UsableRowCount(int rowCount) {
    return rowCount < 1 ? 1 : rowCount;
}
inline int UsableRowBytes(int rowBytes) {
    return rowBytes < 2 ? 2 : rowBytes;
}

}  // namespace mirvo
