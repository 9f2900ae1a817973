#include "render/page_renderer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <set>

#include "format/cp932.h"
#include "format/formatter.h"
#include "render/color.h"
#include "render/picture_file.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

struct DrawCall {
    std::string ch;  // UTF-8
    int x, y;
    PageFont font;
    Color color;
};

class RecordingPainter : public GlyphPainter {
  public:
    void SetFonts(const std::string& name, bool bold, int body, int ruby) override {
        fontName = name;
        fontBold = bold;
        bodyHeight = body;
        rubyHeight = ruby;
    }
    void DrawChar(Bitmap&, PageFont font, std::string_view ch, int x, int y, Color color) override {
        calls.push_back({Cp932ToUtf8(ch), x, y, font, color});
    }
    void SetGreyGlyphs(bool on) override { grey = on; }
    void DrawPageNumber(Bitmap&, std::string_view digits, int x, int y, bool alignRight,
                        Color) override {
        numbers.push_back({std::string(digits), x, y, alignRight});
    }
    void DrawUpright(Bitmap&, PageFont font, std::string_view run, int x, int y,
                     Color color) override {
        uprights.push_back({Cp932ToUtf8(run), x, y, font, color});
    }
    void DrawMark(Bitmap&, EmphasisShape shape, int cx, int cy, int size, Color, bool) override {
        marks.push_back({shape, cx, cy, size});
    }
    void DrawSideLine(Bitmap&, SideLineStyle style, int x, int y0, int y1, int, Color) override {
        lines.push_back({style, x, y0, y1});
    }
    struct Number {
        std::string digits;
        int x, y;
        bool alignRight;
    };
    struct Mark {
        EmphasisShape shape;
        int cx, cy, size;
    };
    struct Line {
        SideLineStyle style;
        int x, y0, y1;
    };
    std::vector<DrawCall> uprights;
    std::vector<Mark> marks;
    std::vector<Line> lines;
    std::vector<DrawCall> calls;
    std::vector<Number> numbers;
    bool grey = false;
    std::string fontName;
    bool fontBold = false;
    int bodyHeight = -1, rubyHeight = -1;
};

class RecordingReporter : public ProblemReporter {
  public:
    void Report(const Problem& p) override { problems.push_back(p); }
    std::vector<Problem> problems;
};

constexpr Color kWindowText = 0x123456;  // told apart from the black of ordinary text

// Renders rows (UTF-8, one per column) as page 1 (right) of a W x H buffer.
class PageRendererTest : public ::testing::Test {
  protected:
    PageRendererTest() : renderer(&painter) { renderer.SetWindowTextColor(kWindowText); }

    PageOutcome Render(const std::vector<std::string>& utf8Rows, int page = 1, bool right = true,
                       int W = 300, int H = 420) {
        rows.clear();
        for (const auto& r : utf8Rows) rows.push_back(Sjis(r));
        rows.emplace_back();
        const PageSource src{rows, style, texture, docPath, &notes};
        painter.calls.clear();
        painter.numbers.clear();
        return renderer.RenderPage(buffer, W, H, page, right, src, lists, reporter);
    }

    // Formats source lines (UTF-8) with layout annotations on and renders page 1.
    PageOutcome RenderBook(const std::vector<std::string>& lines) {
        rows.clear();
        for (const auto& l : lines) rows.push_back(Sjis(l));
        const FormatOptions o{style.Layout, style.UseRuby, style.UseComment, docPath, true};
        SilentFormatterHost host;
        EXPECT_TRUE(FormatDocument(rows, o, host, &notes));
        const PageSource src{rows, style, texture, docPath, &notes};
        painter.calls.clear();
        painter.uprights.clear();
        painter.marks.clear();
        painter.lines.clear();
        return renderer.RenderPage(buffer, 300, 420, 1, true, src, lists, reporter);
    }

    struct SilentFormatterHost : FormatterHost {};

    // The draw calls of body characters only.
    std::vector<DrawCall> Body() const {
        std::vector<DrawCall> out;
        for (const auto& c : painter.calls)
            if (c.font == PageFont::Body) out.push_back(c);
        return out;
    }
    std::vector<DrawCall> Ruby() const {
        std::vector<DrawCall> out;
        for (const auto& c : painter.calls)
            if (c.font == PageFont::Ruby) out.push_back(c);
        return out;
    }

    static int Y(int cell, int H = 420, int B = 50) {
        const double p = static_cast<double>(H) / (B + 1);
        return static_cast<int>(0.05 * H + 0.9 * static_cast<int>((cell - 1) * p));
    }

    RecordingPainter painter;
    PageRenderer renderer;
    PageStyle style{.Layout = PageLayout(10, 50), .FontName = "@ＭＳ ゴシック"};
    RowList rows;
    Bitmap texture;
    Bitmap buffer;
    std::string docPath = "/books/本.txt";
    PageTexts lists;
    RecordingReporter reporter;
    LayoutNotes notes;  // empty: rows drawn as plain rows
};

TEST_F(PageRendererTest, WorkedExampleGeometryAndFontHeights) {
    ASSERT_TRUE(Render({"あいう", "かき"}));
    EXPECT_EQ(painter.bodyHeight, 14);
    EXPECT_EQ(painter.rubyHeight, 7);
    EXPECT_EQ(painter.fontName, style.FontName);
    const auto b = Body();
    ASSERT_EQ(b.size(), 5u);
    EXPECT_EQ(b[0].x, 260);
    EXPECT_EQ(b[0].y, 21);
    EXPECT_EQ(b[1].x, 260);
    EXPECT_EQ(b[1].y, 35);
    // Column 2: x_2 = 300 - 2 * 27 = 246, X = trunc(15 + 0.9 * 246).
    EXPECT_EQ(b[3].x, 236);
    EXPECT_EQ(b[3].y, 21);

    // The same page at double size (Alias): q = 54, heights 30 and 15.
    ASSERT_TRUE(Render({"あ", "か"}, 1, true, 600, 840));
    EXPECT_EQ(painter.bodyHeight, 30);
    EXPECT_EQ(painter.rubyHeight, 15);
    EXPECT_EQ(Body()[0].x, static_cast<int>(30 + 0.9 * 546));
    EXPECT_EQ(Body()[1].x, static_cast<int>(30 + 0.9 * 492));
    EXPECT_EQ(Body()[0].y, 42);
    style.FontSpace = 20;
    ASSERT_TRUE(Render({"あ"}, 1, true, 600, 840));
    EXPECT_EQ(painter.bodyHeight, 24);
    EXPECT_EQ(painter.rubyHeight, 15);  // FontSpace leaves the ruby alone
}

