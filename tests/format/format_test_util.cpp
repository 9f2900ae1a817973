#include "format/format_test_util.h"

#include "format/cp932.h"

namespace mirvo::test {

std::vector<std::string> FormatUtf8(const std::vector<std::string>& utf8Lines,
                                    const FormatOptions& options, RecordingHost& host, bool* ok) {
    RowList rows;
    for (const std::string& l : utf8Lines) rows.push_back(Sjis(l));
    const bool success = FormatDocument(rows, options, host);
    if (ok) *ok = success;
    std::vector<std::string> out;
    for (const std::string& r : rows) out.push_back(Cp932ToUtf8(r));
    return out;
}

namespace {

bool InSet(std::string_view ch, const std::string& set) {
    int pos = 1;
    while (pos <= static_cast<int>(set.size())) {
        if (NextChar(set, pos) == ch) return true;
    }
    return false;
}

// The width a row takes on the page when drawn: markup as the renderer reads it, and the
// trailing run of hung characters and moved annotations left out.
int DrawnWidthWithoutHung(const std::string& row, const FormatOptions& o) {
    static const std::string hang =
        Sjis("]}):;,.-?!ﾞﾟ｣･~・：；？！゛゜‐’”）〕｝〉」』】,.､｡、。，．");
    static const std::string open = Sjis("《"), close = Sjis("》"), noteOpen = Sjis("［"),
                             sharp = Sjis("＃"), noteClose = Sjis("］"), dots = Sjis("傍点");
    struct Piece {
        int width;
        bool hangs;
    };
    std::vector<Piece> pieces;
    int pos = 1;
    const int n = static_cast<int>(row.size());
    while (pos <= n) {
        const std::string_view ch = NextChar(row, pos);
        if (o.UseRuby && ch == open) {
            while (pos <= n && NextChar(row, pos) != close) {
            }
            continue;
        }
        if (o.UseComment && ch == noteOpen && pos <= n) {
            int peek = pos;
            if (NextChar(row, peek) == sharp) {
                std::string text;
                pos = peek;
                while (pos <= n) {
                    const std::string_view c = NextChar(row, pos);
                    if (c == noteClose) break;
                    text += c;
                }
                bool emphasis = false;
                for (std::size_t i = 0; i + dots.size() <= text.size();
                     i += CharLengthAt(text, i)) {
                    if (text.compare(i, dots.size(), dots) == 0) emphasis = true;
                }
                // A footnote cell moved behind a full row stands below it like a hung
                // character.
                pieces.push_back({emphasis ? 0 : 2, true});
                continue;
            }
        }
        pieces.push_back({static_cast<int>(ch.size()), InSet(ch, hang)});
    }
    while (!pieces.empty() && pieces.back().hangs) pieces.pop_back();
    int width = 0;
    for (const Piece& p : pieces) width += p.width;
    return width;
}

}  // namespace

std::string CheckRowInvariants(const RowList& source, const RowList& rows, const FormatOptions& o) {
    if (rows.empty()) return "no rows";
    if (!rows.back().empty()) return "last row not empty";
    std::string text, joined;
    std::size_t tags = 0;
    for (const std::string& l : source) {
        if (IsImageTagLine(l)) {
            ++tags;
        } else if (!IsSkipTagLine(l)) {
            text += l;
        }
    }
    const int rc = o.Layout.Rows();
    std::size_t tagRows = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& r = rows[i];
        if (IsImageTagLine(r) && i % static_cast<std::size_t>(rc) == 0) {
            ++tagRows;
            for (std::size_t k = i + 1; k < i + static_cast<std::size_t>(rc); ++k) {
                if (k >= rows.size() || !rows[k].empty()) {
                    return "illustration page " + std::to_string(i) + " not whole";
                }
            }
            continue;
        }
        joined += r;
        const int width = DrawnWidthWithoutHung(r, o);
        if (width > o.Layout.RowBytes()) {
            return "row " + std::to_string(i) + " is " + std::to_string(width) +
                   " bytes wide: " + Cp932ToUtf8(r);
        }
    }
    if (tagRows != tags) {
        return std::to_string(tags) + " tag lines but " + std::to_string(tagRows) +
               " tag rows at page starts";
    }
    if (joined != text) return "text of rows differs from text of lines";
    return "";
}

}  // namespace mirvo::test
