#include "render/page_renderer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "format/aozora_notes.h"
#include "format/cp932.h"
#include "format/markup.h"
#include "render/color.h"
#include "render/illustration.h"
#include "render/note_layout.h"
#include "render/surfaces.h"
#include "render/typeset_row.h"
#include "render/vertical_font.h"

namespace mirvo {
namespace {

int Trunc(double v) {
    return static_cast<int>(std::trunc(v));
}

// What the page draws for markup, in CP932.
struct Drawn {
    std::string dot = Utf8ToCp932("ｏ");
    std::string blank = Utf8ToCp932("　");
    std::string marks = Utf8ToCp932("①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯⑰⑱⑲⑳");
};
const Drawn& D() {
    static const Drawn d;
    return d;
}

// Draws with the page fonts: body, ruby, and the bold body face of headings. Dashes ("―")
// that follow each other down a column are joined into one unbroken rule: the faces leave
// blank space at both ends of the dash, which would break "――" into separate bars.
class FontPainter : public GlyphPainter {
  public:
    void SetGreyGlyphs(bool grey) override {
        if (grey != grey_) headingSet_ = false;
        grey_ = grey;
    }
    void SetFonts(const std::string& fontName, bool bold, int bodyHeight, int rubyHeight) override {
        body_.Configure(fontName, bodyHeight, bold, grey_);
        ruby_.Configure(fontName, rubyHeight, bold, grey_);
        name_ = fontName;
        bodyHeight_ = bodyHeight;
        cellHeight_ = 2 * rubyHeight;
        bold_ = bold;
        headingSet_ = false;
        lastDash_ = {};
    }
    void SetCellPitch(double pixels) override { pitch_ = pixels; }
    void SetExtraChars(const ExtraChars* extras) override { extras_ = extras; }

    void DrawChar(Bitmap& target, PageFont font, std::string_view ch, int x, int y,
                  Color color) override {
        if (const ExtraChars::Entry* extra = extras_ ? extras_->Find(ch) : nullptr) {
            VerticalFont& face = font == PageFont::Ruby      ? ruby_
                                 : font == PageFont::Heading ? HeadingFace()
                                                             : body_;
            face.DrawUpright(target, extra->text, x, y, color);
            lastDash_ = {};
            return;
        }
        if (font == PageFont::Ruby) {
            ruby_.DrawVertical(target, ch, x, y, color);
            lastDash_ = {};
            return;
        }
        VerticalFont& face = font == PageFont::Heading ? HeadingFace() : body_;
        if (ch != Dash()) {
            face.DrawVertical(target, ch, x, y, color);
            lastDash_ = {};
            return;
        }
        const Rect box = face.GlyphBox(ch, x, y);
        const double cell = pitch_ > 0 ? pitch_ : face.Height();
        // Only the dash of the very next cell joins (not one beyond an empty cell).
        if (lastDash_.target == &target && lastDash_.x == x && y > lastDash_.y &&
            y - lastDash_.y < 1.5 * cell) {
            target.FillRect(Rect{box.left, lastDash_.box.bottom, box.right, box.top}, color);
        }
        face.DrawVertical(target, ch, x, y, color);
        lastDash_ = {&target, x, y, box};
    }

    void DrawUpright(Bitmap& target, PageFont font, std::string_view run, int x, int y,
                     Color color) override {
        DrawUprightText(font == PageFont::Heading ? HeadingFace() : body_, upright_, target, run, x,
                        y, color, grey_);
        lastDash_ = {};
    }

    void DrawPageNumber(Bitmap& target, std::string_view digits, int x, int y, bool alignRight,
                        Color color) override {
        if (alignRight) x -= ruby_.HorizontalWidth(digits);
        ruby_.DrawHorizontal(target, digits, x, y, color);
    }

