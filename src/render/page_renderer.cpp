#include "render/page_renderer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "format/cp932.h"
#include "render/color.h"
#include "render/illustration.h"
#include "render/surfaces.h"
#include "render/vertical_font.h"

namespace mirvo {
namespace {

int Trunc(double v) {
    return static_cast<int>(std::trunc(v));
}

// Markup characters in CP932.
struct Markup {
    std::string bar = Utf8ToCp932("｜");
    std::string rubyOpen = Utf8ToCp932("《");
    std::string rubyClose = Utf8ToCp932("》");
    std::string noteOpen = Utf8ToCp932("［＃");
    std::string noteHash = Utf8ToCp932("＃");
    std::string noteClose = Utf8ToCp932("］");
    std::string emphasis = Utf8ToCp932("傍点");
    std::string quoteOpen = Utf8ToCp932("「");
    std::string quoteClose = Utf8ToCp932("」");
    std::string dot = Utf8ToCp932("ｏ");
    std::string marks = Utf8ToCp932("①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯⑰⑱⑲⑳");
};
const Markup& M() {
    static const Markup m;
    return m;
}

// A row whose ruby or annotation is not closed before its end.
struct UnclosedMarkup {};

// 1-based byte position of the first whole character `what` in `text`, 0 when absent.
int CharPos(std::string_view text, std::string_view what) {
    int pos = 1;
    while (pos <= static_cast<int>(text.size())) {
        const int at = pos;
        if (text.substr(static_cast<std::size_t>(at - 1)).starts_with(what)) return at;
        NextChar(text, pos);
    }
    return 0;
}

bool ContainsChars(std::string_view text, std::string_view what) {
    return CharPos(text, what) != 0;
}

// Draws with the two page fonts. Dashes ("―") that follow each other down a column are
// joined into one unbroken rule: the faces leave blank space at both ends of the dash,
// which would break "――" into separate bars.
class FontPainter : public GlyphPainter {
  public:
    void SetFonts(const std::string& fontName, bool bold, int bodyHeight, int rubyHeight) override {
        body_.Configure(fontName, bodyHeight, bold);
        ruby_.Configure(fontName, rubyHeight, bold);
        lastDash_ = {};
    }
    void SetCellPitch(double pixels) override { pitch_ = pixels; }

    void DrawChar(Bitmap& target, PageFont font, std::string_view ch, int x, int y,
                  Color color) override {
        if (font == PageFont::Ruby) {
            ruby_.DrawVertical(target, ch, x, y, color);
            lastDash_ = {};
            return;
        }
        if (ch != Dash()) {
            body_.DrawVertical(target, ch, x, y, color);
            lastDash_ = {};
            return;
        }
        const Rect box = body_.GlyphBox(ch, x, y);
        const double cell = pitch_ > 0 ? pitch_ : body_.Height();
        // Only the dash of the very next cell joins (not one beyond an empty cell).
        if (lastDash_.target == &target && lastDash_.x == x && y > lastDash_.y &&
            y - lastDash_.y < 1.5 * cell) {
            target.FillRect(Rect{box.left, lastDash_.box.bottom, box.right, box.top}, color);
        }
        body_.DrawVertical(target, ch, x, y, color);
        lastDash_ = {&target, x, y, box};
    }

  private:
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
    double pitch_ = 0;
    DrawnDash lastDash_;
};

// The drawing of one page: the geometry of the buffer and the state of the pen.
class PageDrawing {
  public:
    PageDrawing(Bitmap& buffer, const PageSource& src, GlyphPainter& painter, Color windowText,
                std::vector<std::string>& pageList, std::vector<std::string>& footnotes,
                ErrorReporter& reporter)
        : buf_(buffer),
          src_(src),
          s_(src.style),
          painter_(painter),
          windowText_(windowText),
          pageList_(pageList),
          footnotes_(footnotes),
          reporter_(reporter) {
        W_ = buffer.Width();
        H_ = buffer.Height();
        R_ = s_.Layout.Rows();
        B_ = s_.Layout.RowBytes();
        p_ = static_cast<double>(H_) / (B_ + 1);
        q_ = Trunc(static_cast<double>(W_) / (R_ + 1));
        hr_ = ComputePageFontHeights(H_, s_.Layout, s_.FontSpace).ruby;
    }

