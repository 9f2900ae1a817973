// Shared pieces of the formatter tests: a recording host and the row invariants.
#pragma once

#include <string>
#include <vector>

#include "format/formatter.h"
#include "support/test_support.h"

namespace mirvo::test {

class RecordingHost : public FormatterHost {
  public:
    std::vector<std::string> errors;
    std::vector<std::string> statusTexts;
    int lastCleared = 0;
    void ReportError(const std::string& m) override { errors.push_back(m); }
    void SetStatusText(const std::string& t) override { statusTexts.push_back(t); }
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