TEST_F(PageRendererTest, FontsFollowTheSettings) {
    // Unusable layouts are clamped, never divided by zero.
    EXPECT_EQ(ComputePageFontHeights(420, PageLayout(10, 0), 0).ruby, 189);
    // Cells are bounded, whatever the counts and the spacing: nothing overflows.
    const struct {
        int H, rowBytes, fontSpace, body, ruby;
    } cells[] = {
        {840, 2, 0, kMaxPageCellHeight, 378},
        {420, 50, INT_MIN, kMaxPageCellHeight, 7},
        {420, 50, -100, 28, 7},
        {420, 50, 100, 0, 7},
        {420, 50, INT_MAX, 0, 7},
        {420, INT_MAX, 0, 0, 0},
        {5000, 2, 0, kMaxPageCellHeight, kMaxPageCellHeight},
    };
    for (const auto& c : cells) {
        const PageFontHeights h =
            ComputePageFontHeights(c.H, PageLayout(10, c.rowBytes), c.fontSpace);
        EXPECT_EQ(h.body, c.body) << c.H << " " << c.rowBytes << " " << c.fontSpace;
        EXPECT_EQ(h.ruby, c.ruby) << c.H << " " << c.rowBytes << " " << c.fontSpace;
    }
    style.FontBold = true;
    style.FontName = "@IPA明朝";
    ASSERT_TRUE(Render({"あ"}));
    EXPECT_TRUE(painter.fontBold);
    EXPECT_EQ(painter.fontName, "@IPA明朝");
}

TEST_F(PageRendererTest, SingleByteCharactersTakeOneByteCell) {
    ASSERT_TRUE(Render({"ab漢"}));
    const auto b = Body();
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[1].y, Y(2));
    EXPECT_EQ(b[2].y, Y(3));
}

TEST_F(PageRendererTest, ColoursFollowTheFontSelection) {
    ASSERT_TRUE(Render({"あい｜漢字《かんじ》です", "まえ［＃注］"}));
    const auto b = Body();
    ASSERT_EQ(b.size(), 10u);
    EXPECT_EQ(b[0].ch, "あ");
    EXPECT_EQ(b[0].color, kWindowText);  // first after the body font is selected
    EXPECT_EQ(b[1].color, kTextBlack);
    EXPECT_EQ(b[2].ch, "｜");
    EXPECT_EQ(b[2].color, kRubyMarkRed);
    EXPECT_EQ(b[3].color, kTextBlack);
    EXPECT_EQ(b[5].ch, "で");
    EXPECT_EQ(b[5].color, kWindowText);  // first after the ruby
    EXPECT_EQ(b[6].color, kTextBlack);
    EXPECT_EQ(b[7].color, kTextBlack);  // a new row selects nothing
    EXPECT_EQ(b[9].ch, "①");
    EXPECT_EQ(b[9].color, kFootnoteBlue);
    for (const auto& r : Ruby()) EXPECT_EQ(r.color, kWindowText);
}

TEST_F(PageRendererTest, RubyPlacement) {
    // 《ルビ》 met at cell 21: ル two ruby heights above, ビ one above; 次 keeps cell 21.
    ASSERT_TRUE(Render({"一二三四五六七八九十《ルビ》次"}));
    const double p = 420.0 / 51;
    const int y = static_cast<int>(20 * p);
    const auto r = Ruby();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].ch, "ル");
    EXPECT_EQ(r[0].x, static_cast<int>(0.9 * (273 + 7 + 1) + 15));
    EXPECT_EQ(r[0].y, static_cast<int>(0.9 * (y - 14) + 21));
    EXPECT_EQ(r[1].y, static_cast<int>(0.9 * (y - 7) + 21));
    const auto b = Body();
    EXPECT_EQ(b.back().ch, "次");
    EXPECT_EQ(b.back().y, Y(21));

    // A ruby that would begin above the column is moved down to begin at its top.
    ASSERT_TRUE(Render({"漢《かんじ》"}));
    ASSERT_EQ(Ruby().size(), 3u);
    EXPECT_EQ(Ruby()[0].y, 21);
    EXPECT_EQ(Ruby()[1].y, static_cast<int>(0.9 * 7 + 21));

    // An empty ruby draws nothing and takes no cell.
    ASSERT_TRUE(Render({"あ《》い"}));
    EXPECT_TRUE(Ruby().empty());
    ASSERT_EQ(Body().size(), 2u);
    EXPECT_EQ(Body()[1].y, Y(3));
}

