#include "viewer/navigation.h"

#include <algorithm>

#include "format/document.h"

namespace mirvo {

PageMove MovePage(int currentPage, PageRequester sender, int pageCount) {
    PageMove m;
    m.page = currentPage;
    const bool forward = sender != PageRequester::RightPage;
    if ((!forward && currentPage == FrontCoverPage) || (forward && currentPage == BackCoverPage))
        return m;
    m.moved = true;
    m.fromCover = currentPage == FrontCoverPage || currentPage == BackCoverPage;
    if (forward) {
        m.page = currentPage + 2;
    } else if (currentPage == BackCoverPage) {
        m.page = pageCount % 2 == 0 ? pageCount - 1 : pageCount;
    } else {
        m.page = currentPage - 2;
    }
    return m;
}

char TurnDirectionFor(PageRequester sender) {
    switch (sender) {
        case PageRequester::None:
            return 'N';
        case PageRequester::RightPage:
            return 'L';
        case PageRequester::LeftPage:
            return 'R';
    }
    return 'R';
}

SpreadChoice ChooseSpread(int currentPage, bool rowsEmpty, int pageCount) {
    if (rowsEmpty || currentPage < 1) return {SpreadKind::FrontCover, FrontCoverPage};
    if (currentPage == BackCoverPage || currentPage > pageCount)
        return {SpreadKind::BackCover, BackCoverPage};
    return {SpreadKind::Spread, currentPage};
}

std::string PageIndicator(const SpreadChoice& choice, int pageCount) {
    switch (choice.kind) {
        case SpreadKind::FrontCover:
            return "表紙";
        case SpreadKind::BackCover:
            return "裏表紙";
        case SpreadKind::Spread:
            break;
    }
    return std::to_string(choice.page) + "/" + std::to_string(pageCount);
}

int ScrollPositionForPage(int page, int min, int max) {
    const long long pos = static_cast<long long>(max) - page + 1;
    return static_cast<int>(std::clamp<long long>(pos, min, std::max(min, max)));
}

ScrollMove PageForScrollPosition(int currentPage, int position, int min, int max) {
    if (currentPage == FrontCoverPage) return {currentPage, max};
    if (currentPage == BackCoverPage) return {currentPage, min};
    int page = max - position + 1;
    if (page % 2 == 0) page -= 1;
    return {page, position};
}

}  // namespace mirvo
