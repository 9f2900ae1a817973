#include "app/selection_text.h"

#include <algorithm>
#include <string_view>

#include "format/cp932.h"

namespace mirvo {
namespace {

// The cells a row takes as drawn: what reads, the ruby markers, an indent.
int RowWidth(const std::string& row, const RowReading& reading, long long index) {
    int width = 0;
    ForEachReadChar(row, reading.ruby, reading.notes,
                    [&](std::size_t, std::size_t len) { width += static_cast<int>(len); });
    if (reading.ruby) {
        for (std::size_t at = 0; at < row.size(); at += CharLengthAt(row, at)) {
            if (std::string_view(row).substr(at, Markup().bar.size()) == Markup().bar) width += 2;
        }
    }
    if (reading.layout && index < static_cast<long long>(reading.layout->rows.size()))
        width += 2 * reading.layout->rows[static_cast<std::size_t>(index)].indent;
    return width;
}

}  // namespace

std::string ReadRows(const RowList& rows, const RowReading& reading, SourceCell first,
                     SourceCell last) {
    std::string text;
    const long long end = std::min(last.row, static_cast<long long>(rows.size()) - 1);
    for (long long index = std::max(first.row, 0LL); index <= end; ++index) {
        const std::string& row = rows[static_cast<std::size_t>(index)];
        ForEachReadChar(row, reading.ruby, reading.notes, [&](std::size_t at, std::size_t len) {
            if (index == first.row && at < first.byte) return;
            if (index == last.row && at > last.byte) return;
            text.append(row, at, len);
        });
        if (index < last.row && RowWidth(row, reading, index) < reading.rowBytes - 2) text += "\n";
    }
    return Cp932ToUtf8(text);
}

}  // namespace mirvo