TEST_F(PageRendererTest, EmphasisDots) {
    // The dots stand beside the n bytes before the annotation, a quarter pitch down.
    const double p = 420.0 / 51;
    ASSERT_TRUE(Render({"あいうえお［＃「うえ」に傍点］か"}));
    auto dots = Ruby();
    ASSERT_EQ(dots.size(), 2u);
    const int y = static_cast<int>(10 * p);
    EXPECT_EQ(dots[0].ch, "ｏ");
    EXPECT_EQ(dots[0].x, static_cast<int>(0.9 * 281 + 15));
    EXPECT_EQ(dots[0].y, static_cast<int>(0.9 * (y - static_cast<int>(4 * p - p / 4)) + 21));
    EXPECT_EQ(dots[1].y, static_cast<int>(0.9 * (y - static_cast<int>(2 * p - p / 4)) + 21));
    EXPECT_EQ(dots[0].color, kWindowText);
    EXPECT_EQ(Body().back().ch, "か");
    EXPECT_EQ(Body().back().y, Y(11));  // the annotation takes no cell
    EXPECT_EQ(Body().back().color, kWindowText);
    EXPECT_EQ(lists.FootnoteList, std::vector<std::string>{""});
    EXPECT_EQ(lists.RightPageText[0], Sjis("あいうえおか"));

    // Text split over two columns: the dots of the earlier part go to the foot of the
    // previous column.
    ASSERT_TRUE(Render({"一二三四五", "か［＃「あか」に傍点］"}));
    dots = Ruby();
    ASSERT_EQ(dots.size(), 2u);
    const int yc = static_cast<int>(2 * p);
    EXPECT_EQ(dots[0].x, static_cast<int>(0.9 * (246 + 8 + 27) + 15));
    EXPECT_EQ(dots[0].y,
              static_cast<int>(
                  0.9 * (yc - static_cast<int>(4 * p - p / 4) + static_cast<int>(50 * p)) + 21));
    EXPECT_EQ(dots[1].x, static_cast<int>(0.9 * (246 + 8) + 15));
    EXPECT_EQ(dots[1].y, static_cast<int>(0.9 * (yc - static_cast<int>(2 * p - p / 4)) + 21));

    // In the first column they stay where computed, above the text block.
    ASSERT_TRUE(Render({"か［＃「あか」に傍点］"}));
    ASSERT_EQ(Ruby().size(), 2u);
    EXPECT_LT(Ruby()[0].y, 21);

    // Without 「」 no dots and nothing else.
    ASSERT_TRUE(Render({"あい［＃傍点］う"}));
    EXPECT_TRUE(Ruby().empty());
    EXPECT_EQ(Body().size(), 3u);
    EXPECT_EQ(lists.RightPageText[0], Sjis("あいう"));
}

TEST_F(PageRendererTest, WhatTheTextListsHold) {
    ASSERT_TRUE(Render({"｜漢字《かんじ》だ［＃注記です］よ", "", "ab《ルビ》c"}));
    ASSERT_EQ(lists.RightPageText.size(), 5u);
    EXPECT_EQ(lists.RightPageText[0], Sjis("｜漢字だ①よ"));
    EXPECT_EQ(lists.RightPageText[1], "");
    EXPECT_EQ(lists.RightPageText[2], "abc");
    EXPECT_EQ(lists.RightPageText[3], "");
    EXPECT_EQ(lists.FootnoteList, (std::vector<std::string>{Sjis("注記です"), ""}));
    // The byte position of a character in its entry is its cell.
    const auto b = Body();
    EXPECT_EQ(b[4].ch, "①");
    EXPECT_EQ(b[4].y, Y(9));
    EXPECT_EQ(lists.RightPageText[0].substr(8, 2), Sjis("①"));
}

TEST_F(PageRendererTest, FootnotesAreNumberedAcrossTheSpread) {
    ASSERT_TRUE(Render({"あ［＃一］い［＃二］"}, 1, true));
    ASSERT_TRUE(Render({"う［＃三］"}, 1, false));
    ASSERT_EQ(Body().size(), 2u);
    EXPECT_EQ(Body()[1].ch, "③");
    EXPECT_EQ(lists.FootnoteList,
              (std::vector<std::string>{Sjis("一"), Sjis("二"), Sjis("三"), ""}));
    EXPECT_EQ(lists.LeftPageText[0], Sjis("う③"));
    EXPECT_EQ(lists.RightPageText[0], Sjis("あ①い②"));

    // A left page drawn on its own starts the numbering itself.
    lists = PageTexts{};
    ASSERT_TRUE(Render({"え［＃四］"}, 1, false));
    EXPECT_EQ(lists.FootnoteList, (std::vector<std::string>{Sjis("四"), ""}));
    EXPECT_EQ(lists.LeftPageText[0], Sjis("え①"));

    // The 21st note of a spread shows no mark but takes a cell; its text is kept.
    std::string row;
    for (int k = 1; k <= 21; ++k) row += "［＃n" + std::to_string(k) + "］";
    row += "終";
    style.Layout = PageLayout(10, 200);
    ASSERT_TRUE(Render({row}));
    const auto b = Body();
    ASSERT_EQ(b.size(), 21u);
    EXPECT_EQ(b[19].ch, "⑳");
    EXPECT_EQ(b[20].ch, "終");
    EXPECT_EQ(b[20].y, Y(43, 420, 200));
    EXPECT_EQ(lists.FootnoteList.size(), 22u);
    EXPECT_EQ(lists.FootnoteList[20], "n21");
    EXPECT_EQ(lists.RightPageText[0].size(), 42u);  // 20 marks and 終
}

TEST_F(PageRendererTest, MarkupSwitchedOff) {
    style.UseRuby = false;
    ASSERT_TRUE(Render({"｜漢《かん》"}));
    ASSERT_EQ(Body().size(), 6u);
    for (const auto& c : Body()) EXPECT_NE(c.color, kRubyMarkRed);
    EXPECT_EQ(Body()[5].ch, "》");
    EXPECT_EQ(Body()[5].y, Y(11));
    EXPECT_TRUE(Ruby().empty());

    style.UseComment = false;
    ASSERT_TRUE(Render({"あ［＃注］"}));
    EXPECT_EQ(Body().size(), 5u);
    EXPECT_EQ(lists.RightPageText[0], Sjis("あ［＃注］"));
    EXPECT_EQ(lists.FootnoteList, std::vector<std::string>{""});

    // An unclosed bracket is plain text when its markup is off.
    ASSERT_TRUE(Render({"あ《い", "う［＃"}));
    EXPECT_TRUE(reporter.problems.empty());
}

