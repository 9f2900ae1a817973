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
                   StderrHost& host, LayoutNotes* notes) {
    std::string error;
    if (!LoadLines(file, rows, &error)) {
        std::fprintf(stderr, "mirvo: %s\n", error.c_str());
        return false;
    }
    return FormatDocument(rows, options, host, notes);
}

int ParseFormatArgs(const char* command, const std::vector<std::string>& args,
                    FormatOptions& options, std::string& file) {
    int chars = 25;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        int* target = nullptr;
        bool* flag = nullptr;
        if (a == "--rows") {
            target = &options.RowCount;
        } else if (a == "--chars") {
            target = &chars;
        } else if (a == "--ruby") {
            flag = &options.UseRuby;
        } else if (a == "--comment") {
            flag = &options.UseComment;
        } else if (a == "--aozora") {
            flag = &options.UseAozoraNotes;
        } else if (file.empty() && (a.size() < 2 || a.compare(0, 2, "--") != 0)) {
            file = a;
            continue;
        } else {
            std::fprintf(stderr, "mirvo %s: unexpected argument %s\n", command, a.c_str());
            return 2;
        }
        int value = 0;
        if (i + 1 >= args.size() || !ParseInt(args[i + 1], value) ||
            (flag && value != 0 && value != 1)) {
            std::fprintf(stderr, "mirvo %s: %s needs a number\n", command, a.c_str());
            return 2;
        }
        ++i;
        if (target) *target = value;
        if (flag) *flag = value != 0;
    }
    if (file.empty()) {
        std::fprintf(stderr, "mirvo %s: no FILE given\n", command);
        return 2;
    }
    options.RowBytes = 2 * chars;
    options.DocumentPath = file;
    return 0;
}

bool ParseInt(const std::string& s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace mirvo
