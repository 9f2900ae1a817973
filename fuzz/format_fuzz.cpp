// The formatter on any bytes and any layout: it must neither crash nor break the shape of
// its result.
#include "format/document.h"
#include "format/formatter.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    fuzz::Input in(data, size);
    const int rowCount = in.Small();
    const int rowBytes = in.Small();
    const std::uint8_t flags = in.Byte();
    const FormatOptions options{PageLayout(rowCount, rowBytes), (flags & 1) != 0, (flags & 2) != 0,
                                "fuzz.txt", (flags & 4) != 0};
    LayoutNotes notes;
    RowList rows = SplitLines(in.Rest());
    fuzz::QuietHost host;
    const bool ok = FormatDocument(rows, options, host, &notes);
    if (ok != (host.errors == 0)) fuzz::Fault("result and reported errors disagree");
    if (!ok && !rows.empty()) fuzz::Fault("rows left after a failure");
    if (ok && (rows.empty() || !rows.back().empty())) fuzz::Fault("no closing empty row");
    if (!ok && !notes.headings.empty()) fuzz::Fault("headings left after a failure");
    if (ok && !notes.rows.empty() && notes.rows.size() != rows.size())
        fuzz::Fault("layout notes out of step with the rows");
    for (std::size_t r = 0; r < notes.rows.size() && r < rows.size(); ++r) {
        for (const RowMark& m : notes.rows[r].marks) {
            if (m.begin >= m.end || m.end > rows[r].size()) fuzz::Fault("a mark outside its row");
        }
        for (const RowSpan& s : notes.rows[r].bold) {
            if (s.begin >= s.end || s.end > rows[r].size())
                fuzz::Fault("bold text outside its row");
        }
    }
    return 0;
}