TEST_F(PageRendererTest, LayoutAnnotationsIndentHideAndBoldenAsFormatted) {
    ASSERT_TRUE(RenderBook({"［＃５字下げ］一［＃「一」は中見出し］", "本文［＃注］です",
                            "序の漢字［＃「漢字」は大見出し］続き",
                            "一［＃注二］二［＃「一二」は小見出し］"}));
    struct Drawn {
        const char* ch;
        int column, cell;
        PageFont font;
    };
    const Drawn expected[] = {
        {"一", 1, 11, PageFont::Heading},  // five cells down, no marks beside it
        {"本", 2, 1, PageFont::Body},     {"文", 2, 3, PageFont::Body},
        {"①", 2, 5, PageFont::Body},      {"で", 2, 7, PageFont::Body},
        {"す", 2, 9, PageFont::Body},     {"序", 3, 1, PageFont::Body},
        {"の", 3, 3, PageFont::Body},     {"漢", 3, 5, PageFont::Heading},
        {"字", 3, 7, PageFont::Heading},  {"続", 3, 9, PageFont::Body},
        {"き", 3, 11, PageFont::Body},    {"一", 4, 1, PageFont::Heading},
        {"②", 4, 3, PageFont::Body},  // a footnote amid a heading keeps its plain mark
        {"二", 4, 5, PageFont::Heading},
    };
    ASSERT_EQ(painter.calls.size(), std::size(expected));
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        const Drawn& e = expected[k];
        const DrawCall& c = painter.calls[k];
        EXPECT_EQ(c.ch, e.ch) << k;
        EXPECT_EQ(c.x, static_cast<int>(15 + 0.9 * (300 - e.column * 27))) << e.ch;
        EXPECT_EQ(c.y, Y(e.cell)) << e.ch;
        EXPECT_EQ(c.font, e.font) << e.ch;
    }
    // Only the real footnotes are numbered and stored; the indent stands in the text list
    // as blanks, so that byte positions there stay cell positions.
    EXPECT_EQ(lists.FootnoteList, (std::vector<std::string>{Sjis("注"), Sjis("注二"), ""}));
    EXPECT_EQ(lists.RightPageText[0], Sjis("　　　　　一"));
    EXPECT_EQ(lists.RightPageText[1], Sjis("本文①です"));
    EXPECT_EQ(lists.RightPageText[2], Sjis("序の漢字続き"));

    // The same rows without what the formatter found draw every annotation as before.
    notes = LayoutNotes();
    ASSERT_TRUE(Render({"一［＃「一」は中見出し］"}));
    EXPECT_EQ(lists.RightPageText[0], Sjis("一①"));
}

// The body character `utf8` drawn by the last rendering (the n-th such, from 0).
const DrawCall* BodyChar(const std::vector<DrawCall>& calls, const char* utf8, int n = 0) {
    for (const DrawCall& c : calls) {
        if (c.ch == utf8 && c.font != PageFont::Ruby && n-- == 0) return &c;
    }
    return nullptr;
}

