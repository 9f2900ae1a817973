#include "app/headless/command_support.h"

#include <cstdio>
#include <cstdlib>

#include "format/document.h"

namespace mirvo {

void StderrHost::ReportError(const std::string& message) {
    std::string text;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message.compare(i, 2, "\r\n") == 0) {
            text += '\n';
            ++i;
        } else {
            text += message[i];
        }
    }
    std::fprintf(stderr, "%s\n", text.c_str());
    failed = true;
}

bool LoadAndFormat(const std::string& file, const FormatOptions& options, RowList& rows,
                   StderrHost& host) {
    std::string error;
    if (!LoadLines(file, rows, &error)) {
        std::fprintf(stderr, "mirvo: %s\n", error.c_str());
        return false;
    }
    return FormatDocument(rows, options, host);
}

bool ParseInt(const std::string& s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace mirvo
