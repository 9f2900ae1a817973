#include "app/headless/command_support.h"

#include <cstdio>
#include <cstdlib>

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

bool ParseInt(const std::string& s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace mirvo