TEST_F(PageRendererTest, EmphasisMarksBesideEachCharacterOutsideTheRuby) {
    const int ruby = 7;  // trunc(0.9 * 420 / 50)
    struct Case {
        const char* line;
        EmphasisShape shape;
        std::vector<const char*> marked;
        bool left = false;
    };
    const Case cases[] = {
        {"あいう［＃「いう」に白ゴマ傍点］え", EmphasisShape::WhiteSesame, {"い", "う"}},
        {"あ［＃傍点］いう［＃傍点終わり］え", EmphasisShape::Sesame, {"い", "う"}},
        {"あ［＃蛇の目傍点］い［＃蛇の目傍点終わり］", EmphasisShape::Bullseye, {"い"}},
        {"生血［＃「生血」に「×」の傍記］", EmphasisShape::Cross, {"生", "血"}},
        {"あい［＃「い」の左に黒三角傍点］", EmphasisShape::Triangle, {"い"}, true},
        // Half-width characters get a mark each, centred on their half cell.
        {"ab［＃「ab」に丸傍点］", EmphasisShape::Circle, {"a", "b"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(RenderBook({c.line})) << c.line;
        ASSERT_EQ(painter.marks.size(), c.marked.size()) << c.line;
        for (std::size_t k = 0; k < c.marked.size(); ++k) {
            const DrawCall* ch = BodyChar(painter.calls, c.marked[k]);
            ASSERT_NE(ch, nullptr) << c.marked[k];
            const auto& m = painter.marks[k];
            EXPECT_EQ(m.shape, c.shape) << c.line;
            EXPECT_EQ(m.size, ruby);
            // 420 / 51 pixels a byte cell, scaled by 0.9.
            const int tall = static_cast<int>(
                std::lround(ch->ch.size() == 1 ? 0.9 * 420 / 51.0 : 0.9 * 840 / 51.0));
            EXPECT_EQ(m.cy, ch->y + tall / 2) << c.line << " " << k;
            EXPECT_EQ(m.cx, c.left ? ch->x - 14 - ruby / 2 : ch->x + ruby / 2) << c.line;
        }
        EXPECT_TRUE(Ruby().empty()) << "no dots of the plain renderer: " << c.line;
        EXPECT_EQ(lists.FootnoteList, std::vector<std::string>{""}) << c.line;
    }

    // A range over ruby marks its base, not the ruby start mark ｜ nor the reading.
    ASSERT_TRUE(RenderBook({"［＃傍点］｜漢字《かんじ》［＃傍点終わり］"}));
    EXPECT_EQ(painter.marks.size(), 2u);

    // Under ruby the marks move out past it where the columns leave room (6 columns on
    // 300 pixels), else to the left of the column (10); the character without ruby keeps
    // its lane.
    for (const int columns : {6, 10}) {
        style.Layout = PageLayout(columns, 50);
        ASSERT_TRUE(RenderBook({"｜漢字《かんじ》と［＃「漢字と」に二重丸傍点］"}));
        ASSERT_EQ(painter.marks.size(), 3u);
        const int rubyX = Ruby().front().x;
        const int kanjiX = BodyChar(painter.calls, "漢")->x;
        const int expected = columns == 6 ? rubyX + ruby / 2 : kanjiX - 14 - ruby / 2;
        EXPECT_EQ(painter.marks[0].cx, expected) << columns;
        EXPECT_EQ(painter.marks[1].cx, expected) << columns;
        EXPECT_EQ(painter.marks[2].cx, BodyChar(painter.calls, "と")->x + ruby / 2);
        EXPECT_EQ(lists.RightPageText[0], Sjis("｜漢字と"));
    }
}

TEST_F(PageRendererTest, SideLinesRunAlongTheirTextInEveryRow) {
    // One line from the top of the first character to the foot of the last, per column.
    ASSERT_TRUE(RenderBook({"あいう［＃「いう」に破線］え"}));
    ASSERT_EQ(painter.lines.size(), 1u);
    const DrawCall* i = BodyChar(painter.calls, "い");
    const DrawCall* u = BodyChar(painter.calls, "う");
    EXPECT_EQ(painter.lines[0].style, SideLineStyle::Dashed);
    EXPECT_EQ(painter.lines[0].y0, i->y);
    EXPECT_EQ(painter.lines[0].y1, u->y + 15);
    EXPECT_GT(painter.lines[0].x, i->x);

    // A range over three columns draws in each; the left form left of the column.
    style.Layout = PageLayout(10, 6);
    ASSERT_TRUE(RenderBook({"［＃左に波線］あいうえおかき［＃左に波線終わり］"}));
    ASSERT_EQ(painter.lines.size(), 3u);
    const char* firsts[] = {"あ", "え", "き"};
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(painter.lines[k].style, SideLineStyle::Wavy);
        EXPECT_LT(painter.lines[k].x, BodyChar(painter.calls, firsts[k])->x - 14) << k;
    }
    EXPECT_GT(painter.lines[0].x, painter.lines[1].x) << "columns run right to left";
    const int cell = static_cast<int>(std::lround(0.9 * 840 / 7));  // 6 bytes a row
    EXPECT_EQ(painter.lines[0].y1 - painter.lines[0].y0, Y(5, 420, 6) - Y(1, 420, 6) + cell)
        << "あいう";
    EXPECT_EQ(painter.lines[2].y1 - painter.lines[2].y0, cell) << "き alone";
}

TEST_F(PageRendererTest, UprightRunsTakeOneCellAndBoldTextTheBoldFace) {
    struct Case {
        const char* line;
        const char* upright;
        const char* listed;  // the text list: one cell, two bytes, for the run
        int month;           // the cell of 月 after it
    };
    const Case cases[] = {
        {"12［＃「12」は縦中横］月", "12", "12月", 3},
        {"1［＃「1」は縦中横］月", "1", "1 月", 3},
        {"第［＃縦中横］100［＃縦中横終わり］月", "100", "第10月", 5},
        {"（３）［＃「（３）」は縦中横］月", "（３）", "（月", 3},
        {"12月", "12", "12月", 3},  // no note: two digits alone
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(RenderBook({c.line})) << c.line;
        ASSERT_EQ(painter.uprights.size(), 1u) << c.line;
        EXPECT_EQ(painter.uprights[0].ch, c.upright);
        EXPECT_EQ(BodyChar(painter.calls, "月")->y, Y(c.month)) << c.line;
        EXPECT_EQ(painter.uprights[0].y, Y(c.month - 2)) << c.line;
        EXPECT_EQ(lists.RightPageText[0], Sjis(c.listed)) << c.line;
    }
    ASSERT_TRUE(RenderBook(
        {"強く［＃「強く」は太字］言う", "［＃ここから太字］", "次", "［＃ここで太字終わり］終"}));
    for (const char* ch : {"強", "く", "次"}) {
        EXPECT_EQ(BodyChar(painter.calls, ch)->font, PageFont::Heading) << ch;
    }
    for (const char* ch : {"言", "終"})
        EXPECT_EQ(BodyChar(painter.calls, ch)->font, PageFont::Body);
}

TEST_F(PageRendererTest, TypesetPagesDrawTheSameInlineMarks) {
    // The typeset rows draw what the grid draws: marks, lines and upright runs, in place.
    for (const bool typeset : {false, true}) {
        style.Typeset = typeset;
        ASSERT_TRUE(RenderBook(
            {"12［＃「12」は縦中横］月あい［＃「あい」に白丸傍点］う［＃「う」に波線］"}));
        ASSERT_EQ(painter.uprights.size(), 1u) << typeset;
        EXPECT_EQ(painter.uprights[0].ch, "12");
        ASSERT_EQ(painter.marks.size(), 2u) << typeset;
        EXPECT_EQ(painter.marks[0].shape, EmphasisShape::WhiteCircle);
        EXPECT_EQ(painter.marks[1].cy - painter.marks[0].cy,
                  BodyChar(painter.calls, "い")->y - BodyChar(painter.calls, "あ")->y);
        ASSERT_EQ(painter.lines.size(), 1u) << typeset;
        EXPECT_EQ(painter.lines[0].y0, BodyChar(painter.calls, "う")->y) << typeset;
        EXPECT_EQ(lists.RightPageText[0], Sjis("12月あいう")) << typeset;
    }
}

TEST(InlineMarkShapes, EveryKindIsDistinctAndStaysInItsBox) {
    // From the ruby of a reading size up (12 pixels: a 600-pixel page of 40 characters
    // drawn at twice its size); smaller, white shapes fill up.
    for (const int size : {12, 16, 24, 40}) {
        std::vector<Bitmap> drawn;
        for (int k = 0; k < kEmphasisShapes; ++k) {
            Bitmap b(40, 40, 0xFFFFFF);
            DrawEmphasisShape(b, static_cast<EmphasisShape>(k), 20, 20, size, 0, false);
            int ink = 0;
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 40; ++x) {
                    if (b.Pixel(x, y) != 0xFFFFFF) {
                        ++ink;
                        EXPECT_LE(std::abs(x - 20), size / 2 + 1) << k;
                        EXPECT_LE(std::abs(y - 20), size / 2 + 1) << k;
                    }
                }
            }
            EXPECT_GT(ink, 0) << "shape " << k << " at " << size;
            for (std::size_t j = 0; j < drawn.size(); ++j) {
                EXPECT_FALSE(drawn[j] == b) << "shapes " << j << " and " << k << " at " << size;
            }
            drawn.push_back(std::move(b));
        }
    }
    std::vector<Bitmap> lines;
    for (int k = 0; k < kSideLineStyles; ++k) {
        Bitmap b(40, 80, 0xFFFFFF);
        DrawSideLineShape(b, static_cast<SideLineStyle>(k), 20, 10, 70, 12, 0);
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 40; ++x) {
                if (b.Pixel(x, y) == 0xFFFFFF) continue;
                EXPECT_TRUE(y >= 10 && y < 70 && std::abs(x - 20) <= 6) << k;
            }
        }
        for (const Bitmap& other : lines) EXPECT_FALSE(other == b) << "line " << k;
        lines.push_back(std::move(b));
    }
}

