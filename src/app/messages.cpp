#include "app/messages.h"

namespace mirvo {

std::string Word(const Problem& problem) {
    switch (problem.kind) {
        case ProblemKind::None:
            break;
        // app: the settings files
        case ProblemKind::SettingsBadColour:
            return "'" + problem.detail + "' は正しい色ではありません";
    }
    return {};
}

}  // namespace mirvo
