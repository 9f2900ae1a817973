// The Aozora layout annotations on any bytes and any layout: reading an annotation's text
// must not crash, and a book formatted with them must keep its lines' bytes in order
// (page-break lines aside), one row style a row, every span and foot start within its
// row, and each picture at the first row of a page.
#include <string>

#include "format/aozora_notes.h"
#include "format/document.h"
#include "format/formatter.h"
#include "format/layout_notes.h"
#include "fuzz_support.h"

namespace {

void CheckStyles(const mirvo::RowList& rows, const mirvo::LayoutNotes& notes, int rowCount) {
    using namespace mirvo;
    if (notes.rows.size() != rows.size()) fuzz::Fault("row styles out of step with the rows");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RowStyle& s = notes.rows[r];
        auto inside = [&](std::uint32_t b, std::uint32_t e) {
            if (b > e || e > rows[r].size()) fuzz::Fault("a span beyond its row");
        };
        for (const RowSpan& h : s.hidden) inside(h.begin, h.end);
        for (const RowSpan& b : s.bold) inside(b.begin, b.end);
        for (const SizedSpan& z : s.sized) inside(z.begin, z.end);
        if (s.raise >= 0) inside(s.footFrom, s.footFrom);
        if (s.indent < 0 || s.raise < -1) fuzz::Fault("a negative indent or raise");
        if (s.picture &&
            (r % static_cast<std::size_t>(rowCount) != 0 || PictureNoteFile(rows[r]).empty()))
            fuzz::Fault("a picture not at the first row of a page");
        DrawnWidth(rows[r], s.raise >= 0 ? s.footFrom : 0, true, &s);
    }
    for (const Heading& h : notes.headings) {
        if (h.row >= rows.size()) fuzz::Fault("a heading beyond the rows");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    fuzz::Input in(data, size);
    const PageLayout layout(in.Small(), in.Small());
    const bool ruby = in.Flag();
    const std::string_view text = in.Rest();
    Note note;
    ClassifyNote(text, true);
    ClassifyAozoraNote(text, note);
    DrawnWidth(text, 0, ruby, nullptr);

    const FormatOptions options{layout, ruby, true, "fuzz.txt", true};
    RowList rows = SplitLines(text);
    const RowList source = rows;
    LayoutNotes notes;
    fuzz::QuietHost host;
    if (!FormatDocument(rows, options, host, &notes)) return 0;
    std::string kept, laid;
    for (const std::string& l : source) {
        if (!IsSkipTagLine(l) && !LayoutNoteTracker::IsPageBreakLine(l)) kept += l;
    }
    for (const std::string& r : rows) laid += r;
    if (kept != laid) fuzz::Fault("the rows do not hold the lines' bytes in order");
    CheckStyles(rows, notes, layout.Rows());
    return 0;
}