TEST_F(PageRendererTest, IllustrationRows) {
    test::TempDir dir;
    // A 2 x 2 24-bit BMP, all red.
    std::string bmp = std::string("BM") + std::string(4, '\0') + std::string(4, '\0');
    auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    bmp = "BM" + le32(54 + 16) + le32(0) + le32(54) + le32(40) + le32(2) + le32(2) +
          std::string("\x01\x00\x18\x00", 4) + le32(0) + le32(16) + le32(2835) + le32(2835) +
          le32(0) + le32(0);
    for (int y = 0; y < 2; ++y) bmp += std::string("\x00\x00\xff\x00\x00\xff\x00\x00", 8);
    test::WriteFileBytes(dir.File("pic.bmp"), bmp);
    docPath = dir.File("book.txt");

    ASSERT_TRUE(Render({"<IMG SRC=\"pic.bmp\">", "", "あ"}));
    EXPECT_EQ(lists.RightPageText, (std::vector<std::string>{"", "", Sjis("あ"), "", ""}));
    EXPECT_EQ(Body().size(), 1u);
    EXPECT_EQ(buffer.Pixel(150, 210), MakeColor(255, 0, 0));

    style.UseImage = false;
    ASSERT_TRUE(Render({"<IMG SRC=\"missing.bmp\">"}));
    EXPECT_EQ(lists.RightPageText[0], "<IMG SRC=\"missing.bmp\">");

    style.UseImage = true;
    const PageOutcome missing = Render({"あ", "<IMG SRC=\"missing.bmp\">", "い"});
    EXPECT_TRUE(missing.complete);
    EXPECT_EQ(missing.picture.kind, ProblemKind::PictureUnreadable);
    EXPECT_EQ(missing.picture.path, dir.File("missing.bmp"));
    EXPECT_EQ(lists.RightPageText, (std::vector<std::string>{Sjis("あ"), ""}));  // stopped there
    EXPECT_TRUE(reporter.problems.empty());
}

TEST_F(PageRendererTest, UnclosedMarkupStopsThePage) {
    ASSERT_FALSE(Render({"あい", "う《え", "お"}));
    ASSERT_EQ(reporter.problems.size(), 1u);
    EXPECT_EQ(reporter.problems[0].kind, ProblemKind::PageMarkupUnclosed);
    EXPECT_EQ(reporter.problems[0].path, "/books/本.txt");
    // What was drawn so far stays; the rest of the page is not drawn.
    EXPECT_EQ(lists.RightPageText, (std::vector<std::string>{Sjis("あい"), Sjis("う")}));
    EXPECT_EQ(Body().size(), 3u);

    reporter.problems.clear();
    ASSERT_FALSE(Render({"あ［＃注記"}));
    EXPECT_EQ(reporter.problems.size(), 1u);
    // A lone lead byte at the end of the bracket's row is read as one byte, not past it.
    ASSERT_FALSE(Render({std::string("\xe3\x81\x82") + "《" + "\x81"}));
}

TEST_F(PageRendererTest, PagesWithoutRows) {
    style.PageColor = StringToColor("clRed");
    buffer.Create(5, 5, 0x00FF00);
    lists.RightPageText = {"keep"};
    ASSERT_TRUE(Render({"あ"}, FrontCoverPage));
    ASSERT_TRUE(Render({"あ"}, BackCoverPage));
    EXPECT_EQ(buffer.Width(), 5);  // untouched
    EXPECT_EQ(lists.RightPageText, std::vector<std::string>{"keep"});

    // Past the last page and below page 1: background only.
    for (int page : {2, 0, -5}) {
        ASSERT_TRUE(Render({"あ"}, page, false));
        EXPECT_TRUE(painter.calls.empty());
        EXPECT_EQ(lists.LeftPageText, std::vector<std::string>{""});
        EXPECT_EQ(buffer.Pixel(0, 0), 0x0000FFu);
    }
    // A row count below 1 is taken as 1 row a page.
    style.Layout = PageLayout(0, 50);
    ASSERT_TRUE(Render({"あ", "い"}, 2));
    EXPECT_EQ(lists.RightPageText[0], Sjis("い"));

    // Drawing cannot fail on a colour: a system colour without a scheme value is black.
    style.PageColor = kSystemColorBase + 0xFF;
    EXPECT_NO_THROW(Render({"あ"}));
}