    void SelectBody() { color_ = windowText_; }

    void DrawRow(const std::string& row, int c) {
        if (s_.UseImage && DrawIllustration(buf_, row, src_.documentPath, reporter_)) return;
        const Markup& m = M();
        const int xc = W_ - c * q_;
        const int len = static_cast<int>(row.size());
        int pos = 1, i = 1;
        while (pos <= len) {
            const int y = Trunc((i - 1) * p_);
            std::string_view ch = NextChar(row, pos);
            i += static_cast<int>(ch.size());
            std::string_view nx;
            if (s_.UseComment && len - pos + 1 >= 2) {
                const int back = pos;
                nx = NextChar(row, pos);
                pos = back;
            }
            bool handled = false;
            if (s_.UseRuby) {
                if (ch == m.bar) color_ = kRubyMarkRed;
                if (ch == m.rubyOpen) {
                    i -= 2;
                    std::string ruby;
                    for (;;) {
                        if (pos > len) throw UnclosedMarkup{};
                        std::string_view r = NextChar(row, pos);
                        if (r == m.rubyClose) break;
                        ruby += r;
                    }
                    DrawRuby(ruby, y, xc);
                    SelectBody();
                    ch = {};
                    handled = true;
                }
            }
            if (s_.UseComment && !ch.empty() && !nx.empty() &&
                ch.size() + nx.size() == m.noteOpen.size() &&
                std::string(ch) + std::string(nx) == m.noteOpen) {
                NextChar(row, pos);  // the ＃
                if (footnotes_.empty()) footnotes_.emplace_back();
                for (;;) {
                    if (pos > len) throw UnclosedMarkup{};
                    std::string_view a = NextChar(row, pos);
                    if (a == m.noteClose) break;
                    footnotes_.back() += a;
                }
                const std::string& a = footnotes_.back();
                if (ContainsChars(a, m.emphasis)) {
                    DrawEmphasisDots(a, y, xc, c);
                    SelectBody();
                    i -= 2;
                    footnotes_.back().clear();
                    handled = true;
                } else {
                    color_ = kFootnoteBlue;
                    const std::size_t mark = footnotes_.size();
                    ch = mark <= 20 ? std::string_view(m.marks).substr(2 * mark - 2, 2)
                                    : std::string_view();
                    footnotes_.emplace_back();
                }
            }
            if (!handled) {
                if (!ch.empty()) {
                    painter_.DrawChar(buf_, PageFont::Body, ch, Trunc(0.05 * W_ + 0.9 * xc),
                                      Trunc(0.05 * H_ + 0.9 * y), color_);
                }
                color_ = kTextBlack;
                pageList_.back() += ch;
            }
        }
    }

  private:
    // The ruby runs upward from the cell of "《", bottom-aligned with the base text, one
    // ruby height per full-width character; moved down when it would begin above the
    // column.
    void DrawRuby(const std::string& t, int y, int xc) {
        const int L = static_cast<int>(t.size());
        if (L == 0) return;
        const Color color = windowText_;  // the ruby font's own colour
        const int o = y - Trunc(hr_ * (L + 1) / 2.0) >= 0 ? 0 : Trunc(hr_ * L / 2.0) - y;
        const int X = Trunc(0.9 * (xc + hr_ + 1) + 0.05 * W_);
        int j = 1;
        while (j <= L) {
            const int at = j;
            std::string_view r = NextChar(t, j);
            const int Y = Trunc(0.9 * (y - Trunc(hr_ * (L - at + 1) / 2.0) + o) + 0.05 * H_);
            painter_.DrawChar(buf_, PageFont::Ruby, r, X, Y, color);
        }
    }

