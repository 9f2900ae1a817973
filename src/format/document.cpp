#include "format/document.h"

#include <cstring>

#include "format/regular_file.h"

namespace mirvo {

RowList SplitLines(std::string_view bytes) {
    RowList lines;
    std::size_t start = 0;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(bytes.substr(start, i - start));
            i += (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            // Jump to the next line end: memchr-style scan for CR or LF.
            const void* lf = std::memchr(bytes.data() + i, '\n', n - i);
            const void* cr = std::memchr(bytes.data() + i, '\r', n - i);
            const char* end = bytes.data() + n;
            const char* next = end;
            if (lf) next = static_cast<const char*>(lf);
            if (cr && static_cast<const char*>(cr) < next) next = static_cast<const char*>(cr);
            i = static_cast<std::size_t>(next - bytes.data());
        }
    }
    if (start < n) lines.emplace_back(bytes.substr(start));
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
