#include "app/headless/command_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/messages.h"
#include "format/document.h"

namespace mirvo {
namespace {

// The option's name: its text up to the space before the value ("--rows N" -> "--rows").
std::string_view OptionName(const SettingEntry& e) {
    const std::string_view option = e.option;
    return option.substr(0, option.find(' '));
}

bool InScope(const SettingEntry& e, OptionScope scope) {
    return e.option && scope != OptionScope::None &&
           (scope == OptionScope::Drawing || e.formatting);
}

// Takes a setting option's value into `s`; "" or what is wrong with the value.
std::string TakeSettingValue(const SettingEntry& e, const std::string& value, Settings& s) {
    SettingValue shown = ShownValue(e, s);
    if (TextEncoding known;
        e.field == SettingField(&Settings::Encoding) && !ParseTextEncoding(value, known)) {
        return std::string(OptionName(e)) + " needs auto, cp932, utf-8, utf-16 or euc-jp";
    }
    if (std::holds_alternative<std::string>(shown)) {
        shown = value;
    } else {
        int number = 0;
        const bool flag = std::holds_alternative<bool>(shown);
        if (!ParseInt(value, number) || (flag && number != 0 && number != 1))
            return std::string(OptionName(e)) + (flag ? " needs 0 or 1" : " needs a number");
        if (flag)
            shown = number != 0;
        else
            shown = number;
    }
    SetShownValue(e, s, shown);
    return "";
}

}  // namespace

void StderrHost::Report(const Problem& problem) {
    ReportError(Word(problem));
}

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

bool LoadAndFormat(const std::string& file, const Settings& s, RowList& rows, StderrHost& host,
                   LayoutNotes* notes) {
    TextReport report;
    Result<RowList> loaded = LoadLines(file, EncodingOf(s), &report);
    if (!loaded) {
        std::fprintf(stderr, "mirvo: %s\n", Word(loaded.GetProblem()).c_str());
        return false;
    }
    rows = std::move(loaded.Value());
    if (report.replaced > 0) {
        StderrHost notice;  // a notice, not a failure
        notice.Report(ReplacementNotice(file, report));
    }
    return FormatDocument(rows, FormatOptionsOf(s, file), host, notes);
}

bool ParseInt(const std::string& s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

std::string SettingOptionsUsage(OptionScope scope) {
    std::string usage;
    for (const SettingEntry& e : SettingsTable())
        if (InScope(e, scope)) usage += std::string(" [") + e.option + "]";
    return usage;
}

std::string ParseCommandLine(const std::vector<std::string>& args, OptionScope scope,
                             std::initializer_list<std::string_view> own, CommandLine& line) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            if (!line.file.empty()) return "unexpected argument " + a;
            line.file = a;
            continue;
        }
        const auto setting = std::find_if(
            SettingsTable().begin(), SettingsTable().end(),
            [&](const SettingEntry& e) { return InScope(e, scope) && OptionName(e) == a; });
        const bool isOwn = std::find(own.begin(), own.end(), a) != own.end();
        if (setting == SettingsTable().end() && !isOwn) return "unknown option " + a;
        if (i + 1 >= args.size()) return "missing value after " + a;
        const std::string& value = args[++i];
        if (isOwn) {
            line.values[a] = value;
        } else if (std::string problem = TakeSettingValue(*setting, value, line.settings);
                   !problem.empty()) {
            return problem;
        }
    }
    return line.file.empty() ? "no FILE given" : "";
}

int UsageError(std::string_view command, const std::string& problem) {
    std::fprintf(stderr, "mirvo %.*s: %s\n", static_cast<int>(command.size()), command.data(),
                 problem.c_str());
    return 2;
}

}  // namespace mirvo
