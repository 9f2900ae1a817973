// The page renderer: draws one page of formatted rows into a page buffer as vertical
// text (columns from right to left), with ruby beside its base, emphasis dots, circled
// footnote marks and illustrations, and records what it drew in the page text lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "format/document.h"
#include "format/extra_chars.h"
#include "format/markup.h"
#include "format/page_layout.h"
#include "format/problem.h"
#include "render/bitmap.h"
#include "render/inline_marks.h"
#include "render/picture_cache.h"

namespace mirvo {

// Where each byte of a page's text list came from: entry k holds, for every byte of row k's
// text, the byte of the formatted row at which the character drawn there begins
// (kNoSourceByte for an indent's blanks and for those before text set at the foot). A
// footnote mark comes from its annotation's "［".
using PageSourceMap = std::vector<std::vector<std::uint32_t>>;
constexpr std::uint32_t kNoSourceByte = 0xFFFFFFFF;

// The lists filled while a spread is drawn. Entry k of a page's text list is the text drawn
// in row k of that page; FootnoteList entry n - 1 is the text behind mark n.
struct PageTexts {
    std::vector<std::string> RightPageText;
    std::vector<std::string> LeftPageText;
    std::vector<std::string> FootnoteList;
    PageSourceMap RightPageSource;
    PageSourceMap LeftPageSource;
};

enum class PageFont {
    Body,
    Ruby,
    Heading,  // the body face at the body height, bold: the text of headings
};

// Where the renderer's characters go. The real painter draws with two VerticalFonts;
// tests record the calls.
class GlyphPainter {
  public:
    virtual ~GlyphPainter() = default;
    // Both page fonts: face (UTF-8, "@" form), weight and cell heights in pixels.
    virtual void SetFonts(const std::string& fontName, bool bold, int bodyHeight,
                          int rubyHeight) = 0;
    // The distance in pixels between the tops of two neighbouring full-width cells down
    // a column (the body cells may be taller than the body font).
    virtual void SetCellPitch(double /*pixels*/) {}
    // Draws the CP932 character `ch` turned for vertical writing, (x, y) being the
    // top-left corner of the unturned cell.
    virtual void DrawChar(Bitmap& target, PageFont font, std::string_view ch, int x, int y,
                          Color color) = 0;
    // A run of CP932 characters (縦中横) set horizontally and upright, scaled down to fit
    // the full-width cell whose text point is (x, y).
    virtual void DrawUpright(Bitmap& /*target*/, PageFont /*font*/, std::string_view /*run*/,
                             int /*x*/, int /*y*/, Color /*color*/) {}
    // An emphasis mark centred at (cx, cy), `size` pixels across.
    virtual void DrawMark(Bitmap& target, EmphasisShape shape, int cx, int cy, int size,
                          Color color, bool smooth) {
        DrawEmphasisShape(target, shape, cx, cy, size, color, smooth);
    }
    // A side line down x from y0 to y1 (exclusive), sized after a ruby cell of `size`.
    virtual void DrawSideLine(Bitmap& target, SideLineStyle style, int x, int y0, int y1, int size,
                              Color color) {
        DrawSideLineShape(target, style, x, y0, y1, size, color);
    }
    // Book typesetting: grey-level glyphs at the buffer's own pixels for the fonts set
    // next, or (off) the monochrome glyphs of the grid.
    virtual void SetGreyGlyphs(bool /*grey*/) {}
    // The book's extra characters (format/extra_chars.h) for the characters drawn next:
    // their user-defined codes draw the table's sequences. Null draws the codes as they are.
    virtual void SetExtraChars(const ExtraChars* /*extras*/) {}
    // Book typesetting: the page number `digits` (ASCII) set horizontally in the ruby font,
    // its top at y and its right edge (`alignRight`) or its left edge at x.
    virtual void DrawPageNumber(Bitmap& /*target*/, std::string_view /*digits*/, int /*x*/,
                                int /*y*/, bool /*alignRight*/, Color /*color*/) {}
    // Draws `ch` as DrawChar draws it in the body font, but `steps` larger or smaller
    // (SizedHeight), centred on the body glyph's cell.
    virtual void DrawSizedChar(Bitmap& target, std::string_view ch, int x, int y, int /*steps*/,
                               Color color) {
        DrawChar(target, PageFont::Body, ch, x, y, color);
    }
};

// The largest cell of a page font, in pixels of the page buffer. Only layouts of one to a
// few characters a row on a large window, or a negative FontSpace, ask for more; their
// characters are drawn at this size, so that one glyph never costs more than a megapixel
// to render, keep and draw, however often a page of a thousand rows draws it.
constexpr int kMaxPageCellHeight = 512;

// Cell heights of the page fonts for a buffer `bufferHeight` pixels high, from 0 (FontSpace
// 100 or more: nothing is drawn) to kMaxPageCellHeight.
struct PageFontHeights {
    int body = 0;  // trunc(h0 * (1 - FontSpace / 100)), h0 = 2 * trunc(0.9 * H / B)
    int ruby = 0;  // trunc(0.9 * H / B)
};
PageFontHeights ComputePageFontHeights(int bufferHeight, const PageLayout& layout, int fontSpace);

// Fixed drawing colours of the page.
constexpr Color kTextBlack = 0x000000;
constexpr Color kRubyMarkRed = 0x0000FF;
constexpr Color kFootnoteBlue = 0xFF0000;

// A mark's colour (`own`: the footnote blue, the ruby start red) on a page of `page`
// colour with text of `text` colour: black text keeps every mark's own colour; with another
// text colour a mark whose contrast against the page is below 3:1 takes the text colour.
Color MarkColor(Color own, Color text, Color page);

// What the renderer reads of the reader's settings.
struct PageStyle {
    PageLayout Layout;          // R = Layout.Rows(), B = Layout.RowBytes()
    int FontSpace = 0;          // percent by which the body font is smaller than its cell
    bool UseRuby = true;        // 《》 draws ruby
    bool UseImage = true;       // <IMG> rows draw their picture
    bool UseComment = true;     // ［＃…］ draws emphasis dots or a footnote mark
    std::string FontName = "";  // "@" + family (UTF-8); "" is the default Japanese face
    bool FontBold = false;
    bool UsePageTexture = false;  // tile the page texture over the page colour
    Color PageColor = 0xFFFFFF;   // a colour value; a system colour resolves when drawn
    // Body text, ruby and emphasis marks. Black draws as ever (the window text colour where
    // the body font or the ruby font is selected); another colour takes all of them, and the
    // footnote marks and the ruby start mark keep their own colours only where they stand
    // out from the page colour (MarkColor).
    Color TextColor = kTextBlack;
    // Book typesetting: grey glyphs, the left page's text block mirrored about the gutter,
    // a page number at the foot of each page. Off draws the grid.
    bool Typeset = false;
};

// Book typesetting: the text block of a right page in a buffer `width` x `height` (the
// body columns with the ruby of the first one, and the foot of the last cell), and how far
// a page's block is moved across: 0 for the right page and for the grid, and for the left
// page so that its block mirrors the right page's about the gutter (outer and inner
// margins swap). The footnote hit test undoes the move.
struct TextBlock {
    int left = 0, right = 0;  // x range, right exclusive
    int bottom = 0;           // y below the last cell
};
TextBlock TypesetTextBlock(int width, int height, const PageStyle& style);
int TextBlockShift(int width, int height, const PageStyle& style, bool rightPage);

// Everything RenderPage reads besides the buffer.
struct PageSource {
    const RowList& rows;
    const PageStyle& style;
    const Bitmap& pageTexture;        // tiled over the page when UsePageTexture is on
    const std::string& documentPath;  // UTF-8; pictures are found beside it
    // What the layout annotations asked of each row (indent, hidden annotations, heading
    // text) when the rows were formatted with them; null or empty draws plain rows.
    const LayoutNotes* notes = nullptr;
    // The book's extra characters: what its user-defined codes stand for. Null when none.
    const ExtraChars* extras = nullptr;
};

// How the drawing of a page ended.
struct PageOutcome {
    // False when a row's ruby or annotation is not closed within the row: a
    // PageMarkupUnclosed has been reported and drawing of the page stopped there.
    bool complete = true;
    // A picture that could not be read, not reported: drawing of the page stopped there.
    // Kind None when every picture was drawn.
    Problem picture;
    // The page was drawn whole.
    explicit operator bool() const { return complete && picture.kind == ProblemKind::None; }
};

class PageRenderer {
  public:
    // With no painter the renderer draws with its own two VerticalFonts (body, ruby).
    explicit PageRenderer(GlyphPainter* painter = nullptr);
    ~PageRenderer();
    PageRenderer(const PageRenderer&) = delete;
    PageRenderer& operator=(const PageRenderer&) = delete;