    // One dot per full-width character of the n bytes before the annotation, a quarter
    // byte pitch below the top of its character; dots of an earlier column move to the
    // foot of the previous column (never past the first column of the page).
    void DrawEmphasisDots(const std::string& a, int y, int xc, int c) {
        const Markup& m = M();
        const int n = CharPos(a, m.quoteClose) - CharPos(a, m.quoteOpen) - 2;
        for (int k = 0; k < n; k += 2) {
            int yy = y - Trunc((n - k) * p_ - p_ / 4);
            int xx = xc + hr_ + 1;
            if (yy < 0 && c != 1) {
                yy += Trunc(B_ * p_);
                xx += q_;
            }
            painter_.DrawChar(buf_, PageFont::Ruby, m.dot, Trunc(0.9 * xx + 0.05 * W_),
                              Trunc(0.9 * yy + 0.05 * H_), windowText_);
        }
    }

    Bitmap& buf_;
    const PageSource& src_;
    const PageStyle& s_;
    GlyphPainter& painter_;
    Color windowText_;
    std::vector<std::string>& pageList_;
    std::vector<std::string>& footnotes_;
    ErrorReporter& reporter_;
    int W_ = 0, H_ = 0, R_ = 1, B_ = 2, q_ = 0, hr_ = 0;
    double p_ = 0;
    Color color_ = kTextBlack;
};

}  // namespace

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

std::string PageDrawFailedMessage(const std::string& documentPath) {
    return "ファイル:" + documentPath + "の整形中にメモリーアクセス関連の" +
           "エラーが発生しました。原因は不明です。\r\n" +
           "上記ファイルの内容を確認してみてください。";
}

PageRenderer::PageRenderer(GlyphPainter* painter) : painter_(painter) {
    if (!painter_) {
        ownPainter_ = std::make_unique<FontPainter>();
        painter_ = ownPainter_.get();
    }
}

PageRenderer::~PageRenderer() = default;

void PageRenderer::SetupPageFonts(int bufferHeight, const PageStyle& s) {
    const PageFontHeights h = ComputePageFontHeights(bufferHeight, s.Layout, s.FontSpace);
    painter_->SetFonts(s.FontName, s.FontBold, h.body, h.ruby);
    // Two byte cells of p = H / (B + 1), scaled to the 90 % text block.
    painter_->SetCellPitch(0.9 * 2 * bufferHeight / (s.Layout.RowBytes() + 1));
}

bool PageRenderer::RenderPage(Bitmap& buffer, int width, int height, int page, bool rightPage,
                              const PageSource& source, PageTexts& lists, ErrorReporter& reporter) {
    if (page == FrontCoverPage || page == BackCoverPage) return true;
    const PageStyle& s = source.style;
    const Color pageColor = ResolveSystemColor(StringToColor(s.PageColor));
    buffer.Create(width, height, pageColor);
    if (s.UsePageTexture) TileTexture(buffer, width, height, source.pageTexture);
    SetupPageFonts(buffer.Height(), s);

    std::vector<std::string>& pageList = rightPage ? lists.RightPageText : lists.LeftPageText;
    pageList.assign(1, std::string());
    if (rightPage) lists.FootnoteList.assign(1, std::string());

    PageDrawing drawing(buffer, source, *painter_, windowText_, pageList, lists.FootnoteList,
                        reporter);
    drawing.SelectBody();
    const int R = s.Layout.Rows();
    // Pages below 1 have no rows: only their background is drawn.
    long long r = static_cast<long long>(page - 1) * R;
    const long long count = static_cast<long long>(source.rows.size());
    try {
        for (int c = 1; c <= R && r >= 0 && r <= count - 1; ++c, ++r) {
            drawing.DrawRow(source.rows[static_cast<std::size_t>(r)], c);
            pageList.emplace_back();
        }
    } catch (const UnclosedMarkup&) {
        reporter.ReportError(PageDrawFailedMessage(source.documentPath));
        return false;
    }
    return true;
}

}  // namespace mirvo
