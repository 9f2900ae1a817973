// How the page renderer draws the Aozora layout annotations: text at the foot (and the
// blanks before it in the text list), text drawn smaller or larger, pictures placed by an
// annotation, and markup left open drawn as text.
#include <gtest/gtest.h>

#include "format/cp932.h"
#include "format/formatter.h"
#include "render/note_layout.h"
#include "render/page_renderer.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;

struct Drawn {
    std::string ch;  // UTF-8
    int y;
    int steps;  // 0: DrawChar
};

class SizeRecorder : public GlyphPainter {
  public:
    void SetFonts(const std::string&, bool, int, int) override {}
    void DrawChar(Bitmap&, PageFont, std::string_view ch, int, int y, Color) override {
        calls.push_back({Cp932ToUtf8(ch), y, 0});
    }
    void DrawSizedChar(Bitmap&, std::string_view ch, int, int y, int steps, Color) override {
        calls.push_back({Cp932ToUtf8(ch), y, steps});
    }
    std::vector<Drawn> calls;
};

class NullReporter : public ProblemReporter {
  public:
    void Report(const Problem& p) override { problems.push_back(p); }
    std::vector<Problem> problems;
};

// Ten rows of ten cells (B = 20) in a 300 x 420 buffer: the y of byte cell i.
int Y(int cell) {
    const double p = 420.0 / 21;
    return static_cast<int>(0.05 * 420 + 0.9 * static_cast<int>((cell - 1) * p));
}

class NoteLayoutRender : public ::testing::Test {
  protected:
    NoteLayoutRender() : renderer(&painter) {}

    // Formats `lines` (UTF-8) with the Aozora notes and draws page 1.
    PageOutcome Draw(const std::vector<std::string>& lines) {
        rows.clear();
        for (const auto& l : lines) rows.push_back(Sjis(l));
        const FormatOptions o{style.Layout, true, true, docPath, true};
        FormatterHost host;
        EXPECT_TRUE(FormatDocument(rows, o, host, &notes));
        const PageSource src{rows, style, texture, docPath, &notes};
        painter.calls.clear();
        return renderer.RenderPage(buffer, 300, 420, 1, true, src, lists, reporter);
    }
    std::string Text(std::size_t row) const { return Cp932ToUtf8(lists.RightPageText[row]); }

    SizeRecorder painter;
    PageRenderer renderer;
    PageStyle style{.Layout = PageLayout(10, 20)};
    RowList rows;
    LayoutNotes notes;
    Bitmap texture, buffer;
    std::string docPath = "/books/本.txt";
    PageTexts lists;
    NullReporter reporter;
};

TEST_F(NoteLayoutRender, TextAtTheFootAndItsBlanks) {
    const struct {
        const char* line;
        std::vector<int> cells;  // of the characters drawn, in order
        const char* text;        // the row in the text list
    } cases[] = {
        {"［＃地付き］署名", {17, 19}, "　　　　　　　　署名"},
        {"［＃地から３字上げ］日付", {11, 13}, "　　　　　日付"},
        {"拝具［＃地付き］名", {1, 3, 19}, "拝具　　　　　　　名"},
        {"拝具［＃地から１字上げ］abc", {1, 3, 16, 17, 18}, "拝具　　　　　 abc"},  // odd
        {"［＃地付き］名［＃注］", {17, 19}, "　　　　　　　　名①"},  // the mark keeps its cell
        {"［＃３字下げ］［＃地付き］名", {19}, "　　　　　　　　　名"},
        {"あいうえおかきくけ［＃地付き］こ",
         {1, 3, 5, 7, 9, 11, 13, 15, 17, 19},
         "あいうえおかきくけこ"},  // full: nothing moves
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Draw({c.line})) << c.line;
        std::vector<int> ys;
        for (const Drawn& d : painter.calls) ys.push_back(d.y);
        std::vector<int> want;
        for (int cell : c.cells) want.push_back(Y(cell));
        EXPECT_EQ(ys, want) << c.line;
        EXPECT_EQ(Text(0), c.text) << c.line;
    }
    // The rest of a line that does not fit below its head goes to the next column's foot.
    ASSERT_TRUE(Draw({"あいうえおかき［＃地から２字上げ］くけこ"}));
    EXPECT_EQ(Text(0), "あいうえおかき");
    EXPECT_EQ(Text(1), "　　　　　くけこ");
}

TEST_F(NoteLayoutRender, SmallerAndLargerTextKeepTheirCells) {
    ASSERT_TRUE(Draw({"前［＃１段階小さな文字］注記［＃小さな文字終わり］後",
                      "［＃２段階大きな文字］大［＃大きな文字終わり］"}));
    const std::vector<std::pair<std::string, int>> want = {
        {"前", 0}, {"注", -1}, {"記", -1}, {"後", 0}, {"大", 2}};
    ASSERT_EQ(painter.calls.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(painter.calls[k].ch, want[k].first);
        EXPECT_EQ(painter.calls[k].steps, want[k].second) << want[k].first;
        EXPECT_EQ(painter.calls[k].y, Y(k < 4 ? 1 + 2 * static_cast<int>(k) : 1));
    }
    EXPECT_EQ(Text(0), "前注記後");
}

TEST(SizedHeight, StepsWithinTheCell) {
    const struct {
        int body, cell, steps, height;
    } cases[] = {
        {20, 20, 0, 20},  {20, 20, -1, 17}, {20, 20, -2, 14},
        {20, 20, -3, 11}, {20, 20, -9, 10},  // never below half
        {16, 20, 1, 19},  {16, 20, 2, 20},   // never beyond the cell
        {20, 20, 3, 20},                     // a body already as tall as the cell
        {1, 2, -5, 1},    {0, 20, -1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SizedHeight(c.body, c.cell, c.steps), c.height)
            << c.body << " " << c.cell << " " << c.steps;
    }
}

TEST_F(NoteLayoutRender, PictureNotesAndMarkupLeftOpen) {
    test::TempDir dir;
    auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    std::string bmp = "BM" + le32(54 + 16) + le32(0) + le32(54) + le32(40) + le32(2) + le32(2) +
                      std::string("\x01\x00\x18\x00", 4) + le32(0) + le32(16) + le32(2835) +
                      le32(2835) + le32(0) + le32(0);
    for (int y = 0; y < 2; ++y) bmp += std::string("\x00\x00\xff\x00\x00\xff\x00\x00", 8);
    test::WriteFileBytes(dir.File("fig1.bmp"), bmp);
    docPath = dir.File("book.txt");

    ASSERT_TRUE(Draw({"［＃挿絵（fig1.bmp、横2×縦2）入る］", "あ"}));
    EXPECT_EQ(buffer.Pixel(150, 210), MakeColor(255, 0, 0));
    EXPECT_TRUE(painter.calls.empty());
    EXPECT_EQ(lists.RightPageText[0], "");

    // A picture that is not there: the annotation is drawn as a footnote, and the page goes on.
    const PageOutcome missing = Draw({"［＃挿絵（fig2.png）入る］"});
    EXPECT_TRUE(missing);
    EXPECT_EQ(Text(0), "①");
    EXPECT_EQ(Cp932ToUtf8(lists.FootnoteList[0]), "挿絵（fig2.png）入る");

    // Markup its line leaves open is text, as the formatter read it.
    ASSERT_TRUE(Draw({"あ《い", "う［＃え"}));
    EXPECT_EQ(Text(0), "あ《い");
    EXPECT_EQ(Text(1), "う［＃え");
    EXPECT_TRUE(reporter.problems.empty());
}

}  // namespace
}  // namespace mirvo
