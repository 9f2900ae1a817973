// Every message the reader sees from the core is worded here, from the Problem the lower
// layers return (format/problem.h). A message is UTF-8; its lines are separated by "\r\n";
// a path in it is shown as the reader can read it, whatever its bytes.
#pragma once

#include <cstddef>
#include <string>

#include "format/problem.h"

namespace mirvo {

std::string Word(const Problem& problem);

// format: the status text while a book is formatted, after `done` of `total` lines:
// "文書整形中:" with k "●" and 10 - k "○".
std::string FormatProgressText(std::size_t done, std::size_t total);

// format: why the system refused a file, in Japanese, for the errno values a reader meets
// (no such file, no permission, a folder, a loop of links, ...); "" for any other, which
// a message then leaves out.
std::string SystemErrorText(int error);

}  // namespace mirvo
