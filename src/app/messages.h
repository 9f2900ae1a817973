// Every message the reader sees from the core is worded here, from the Problem the lower
// layers return (format/problem.h). A message is UTF-8; its lines are separated by "\r\n";
// a path in it is shown as the reader can read it, whatever its bytes.
#pragma once

#include <cstddef>
#include <string>

#include "format/error_reporter.h"
#include "format/problem.h"

namespace mirvo {

std::string Word(const Problem& problem);

// format: the status text while a book is formatted, after `done` of `total` lines:
// "文書整形中:" with k "●" and 10 - k "○".
std::string FormatProgressText(std::size_t done, std::size_t total);

// The system's reason for a refused file operation, in Japanese, for the errno values a
// reader meets (no such file, no permission, ...); "" for the others, which a message
// then leaves out. The system's own (English) text is never shown.
std::string SystemErrorText(int error);

// Words each Problem a lower layer reports while it works, and shows it through `to`.
class WordingReporter : public ProblemReporter {
  public:
    explicit WordingReporter(ErrorReporter& to) : to_(to) {}
    void Report(const Problem& problem) override { to_.ReportError(Word(problem)); }

  private:
    ErrorReporter& to_;
};

}  // namespace mirvo