    void DrawSizedChar(Bitmap& target, std::string_view ch, int x, int y, int steps,
                       Color color) override {
        const int h = SizedHeight(bodyHeight_, cellHeight_, steps);
        VerticalFont& face = sized_[h];
        face.Configure(name_, h, bold_, grey_);
        // Centred on the body glyph's em square, which runs left from x and down from y.
        face.DrawVertical(target, ch, x - (bodyHeight_ - h) / 2, y + (bodyHeight_ - h) / 2, color);
        lastDash_ = {};
    }

  private:
    // Set up only when a page has headings, so that other books never resolve it.
    VerticalFont& HeadingFace() {
        if (!headingSet_) {
            heading_.Configure(name_, bodyHeight_, true, grey_);
            headingSet_ = true;
        }
        return heading_;
    }
    static const std::string& Dash() {
        static const std::string dash = Utf8ToCp932("―");
        return dash;
    }
    struct DrawnDash {
        const Bitmap* target = nullptr;  // none
        int x = 0, y = 0;
        Rect box;
    };
    VerticalFont body_;
    VerticalFont ruby_;
    VerticalFont heading_;
    VerticalFont upright_;               // upright runs too wide for the body face's cell
    std::map<int, VerticalFont> sized_;  // by cell height
    std::string name_;
    int bodyHeight_ = 0, cellHeight_ = 0;
    bool bold_ = false;
    bool headingSet_ = false;
    bool grey_ = false;
    double pitch_ = 0;
    const ExtraChars* extras_ = nullptr;
    DrawnDash lastDash_;
};

// True when byte `at` of a row lies in one of `spans`.
bool InSpans(const std::vector<RowSpan>& spans, int at) {
    for (const RowSpan& s : spans) {
        if (at >= static_cast<int>(s.begin) && at < static_cast<int>(s.end)) return true;
    }
    return false;
}

// The places of the inline marks on a page buffer.
InlineRowMarks::Geometry MarkGeometry(const Bitmap& buffer, const PageStyle& s) {
    const PageFontHeights h = ComputePageFontHeights(buffer.Height(), s.Layout, s.FontSpace);
    const int columns = Trunc(static_cast<double>(buffer.Width()) / (s.Layout.Rows() + 1));
    return {h.ruby, h.body, 0.9 * buffer.Height() / (s.Layout.RowBytes() + 1), 0.9 * columns,
            s.Typeset};
}

// The size steps of the text at byte `at` of a row; 0 for body text.
int SizeAt(const RowStyle& style, int at) {
    for (const SizedSpan& s : style.sized) {
        if (at >= static_cast<int>(s.begin) && at < static_cast<int>(s.end)) return s.steps;
    }
    return 0;
}

// Where the drawing of one row stands: the next byte of the row and the next cell.
struct RowCursor {
    const std::string& row;
    int c = 1;              // the row's place on the page, 1 at the right
    int xc = 0;             // its x
    const RowStyle* style;  // null for a plain row
    int len = static_cast<int>(row.size());
    int pos = 1;                                    // 1-based byte of the row
    int i = 1;                                      // 1-based byte cell of the column
    std::size_t hidden = 0;                         // the first hidden span not yet met
    int blanks = 0;                                 // indent cells not yet put into the text list
    bool footPending = style && style->raise >= 0;  // text set at the foot still to come
};

// A text colour other than black was chosen.
bool CustomText(const PageStyle& s) {
    return ResolveSystemColor(s.TextColor) != kTextBlack;
}

// The drawing of one page: the geometry of the buffer and the state of the pen.
class PageDrawing {
  public:
    PageDrawing(Bitmap& buffer, const PageSource& src, bool rightPage, GlyphPainter& painter,
                Color windowText, std::vector<std::string>& pageList, PageSourceMap& sources,
                std::vector<std::string>& footnotes, PictureCache& pictures,
                ProblemReporter& reporter)
        : buf_(buffer),
          src_(src),
          s_(src.style),
          painter_(painter),
          windowText_(CustomText(src.style) ? ResolveSystemColor(src.style.TextColor) : windowText),
          text_(CustomText(src.style) ? windowText_ : kTextBlack),
          pageList_(pageList),
          sources_(sources),
          footnotes_(footnotes),
          pictures_(pictures),
          reporter_(reporter),
          marks_(painter, buffer, MarkGeometry(buffer, src.style)) {
        W_ = buffer.Width();
        H_ = buffer.Height();
        R_ = s_.Layout.Rows();
        B_ = s_.Layout.RowBytes();
        p_ = static_cast<double>(H_) / (B_ + 1);
        q_ = Trunc(static_cast<double>(W_) / (R_ + 1));
        hr_ = ComputePageFontHeights(H_, s_.Layout, s_.FontSpace).ruby;
        shift_ = TextBlockShift(W_, H_, s_, rightPage);
        const Color page = ResolveSystemColor(s_.PageColor);
        footnoteColor_ = MarkColor(kFootnoteBlue, text_, page);
        rubyMarkColor_ = MarkColor(kRubyMarkRed, text_, page);
        color_ = text_;
        if (s_.Typeset) {
            typeset_.emplace(TypesetPen{painter_, buf_, W_, H_, q_, p_, B_,
                                        ComputePageFontHeights(H_, s_.Layout, s_.FontSpace).body,
                                        hr_, shift_, text_, footnoteColor_, s_.UseRuby,
                                        s_.UseComment, pageList_, footnotes_, &marks_});
        }
    }

