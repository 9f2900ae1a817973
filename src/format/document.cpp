#include "format/document.h"

#include <cstring>

#include "format/regular_file.h"

namespace mirvo {

RowList SplitLines(std::string_view bytes) {
    RowList lines;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* p = begin;
    while (p < end) {
        // The next LF, then a CR before it: each byte is looked at once, so a file with
        // only one kind of line end is not scanned to its end for the other at every line.
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* stop = lf ? lf : end;
        const auto* cr = static_cast<const char*>(std::memchr(p, '\r', stop - p));
        if (cr) stop = cr;
        if (stop == end) {
            lines.emplace_back(p, end);
            break;
        }
        lines.emplace_back(p, stop);
        p = stop + (*stop == '\r' && stop + 1 < end && stop[1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool LoadLines(const std::string& path, RowList& lines, std::string* error, TextEncoding encoding,
               TextReport* report) {
    FileReadResult file = ReadRegularFile(path, kMaxBookBytes);
    if (file.status != FileReadStatus::Ok) {
        if (error) *error = FileReadMessage(path, file, kMaxBookBytes);
        return false;
    }
    const DecodedText text = DecodeText(std::move(file.bytes), encoding);
    if (report) *report = text.report;
    lines = SplitLines(text.cp932);
    return true;
}

int PageCount(std::size_t rowListSize, const PageLayout& layout) {
    const long long rows = static_cast<long long>(rowListSize);
    // (rows - 2) / RowCount truncates toward zero, so 0 and 1 rows give page 1.
    return static_cast<int>((rows - 2) / layout.Rows()) + 1;
}

long long FirstRowOfPage(int page, const PageLayout& layout) {
    return (static_cast<long long>(page) - 1) * layout.Rows();
}

int PageOfRow(long long rowIndex, const PageLayout& layout) {
    return static_cast<int>(rowIndex / layout.Rows()) + 1;
}

}  // namespace mirvo
