#include "app/book_finder.h"

namespace mirvo {

void BookFinder::Forget() {
    text_.reset();
    hit_ = FindHit{};
}

const FindHit& BookFinder::Find(const RowList& rows, bool ruby, bool notes, std::string_view query,
                                FindDirection direction, long long spreadStart,
                                long long spreadEnd) {
    if (!text_) text_.emplace(rows, ruby, notes);
    const long long hitRow = hit_.found ? static_cast<long long>(hit_.cells.front().row) : -1;
    std::size_t from = 0;
    if (hit_.found && hitRow >= spreadStart && hitRow < spreadEnd) {
        from = direction == FindDirection::Next ? hit_.index + 1 : hit_.index;
    } else {
        const long long start = spreadStart < 0 ? 0 : spreadStart;
        from = text_->IndexAt({static_cast<std::uint32_t>(start), 0});
    }
    hit_ = FindInBook(*text_, query, from, direction);
    return hit_;
}

}  // namespace mirvo