    void SelectBody() { color_ = windowText_; }

    // Draws row `c` of the page. `style`, when the rows were formatted with layout
    // annotations: the row's indent, its hidden annotations and its heading text. Returns
    // a PageMarkupUnclosed when the row's ruby or annotation is not closed, the Problem of
    // a picture that cannot be read, or kind None.
    Problem DrawRow(const std::string& row, int c, const RowStyle* style) {
        if (s_.UseImage) {
            const Result<bool> drawn =
                style && style->picture
                    ? DrawPictureNote(buf_, PictureNoteFile(row), src_.documentPath, pictures_,
                                      reporter_)
                    : DrawIllustration(buf_, row, src_.documentPath, pictures_, reporter_);
            if (!drawn) return drawn.GetProblem();
            if (drawn.Value()) return {};
        }
        if (typeset_) return typeset_->DrawRow(row, c, style) ? Problem() : Unclosed();
        RowCursor r{row, c, W_ - c * q_, style};
        // An indent takes cells as blanks would; the text list holds them as full-width
        // spaces before the row's first character, so that byte positions there stay
        // cell positions.
        r.blanks = style ? style->indent : 0;
        r.i += 2 * r.blanks;
        marks_.BeginRow(style);
        while (r.pos <= r.len) {
            if (r.footPending && r.pos - 1 >= static_cast<int>(style->footFrom)) MoveToFoot(r);
            if (style && SkipHidden(*style, r.hidden, r.pos)) continue;
            if (!DrawNext(r)) return Unclosed();
        }
        marks_.EndRow(windowText_);
        return {};
    }

  private:
    Problem Unclosed() const {
        Problem unclosed;
        unclosed.kind = ProblemKind::PageMarkupUnclosed;
        unclosed.path = src_.documentPath;
        return unclosed;
    }

    // The row's text from its foot part on ends `raise` cells above the foot of the column,
    // unless the text before it already reaches further. The cells passed over are blanks
    // in the text list.
    void MoveToFoot(RowCursor& r) {
        r.footPending = false;
        const auto width =
            static_cast<int>(DrawnWidth(r.row, r.style->footFrom, s_.UseRuby, r.style));
        const int start = B_ - 2 * r.style->raise - width + 1;
        if (start <= r.i) return;
        for (; r.blanks > 0; --r.blanks) Record(D().blank, kNoSourceByte);
        for (int k = r.i; k + 1 < start; k += 2) Record(D().blank, kNoSourceByte);
        if ((start - r.i) % 2 != 0) Record(" ", kNoSourceByte);
        r.i = start;
    }