    // The colour of the page fonts themselves (the window-text colour): ruby, emphasis
    // dots and the first character drawn after the body font is selected. Black unless
    // set.
    void SetWindowTextColor(Color c) { windowText_ = c; }
    Color WindowTextColor() const { return windowText_; }

    // Sets both page fonts from the style and the height of the page buffer.
    void SetupPageFonts(int bufferHeight, const PageStyle& style);

    // Draws page `page` (1-based) into `buffer`, which is first made `width` x `height`.
    // The front and back cover pages (-1, 9999) return at once and leave `buffer` alone.
    // `rightPage` chooses the list: the right page fills RightPageText and restarts
    // FootnoteList, the left page fills LeftPageText and goes on numbering footnotes.
    //
    // When a row's markup is not closed or a picture cannot be read, drawing of this page
    // stops there (what was drawn and recorded so far stays) and the outcome says why; the
    // caller sets FormatFailed for the first, and stops the display for the second.
    PageOutcome RenderPage(Bitmap& buffer, int width, int height, int page, bool rightPage,
                           const PageSource& source, PageTexts& lists, ProblemReporter& reporter);

    // The illustrations decoded for the pages drawn lately.
    PictureCache& Pictures() { return pictures_; }

  private:
    GlyphPainter* painter_;
    PictureCache pictures_;
    std::unique_ptr<GlyphPainter> ownPainter_;
    Color windowText_ = kTextBlack;
};

}  // namespace mirvo
