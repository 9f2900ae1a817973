// Pieces shared by the headless commands.
#pragma once

#include <string>
#include <vector>

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

// Loads `file` and formats it into `rows` (and `notes`, FormatDocument); a file that cannot be read
// or formatted is reported on standard error and gives false.
bool LoadAndFormat(const std::string& file, const FormatOptions& options, RowList& rows,
                   StderrHost& host, LayoutNotes* notes = nullptr);

// Reads the arguments of a command that formats a book: FILE [--rows N] [--chars N]
// [--ruby 0|1] [--comment 0|1] [--aozora 0|1]. Returns 0, or 2 after a usage message on
// standard error naming `command`.
int ParseFormatArgs(const char* command, const std::vector<std::string>& args,
                    FormatOptions& options, std::string& file);

// A whole decimal number within +-1000000; false for anything else.
bool ParseInt(const std::string& s, int& out);

}  // namespace mirvo
