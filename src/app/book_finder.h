// Find in the book on show: the book's text made once per formatting, the last hit kept for
// the window to mark, and where the next search starts.
#pragma once

#include <optional>
#include <string_view>

#include "app/book_find.h"
#include "format/document.h"

namespace mirvo {

class BookFinder {
  public:
    // The rows were formatted again (or another book opened): the text is made anew at the
    // next search and the hit is dropped.
    void Forget();
    // Searches `rows` (formatted with the `ruby` and `notes` switches) for `query`. The search
    // goes on from the last hit while that hit begins on or after `spreadStart` and before
    // `spreadEnd` (the rows on show); otherwise it starts at the first row on show.
    const FindHit& Find(const RowList& rows, bool ruby, bool notes, std::string_view query,
                        FindDirection direction, long long spreadStart, long long spreadEnd);
    // The last search's hit (found false before any search and after one that missed).
    const FindHit& Hit() const { return hit_; }

  private:
    std::optional<BookText> text_;
    FindHit hit_;
};

}  // namespace mirvo
