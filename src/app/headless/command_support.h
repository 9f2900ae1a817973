// Pieces shared by the headless commands.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_table.h"
#include "format/error_reporter.h"
#include "format/extra_chars.h"
#include "format/formatter.h"

namespace mirvo {

// Reports formatting and drawing errors on standard error, one line per "\r\n" line; the
// status text and the Last entry have no place here.
class StderrHost : public FormatterHost, public ErrorReporter {
  public:
    void Report(const Problem& problem) override;
    void ReportError(const std::string& message) override;
    bool failed = false;
};

// Loads `file` in the encoding of `s` and formats it with `s` into `rows` (and `notes`,
// FormatDocument); a file that cannot be read or formatted is reported on standard error
// and gives false. Characters that had to be replaced are noted there too, and the rows
// are made all the same. `extras`, when given, receives the book's extra characters.
bool LoadAndFormat(const std::string& file, const Settings& s, RowList& rows, StderrHost& host,
                   LayoutNotes* notes = nullptr, ExtraChars* extras = nullptr);

// The loading half of LoadAndFormat: the source lines of `file` into `rows`, as the
// formatter would receive them (gaiji notes made extra characters where `s` takes
// annotations as layout), and the extra characters into `extras` when given.
bool LoadBookLines(const std::string& file, const Settings& s, RowList& rows,
                   ExtraChars* extras = nullptr);

// A whole decimal number within +-1000000; false for anything else.
bool ParseInt(const std::string& s, int& out);

// A picture size "WxH" (or "WXH"), each side 1 to 5000 pixels; false for anything else.
// Larger than any screen: the double-size buffers of a bigger area would take gigabytes.
bool ParseArea(const std::string& s, int& width, int& height);

// Which settings a command takes options for: a command that only formats takes those of
// the formatting settings, a command that draws takes every setting option of the table.
enum class OptionScope { None, Formatting, Drawing };

// " [--rows N] [--chars N] ...": the setting options of `scope`, for the usage text.
std::string SettingOptionsUsage(OptionScope scope);

// A headless command line: FILE, the settings (the defaults changed by the setting
// options) and the values of the command's own options.
struct CommandLine {
    std::string file;
    Settings settings;
    std::map<std::string, std::string, std::less<>> values;
};

// Reads `args` (after the command's name): one FILE, every option followed by its value,
// each option one of `own` or a setting option of `scope`. Returns "" or what is wrong.
std::string ParseCommandLine(const std::vector<std::string>& args, OptionScope scope,
                             std::initializer_list<std::string_view> own, CommandLine& line);

// Writes "mirvo <command>: <problem>" on standard error and gives the exit status 2.
int UsageError(std::string_view command, const std::string& problem);

}  // namespace mirvo
