// mirvo --dump-notes FILE [setting options of the formatting]
//
// The annotations a reader meets as footnote marks, found the way the page renderer finds
// them: the book is formatted with the options, and each row is walked as it is drawn.
// Rows hold the bytes of the source lines in order (a <SKIP> line and a page-break line
// alone leave none), so a byte of the rows is traced back to its line through their sums.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless/command_support.h"
#include "app/headless/headless.h"
#include "format/aozora_notes.h"
#include "format/cp932.h"
#include "format/formatter.h"
#include "format/layout_notes.h"
#include "format/markup.h"
#include "render/illustration.h"
#include "render/picture_source.h"

namespace mirvo {
namespace {

// Where each source line's bytes begin in the rows laid end to end; lines that leave no
// bytes are left out. `kept` receives those bytes, to be checked against the rows.
struct LineStart {
    std::size_t offset;
    std::size_t line;  // 0-based
};
std::vector<LineStart> LineStarts(const RowList& source, bool layout, std::string& kept) {
    std::vector<LineStart> starts;
    for (std::size_t k = 0; k < source.size(); ++k) {
        const std::string& line = source[k];
        const bool dropped =
            !IsImageTagLine(line) &&
            (IsSkipTagLine(line) || (layout && LayoutNoteTracker::IsPageBreakLine(line)));
        if (dropped || line.empty()) continue;
        starts.push_back({kept.size(), k});
        kept += line;
    }
    return starts;
}

// Calls `mark`(byte, length) for each annotation of `row` that is drawn as a footnote
// mark: outside ruby (when ruby is read), not emphasis, not a hidden layout span, closed
// within the row. Follows the renderer's walk; false when markup is left open in the row,
// where the renderer stops drawing the page.
template <typename Mark>
bool ForEachFootnoteMark(const std::string& row, const RowStyle* style, bool ruby, Mark mark) {
    const MarkupChars& m = Markup();
    std::size_t hidden = 0, i = 0;
    while (i < row.size()) {
        if (style) {
            while (hidden < style->hidden.size() && style->hidden[hidden].begin < i) ++hidden;
            if (hidden < style->hidden.size() && style->hidden[hidden].begin == i) {
                i = style->hidden[hidden++].end;
                continue;
            }
        }
        const std::size_t len = CharLengthAt(row, i);
        const std::string_view ch = std::string_view(row).substr(i, len);
        if (ruby && ch == m.rubyOpen) {
            const int close = FindChars(std::string_view(row).substr(i + len), m.rubyClose);
            if (close == 0 && style) {  // with the Aozora notes: text
                i += len;
                continue;
            }
            if (close == 0) return false;
            i += len + static_cast<std::size_t>(close - 1) + m.rubyClose.size();
            continue;
        }
        if (ch == m.noteOpen && row.compare(i + len, m.noteSharp.size(), m.noteSharp) == 0) {
            const std::size_t from = i + len + m.noteSharp.size();
            const int close = FindChars(std::string_view(row).substr(from), m.noteClose);
            if (close == 0 && style) {
                i += len;
                continue;
            }
            if (close == 0) return false;
            const std::size_t end = from + static_cast<std::size_t>(close - 1) + m.noteClose.size();
            const std::string_view text(row.data() + from, end - m.noteClose.size() - from);
            if (!ContainsChars(text, m.emphasis)) mark(i, end - i);
            i = end;
            continue;
        }
        i += len;
    }
    return true;
}

// True when the row is a picture annotation's and its picture is there to be drawn; a
// picture that is not there leaves the annotation drawn as text.
bool DrawsPicture(const std::string& row, const RowStyle* style, const std::string& book,
                  std::shared_ptr<const PictureSource>& pictures) {
    if (!style || !style->picture) return false;
    if (!pictures) pictures = BookPictures(book);
    PictureStamp stamp;
    return pictures->Look(IllustrationPath(book, PictureNoteFile(row)), &stamp);
}

// The 1-based source line of byte `offset` of the rows laid end to end.
std::size_t SourceLineOf(const std::vector<LineStart>& starts, std::size_t offset) {
    const auto next =
        std::upper_bound(starts.begin(), starts.end(), offset,
                         [](std::size_t v, const LineStart& l) { return v < l.offset; });
    return std::prev(next)->line + 1;
}

}  // namespace

int DumpNotesCommand(const std::vector<std::string>& args) {
    CommandLine line;
    const std::string problem = ParseCommandLine(args, OptionScope::Formatting, {}, line);
    if (!problem.empty()) return UsageError("--dump-notes", problem);
    const Settings& s = line.settings;
    const FormatOptions options = FormatOptionsOf(s, line.file);

    RowList rows;
    ExtraChars extras;
    if (!LoadBookLines(line.file, s, rows, &extras)) return 1;
    const RowList source = rows;
    LayoutNotes notes;
    StderrHost host;
    if (!FormatDocument(rows, options, host, &notes)) return 1;
    if (!options.UseComment) return 0;

    std::string kept, laid;
    const std::vector<LineStart> starts =
        LineStarts(source, options.UseAozoraNotes && options.UseComment, kept);
    std::string out;
    // The renderer stops drawing a page at a row whose markup is left open.
    const std::size_t pageRows = static_cast<std::size_t>(options.Layout.Rows());
    std::size_t at = 0, stoppedUpTo = 0;
    std::shared_ptr<const PictureSource> pictures;
    for (std::size_t r = 0; r < rows.size(); at += rows[r].size(), ++r) {
        const std::string& row = rows[r];
        laid += row;
        const RowStyle* style = r < notes.rows.size() ? &notes.rows[r] : nullptr;
        if (r < stoppedUpTo || (s.UseImage && (IsImageTagLine(row) ||
                                               DrawsPicture(row, style, line.file, pictures)))) {
            continue;
        }
        const bool closed =
            ForEachFootnoteMark(row, style, options.UseRuby, [&](std::size_t b, std::size_t n) {
                out += std::to_string(SourceLineOf(starts, at + b)) + "\t" +
                       extras.ToUtf8(row.substr(b, n)) + "\n";
            });
        if (!closed) stoppedUpTo = (r / pageRows + 1) * pageRows;
    }
    if (laid != kept) {
        std::fprintf(stderr, "mirvo --dump-notes: the rows do not hold the lines of %s\n",
                     line.file.c_str());
        return 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace mirvo
