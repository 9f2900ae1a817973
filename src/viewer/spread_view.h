// One display of the book: what CurrentPage asks for (front cover, a spread of two
// pages, back cover), its layout, and the finished page buffers. The window's
// ShowSpread, ShowFrontCover and ShowBackCover and the headless render command share
// this code; the window then only puts the buffers on screen (with the page turn).
#pragma once

#include <string>

#include "format/document.h"
#include "format/problem.h"
#include "render/bitmap.h"
#include "render/page_renderer.h"
#include "render/vertical_font.h"
#include "viewer/navigation.h"
#include "viewer/spread_layout.h"

namespace mirvo {

// What a display of the book reads of the reader's settings.
struct SpreadStyle {
    PageStyle Page;
    Color CoverColor = 0xFFFFFF;  // a colour value; a system colour resolves when drawn
    bool Alias = false;           // double-size page buffers, reduced when finished (not typeset)
    // The page buffers are drawn at twice the images' size and reduced: Alias, except for
    // book typesetting, whose glyphs are smoothed at the images' own pixels.
    bool DoubleSize() const { return Alias && !Page.Typeset; }
};

struct SpreadRequest {
    const RowList& rows;
    const SpreadStyle& style;
    int currentPage = FrontCoverPage;
    int areaWidth = 0, areaHeight = 0;   // the picture area imgBase
    double ratio = kSpreadHeightRatio;   // SpreadHeightRatio
    const Bitmap& pageTexture;           // imgPageTexture
    const std::string& documentPath;     // UTF-8
    const LayoutNotes* notes = nullptr;  // what the layout annotations asked of the rows
    const ExtraChars* extras = nullptr;  // what the rows' user-defined codes stand for
};

struct SpreadOutcome {
    SpreadKind kind = SpreadKind::FrontCover;
    int currentPage = FrontCoverPage;  // CurrentPage after the display rules
    Rect bookArea;                     // in the picture area
    Rect leftImage, rightImage;        // in the book area
    bool pageDrawFailed = false;       // a page could not be drawn: set FormatFailed
    Problem picture;  // a picture that could not be read stopped the display (kind None: none)
};

class SpreadView {
  public:
    // `painter` replaces the page fonts (tests); null draws with VerticalFonts.
    explicit SpreadView(GlyphPainter* painter = nullptr);

    PageRenderer& Renderer() { return renderer_; }
    void SetWindowTextColor(Color c);

    // Chooses the display for `request.currentPage` (ChooseSpread), lays it out and draws
    // it into the two buffers:
    // a spread is rendered (right page first, then the left one) and finished; a cover
    // is drawn at page-image size. The lists are filled for a spread only. A picture that
    // cannot be read stops the display where it is met (outcome.picture).
    SpreadOutcome Render(const SpreadRequest& request, Bitmap& leftBuf, Bitmap& rightBuf,
                         PageTexts& lists, ProblemReporter& reporter);

    // The spread part of Render, on a layout of the caller's: draws pages `page` (right)
    // and `page` + 1 (left) into buffers of the layout's sizes and finishes them. A picture
    // that cannot be read stops the drawing there (unfinished, and not reported). (The
    // export draws every spread this way at the page size it is asked for.)
    PageOutcome RenderPages(const SpreadRequest& request, const SpreadLayout& layout, int page,
                            Bitmap& leftBuf, Bitmap& rightBuf, PageTexts& lists,
                            ProblemReporter& reporter);

  private:
    PageRenderer renderer_;
    VerticalFont coverFont_;
    Color windowText_ = kTextBlack;
};

// The book area as it shows on screen: both finished buffers copied to their images'
// places (left image at x = 0), cut to the book area.
Bitmap ComposeBookArea(const SpreadOutcome& outcome, const Bitmap& leftBuf, const Bitmap& rightBuf);

}  // namespace mirvo