    // The next character of the row, or the ruby or annotation it opens. False when that
    // markup is not closed before the end of the row.
    bool DrawNext(RowCursor& r) {
        if (const RowMark* run = marks_.UprightAt(r.pos - 1)) return DrawUprightRun(r, *run);
        const MarkupChars& m = Markup();
        const int at = r.pos - 1;
        const int y = Trunc((r.i - 1) * p_);
        std::string_view ch = NextChar(r.row, r.pos);
        r.i += static_cast<int>(ch.size());
        const std::string_view nx = PeekForNote(r);
        if (s_.UseRuby) {
            if (ch == m.bar) color_ = rubyMarkColor_;
            if (ch == m.rubyOpen && ClosedInRow(r, m.rubyClose)) return DrawRubyRun(r, y);
        }
        bool mark = false;
        if (s_.UseComment && ch == m.noteOpen && nx == m.noteSharp && ClosedInRow(r, m.noteClose)) {
            if (!ReadNote(r)) return false;
            if (ContainsChars(footnotes_.back(), m.emphasis)) {
                DrawEmphasisDots(footnotes_.back(), y, r.xc, r.c);
                SelectBody();
                r.i -= 2;
                footnotes_.back().clear();
                return true;
            }
            ch = NextFootnoteMark();
            mark = true;
        }
        PutChar(r, ch, at, y, mark);
        return true;
    }

    // An upright run (縦中横) takes one full-width cell; the text list holds two bytes of it.
    bool DrawUprightRun(RowCursor& r, const RowMark& run) {
        const int at = r.pos - 1;
        const std::string_view text =
            std::string_view(r.row).substr(at, std::min<int>(run.end, r.len) - at);
        const int x = Trunc(0.05 * W_ + 0.9 * r.xc) + shift_;
        const int y = Trunc(0.05 * H_ + 0.9 * Trunc((r.i - 1) * p_));
        r.pos += static_cast<int>(text.size());
        r.i += 2;
        const PageFont font = InSpans(r.style->bold, at) ? PageFont::Heading : PageFont::Body;
        painter_.DrawUpright(buf_, font, text, x, y, color_);
        marks_.Char(at, 2, x, y);
        color_ = text_;
        for (; r.blanks > 0; --r.blanks) Record(D().blank, kNoSourceByte);
        Record(UprightCellText(text), static_cast<std::uint32_t>(at));
        return true;
    }

    // Markup is drawn as such when it is closed within the row; with the Aozora notes a
    // "《" or "［＃" left open is text, as the formatter read it.
    bool ClosedInRow(const RowCursor& r, const std::string& closer) const {
        return !r.style || FindChars(std::string_view(r.row).substr(r.pos - 1), closer) != 0;
    }

    // The character after the one just read, when annotations are drawn.
    std::string_view PeekForNote(const RowCursor& r) const {
        if (!s_.UseComment || r.len - r.pos + 1 < 2) return {};
        int pos = r.pos;
        return NextChar(r.row, pos);
    }

    // The ruby after "《", up to "》", drawn beside its base. It takes no cell.
    bool DrawRubyRun(RowCursor& r, int y) {
        const MarkupChars& m = Markup();
        r.i -= 2;
        std::string ruby;
        for (;;) {
            if (r.pos > r.len) return false;
            std::string_view t = NextChar(r.row, r.pos);
            if (t == m.rubyClose) break;
            ruby += t;
        }
        DrawRuby(ruby, y, r.xc);
        SelectBody();
        return true;
    }

