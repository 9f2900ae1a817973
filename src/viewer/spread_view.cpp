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
        style.coverColor = ResolveSystemColor(s.CoverColor);
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

    const SpreadLayout l =
        LayoutSpread(request.areaWidth, request.areaHeight, request.ratio, s.DoubleSize());
    out.bookArea = l.bookArea;
    out.leftImage = l.leftImage;
    out.rightImage = l.rightImage;
    const PageOutcome pages =
        RenderPages(request, l, choice.page, leftBuf, rightBuf, lists, reporter);
    out.picture = pages.picture;
    out.pageDrawFailed = !pages.complete;
    return out;
}

PageOutcome SpreadView::RenderPages(const SpreadRequest& request, const SpreadLayout& l, int page,
                                    Bitmap& leftBuf, Bitmap& rightBuf, PageTexts& lists,
                                    ProblemReporter& reporter) {
    const SpreadStyle& s = request.style;
    const PageSource source{request.rows,         s.Page,        request.pageTexture,
                            request.documentPath, request.notes, request.extras};
    // The right page first: it restarts the spread's footnote numbering.
    PageOutcome right = renderer_.RenderPage(rightBuf, l.rightBufWidth, l.rightBufHeight, page,
                                             true, source, lists, reporter);
    if (right.picture.kind != ProblemKind::None) return right;
    PageOutcome left = renderer_.RenderPage(leftBuf, l.leftBufWidth, l.leftBufHeight, page + 1,
                                            false, source, lists, reporter);
    if (left.picture.kind != ProblemKind::None) return left;
    FinishOptions finish;
    finish.Alias = s.DoubleSize();
    finish.UsePageTexture = s.Page.UsePageTexture;
    finish.PageTexture = &request.pageTexture;
    finish.PageColor = s.Page.PageColor;
    finish.LeftPageImageWidth = l.leftImage.Width();
    FinishSpread(leftBuf, rightBuf, finish);
    right.complete = right.complete && left.complete;
    return right;
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
