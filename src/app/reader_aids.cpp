// The reader core's reading aids: re-display, the contents page's jump, bookmarks and the
// footnote pop-up's hit test.
#include <utility>

#include "app/reader.h"
#include "format/cp932.h"

namespace mirvo {

void Reader::mmiReViewClick() {
    RowList lines;
    // A file that can no longer be read leaves the book on show as it was.
    if (!LoadDocumentLines(lines, EncodingOf(settings_), ReportKind::MessageBox)) return;
    const std::vector<int> kept = book_.BookmarkPages();
    const int pageBefore = currentPage_;
    if (!FormatLines(std::move(lines))) {
        // The reader's place is kept for the save and for the next good re-display (a file
        // being edited fails once and then formats again). No rows, no headings; the
        // bookmarks stay as they were, so that a book that fails once does not lose them
        // at the next save.
        session_.ReDisplayFailed(documentPath_, pageBefore);
        book_.DropHeadings();
    } else {
        if (const std::optional<int> before = session_.PageBeforeFailure()) currentPage_ = *before;
        session_.Formatted(documentPath_);
        // Each bookmark keeps its page and takes that page's first row as it now reads.
        book_.ListContents(kept, ProgressToStatus());
    }
    ShowFormatted();
}

void Reader::stgPageListDblClick(int row) {
    const std::vector<ContentsEntry>& entries = book_.Entries();
    if (row < 0 || row >= static_cast<int>(entries.size())) return;  // the empty row
    currentPage_ = entries[static_cast<std::size_t>(row)].Page;
    msiViewClick();
}

void Reader::pmiClipClick() {
    // A cover has no page to mark.
    if (spread_.ShownKind() != SpreadKind::Spread) return;
    const auto& first = spread_.Texts().RightPageText;
    book_.AddBookmark({spread_.ShownPage(), first.empty() ? "" : Cp932ToUtf8(first[0])});
    host_.ContentsChanged();
}

void Reader::pmiDelClipClick(int row) {
    if (book_.RemoveBookmark(row)) host_.ContentsChanged();
}

FootnoteHit Reader::imgRightPageMouseMove(PageRequester sender, double x, double y) const {
    // The marks are where the spread on show drew them: with the formatting's layout.
    if (!book_.FormattedSettings().UseComment || spread_.ShownKind() != SpreadKind::Spread ||
        menus_.Page != NotebookPage::View || sender == PageRequester::None)
        return {};
    return spread_.HitFootnote(sender, book_.Layout(), x, y);
}

}  // namespace mirvo