    // The annotation after "［＃", up to "］", into the last footnote entry.
    bool ReadNote(RowCursor& r) {
        const MarkupChars& m = Markup();
        NextChar(r.row, r.pos);  // the ＃
        if (footnotes_.empty()) footnotes_.emplace_back();
        for (;;) {
            if (r.pos > r.len) return false;
            std::string_view a = NextChar(r.row, r.pos);
            if (a == m.noteClose) break;
            footnotes_.back() += a;
        }
        return true;
    }

    // The circled number of the footnote just read (none past 20), in the footnote colour;
    // a new entry is opened for the next one.
    std::string_view NextFootnoteMark() {
        color_ = footnoteColor_;
        const std::size_t number = footnotes_.size();
        footnotes_.emplace_back();
        return number <= 20 ? std::string_view(D().marks).substr(2 * number - 2, 2)
                            : std::string_view();
    }

    // Draws `ch` in its cell (headings in the bold face) and records it in the text list.
    void PutChar(RowCursor& r, std::string_view ch, int at, int y, bool mark) {
        if (!ch.empty()) {
            const bool heading = r.style && !mark && InSpans(r.style->bold, at);
            const int steps = r.style && !mark ? SizeAt(*r.style, at) : 0;
            const int x = Trunc(0.05 * W_ + 0.9 * r.xc) + shift_, yy = Trunc(0.05 * H_ + 0.9 * y);
            if (steps != 0) {
                painter_.DrawSizedChar(buf_, ch, x, yy, steps, color_);
            } else {
                painter_.DrawChar(buf_, heading ? PageFont::Heading : PageFont::Body, ch, x, yy,
                                  color_);
            }
            // The ruby start mark ｜ is no text of its own: no emphasis beside it.
            if (!mark && !(s_.UseRuby && ch == Markup().bar)) {
                marks_.Char(at, static_cast<int>(ch.size()), x, yy);
            }
        }
        color_ = text_;
        for (; r.blanks > 0; --r.blanks) Record(D().blank, kNoSourceByte);
        Record(ch, static_cast<std::uint32_t>(at));
    }

    // Appends `ch` to the row's text list, each byte traced to the row byte `source`.
    void Record(std::string_view ch, std::uint32_t source) {
        pageList_.back() += ch;
        sources_.back().insert(sources_.back().end(), ch.size(), source);
    }

    // A layout annotation beginning at `pos` is passed over: it draws nothing and takes no
    // cell. `next` is the first hidden span not yet met.
    static bool SkipHidden(const RowStyle& style, std::size_t& next, int& pos) {
        while (next < style.hidden.size() && static_cast<int>(style.hidden[next].begin) < pos - 1) {
            ++next;
        }
        if (next == style.hidden.size() || static_cast<int>(style.hidden[next].begin) != pos - 1) {
            return false;
        }
        pos = static_cast<int>(style.hidden[next].end) + 1;
        ++next;
        return true;
    }

    // The ruby runs upward from the cell of "《", bottom-aligned with the base text, one
    // ruby height per full-width character; moved down when it would begin above the
    // column.
    void DrawRuby(const std::string& t, int y, int xc) {
        const int L = static_cast<int>(t.size());
        if (L == 0) return;
        const Color color = windowText_;  // the ruby font's own colour
        const int o = y - Trunc(hr_ * (L + 1) / 2.0) >= 0 ? 0 : Trunc(hr_ * L / 2.0) - y;
        const int X = Trunc(0.9 * (xc + hr_ + 1) + 0.05 * W_) + shift_;
        int j = 1, top = 0, bottom = 0;
        while (j <= L) {
            const int at = j;
            std::string_view r = NextChar(t, j);
            const int Y = Trunc(0.9 * (y - Trunc(hr_ * (L - at + 1) / 2.0) + o) + 0.05 * H_);
            painter_.DrawChar(buf_, PageFont::Ruby, r, X, Y, color);
            if (at == 1) top = Y;
            bottom = Y + Trunc(0.9 * hr_);  // the next ruby character's place
        }
        marks_.Ruby(X, top, bottom);
    }

