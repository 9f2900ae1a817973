// What the book area shows: the page buffers and the pictures on screen, the picture area's
// background, the geometry of the book and its pages, and the page turn between them. The
// reader core asks for a display; the presenter draws it into the buffers, lays it out and
// puts it on screen, telling the window through the ReaderHost.
#pragma once

#include <string>

#include "app/reader_host.h"
#include "format/document.h"
#include "format/markup.h"
#include "render/bitmap.h"
#include "viewer/footnote_hit.h"
#include "viewer/navigation.h"
#include "viewer/spread_view.h"

namespace mirvo {

// What a display draws: the rows, the look, the book's path (its cover title), the
// layout annotations' notes and the book's extra characters.
struct SpreadContent {
    const RowList& rows;
    const SpreadStyle& style;
    const std::string& documentPath;
    const LayoutNotes* notes = nullptr;
    const ExtraChars* extras = nullptr;
};

class SpreadPresenter {
  public:
    explicit SpreadPresenter(ReaderHost& host);

    // Geometry: the picture area, the book area in it, the page images in the book area.
    int PictureWidth() const { return pictureWidth_; }
    int PictureHeight() const { return pictureHeight_; }
    const Rect& BookArea() const { return bookArea_; }
    const Rect& LeftImage() const { return leftImage_; }
    const Rect& RightImage() const { return rightImage_; }
    // The share of the picture area's height the book takes.
    double SpreadHeightRatio() const { return spreadHeightRatio_; }

    // Pictures: the visible pages, the background of the picture area, the textures.
    const Bitmap& LeftPage() const { return imgLeftPage_; }
    const Bitmap& RightPage() const { return imgRightPage_; }
    const Bitmap& BaseImage() const { return imgBase_; }
    const Bitmap& PageTexture() const { return imgPageTexture_; }
    const Bitmap& BaseTexture() const { return imgBaseTexture_; }
    // The texts of the spread last drawn, and what the pages on screen show: a cover, or
    // the spread of ShownPage (the scroll bar may have moved the reader's page since).
    const PageTexts& Texts() const { return texts_; }
    // The extra characters of the book last drawn (null when it has none to look up).
    const ExtraChars* Extras() const { return extras_; }
    SpreadKind ShownKind() const { return shownKind_; }
    int ShownPage() const { return shownPage_; }

    void SetSpreadHeightRatio(double ratio) { spreadHeightRatio_ = ratio; }
    // The picture area got `width` x `height` pixels: the background is tiled anew.
    void SetPictureSize(int width, int height);
    // Draws what `page` shows into the page buffers and takes its geometry; while the
    // contents page shows, the book area keeps the spread's size. Nothing reaches the
    // screen yet.
    SpreadOutcome Draw(const SpreadContent& content, int page, bool contentsPage);
    // Puts the buffers on screen: a cover at once, a spread with the page turn (`direction`
    // as TurnDirectionFor gives it, at `changeSpeed`).
    void ShowCover();
    void ShowSpread(char direction, int changeSpeed);
    // The book area of the contents page: the spread's size in the picture area.
    void LayOutContentsPage();
    // The mark at pixel (x, y) of the page image of `sender` on the spread on show, drawn
    // with `style` (its layout, and the block's place when typeset).
    FootnoteHit HitFootnote(PageRequester sender, const PageStyle& style, double x, double y) const;

    // Textures: a picture file loaded over one of them (one that cannot be read is
    // reported to the error window and the picture before stays), or both replaced.
    void LoadBaseTexture(const std::string& path);
    void LoadPageTexture(const std::string& path);
    void SetTextures(const Bitmap& baseTexture, const Bitmap& pageTexture);
    // The page fonts for the page height on show and `style`.
    void SetUpPageFonts(const PageStyle& style);
    // Forgets the texts (the window is going).
    void Clear() { texts_ = PageTexts{}; }

  private:
    void TileBase();
    void LoadTexture(const std::string& path, Bitmap& texture);

    ReaderHost& host_;
    SpreadView view_;
    int pictureWidth_ = 0, pictureHeight_ = 0;
    Rect bookArea_, leftImage_, rightImage_;
    double spreadHeightRatio_ = kSpreadHeightRatio;
    PageTexts texts_;
    const ExtraChars* extras_ = nullptr;
    SpreadKind shownKind_ = SpreadKind::FrontCover;
    int shownPage_ = FrontCoverPage;

    Bitmap imgBase_;
    Bitmap imgLeftPage_, imgRightPage_;
    Bitmap imgLeftPageBuf_, imgRightPageBuf_;
    Bitmap imgTempBuf_;
    Bitmap imgPageTexture_, imgBaseTexture_;
};

}  // namespace mirvo
