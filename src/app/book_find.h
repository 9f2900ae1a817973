// Finding a text in the formatted book. The search runs over the book as it reads: the
// rows are joined end to end (a hit may cross row and page ends) and their markup is left
// out, so a ruby base is found without its marker and reading. Characters compare in CP932,
// with the full-width forms of ASCII (and the ideographic space) equal to ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "format/document.h"

namespace mirvo {

// One character of the book: its row and the byte where it begins in that row.
struct TextCell {
    std::uint32_t row = 0;
    std::uint32_t byte = 0;
    bool operator==(const TextCell&) const = default;
};

// The book's text as it reads, made once from the rows and kept while they stay.
class BookText {
  public:
    // `ruby` and `notes`: whether ruby (｜, 《…》) and annotations (［＃…］) are markup, as
    // the rows were formatted. Illustration rows hold no text.
    BookText(const RowList& rows, bool ruby, bool notes);

    // Characters that read, in order.
    std::size_t Size() const { return codes_.size(); }
    const TextCell& Cell(std::size_t index) const { return cells_[index]; }
    // The index of the first character at or after `cell` (Size() past the last).
    std::size_t IndexAt(TextCell cell) const;
    // Folded character codes, one a character (see the top of this file).
    const std::vector<std::uint16_t>& Codes() const { return codes_; }

  private:
    void AddRow(std::string_view row, std::uint32_t rowIndex, bool ruby, bool notes);
    std::vector<std::uint16_t> codes_;
    std::vector<TextCell> cells_;
};

enum class FindDirection { Next, Previous };

struct FindHit {
    bool found = false;
    // The search passed an end of the book and went on from the other end.
    bool wrapped = false;
    std::size_t index = 0;        // the hit's first character in BookText
    std::vector<TextCell> cells;  // every character of the hit, in reading order
};

// Finds `query` (UTF-8) in `text` from the character index `from`: Next takes the first
// hit that begins at or after `from`, Previous the last hit that begins before it; either
// wraps at the end of the book. To go on past a hit, search Next from its index + 1, or
// Previous from its index. An empty query, or one holding a character that CP932 cannot
// write, finds nothing.
FindHit FindInBook(const BookText& text, std::string_view query, std::size_t from,
                   FindDirection direction);

}  // namespace mirvo