// Book typesetting: the right page lies where the grid puts it; the left page's block
// (characters, ruby, emphasis dots) moves across so that the two blocks mirror each other
// about the gutter. A page that holds rows carries its number in the foot margin, flush
// with the block's outer edge; the grid and pages without rows carry none.
TEST_F(PageRendererTest, TypesetMirroredBlocksAndPageNumbers) {
    const std::vector<std::string> book(15, "漢《かん》字強調［＃「強調」に傍点］");  // 2 pages
    // 10 rows, q = 27, body 14, ruby 7: column 10's glyphs end 14 px left of 15 + 0.9 * 30,
    // column 1's ruby ends at 15 + 0.9 * (273 + 8); the left block moves (300 - 267) - 28.
    const struct {
        bool typeset;
        int page;
        bool right;
        int shift;
        std::string number;
        int numberX;
    } cases[] = {{false, 1, true, 0, "", 0},   {false, 2, false, 0, "", 0},
                 {true, 1, true, 0, "1", 267}, {true, 2, false, 5, "2", 33},
                 {true, 3, true, 0, "", 0},    {true, 0, false, 5, "", 0}};
    for (const auto& c : cases) {
        style.Typeset = c.typeset;
        EXPECT_EQ(TextBlockShift(300, 420, style, c.right), c.shift);
        ASSERT_TRUE(Render(book, c.page, true));
        const std::vector<DrawCall> asRight = painter.calls;
        ASSERT_TRUE(Render(book, c.page, c.right));
        EXPECT_EQ(painter.grey, c.typeset);
        ASSERT_EQ(painter.calls.size(), asRight.size());
        for (std::size_t k = 0; k < asRight.size(); ++k) {
            EXPECT_EQ(painter.calls[k].x, asRight[k].x + c.shift) << c.page << " " << k;
            EXPECT_EQ(painter.calls[k].y, asRight[k].y);
        }
        ASSERT_EQ(painter.numbers.size(), c.number.empty() ? 0u : 1u) << c.page;
        if (c.number.empty()) continue;
        const RecordingPainter::Number& n = painter.numbers[0];
        EXPECT_EQ(n.digits, c.number);
        EXPECT_EQ(n.x, c.numberX);
        EXPECT_EQ(n.alignRight, c.right);
        EXPECT_GE(n.y, TypesetTextBlock(300, 420, style).bottom);  // below the last cell
        EXPECT_LE(n.y + painter.rubyHeight, 420);
    }
}

// With the real fonts: a typeset page has grey glyph edges (more than a few levels between
// paper and ink); the grid has none. Every mark lies inside the cell of the character, the
// page number inside the foot margin of its side, bold keeps the cell and adds ink.
// An emboldened outline may leave a trace (under 1/16 ink) on the pixel beyond its cell.
TEST(PageRendererPixels, TypesetGlyphsAreGreyAndStayInTheirCells) {
    struct Case {
        bool typeset, bold, right;
        int minGreys, maxGreys;
    };
    const Case cases[] = {{false, false, true, 0, 0},
                          {true, false, true, 8, 256},
                          {true, true, true, 8, 256},
                          {true, false, false, 8, 256}};
    int regularInk = 0;
    for (const Case& c : cases) {
        PageStyle s{.Layout = PageLayout(10, 50), .FontBold = c.bold};
        s.Typeset = c.typeset;
        RowList rows{Sjis("永"), ""};
        Bitmap texture, buffer;
        PageTexts lists;
        RecordingReporter reporter;
        PageRenderer renderer;
        ASSERT_TRUE(renderer.RenderPage(buffer, 300, 420, 1, c.right, {rows, s, texture, "x.txt"},
                                        lists, reporter));
        const int shift = TextBlockShift(300, 420, s, c.right);
        const int footTop = TypesetTextBlock(300, 420, s).bottom;
        std::set<Color> greys;
        int ink = 0;
        for (int y = 0; y < 420; ++y) {
            for (int x = 0; x < 300; ++x) {
                const Color px = buffer.Pixel(x, y);
                if (px == 0xFFFFFF) continue;
                if (y >= footTop) {
                    EXPECT_TRUE(c.right ? x >= 150 : x < 150) << x << "," << y;
                    continue;
                }
                ++ink;
                if (px != 0) greys.insert(px);
                const int edge = px >= 0xF0F0F0 ? 1 : 0;
                EXPECT_TRUE(x >= 246 + shift - edge && x < 260 + shift + edge && y >= 21 - edge &&
                            y < 35 + edge)
                    << x << "," << y << " " << std::hex << px;
            }
        }
        EXPECT_GE(static_cast<int>(greys.size()), c.minGreys) << c.typeset;
        EXPECT_LE(static_cast<int>(greys.size()), c.maxGreys) << c.typeset;
        if (c.typeset && !c.bold) regularInk = ink;
        if (c.bold) {
            EXPECT_GT(ink, regularInk + regularInk / 10);
        }
    }
}

// With the real fonts: the ink of the first character lies inside its cell.
TEST(PageRendererPixels, FirstCharacterInkInsideItsCell) {
    const PageStyle s{.Layout = PageLayout(10, 50)};
    RowList rows{Sjis("永"), ""};
    Bitmap texture, buffer;
    const std::string path = "x.txt";
    PageTexts lists;
    RecordingReporter reporter;
    PageRenderer renderer;
    ASSERT_TRUE(
        renderer.RenderPage(buffer, 300, 420, 1, true, {rows, s, texture, path}, lists, reporter));
    int ink = 0;
    for (int y = 0; y < 420; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (buffer.Pixel(x, y) != 0xFFFFFF) {
                ++ink;
                EXPECT_TRUE(x >= 246 && x < 260 && y >= 21 && y < 35) << x << "," << y;
            }
        }
    }
    EXPECT_GT(ink, 20);
}

