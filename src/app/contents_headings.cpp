#include "app/contents_headings.h"

#include <string>

#include "format/cp932.h"
#include "format/document.h"

namespace mirvo {

void AddLayoutHeadings(std::vector<ContentsEntry>& contents, const std::vector<Heading>& headings,
                       std::size_t& next, std::size_t row, const PageLayout& layout,
                       bool rowListed) {
    while (next < headings.size() && headings[next].row <= row) {
        const Heading& h = headings[next++];
        if (h.row < row || rowListed) continue;
        contents.push_back({ContentsKind::Heading, Cp932ToUtf8(h.text),
                            PageOfRow(static_cast<long long>(row), layout)});
    }
}

}  // namespace mirvo
