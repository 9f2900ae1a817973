// Pieces the benchmarks share.
#pragma once

#include <string>

#include "app/settings_table.h"
#include "format/document.h"
#include "format/error_reporter.h"
#include "format/formatter.h"
#include "format/problem.h"

namespace mirvo {

// A formatter host that keeps nothing: the benchmarks measure the work, not the window.
class QuietHost : public FormatterHost {};

// A reporter of worded errors that keeps nothing.
class QuietErrors : public ErrorReporter {
  public:
    void ReportError(const std::string&) override {}
};

// A reporter of drawing problems that keeps nothing.
class QuietProblems : public ProblemReporter {
  public:
    void Report(const Problem&) override {}
};

// The sample novel `name` (a file of tests/corpus) formatted with `s`; no rows when it
// cannot be read or formatted.
inline RowList FormattedNovel(const std::string& name, const Settings& s) {
    const std::string path = std::string(MIRVO_CORPUS_DIR) + "/" + name;
    Result<RowList> lines = LoadLines(path);
    if (!lines) return {};
    RowList rows = std::move(lines.Value());
    QuietHost host;
    if (!FormatDocument(rows, FormatOptionsOf(s, path), host)) rows.clear();
    return rows;
}

}  // namespace mirvo
