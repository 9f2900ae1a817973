#include "app/messages.h"

namespace mirvo {

std::string Word(const Problem& problem) {
    switch (problem.kind) {
        case ProblemKind::None:
            break;
        // app: the reader core
        case ProblemKind::BookMissing:
            return "ファイル:" + problem.path + "は存在しないようです。" +
                   "上記ファイルの存在を確認してみてください。";
    }
    return {};
}

}  // namespace mirvo
