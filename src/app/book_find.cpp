#include "app/book_find.h"

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

#include "format/cp932.h"
#include "format/formatter.h"
#include "format/markup.h"

namespace mirvo {
namespace {

// Every CP932 character code to the code it compares as: the full-width forms of the
// printable ASCII characters (ＡＢ１！＼ …) and the ideographic space become their ASCII
// byte; everything else stays itself.
const std::array<std::uint16_t, 65536>& FoldTable() {
    static const std::array<std::uint16_t, 65536> table = [] {
        std::array<std::uint16_t, 65536> t{};
        for (std::size_t c = 0; c < t.size(); ++c) t[c] = static_cast<std::uint16_t>(c);
        auto fold = [&](char32_t wide, std::uint16_t ascii) {
            std::string utf8;
            utf8 += static_cast<char>(0xE0 | (wide >> 12));
            utf8 += static_cast<char>(0x80 | ((wide >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (wide & 0x3F));
            const std::string cp = Utf8ToCp932(utf8);
            if (cp.size() == 2) t[CharCode(cp)] = ascii;
        };
        for (std::uint16_t c = 0x21; c <= 0x7E; ++c) fold(0xFF01 + (c - 0x21), c);
        fold(0x3000, 0x20);
        return t;
    }();
    return table;
}

// The query's characters as folded codes; nothing when a character has no CP932 form
// (it could never be found) or the bytes are not UTF-8.
std::optional<std::vector<std::uint16_t>> QueryCodes(std::string_view query) {
    const auto& fold = FoldTable();
    std::vector<std::uint16_t> codes;
    for (std::size_t i = 0; i < query.size();) {
        const std::size_t len = Utf8LengthAt(query, i);
        if (len == 0) return std::nullopt;
        const std::string_view ch = query.substr(i, len);
        const std::string cp = Utf8ToCp932(ch);
        if (cp.empty() || cp.size() > 2 || (cp == "?" && ch != "?")) return std::nullopt;
        codes.push_back(fold[CharCode(cp)]);
        i += len;
    }
    if (codes.empty()) return std::nullopt;
    return codes;
}

using Codes = std::vector<std::uint16_t>;

// The first hit at or after `from` (npos when none).
std::size_t SearchForward(const Codes& text, const Codes& query, std::size_t from) {
    if (from >= text.size()) return std::string_view::npos;
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                   std::boyer_moore_horspool_searcher(query.begin(), query.end()));
    return found == text.end() ? std::string_view::npos
                               : static_cast<std::size_t>(found - text.begin());
}

// The last hit that begins before `before` (npos when none): the text read backwards from
// the last place such a hit can end, against the query reversed.
std::size_t SearchBackward(const Codes& text, const Codes& query, std::size_t before) {
    if (before == 0) return std::string_view::npos;
    const std::size_t end = std::min(text.size(), before - 1 + query.size());
    const auto last = std::make_reverse_iterator(text.begin() + static_cast<std::ptrdiff_t>(end));
    const auto found = std::search(
        last, text.rend(), std::boyer_moore_horspool_searcher(query.rbegin(), query.rend()));
    if (found == text.rend()) return std::string_view::npos;
    // `found` points at the hit's last character, read backwards.
    return static_cast<std::size_t>(text.rend() - found) - query.size();
}

}  // namespace

BookText::BookText(const RowList& rows, bool ruby, bool notes) {
    std::size_t bytes = 0;
    for (const std::string& row : rows) bytes += row.size();
    codes_.reserve(bytes / 2 + 64);  // most characters are two bytes
    cells_.reserve(bytes / 2 + 64);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (IsImageTagLine(rows[r])) continue;
        AddRow(rows[r], static_cast<std::uint32_t>(r), ruby, notes);
    }
}

void BookText::AddRow(std::string_view row, std::uint32_t rowIndex, bool ruby, bool notes) {
    const auto& fold = FoldTable();
    ForEachReadChar(row, ruby, notes, [&](std::size_t i, std::size_t len) {
        codes_.push_back(fold[CharCode(row.substr(i, len))]);
        cells_.push_back(TextCell{rowIndex, static_cast<std::uint32_t>(i)});
    });
}

std::size_t BookText::IndexAt(TextCell cell) const {
    const auto it = std::lower_bound(cells_.begin(), cells_.end(), cell,
                                     [](const TextCell& a, const TextCell& b) {
                                         return a.row != b.row ? a.row < b.row : a.byte < b.byte;
                                     });
    return static_cast<std::size_t>(it - cells_.begin());
}

FindHit FindInBook(const BookText& text, std::string_view query, std::size_t from,
                   FindDirection direction) {
    FindHit hit;
    const auto codes = QueryCodes(query);
    if (!codes || codes->size() > text.Size()) return hit;
    const Codes& all = text.Codes();
    from = std::min(from, text.Size());
    std::size_t at = std::string_view::npos;
    if (direction == FindDirection::Next) {
        at = SearchForward(all, *codes, from);
        if (at == std::string_view::npos) {
            at = SearchForward(all, *codes, 0);
            hit.wrapped = true;
        }
    } else {
        at = SearchBackward(all, *codes, from);
        if (at == std::string_view::npos) {
            at = SearchBackward(all, *codes, text.Size());
            hit.wrapped = true;
        }
    }
    if (at == std::string_view::npos) return FindHit{};
    hit.found = true;
    hit.index = at;
    for (std::size_t i = at; i < at + codes->size(); ++i) hit.cells.push_back(text.Cell(i));
    return hit;
}

}  // namespace mirvo
