// The reader core's reading aids: re-display, the contents grid's jump, bookmarks and the
// footnote pop-up's hit test.
#include <cstdlib>
#include <utility>

#include "app/reader.h"
#include "app/reader_contents.h"
#include "format/cp932.h"

namespace mirvo {

void Reader::mmiReViewClick() {
    std::string loadError;
    RowList lines;
    if (!LoadDocumentLines(lines, loadError, EncodingOf(settings_))) {
        // The book on show stays as it was.
        host_.ReportException(loadError);
        return;
    }
    const std::vector<int> kept = BookmarkPages(contents_);
    const int pageBefore = currentPage_;
    FormatLines(std::move(lines));
    if (formatFailed_) {
        // The reader's place is kept for the save and for the next good re-display (a file
        // being edited fails once and then formats again).
        if (!pageBeforeFailure_) pageBeforeFailure_ = pageBefore;
        // No rows, no headings; the bookmarks stay as they were, so that a book that fails
        // once (a file being edited) does not lose them at the next save.
        std::erase_if(contents_, [](const PageListRow& r) { return r.Mark != kBookmarkMark; });
    } else {
        if (pageBeforeFailure_) currentPage_ = *std::exchange(pageBeforeFailure_, std::nullopt);
        contents_ = BuildContents(
            rows_, LayoutOf(formatted_), formatted_.IndexChar,
            [this](const std::string& t) { host_.SetStatusText(Progress(t)); },
            &layoutNotes_.headings);
        // Each bookmark keeps its page and takes that page's first row as it now reads; a
        // page the book no longer has drops its bookmark.
        AddBookmarks(contents_, rows_, LayoutOf(formatted_), kept);
    }
    host_.SetStatusText(documentPath_);
    host_.ContentsChanged();
    const int max = PageCount();
    SetScroll(1, max, ScrollPositionForPage(currentPage_, 1, max));
    ShowSpread(PageRequester::None);
}

void Reader::stgPageListDblClick(int row) {
    if (row < 0 || row >= static_cast<int>(contents_.size())) return;  // the empty row
    const std::string& text = contents_[static_cast<std::size_t>(row)].PageText;
    if (text.empty()) return;
    currentPage_ = std::atoi(text.c_str());
    msiViewClick();
}

void Reader::pmiClipClick() {
    // A cover has no page to mark.
    if (shownKind_ != SpreadKind::Spread) return;
    const auto& first = texts_.RightPageText;
    contents_.push_back(
        {kBookmarkMark, first.empty() ? "" : Cp932ToUtf8(first[0]), std::to_string(shownPage_)});
    SortContents(contents_);
    host_.ContentsChanged();
}

void Reader::pmiDelClipClick(int row) {
    if (row < 0 || row >= static_cast<int>(contents_.size())) return;            // the empty row
    if (contents_[static_cast<std::size_t>(row)].Mark != kBookmarkMark) return;  // a heading
    contents_.erase(contents_.begin() + row);
    host_.ContentsChanged();
}

FootnoteHit Reader::imgRightPageMouseMove(PageRequester sender, double x, double y) const {
    // The marks are where the spread on show drew them: with the formatting's layout.
    if (!formatted_.UseComment || shownKind_ != SpreadKind::Spread ||
        viewPage_ != NotebookPage::View || sender == PageRequester::None)
        return {};
    const bool right = sender == PageRequester::RightPage;
    const Rect& image = right ? rightImage_ : leftImage_;
    const FootnotePage page{image.Width(), image.Height(), LayoutOf(formatted_),
                            right ? texts_.RightPageText : texts_.LeftPageText,
                            texts_.FootnoteList};
    return FindFootnoteMark(page, PageToGrid(x, y, image.Width(), image.Height()));
}

}  // namespace mirvo
