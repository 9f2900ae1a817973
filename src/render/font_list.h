// The installed faces a page can be set in: every font family that covers Japanese, as
// the settings dialog offers it.
#pragma once

#include <string>
#include <vector>

namespace mirvo {

// "@" + the family name of every installed family that covers Japanese, each family once,
// in the order fontconfig lists them. A family with a Japanese name is offered under it
// ("@IPAゴシック"), any other under its first name. Every name resolves back to its family
// (ResolveJapaneseFace).
std::vector<std::string> VerticalFontNames();

}  // namespace mirvo