    // One dot per full-width character of the n bytes before the annotation, a quarter
    // byte pitch below the top of its character; dots of an earlier column move to the
    // foot of the previous column (never past the first column of the page).
    void DrawEmphasisDots(const std::string& a, int y, int xc, int c) {
        const MarkupChars& m = Markup();
        const int n = FindChars(a, m.quoteClose) - FindChars(a, m.quoteOpen) - 2;
        for (int k = 0; k < n; k += 2) {
            int yy = y - Trunc((n - k) * p_ - p_ / 4);
            int xx = xc + hr_ + 1;
            if (yy < 0 && c != 1) {
                yy += Trunc(B_ * p_);
                xx += q_;
            }
            painter_.DrawChar(buf_, PageFont::Ruby, D().dot, Trunc(0.9 * xx + 0.05 * W_) + shift_,
                              Trunc(0.9 * yy + 0.05 * H_), windowText_);
        }
    }

    Bitmap& buf_;
    const PageSource& src_;
    const PageStyle& s_;
    GlyphPainter& painter_;
    Color windowText_;  // where the body font or the ruby font is selected
    Color text_;        // the other text
    Color footnoteColor_ = kFootnoteBlue, rubyMarkColor_ = kRubyMarkRed;
    std::vector<std::string>& pageList_;
    PageSourceMap& sources_;
    std::vector<std::string>& footnotes_;
    PictureCache& pictures_;
    ProblemReporter& reporter_;
    int W_ = 0, H_ = 0, R_ = 1, B_ = 2, q_ = 0, hr_ = 0;
    int shift_ = 0;  // the text block's move across (the typeset left page)
    double p_ = 0;
    Color color_ = kTextBlack;
    InlineRowMarks marks_;
    std::optional<TypesetPage> typeset_;  // book typesetting draws the rows
};

}  // namespace

Color MarkColor(Color own, Color text, Color page) {
    if (text == kTextBlack) return own;
    return ContrastRatio(own, page) >= 3.0 ? own : text;
}

namespace {}  // namespace

PageFontHeights ComputePageFontHeights(int bufferHeight, const PageLayout& layout, int fontSpace) {
    const int B = layout.RowBytes();
    // Bounded while still real numbers: a FontSpace far from 0 to 100 would otherwise give a
    // height that does not fit an int.
    const auto bounded = [](double height) {
        return Trunc(std::clamp(height, 0.0, static_cast<double>(kMaxPageCellHeight)));
    };
    const int hr = Trunc(0.9 * bufferHeight / B);
    const int h0 = 2 * hr;
    PageFontHeights h;
    h.ruby = bounded(hr);
    h.body = bounded(h0 * (1 - fontSpace / 100.0));
    return h;
}

TextBlock TypesetTextBlock(int width, int height, const PageStyle& style) {
    const int R = style.Layout.Rows(), B = style.Layout.RowBytes();
    const PageFontHeights h = ComputePageFontHeights(height, style.Layout, style.FontSpace);
    const int q = Trunc(static_cast<double>(width) / (R + 1));
    TextBlock block;
    // Column R's glyphs end h.body left of its text point; column 1's ruby ends at its own.
    block.left = Trunc(0.05 * width + 0.9 * (width - R * q)) - h.body;
    block.right = Trunc(0.9 * (width - q + h.ruby + 1) + 0.05 * width);
    block.bottom = Trunc(0.05 * height + 0.9 * B * (static_cast<double>(height) / (B + 1)));
    return block;
}

int TextBlockShift(int width, int height, const PageStyle& style, bool rightPage) {
    if (!style.Typeset || rightPage) return 0;
    const TextBlock block = TypesetTextBlock(width, height, style);
    return (width - block.right) - block.left;
}

namespace {

// Book typesetting: the page number, small, centred in the foot margin and flush with the
// text block's outer edge (the right page's right, the left page's left).
void DrawPageNumber(GlyphPainter& painter, Bitmap& buffer, int page, bool rightPage,
                    const PageStyle& s, Color color) {
    const int W = buffer.Width(), H = buffer.Height();
    const TextBlock block = TypesetTextBlock(W, H, s);
    const int ruby = ComputePageFontHeights(H, s.Layout, s.FontSpace).ruby;
    const int y = block.bottom + std::max(0, (H - block.bottom - ruby) / 2);
    const int x = rightPage ? block.right : block.left + TextBlockShift(W, H, s, false);
    painter.DrawPageNumber(buffer, std::to_string(page), x, y, rightPage, color);
}

}  // namespace

PageRenderer::PageRenderer(GlyphPainter* painter) : painter_(painter) {
    if (!painter_) {
        ownPainter_ = std::make_unique<FontPainter>();
        painter_ = ownPainter_.get();
    }
}

PageRenderer::~PageRenderer() = default;

void PageRenderer::SetupPageFonts(int bufferHeight, const PageStyle& s) {
    const PageFontHeights h = ComputePageFontHeights(bufferHeight, s.Layout, s.FontSpace);
    painter_->SetGreyGlyphs(s.Typeset);
    painter_->SetFonts(s.FontName, s.FontBold, h.body, h.ruby);
    // Two byte cells of p = H / (B + 1), scaled to the 90 % text block.
    painter_->SetCellPitch(0.9 * 2 * bufferHeight / (s.Layout.RowBytes() + 1));
}

PageOutcome PageRenderer::RenderPage(Bitmap& buffer, int width, int height, int page,
                                     bool rightPage, const PageSource& source, PageTexts& lists,
                                     ProblemReporter& reporter) {
    if (page == FrontCoverPage || page == BackCoverPage) return {};
    pictures_.NextPage();
    const PageStyle& s = source.style;
    const Color pageColor = ResolveSystemColor(s.PageColor);
    // The texture, when tiled, covers the page colour.
    if (s.UsePageTexture)
        TileTexture(buffer, width, height, source.pageTexture);
    else
        buffer.Create(width, height, pageColor);
    SetupPageFonts(buffer.Height(), s);
    painter_->SetExtraChars(source.extras);

    std::vector<std::string>& pageList = rightPage ? lists.RightPageText : lists.LeftPageText;
    pageList.assign(1, std::string());
    PageSourceMap& sources = rightPage ? lists.RightPageSource : lists.LeftPageSource;
    sources.assign(1, {});
    if (rightPage) lists.FootnoteList.assign(1, std::string());

    PageDrawing drawing(buffer, source, rightPage, *painter_, windowText_, pageList, sources,
                        lists.FootnoteList, pictures_, reporter);
    drawing.SelectBody();
    const int R = s.Layout.Rows();
    // Pages below 1 have no rows: only their background is drawn.
    long long r = static_cast<long long>(page - 1) * R;
    const long long count = static_cast<long long>(source.rows.size());
    for (int c = 1; c <= R && r >= 0 && r <= count - 1; ++c, ++r) {
        const std::size_t index = static_cast<std::size_t>(r);
        const RowStyle* style = source.notes && index < source.notes->rows.size()
                                    ? &source.notes->rows[index]
                                    : nullptr;
        Problem stopped = drawing.DrawRow(source.rows[index], c, style);
        if (stopped.kind == ProblemKind::PageMarkupUnclosed) {
            reporter.Report(stopped);
            return PageOutcome{false, {}};
        }
        if (stopped.kind != ProblemKind::None) return PageOutcome{true, std::move(stopped)};
        pageList.emplace_back();
        sources.emplace_back();
    }
    // A page that holds rows carries its number.
    if (s.Typeset && pageList.size() > 1) {
        DrawPageNumber(*painter_, buffer, page, rightPage, s,
                       CustomText(s) ? ResolveSystemColor(s.TextColor) : windowText_);
    }
    return {};
}

}  // namespace mirvo
