// Headings made by layout annotations (大見出し, 中見出し, 小見出し) as entries of the
// contents, listed among the heading-mark rows by the same page rule.
#pragma once

#include <cstddef>
#include <vector>

#include "app/reader_contents.h"
#include "format/markup.h"
#include "format/page_layout.h"

namespace mirvo {

// Appends to `contents` an entry for each heading of `headings` (in row order) that begins
// in row `row`: a heading entry with the heading's text (UTF-8) and the page of that row. `next` is
// the first heading not yet listed; the headings of rows before `row` are passed over. A row
// already listed by its heading mark (`rowListed`) is not listed again.
void AddLayoutHeadings(std::vector<ContentsEntry>& contents, const std::vector<Heading>& headings,
                       std::size_t& next, std::size_t row, const PageLayout& layout,
                       bool rowListed);

}  // namespace mirvo
