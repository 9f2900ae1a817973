#include "app/reader.h"

#include <algorithm>
#include <utility>

#include "app/messages.h"
#include "app/recent_books.h"
#include "format/formatter.h"
#include "viewer/spread_layout.h"

namespace mirvo {

// The formatter's view of the window: messages and progress go to the window, the
// cleared last document to the global settings file.
class Reader::FormatterAdapter : public FormatterHost {
  public:
    explicit FormatterAdapter(Reader& r) : r_(r) {}
    void Report(const Problem& problem) override {
        r_.host_.Report(ReportKind::ErrorWindow, Word(problem));
    }
    void ShowProgress(std::size_t done, std::size_t total) override {
        r_.host_.SetStatusText(r_.Progress(FormatProgressText(done, total)));
    }
    void FormattingEnded() override { r_.host_.SetStatusText(r_.documentPath_); }
    void ClearLastDocument() override {
        r_.Attempt([this] { r_.store_.ClearLastDocument(); });
    }

  private:
    Reader& r_;
};

Reader::Reader(ReaderHost& host, ProgramFolders folders)
    : host_(host), store_(std::move(folders)), spread_(host) {}

void Reader::FormCreate(const std::vector<std::string>& arguments) {
    destroying_ = false;
    spread_.SetSpreadHeightRatio(kSpreadHeightRatio);
    currentPage_ = FrontCoverPage;
    const std::string logError = store_.ReadGlobal(arguments, settings_, documentPath_);
    menus_.Recent = store_.ReadRecentBooks();
    book_.Reset(settings_);
    session_.Start(documentPath_);
    // Said once now: every setting is at its default and nothing will be written there.
    if (const auto tooLarge = store_.GlobalTooLarge()) ReportWriteError(*tooLarge);
    // The window's own start-up steps: the view page, an empty page list, paging and
    // bookmark insertion enabled, bookmark deletion disabled.
    SetViewPage(NotebookPage::View);
    host_.ContentsChanged();
    host_.SetScrollBar(scrollMin_, scrollMax_, scrollPosition_);
    if (!logError.empty()) host_.Report(ReportKind::MessageBox, logError);
}

void Reader::FormClose() {
    // Each file is saved on its own: a refused global file must not cost the book its
    // reading position, and neither may keep the window from closing.
    Attempt([this] { store_.SaveGlobal(settings_, session_.LastDocument(), menus_.Recent); });
    Attempt([this] { SaveHeldBook(); });
}

void Reader::FormDestroy() {
    book_.Clear();
    spread_.Clear();
    destroying_ = true;
    store_.CloseLog();
}

void Reader::SaveHeldBook() {
    const std::optional<std::string> held = session_.Held();
    if (!held) return;
    store_.SaveBook(*held, settings_, session_.PageToSave(currentPage_), book_.Contents());
}

void Reader::Attempt(const std::function<void()>& save) {
    try {
        save();
    } catch (const ProfileWriteError& e) {
        ReportWriteError(e);
    }
}

void Reader::ReportWriteError(const ProfileWriteError& e) {
    if (store_.ShouldReport(e)) host_.Report(ReportKind::MessageBox, e.what());
}

SpreadStyle Reader::Style() const {
    Settings shown = settings_;
    CopyFormattingSettings(book_.FormattedSettings(), shown);
    return SpreadStyleOf(shown);
}

void Reader::SetScroll(int min, int max, int position) {
    scrollMin_ = min;
    scrollMax_ = max;
    scrollPosition_ = std::clamp(position, min, std::max(min, max));
    host_.SetScrollBar(scrollMin_, scrollMax_, scrollPosition_);
}

void Reader::SetViewPage(NotebookPage page) {
    const bool view = page == NotebookPage::View;
    menus_.Page = page;
    menus_.ViewChecked = view;
    menus_.ContentsChecked = !view;
    menus_.PagingEnabled = view;
    menus_.ClipInsEnabled = view;
    menus_.ClipDelEnabled = !view;
    menus_.KeyPreview = view;
    host_.ViewStateChanged();
}

void Reader::OpenBook(const std::string& path, BookRoute route) {
    if (path.empty()) return;
    if (route == BookRoute::Recent && !FileExists(path)) {
        menus_.Recent = WithoutRecentBook(std::move(menus_.Recent), path);
        host_.Report(ReportKind::MessageBox,
                     Word(FileProblem(ProblemKind::RecentBookMissing, path)));
        return;
    }
    OpenChosenBook([&path] { return std::optional<std::string>(path); });
}

void Reader::OpenChosenBook(const std::function<std::optional<std::string>()>& choose) {
    // A save the file system refuses must not cost the reader the book they asked for.
    Attempt([this] { SaveHeldBook(); });
    const std::optional<std::string> chosen = choose();
    if (!chosen) return;
    documentPath_ = *chosen;
    OpenDocument();
}

void Reader::OpenDocument() {
    if (documentPath_.empty()) {
        ShowCoverPage(FrontCoverPage);
        return;
    }
    if (!FileExists(documentPath_)) {
        Problem missing;
        missing.kind = ProblemKind::BookMissing;
        missing.path = documentPath_;
        host_.Report(ReportKind::ErrorWindow, Word(missing));
        return;
    }
    // A file that cannot be loaded (unreadable, not a regular file, too large) is reported
    // like a missing one: nothing changes, the book on show stays usable. The book's own
    // file is read first for the encoding it asks for, into a copy that is taken only when
    // the book has loaded.
    Settings withBook = settings_;
    const StoredBook stored = store_.ReadBook(documentPath_, withBook);
    RowList lines;
    if (!LoadDocumentLines(lines, EncodingOf(withBook), ReportKind::ErrorWindow)) return;
    settings_ = std::move(withBook);
    if (stored.file.TooLarge()) ReportWriteError(ProfileTooLargeError(stored.file.Path()));
    // A colour of the book's own file that is no colour has been replaced by its default.
    for (const Problem& problem : stored.position.Problems)
        host_.Report(ReportKind::MessageBox, Word(problem));
    currentPage_ = stored.position.CurrentPage;
    LoadTextures();
    ShowOpenedBook(std::move(lines), stored);
}

void Reader::LoadTextures() {
    if (!settings_.BaseBGTexture.empty()) spread_.LoadBaseTexture(settings_.BaseBGTexture);
    if (!settings_.PageBGTexture.empty()) spread_.LoadPageTexture(settings_.PageBGTexture);
}

void Reader::ShowOpenedBook(RowList lines, const StoredBook& stored) {
    const std::vector<int> clips = ReadClips(stored.file, stored.position.ClipCount);
    if (!FormatLines(std::move(lines))) {
        // No pages to label them with: the contents hold this book's stored bookmarks as
        // they are, so that a later save keeps them and puts no other book's into its
        // file. The reader holds no book now: nothing is saved until one opens.
        session_.OpenFailed(documentPath_);
        book_.KeepBookmarks(clips);
        host_.ContentsChanged();
        return;
    }
    session_.Formatted(documentPath_);
    menus_.Recent = WithRecentBook(std::move(menus_.Recent), documentPath_);
    // Stored bookmarks whose page has no first row are left out.
    book_.ListContents(clips, ProgressToStatus());
    ShowFormatted();
    if (FormatFailed()) return;
    host_.SetStatusText(documentPath_);
    menus_.ReViewEnabled = true;
    host_.ViewStateChanged();
}

void Reader::ShowFormatted() {
    host_.SetStatusText(documentPath_);
    host_.ContentsChanged();
    const int max = book_.PageCount();
    SetScroll(1, max, ScrollPositionForPage(currentPage_, 1, max));
    ShowSpread(PageRequester::None);
}

bool Reader::LoadDocumentLines(RowList& lines, TextEncoding encoding, ReportKind kind) {
    TextReport report;
    Result<RowList> loaded = LoadLines(documentPath_, encoding, &report, &loadedExtras_);
    if (!loaded) {
        host_.Report(kind, Word(loaded.GetProblem()));
        return false;
    }
    lines = std::move(loaded.Value());
    const std::string name = EncodingName(report.encoding);
    encodingNote_ = "（" + name + "）";
    host_.SetStatusText("文字コード:" + name);
    if (report.replaced > 0)
        host_.Report(ReportKind::ErrorWindow, Word(ReplacementNotice(documentPath_, report)));
    return true;
}

std::string Reader::Progress(const std::string& text) const {
    // The path that ends every opening is shown as it is.
    return text == documentPath_ ? text : text + encodingNote_;
}

std::function<void(const std::string&)> Reader::ProgressToStatus() {
    return [this](const std::string& text) { host_.SetStatusText(Progress(text)); };
}

bool Reader::FormatLines(RowList lines) {
    FormatterAdapter formatterHost(*this);
    finder_.Forget();
    return book_.Format(documentPath_, std::move(lines), std::exchange(loadedExtras_, {}),
                        settings_, formatterHost);
}

SpreadOutcome Reader::Draw(int page) {
    const SpreadStyle style = Style();
    return spread_.Draw({book_.Rows(), style, documentPath_, &book_.Notes(), &book_.Extras()}, page,
                        menus_.Page == NotebookPage::Contents);
}

void Reader::ShowSpread(PageRequester requester) {
    const SpreadOutcome outcome = Draw(currentPage_);
    currentPage_ = outcome.currentPage;
    if (outcome.pageDrawFailed) session_.DrawFailed();
    if (outcome.kind != SpreadKind::Spread) {
        spread_.ShowCover();
        host_.SetPageIndicator(
            PageIndicator({outcome.kind, outcome.currentPage}, book_.PageCount()));
        return;
    }
    spread_.ShowSpread(TurnDirectionFor(requester), settings_.ChangeSpeed);
    host_.SetPageIndicator(PageIndicator({SpreadKind::Spread, currentPage_}, book_.PageCount()));
    SetScroll(scrollMin_, scrollMax_, ScrollPositionForPage(currentPage_, scrollMin_, scrollMax_));
}

void Reader::ShowCoverPage(int page) {
    Draw(page);
    spread_.ShowCover();
}

void Reader::ShowPage(int page) {
    currentPage_ = page;
    ShowSpread(PageRequester::None);
}

void Reader::PageClick(PageRequester sender) {
    const PageMove move = MovePage(currentPage_, sender, book_.PageCount());
    if (!move.moved) return;
    currentPage_ = move.page;
    ShowSpread(sender == PageRequester::RightPage ? PageRequester::RightPage
                                                  : PageRequester::LeftPage);
}

bool CanGoToPage(const Reader& reader) {
    const MenuState& m = reader.Menus();
    return m.PagingEnabled && m.ReViewEnabled && reader.Book().PageCount() > 0;
}

void GoToPage(Reader& reader, int page) {
    if (!CanGoToPage(reader)) return;
    page = std::clamp(page, 1, reader.Book().PageCount());
    reader.ShowPage(page % 2 == 0 ? page - 1 : page);
}

void Reader::scbStatusScroll(int position) {
    const ScrollMove move = PageForScrollPosition(currentPage_, position, scrollMin_, scrollMax_);
    currentPage_ = move.page;
    scrollPosition_ = position;
    if (move.position != position) SetScroll(scrollMin_, scrollMax_, move.position);
}

void Reader::msiViewClick() {
    SetViewPage(NotebookPage::View);
    if (currentPage_ == FrontCoverPage || currentPage_ == BackCoverPage)
        ShowCoverPage(currentPage_);
    else
        ShowSpread(PageRequester::None);
}

void Reader::msiContentsClick() {
    SetViewPage(NotebookPage::Contents);
    spread_.LayOutContentsPage();
}

void Reader::FormResize(int width, int height) {
    if (destroying_) return;
    spread_.SetPictureSize(width, height);
    if (menus_.Page == NotebookPage::Contents) {
        spread_.LayOutContentsPage();
        host_.ContentsChanged();
    } else {
        ShowSpread(PageRequester::None);
    }
}

void Reader::msiConfigClick() {
    menus_.KeyPreview = false;
    host_.ViewStateChanged();
    Settings settings = settings_;
    Bitmap baseTexture = spread_.BaseTexture();
    Bitmap pageTexture = spread_.PageTexture();
    if (!host_.ShowOptionDialog(settings, baseTexture, pageTexture)) return;
    settings_ = std::move(settings);
    spread_.SetTextures(baseTexture, pageTexture);
    spread_.SetUpPageFonts(Style().Page);
    FormResize(spread_.PictureWidth(), spread_.PictureHeight());
}

void Reader::SetSpreadHeightRatio(double ratio) {
    spread_.SetSpreadHeightRatio(ratio);
}

void Reader::StoreWindowBounds(const WindowBounds& bounds) {
    store_.StoreWindowBounds(bounds);
}

WindowBounds Reader::StoredWindowBounds() const {
    return store_.StoredWindowBounds();
}

void Reader::ChangeSettings(const std::function<void(Settings&)>& change) {
    change(settings_);
}

}  // namespace mirvo
