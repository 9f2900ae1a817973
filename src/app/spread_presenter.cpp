#include "app/spread_presenter.h"

#include <stdexcept>
#include <utility>

#include "app/messages.h"
#include "render/picture_file.h"
#include "render/surfaces.h"
#include "viewer/page_turn.h"
#include "viewer/spread_layout.h"

namespace mirvo {
namespace {

// The error window, for the drawing's own reports.
class ErrorWindow : public ErrorReporter {
  public:
    explicit ErrorWindow(ReaderHost& host) : host_(host) {}
    void ReportError(const std::string& message) override {
        host_.Report(ReportKind::ErrorWindow, message);
    }

  private:
    ReaderHost& host_;
};

}  // namespace

SpreadPresenter::SpreadPresenter(ReaderHost& host)
    : host_(host), imgPageTexture_(BuiltInPageTexture()), imgBaseTexture_(BuiltInBaseTexture()) {}

void SpreadPresenter::SetPictureSize(int width, int height) {
    pictureWidth_ = width;
    pictureHeight_ = height;
    TileBase();
}

SpreadOutcome SpreadPresenter::Draw(const SpreadContent& content, int page, bool contentsPage) {
    const SpreadRequest request{content.rows,    content.style,        page,
                                pictureWidth_,   pictureHeight_,       spreadHeightRatio_,
                                imgPageTexture_, content.documentPath, content.notes,
                                content.extras};
    extras_ = content.extras;
    ErrorWindow window(host_);
    WordingReporter reporter(window);
    const SpreadOutcome outcome =
        view_.Render(request, imgLeftPageBuf_, imgRightPageBuf_, texts_, reporter);
    // A picture that cannot be read leaves the pages on screen as they are; the window's
    // general report shows it.
    if (outcome.picture.kind != ProblemKind::None) throw std::runtime_error(Word(outcome.picture));
    shownKind_ = outcome.kind;
    shownPage_ = outcome.currentPage;
    bookArea_ = contentsPage ? LayoutBookArea(pictureWidth_, pictureHeight_, spreadHeightRatio_)
                             : outcome.bookArea;
    leftImage_ = outcome.leftImage;
    rightImage_ = outcome.rightImage;
    host_.BookLayoutChanged();
    return outcome;
}

void SpreadPresenter::ShowCover() {
    // Covers are neither animated nor accompanied by the sound.
    imgLeftPage_ = imgLeftPageBuf_;
    imgRightPage_ = imgRightPageBuf_;
    host_.Repaint(true, true);
}

void SpreadPresenter::ShowSpread(char direction, int changeSpeed) {
    PageTurnPictures pictures{imgLeftPage_,        imgRightPage_,      imgLeftPageBuf_,
                              imgRightPageBuf_,    imgTempBuf_,        leftImage_.Width(),
                              rightImage_.Width(), leftImage_.Height()};
    PlayPageTurn(direction, changeSpeed, pictures, host_);
}

void SpreadPresenter::LayOutContentsPage() {
    bookArea_ = LayoutBookArea(pictureWidth_, pictureHeight_, spreadHeightRatio_);
    host_.BookLayoutChanged();
}

FootnoteHit SpreadPresenter::HitFootnote(PageRequester sender, const PageStyle& style, double x,
                                         double y) const {
    const bool right = sender == PageRequester::RightPage;
    const Rect& image = right ? rightImage_ : leftImage_;
    const FootnotePage page{image.Width(),       image.Height(),
                            style.Layout,        right ? texts_.RightPageText : texts_.LeftPageText,
                            texts_.FootnoteList, extras_};
    const int shift = TextBlockShift(image.Width(), image.Height(), style, right);
    return FindFootnoteMark(page, PageToGrid(x, y, image.Width(), image.Height(), shift));
}

void SpreadPresenter::LoadBaseTexture(const std::string& path) {
    LoadTexture(path, imgBaseTexture_);
    TileBase();
}

void SpreadPresenter::LoadPageTexture(const std::string& path) {
    LoadTexture(path, imgPageTexture_);
}

void SpreadPresenter::SetTextures(const Bitmap& baseTexture, const Bitmap& pageTexture) {
    imgBaseTexture_ = baseTexture;
    imgPageTexture_ = pageTexture;
}

void SpreadPresenter::SetUpPageFonts(const PageStyle& style) {
    view_.Renderer().SetupPageFonts(imgRightPage_.Height(), style);
}

void SpreadPresenter::TileBase() {
    TileTexture(imgBase_, pictureWidth_, pictureHeight_, imgBaseTexture_);
    host_.BaseChanged();
}

void SpreadPresenter::LoadTexture(const std::string& path, Bitmap& texture) {
    // A texture that cannot be read is reported and skipped: the picture loaded before
    // stays, and the book opens.
    Result<Bitmap> read = LoadBitmapFile(path);
    if (read)
        texture = std::move(read.Value());
    else
        host_.Report(ReportKind::ErrorWindow, Word(read.GetProblem()));
}

}  // namespace mirvo
