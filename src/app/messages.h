// Every message the reader sees from the core is worded here, from the Problem the lower
// layers return (format/problem.h). A message is UTF-8; its lines are separated by "\r\n";
// a path in it is shown as the reader can read it, whatever its bytes.
#pragma once

#include <string>

#include "format/problem.h"

namespace mirvo {

std::string Word(const Problem& problem);

}  // namespace mirvo
