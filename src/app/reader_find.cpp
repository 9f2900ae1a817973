// Find in the book on show.
#include "app/reader.h"

namespace mirvo {
namespace {

constexpr const char* kWrappedToStart = "本の終わりまで検索したので、初めから続けました";
constexpr const char* kWrappedToEnd = "本の初めまで検索したので、終わりから続けました";

}  // namespace

const FindHit& Reader::FindText(const std::string& query, FindDirection direction) {
    const PageLayout layout = book_.Layout();
    const long long rowCount = static_cast<long long>(book_.Rows().size());
    // The rows on show: none on the front cover (the search starts at the book's first
    // row), none past the end on the back cover.
    long long start = 0, end = 0;
    if (currentPage_ == BackCoverPage) {
        start = end = rowCount;
    } else if (currentPage_ != FrontCoverPage) {
        start = FirstRowOfPage(currentPage_, layout);
        end = FirstRowOfPage(currentPage_ + 2, layout);
    }
    const Settings& formatted = book_.FormattedSettings();
    // A character of the book's extra characters is found by its code.
    const FindHit& hit = finder_.Find(book_.Rows(), formatted.UseRuby, formatted.UseComment,
                                      book_.Extras().ToPrivateUse(query), direction, start, end);
    if (!hit.found) {
        host_.SetStatusText("「" + query + "」は見つかりませんでした");
        return hit;
    }
    const int page = PageOfRow(hit.cells.front().row, layout);
    currentPage_ = page % 2 == 1 ? page : page - 1;  // spreads start on odd pages
    msiViewClick();
    if (!hit.wrapped)
        host_.SetStatusText(documentPath_);
    else
        host_.SetStatusText(direction == FindDirection::Next ? kWrappedToStart : kWrappedToEnd);
    return hit;
}

}  // namespace mirvo
