#include "app/headless/command_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/messages.h"
#include "format/ascii.h"
#include "format/document.h"
#include "format/gaiji_notes.h"

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

// "a, b or c".
std::string Alternatives(std::span<const char* const> choices) {
    std::string text;
    for (std::size_t i = 0; i < choices.size(); ++i)
        text += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + std::string(choices[i]);
    return text;
}

// What is wrong with an option's text for row `e`, or "" when there is nothing.
std::string CheckOptionText(const SettingEntry& e, const std::string& text) {
    const std::string name(OptionName(e));
    if (e.type == SettingType::Choice) {
        for (const char* choice : e.choices)
            if (EqualsNoCase(text, choice)) return "";
        return name + " needs " + Alternatives(e.choices);
    }
    if (e.type != SettingType::Flag && e.type != SettingType::Integer) return "";
    char* end = nullptr;
    // A number too large for strtoll comes back as its largest, out of range too.
    const long long v = std::strtoll(text.c_str(), &end, 10);
    const bool number = !text.empty() && *end == '\0';
    if (number && v >= e.range.least && v <= e.range.most) return "";
    if (e.type == SettingType::Flag) return name + " needs 0 or 1";
    if (!number) return name + " needs a number";
    return name + " needs a number from " + std::to_string(e.range.least) + " to " +
           std::to_string(e.range.most) + ", not " + text;
}

// Takes a setting option's value into `s`; "" or what is wrong with the value.
std::string TakeSettingValue(const SettingEntry& e, const std::string& text, Settings& s) {
    if (std::string problem = CheckOptionText(e, text); !problem.empty()) return problem;
    if (e.type == SettingType::Flag)
        SetShownValue(e, s, std::strtol(text.c_str(), nullptr, 10) != 0);
    else if (e.type == SettingType::Integer)
        SetShownValue(e, s, static_cast<int>(std::strtol(text.c_str(), nullptr, 10)));
    else
        SetShownValue(e, s, text);
    return "";
}

}  // namespace

void StderrHost::Report(const Problem& problem) {
    const bool wasFailed = failed;
    ReportError(Word(problem));
    // Markup read as text comes with rows made: a notice, the command goes on.
    if (problem.kind == ProblemKind::FormatMarkupAsText) failed = wasFailed;
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
                   LayoutNotes* notes, ExtraChars* extras) {
    return LoadBookLines(file, s, rows, extras) &&
           FormatDocument(rows, FormatOptionsOf(s, file), host, notes);
}

bool LoadBookLines(const std::string& file, const Settings& s, RowList& rows, ExtraChars* extras) {
    TextReport report;
    ExtraChars own;
    ExtraChars& table = extras ? *extras : own;
    Result<RowList> loaded = LoadLines(file, EncodingOf(s), &report, &table);
    if (!loaded) {
        std::fprintf(stderr, "mirvo: %s\n", Word(loaded.GetProblem()).c_str());
        return false;
    }
    rows = std::move(loaded.Value());
    ApplyGaijiNotes(rows, table, FormatOptionsOf(s, file));
    if (report.replaced > 0) {
        StderrHost notice;  // a notice, not a failure
        notice.Report(ReplacementNotice(file, report));
    }
    return true;
}

bool ParseInt(const std::string& s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseArea(const std::string& s, int& width, int& height) {
    constexpr int kMaxArea = 5000;
    const std::size_t x = s.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInt(s.substr(0, x), width) && ParseInt(s.substr(x + 1), height) && width > 0 &&
           height > 0 && width <= kMaxArea && height <= kMaxArea;
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
