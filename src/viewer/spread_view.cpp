#include "viewer/spread_view.h"

#include "render/color.h"
#include "render/cover.h"
#include "render/surfaces.h"

namespace mirvo {

SpreadView::SpreadView(GlyphPainter* painter) : renderer_(painter) {}

void SpreadView::SetWindowTextColor(Color c) {
    windowText_ = c;
    renderer_.SetWindowTextColor(c);
}

SpreadOutcome SpreadView::Render(const SpreadRequest& request, Bitmap& leftBuf, Bitmap& rightBuf,
                                 PageTexts& lists, ProblemReporter& reporter) {
    const SpreadStyle& s = request.style;
    const int pageCount = PageCount(request.rows, s.Page.Layout);
    const SpreadChoice choice = ChooseSpread(request.currentPage, request.rows.empty(), pageCount);
    SpreadOutcome out;
    out.kind = choice.kind;
    out.currentPage = choice.page;

    if (choice.kind != SpreadKind::Spread) {
        const bool front = choice.kind == SpreadKind::FrontCover;
        const CoverLayout l =
            front ? LayoutFrontCover(request.areaWidth, request.areaHeight, request.ratio)
                  : LayoutBackCover(request.areaWidth, request.areaHeight, request.ratio);
        out.bookArea = l.bookArea;
        out.leftImage = l.leftImage;
        out.rightImage = l.rightImage;
        CoverStyle style;
        style.coverColor = ResolveSystemColor(StringToColor(s.CoverColor));
        style.textColor = windowText_;
        style.fontName = s.Page.FontName;
        if (front) {
            DrawFrontCover(leftBuf, l.leftImage.Width(), l.leftImage.Height(), rightBuf,
                           l.rightImage.Width(), l.rightImage.Height(), request.rows, style,
                           coverFont_);
        } else {
            DrawBackCover(rightBuf, l.rightImage.Width(), l.rightImage.Height(), leftBuf,
                          l.leftImage.Width(), l.leftImage.Height(), style);
        }
        return out;
    }

    // Book typesetting draws at the images' own pixels: its glyphs are smoothed already.
    const bool doubleSize = s.Alias && !s.Page.Typeset;
    const SpreadLayout l =
        LayoutSpread(request.areaWidth, request.areaHeight, request.ratio, doubleSize);
    out.bookArea = l.bookArea;
    out.leftImage = l.leftImage;
    out.rightImage = l.rightImage;
    const PageSource source{request.rows, s.Page, request.pageTexture, request.documentPath,
                            request.notes};
    // The right page first: it restarts the spread's footnote numbering.
    const PageOutcome right = renderer_.RenderPage(rightBuf, l.rightBufWidth, l.rightBufHeight,
                                                   choice.page, true, source, lists, reporter);
    out.picture = right.picture;
    if (out.picture.kind != ProblemKind::None) return out;
    const PageOutcome left = renderer_.RenderPage(leftBuf, l.leftBufWidth, l.leftBufHeight,
                                                  choice.page + 1, false, source, lists, reporter);
    out.picture = left.picture;
    if (out.picture.kind != ProblemKind::None) return out;
    FinishOptions finish;
    finish.Alias = doubleSize;
    finish.UsePageTexture = s.Page.UsePageTexture;
    finish.PageTexture = &request.pageTexture;
    finish.PageColor = s.Page.PageColor;
    finish.LeftPageImageWidth = l.leftImage.Width();
    FinishSpread(leftBuf, rightBuf, finish);
    out.pageDrawFailed = !right.complete || !left.complete;
    return out;
}

Bitmap ComposeBookArea(const SpreadOutcome& outcome, const Bitmap& leftBuf,
                       const Bitmap& rightBuf) {
    // What is not covered by a page image shows the book area's own (button-face) colour.
    Bitmap area(outcome.bookArea.Width(), outcome.bookArea.Height(),
                ResolveSystemColor(kSystemColorBase + 15));
    const Rect& li = outcome.leftImage;
    const Rect& ri = outcome.rightImage;
    CopyRect(area, li.left, li.top, leftBuf, 0, 0, li.Width(), li.Height());
    CopyRect(area, ri.left, ri.top, rightBuf, 0, 0, ri.Width(), ri.Height());
    return area;
}

}  // namespace mirvo
