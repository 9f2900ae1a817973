// Pieces shared by the headless commands.
#pragma once

#include <string>

#include "format/formatter.h"

namespace mirvo {

// Reports formatting and drawing errors on standard error, one line per "\r\n" line; the
// status text and the Last entry have no place here.
class StderrHost : public FormatterHost {
  public:
    void ReportError(const std::string& message) override;
    void SetStatusText(const std::string&) override {}
    void ClearLastDocument() override {}
    bool failed = false;
};

// Loads `file` and formats it into `rows`; a file that cannot be read or formatted is
// reported on standard error and gives false.
bool LoadAndFormat(const std::string& file, const FormatOptions& options, RowList& rows,
                   StderrHost& host);

// A whole decimal number within +-1000000; false for anything else.
bool ParseInt(const std::string& s, int& out);

}  // namespace mirvo