// "――" down a column is one unbroken rule at any cell size, the font filling its cell
// or not; a dash beyond an empty cell (the mark of a footnote past the twentieth of the
// spread) is not joined across it.
TEST(PageRendererPixels, DashesJoinIntoOneRule) {
    std::string twentyNotes;
    for (int n = 0; n < 20; ++n) twentyNotes += "［＃注］";
    struct Case {
        int W, H, space;
        RowList rows;
        bool joined;
    };
    const Case cases[] = {{300, 420, 0, {Sjis("あ――い"), ""}, true},
                          {600, 840, 0, {Sjis("あ――い"), ""}, true},
                          {300, 420, 30, {Sjis("あ――い"), ""}, true},
                          {600, 840, 0, {Sjis(twentyNotes), Sjis("あ―［＃注］―"), ""}, false}};
    for (const Case& c : cases) {
        PageStyle s{.Layout = PageLayout(10, 50), .FontName = "@ＭＳ ゴシック"};
        s.FontSpace = c.space;
        Bitmap texture, buffer;
        PageTexts lists;
        RecordingReporter reporter;
        PageRenderer renderer;
        ASSERT_TRUE(renderer.RenderPage(buffer, c.W, c.H, 1, true, {c.rows, s, texture, "x.txt"},
                                        lists, reporter));
        // Rows with ink in the dash cells (2 to 4) of the last column drawn, top down.
        const int column = static_cast<int>(c.rows.size()) - 1;
        const int X = static_cast<int>(0.05 * c.W + 0.9 * (c.W - column * (c.W / 11)));
        const auto cellTop = [&](int cell) {
            return static_cast<int>(0.05 * c.H + 0.9 * static_cast<int>((cell - 1) * c.H / 25.5));
        };
        std::string ink;
        for (int y = cellTop(2); y < cellTop(c.joined ? 4 : 5); ++y) {
            bool any = false;
            for (int x = X - c.H / 25; x < X; ++x) any = any || buffer.Pixel(x, y) != 0xFFFFFF;
            ink += any ? '#' : '.';
        }
        const std::size_t first = ink.find('#'), last = ink.rfind('#');
        ASSERT_NE(first, std::string::npos) << c.W;
        EXPECT_EQ(ink.find('.', first) > last, c.joined) << c.W << " " << c.space << ": " << ink;
    }
}

// Every page of every sample novel, formatted at the default layout with layout
// annotations off and on (and typeset), draws without an error and records exactly its rows.
class SilentHost : public FormatterHost {
  public:
    void Report(const Problem& p) override { errors.push_back(p); }
    std::vector<Problem> errors;
};

TEST(PageRendererCorpus, EveryPageOfEveryNovel) {
    const auto files = test::CorpusFiles();
    ASSERT_FALSE(files.empty());
    PageStyle s{.Layout = PageLayout(10, 50), .UsePageTexture = true};
    PageRenderer renderer;
    const Bitmap texture = Bitmap(100, 90, 0xCCEEFF);
    for (const auto& file : files) {
        for (const bool aozora : {false, true}) {
            s.Typeset = aozora;  // the second pass typeset
            RowList rows;
            Result<RowList> loaded = LoadLines(file);
            ASSERT_TRUE(loaded);
            rows = std::move(loaded.Value());
            SilentHost host;
            RecordingReporter problems;
            LayoutNotes notes;
            FormatOptions o{s.Layout, true, true, file, aozora};
            o.Typesetting = aozora;
            ASSERT_TRUE(FormatDocument(rows, o, host, &notes)) << file;
            const int pages = PageCount(rows, s.Layout);
            PageTexts lists;
            Bitmap right, left;
            for (int page = 1; page <= pages; page += 2) {
                const PageSource src{rows, s, texture, file, &notes};
                ASSERT_TRUE(renderer.RenderPage(right, 402, 564, page, true, src, lists, problems))
                    << file << " " << page;
                ASSERT_TRUE(
                    renderer.RenderPage(left, 402, 564, page + 1, false, src, lists, problems))
                    << file << " " << page;
                ASSERT_EQ(lists.RightPageText.size(),
                          std::min<std::size_t>(10, rows.size() - (page - 1) * 10) + 1);
            }
            EXPECT_TRUE(problems.problems.empty()) << file;
            EXPECT_TRUE(host.errors.empty())
                << file << ": " << (host.errors.empty() ? "" : host.errors[0].path);
        }
    }
}

TEST(MarkColor, MarksKeepTheirColoursOnlyWhereTheyStandOutFromThePage) {
    constexpr Color kWhite = 0xFFFFFF, kBlack = 0x000000, kNavy = 0x800000;
    struct Case {
        Color own, text, page, expected;
    } const cases[] = {
        // Black text keeps every mark's colour, whatever the page.
        {kFootnoteBlue, kTextBlack, kBlack, kFootnoteBlue},
        {kRubyMarkRed, kTextBlack, kNavy, kRubyMarkRed},
        // Another text colour: blue stands out from white (8.6:1), red from white (4:1)
        // and from black (5.3:1); blue on black (2.4:1) or navy and red on maroon do not.
        {kFootnoteBlue, 0x808080, kWhite, kFootnoteBlue},
        {kRubyMarkRed, 0x808080, kWhite, kRubyMarkRed},
        {kRubyMarkRed, kWhite, kBlack, kRubyMarkRed},
        {kFootnoteBlue, kWhite, kBlack, kWhite},
        {kFootnoteBlue, kWhite, kNavy, kWhite},
        {kRubyMarkRed, kWhite, 0x000080, kWhite},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MarkColor(c.own, c.text, c.page), c.expected)
            << std::hex << c.own << " " << c.text << " " << c.page;
    EXPECT_NEAR(ContrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kNavy, kNavy), 1.0, 1e-9);
}

TEST_F(PageRendererTest, ChosenTextColourTakesBodyRubyDotsAndIllegibleMarks) {
    style.TextColor = 0xFFFFFF;
    style.PageColor = 0x000000;
    ASSERT_TRUE(Render({"あい｜漢字《かんじ》です", "まえ［＃注］", "あいう［＃「いう」に傍点］"}));
    for (const auto& c : painter.calls) {
        const Color expected = c.ch == "｜" ? kRubyMarkRed : 0xFFFFFF;
        EXPECT_EQ(c.color, expected) << c.ch;
    }
    EXPECT_EQ(Body()[9].ch, "①");  // blue on black gave way to the text colour
    // The system colour for window text is black: drawn as ever.
    style.TextColor = kSystemColorBase + 8;
    ASSERT_TRUE(Render({"あい"}));
    EXPECT_EQ(Body()[0].color, kWindowText);
    EXPECT_EQ(Body()[1].color, kTextBlack);
}

}  // namespace
}  // namespace mirvo
