// How the core shows a problem to the reader: the window implements it with its error
// window (a modal dialog); tests record the messages.
#pragma once

#include <string>

namespace mirvo {

class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;
    // Show `message` (UTF-8, lines separated by "\r\n") and return when the reader has
    // closed the error window.
    virtual void ReportError(const std::string& message) = 0;
};

}  // namespace mirvo
