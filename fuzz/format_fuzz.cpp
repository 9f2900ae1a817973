// The formatter on any bytes and any layout: it must neither crash nor break the shape of
// its result.
#include "format/document.h"
#include "format/formatter.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mirvo;
    fuzz::Input in(data, size);
    FormatOptions options;
    options.RowCount = in.Small();
    options.RowBytes = in.Small();
    const std::uint8_t flags = in.Byte();
    options.UseRuby = flags & 1;
    options.UseComment = flags & 2;
    options.DocumentPath = "fuzz.txt";
    RowList rows = SplitLines(in.Rest());
    fuzz::QuietHost host;
    const bool ok = FormatDocument(rows, options, host);
    if (ok != (host.errors == 0)) fuzz::Fault("result and reported errors disagree");
    if (!ok && !rows.empty()) fuzz::Fault("rows left after a failure");
    if (ok && (rows.empty() || !rows.back().empty())) fuzz::Fault("no closing empty row");
    return 0;
}
