#include "app/page_marks.h"

#include "app/reader.h"
#include "app/selection_text.h"

namespace mirvo {
namespace {

// The spread on show as the bands read it: the page images' sizes, the layout and the
// typesetting it was drawn with, the text lists and their sources.
struct SpreadPages {
    PageStyle style;
    ShownPage pages[2];
};

SpreadPages PagesOf(const Reader& reader) {
    Settings shown = reader.GetSettings();
    CopyFormattingSettings(reader.Book().FormattedSettings(), shown);
    SpreadPages s{SpreadStyleOf(shown).Page, {}};
    const SpreadPresenter& spread = reader.Spread();
    const PageTexts& texts = spread.Texts();
    const long long first = FirstRowOfPage(spread.ShownPage(), s.style.Layout);
    for (const bool right : {true, false}) {
        const Rect& image = right ? spread.RightImage() : spread.LeftImage();
        ShownPage& page = s.pages[right ? 0 : 1];
        page.grid = {image.Width(), image.Height(), s.style.Layout,
                     TextBlockShift(image.Width(), image.Height(), s.style, right)};
        page.text = right ? &texts.RightPageText : &texts.LeftPageText;
        page.sources = right ? &texts.RightPageSource : &texts.LeftPageSource;
        page.firstRow = right ? first : first + s.style.Layout.Rows();
    }
    return s;
}

SpreadSide SideOf(PageRequester sender) {
    return sender == PageRequester::LeftPage ? SpreadSide::Left : SpreadSide::Right;
}

}  // namespace

bool PageMarks::OnSpread(const Reader& reader) const {
    const SpreadPresenter& spread = reader.Spread();
    return reader.Menus().Page == NotebookPage::View && spread.ShownKind() == SpreadKind::Spread &&
           spread.ShownPage() == page_ && reader.Book().FormatNumber() == formatting_;
}

void PageMarks::MarkHit(const Reader& reader, const FindHit& hit) {
    Clear();
    if (!hit.found) return;
    for (const TextCell& cell : hit.cells) hit_.push_back({cell.row, cell.byte});
    page_ = reader.Spread().ShownPage();
    formatting_ = reader.Book().FormatNumber();
    Refresh(reader);
}

void PageMarks::Press(const Reader& reader, PageRequester sender, double x, double y) {
    press_.reset();
    focus_.reset();
    if (reader.Menus().Page != NotebookPage::View ||
        reader.Spread().ShownKind() != SpreadKind::Spread || sender == PageRequester::None)
        return;
    const SpreadPages s = PagesOf(reader);
    const SpreadSide side = SideOf(sender);
    press_ = PointAt(s.pages[static_cast<int>(side)], side, x, y);
    page_ = reader.Spread().ShownPage();
    formatting_ = reader.Book().FormatNumber();
}

void PageMarks::DragTo(const Reader& reader, PageRequester sender, double x, double y) {
    if (!press_ || !OnSpread(reader) || sender == PageRequester::None) return;
    const SpreadPages s = PagesOf(reader);
    const SpreadSide side = SideOf(sender);
    focus_ = PointAt(s.pages[static_cast<int>(side)], side, x, y);
    hit_.clear();
    Draw(reader);
}

bool PageMarks::HasSelection() const {
    return press_ && focus_;
}

std::string PageMarks::SelectedText(const Reader& reader) const {
    if (!HasSelection() || !OnSpread(reader)) return {};
    const SpreadPages s = PagesOf(reader);
    const auto range = SourceRange(s.pages, *press_, *focus_);
    if (!range) return {};
    const Settings& formatted = reader.Book().FormattedSettings();
    const RowReading reading{formatted.UseRuby, formatted.UseComment, s.style.Layout.RowBytes(),
                             &reader.Book().Notes()};
    // The book's extra characters are copied as themselves.
    return reader.Book().Extras().ResolvePrivateUse(
        ReadRows(reader.Book().Rows(), reading, range->first, range->second));
}

void PageMarks::Clear() {
    hit_.clear();
    press_.reset();
    focus_.reset();
    banded_[0] = banded_[1] = false;
    pictures_[0] = Bitmap();
    pictures_[1] = Bitmap();
}

bool PageMarks::Refresh(const Reader& reader) {
    if (hit_.empty() && !HasSelection()) return false;
    if (!OnSpread(reader)) {
        Clear();
        return false;
    }
    Draw(reader);
    return true;
}

const Bitmap* PageMarks::Picture(PageRequester side) const {
    const int k = side == PageRequester::LeftPage ? 1 : 0;
    return banded_[k] ? &pictures_[k] : nullptr;
}

void PageMarks::Draw(const Reader& reader) {
    const SpreadPages s = PagesOf(reader);
    for (const SpreadSide side : {SpreadSide::Right, SpreadSide::Left}) {
        const int k = static_cast<int>(side);
        const std::vector<Rect> bands = HasSelection()
                                            ? SelectionBands(s.pages, side, *press_, *focus_)
                                            : CellBands(s.pages[k], hit_);
        banded_[k] = !bands.empty();
        if (!banded_[k]) continue;
        pictures_[k] =
            side == SpreadSide::Right ? reader.Spread().RightPage() : reader.Spread().LeftPage();
        for (const Rect& band : bands) DrawBand(pictures_[k], band, color_);
    }
}

}  // namespace mirvo
