#include "app/reader.h"

#include "app/reader_contents.h"

#include <algorithm>
#include "app/messages.h"
#include "format/formatter.h"
#include "render/picture_file.h"
#include "render/surfaces.h"
#include "viewer/spread_layout.h"

namespace mirvo {

// The formatter's view of the window: messages and progress go to the window, the
// cleared last document to the global settings file.
class Reader::FormatterAdapter : public FormatterHost {
  public:
    explicit FormatterAdapter(Reader& r) : r_(r) {}
    void Report(const Problem& problem) override { r_.host_.ReportError(Word(problem)); }
    void ShowProgress(std::size_t done, std::size_t total) override {
        r_.host_.SetStatusText(r_.Progress(FormatProgressText(done, total)));
    }
    void FormattingEnded() override { r_.host_.SetStatusText(r_.documentPath_); }
    void ClearLastDocument() override {
        try {
            mirvo::ClearLastDocument(r_.settingsFile_);
        } catch (const ProfileWriteError& e) {
            r_.ReportWriteError(e);
        }
    }

  private:
    Reader& r_;
};

Reader::Reader(ReaderHost& host, ProgramFolders folders)
    : host_(host),
      folders_(std::move(folders)),
      settingsFile_(GlobalSettingsPath(folders_)),
      imgPageTexture_(BuiltInPageTexture()),
      imgBaseTexture_(BuiltInBaseTexture()) {}

void Reader::FormCreate(const std::vector<std::string>& arguments) {
    destroying_ = false;
    formatFailed_ = false;
    spreadHeightRatio_ = kSpreadHeightRatio;
    currentPage_ = FrontCoverPage;
    logError_ = ReadGlobalSettings(settingsFile_, folders_, arguments, settings_, globalState_);
    formatted_ = settings_;
    documentPath_ = globalState_.DocumentPath;
    shownBook_ = documentPath_;
    lastGood_.clear();
    failedPath_.reset();
    // Said once now: every setting is at its default and nothing will be written there.
    if (settingsFile_.TooLarge()) ReportWriteError(ProfileTooLargeError(settingsFile_.Path()));
    // The window's own start-up steps: the view page, an empty page list, paging and
    // bookmark insertion enabled, bookmark deletion disabled.
    SetViewPage(NotebookPage::View);
    ResetContents();
    host_.SetScrollBar(scrollMin_, scrollMax_, scrollPosition_);
}

void Reader::FormClose() {
    // Each file is written on its own: a refused global file must not cost the book its
    // reading position, and neither may keep the window from closing.
    try {
        WriteGlobalSettings(settingsFile_, settings_,
                            failedPath_ == documentPath_ ? lastGood_ : documentPath_);
    } catch (const ProfileWriteError& e) {
        ReportWriteError(e);
    }
    try {
        SaveShownBook();
    } catch (const ProfileWriteError& e) {
        ReportWriteError(e);
    }
}

void Reader::ReportWriteError(const ProfileWriteError& e) {
    if (dynamic_cast<const ProfileTooLargeError*>(&e) && !reportedTooLarge_.insert(e.Path()).second)
        return;
    host_.ReportException(e.what());
}

void Reader::FormDestroy() {
    rows_.clear();
    layoutNotes_ = LayoutNotes{};
    texts_ = PageTexts{};
    destroying_ = true;
    globalState_.LogFile.reset();
}

void Reader::SaveBookState() {
    ProfileFile file(BookStatePath(folders_.SettingsFolder, documentPath_));
    mirvo::SaveBookState(file, settings_, currentPage_, contents_);
}

void Reader::SaveShownBook() {
    if (!shownBook_) return;
    ProfileFile file(BookStatePath(folders_.SettingsFolder, *shownBook_));
    mirvo::SaveBookState(file, settings_, pageBeforeFailure_.value_or(currentPage_), contents_);
}

int Reader::PageCount() const {
    return mirvo::PageCount(rows_, LayoutOf(formatted_));
}

SpreadStyle Reader::Style() const {
    Settings shown = settings_;
    CopyFormattingSettings(formatted_, shown);
    return SpreadStyleOf(shown);
}

void Reader::ResetContents() {
    contents_.clear();
    host_.ContentsChanged();
}

void Reader::SetScroll(int min, int max, int position) {
    scrollMin_ = min;
    scrollMax_ = max;
    scrollPosition_ = std::clamp(position, min, std::max(min, max));
    host_.SetScrollBar(scrollMin_, scrollMax_, scrollPosition_);
}

void Reader::SetViewPage(NotebookPage page) {
    viewPage_ = page;
    const bool view = page == NotebookPage::View;
    menus_.ViewChecked = view;
    menus_.ContentsChecked = !view;
    menus_.PagingEnabled = view;
    menus_.ClipInsEnabled = view;
    menus_.ClipDelEnabled = !view;
    menus_.KeyPreview = view;
    host_.ViewStateChanged();
}

void Reader::TileBase() {
    TileTexture(imgBase_, pictureWidth_, pictureHeight_, imgBaseTexture_);
    host_.BaseChanged();
}

void Reader::LoadTexture(const std::string& path, Bitmap& texture) {
    // A texture that cannot be read is reported and skipped: the picture loaded before
    // stays, and the book opens.
    try {
        texture = LoadBitmapFile(path);
    } catch (const PictureError& e) {
        host_.ReportError(e.what());
    }
}

void Reader::OpenDocument() {
    if (documentPath_.empty()) {
        ShowFrontCover();
        return;
    }
    if (!FileExists(documentPath_)) {
        host_.ReportError("ファイル:" + documentPath_ + "は存在しないようです。" +
                          "上記ファイルの存在を確認してみてください。");
        return;
    }
    // A file that cannot be loaded (unreadable, not a regular file, too large) is reported
    // like a missing one: nothing changes, the book on show stays usable. The book's own
    // file is read first for the encoding it asks for, into a copy that is taken only when
    // the book has loaded.
    const ProfileFile bookState(BookStatePath(folders_.SettingsFolder, documentPath_));
    Settings withBook = settings_;
    const BookPosition position = ReadBookState(bookState, withBook);
    std::string loadError;
    RowList lines;
    if (!LoadDocumentLines(lines, loadError, EncodingOf(withBook))) {
        host_.ReportError(loadError);
        return;
    }
    settings_ = std::move(withBook);
    pageBeforeFailure_.reset();
    if (bookState.TooLarge()) ReportWriteError(ProfileTooLargeError(bookState.Path()));
    currentPage_ = position.CurrentPage;

    if (!settings_.BaseBGTexture.empty()) {
        LoadTexture(settings_.BaseBGTexture, imgBaseTexture_);
        TileBase();
    }
    if (!settings_.PageBGTexture.empty()) LoadTexture(settings_.PageBGTexture, imgPageTexture_);

    FormatLines(std::move(lines));
    if (formatFailed_) {
        // No pages to label them with: the grid holds this book's stored bookmarks as they
        // are, so that the next save keeps them and puts no other book's into its file.
        // The reader holds no book now: nothing is saved until one opens.
        contents_.clear();
        for (const int page : ReadClips(bookState, position.ClipCount))
            contents_.push_back({kBookmarkMark, "", std::to_string(page)});
        host_.ContentsChanged();
        shownBook_.reset();
        return;
    }

    contents_ = BuildContents(
        rows_, LayoutOf(formatted_), formatted_.IndexChar,
        [this](const std::string& t) { host_.SetStatusText(Progress(t)); }, &layoutNotes_.headings);
    host_.SetStatusText(documentPath_);
    // Stored bookmarks whose page has no first row (0, or past the end of the book as now
    // formatted) are left out.
    AddBookmarks(contents_, rows_, LayoutOf(formatted_), ReadClips(bookState, position.ClipCount));
    host_.ContentsChanged();

    const int max = PageCount();
    SetScroll(1, max, ScrollPositionForPage(currentPage_, 1, max));

    ShowSpread(PageRequester::None);
    if (formatFailed_) return;
    host_.SetStatusText(documentPath_);
    menus_.ReViewEnabled = true;
    host_.ViewStateChanged();
}

bool Reader::LoadDocumentLines(RowList& lines, std::string& error, TextEncoding encoding) {
    TextReport report;
    Result<RowList> loaded = LoadLines(documentPath_, encoding, &report);
    if (!loaded) {
        error = Word(loaded.GetProblem());
        return false;
    }
    lines = std::move(loaded.Value());
    const std::string name = EncodingName(report.encoding);
    encodingNote_ = "（" + name + "）";
    host_.SetStatusText("文字コード:" + name);
    if (report.replaced > 0) host_.ReportError(Word(ReplacementNotice(documentPath_, report)));
    return true;
}

std::string Reader::Progress(const std::string& text) const {
    // The path that ends every opening is shown as it is.
    return text == documentPath_ ? text : text + encodingNote_;
}

void Reader::FormatLines(RowList lines) {
    rows_ = std::move(lines);
    formatted_ = settings_;
    FormatterAdapter formatterHost(*this);
    formatFailed_ = !FormatDocument(rows_, FormatOptionsOf(formatted_, documentPath_),
                                    formatterHost, &layoutNotes_);
    // A book whose formatting failed is not reopened at the next start.
    if (formatFailed_) {
        failedPath_ = documentPath_;
        if (lastGood_ == documentPath_) lastGood_.clear();
    } else {
        failedPath_.reset();
        shownBook_ = documentPath_;
        lastGood_ = documentPath_;
    }
}

SpreadOutcome Reader::RenderDisplay(int page) {
    const SpreadStyle style = Style();
    const SpreadRequest request{rows_,           style,          page,
                                pictureWidth_,   pictureHeight_, spreadHeightRatio_,
                                imgPageTexture_, documentPath_,  &layoutNotes_};
    return view_.Render(request, imgLeftPageBuf_, imgRightPageBuf_, texts_, host_);
}

void Reader::ShowSpread(PageRequester requester) {
    const SpreadOutcome outcome = RenderDisplay(currentPage_);
    currentPage_ = outcome.currentPage;
    if (outcome.pageDrawFailed) formatFailed_ = true;
    ApplyLayout(outcome);
    if (outcome.kind != SpreadKind::Spread) {
        ShowCover();
        host_.SetPageIndicator(PageIndicator({outcome.kind, outcome.currentPage}, PageCount()));
        return;
    }
    PageTurnPictures pictures{imgLeftPage_,        imgRightPage_,      imgLeftPageBuf_,
                              imgRightPageBuf_,    imgTempBuf_,        leftImage_.Width(),
                              rightImage_.Width(), leftImage_.Height()};
    PlayPageTurn(TurnDirectionFor(requester), settings_.ChangeSpeed, pictures, host_);
    host_.SetPageIndicator(PageIndicator({SpreadKind::Spread, currentPage_}, PageCount()));
    SetScroll(scrollMin_, scrollMax_, ScrollPositionForPage(currentPage_, scrollMin_, scrollMax_));
}

void Reader::ShowFrontCover() {
    ShowCoverPage(FrontCoverPage);
}

void Reader::ShowBackCover() {
    ShowCoverPage(BackCoverPage);
}

void Reader::ShowCoverPage(int page) {
    ApplyLayout(RenderDisplay(page));
    ShowCover();
}

void Reader::ApplyLayout(const SpreadOutcome& outcome) {
    shownKind_ = outcome.kind;
    shownPage_ = outcome.currentPage;
    bookArea_ = viewPage_ == NotebookPage::Contents
                    ? LayoutBookArea(pictureWidth_, pictureHeight_, spreadHeightRatio_)
                    : outcome.bookArea;
    leftImage_ = outcome.leftImage;
    rightImage_ = outcome.rightImage;
    host_.BookLayoutChanged();
}

void Reader::ShowCover() {
    // Covers are neither animated nor accompanied by the sound.
    imgLeftPage_ = imgLeftPageBuf_;
    imgRightPage_ = imgRightPageBuf_;
    host_.Repaint(true, true);
}

void Reader::PageClick(PageRequester sender) {
    const PageMove move = MovePage(currentPage_, sender, PageCount());
    if (!move.moved) return;
    currentPage_ = move.page;
    ShowSpread(sender == PageRequester::RightPage ? PageRequester::RightPage
                                                  : PageRequester::LeftPage);
}

void Reader::scbStatusScroll(int position) {
    const ScrollMove move = PageForScrollPosition(currentPage_, position, scrollMin_, scrollMax_);
    currentPage_ = move.page;
    scrollPosition_ = position;
    if (move.position != position) SetScroll(scrollMin_, scrollMax_, move.position);
}

void Reader::msiViewClick() {
    SetViewPage(NotebookPage::View);
    if (currentPage_ == FrontCoverPage)
        ShowFrontCover();
    else if (currentPage_ == BackCoverPage)
        ShowBackCover();
    else
        ShowSpread(PageRequester::None);
}

void Reader::msiContentsClick() {
    SetViewPage(NotebookPage::Contents);
    bookArea_ = LayoutBookArea(pictureWidth_, pictureHeight_, spreadHeightRatio_);
    host_.BookLayoutChanged();
}

void Reader::FormResize(int width, int height) {
    if (destroying_) return;
    pictureWidth_ = width;
    pictureHeight_ = height;
    TileBase();
    if (viewPage_ == NotebookPage::Contents) {
        bookArea_ = LayoutBookArea(pictureWidth_, pictureHeight_, spreadHeightRatio_);
        host_.BookLayoutChanged();
        host_.ContentsChanged();
    } else {
        ShowSpread(PageRequester::None);
    }
}

void Reader::msiConfigClick() {
    menus_.KeyPreview = false;
    host_.ViewStateChanged();
    if (!host_.ShowOptionDialog()) return;
    view_.Renderer().SetupPageFonts(imgRightPage_.Height(), Style().Page);
    FormResize(pictureWidth_, pictureHeight_);
}

void Reader::StoreTextures(const Bitmap& baseTexture, const Bitmap& pageTexture) {
    imgBaseTexture_ = baseTexture;
    imgPageTexture_ = pageTexture;
}

void Reader::ReceiveHandOff(const std::string& path) {
    if (path.empty()) return;
    // A save the file system refuses must not cost the reader the book they asked for.
    try {
        SaveShownBook();
    } catch (const ProfileWriteError& e) {
        ReportWriteError(e);
    }
    documentPath_ = path;
    OpenDocument();
}

void Reader::OpenDroppedFile(const std::string& path) {
    documentPath_ = path;
    OpenDocument();
}

}  // namespace mirvo
