// Shared pieces of the formatter tests: a recording host and the row invariants.
#pragma once

#include <string>
#include <vector>

#include "format/formatter.h"
#include "support/test_support.h"

namespace mirvo::test {

// Records what the formatter tells its host: each problem (and a line describing it, for
// failure output), each step of progress as "done/total", the end as "ended".
class RecordingHost : public FormatterHost {
  public:
    std::vector<Problem> problems;
    std::vector<std::string> errors;
    std::vector<std::string> statusTexts;
    int lastCleared = 0;
    void Report(const Problem& p) override {
        problems.push_back(p);
        errors.push_back("problem " + std::to_string(static_cast<int>(p.kind)) + " at line " +
                         std::to_string(p.line) + " " + p.detail);
    }
    void ShowProgress(std::size_t done, std::size_t total) override {
        statusTexts.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    void FormattingEnded() override { statusTexts.push_back("ended"); }
    void ClearLastDocument() override { ++lastCleared; }
};

// Formats `utf8Lines` (converted to CP932) and returns the rows converted back to UTF-8.
std::vector<std::string> FormatUtf8(const std::vector<std::string>& utf8Lines,
                                    const FormatOptions& options, RecordingHost& host,
                                    bool* ok = nullptr);

// Checks what must hold after every successful run over `source` lines. Returns an empty
// string when all holds, else a description of the first fault.
std::string CheckRowInvariants(const RowList& source, const RowList& rows,
                               const FormatOptions& options);

}  // namespace mirvo::test
