#include "app/messages.h"

namespace mirvo {

std::string Word(const Problem& problem) {
    switch (problem.kind) {
        case ProblemKind::None:
            break;
    }
    return {};
}

}  // namespace mirvo
