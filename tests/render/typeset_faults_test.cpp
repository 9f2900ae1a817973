// Book typesetting over whole novels: every fault a reader comparing the grid with a
// printed book finds is counted on the rows, the drawn text lists and the glyphs drawn,
// and each count must be zero. The bases of the rubies are found here by a rule of the
// test's own (｜ up to 《, else the kanji before it), not by the renderer's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "format/cp932.h"
#include "format/formatter.h"
#include "render/page_renderer.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

struct Call {
    std::string ch;  // CP932
    int x, y;
    PageFont font;
    Color color;
};

class Recorder : public GlyphPainter {
  public:
    void SetFonts(const std::string&, bool, int b, int r) override {
        body = b;
        ruby = r;
    }
    void DrawChar(Bitmap&, PageFont f, std::string_view ch, int x, int y, Color c) override {
        calls.push_back({std::string(ch), x, y, f, c});
    }
    std::vector<Call> calls;
    int body = 0, ruby = 0;
};

using Counts = std::map<std::string, int>;

bool Is(std::string_view ch, const char* utf8set) {
    const std::string set = Utf8ToCp932(utf8set);
    for (std::size_t i = 0; i < set.size(); i += CharLengthAt(set, i))
        if (set.substr(i, CharLengthAt(set, i)) == ch) return true;
    return false;
}
std::string_view CharAt(std::string_view s, std::size_t i) {
    return s.substr(i, CharLengthAt(s, i));
}
std::string_view LastChar(std::string_view s) {
    std::size_t i = 0, last = 0;
    for (; i < s.size(); i += CharLengthAt(s, i)) last = i;
    return s.empty() ? s : CharAt(s, last);
}
const std::string kGaiji = Utf8ToCp932("〓");  // stands for ※ and its annotation
bool Kanji(std::string_view ch) {
    return (ch.size() == 2 && CharCode(ch) >= 0x889F) || Is(ch, "々〆ヶ〓");
}
bool Kana(std::string_view ch) {
    const int c = CharCode(ch);
    return (c >= 0x829F && c <= 0x82F1) || (c >= 0x8340 && c <= 0x8396) || Is(ch, "ー");
}
int CharCount(std::string_view s) {
    int count = 0;
    for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) ++count;
    return count;
}

// Which source line each row comes from, and whether it is the line's first row.
struct RowLine {
    std::size_t line = 0;
    bool first = false;
};
std::vector<RowLine> MapRows(const RowList& lines, const RowList& rows) {
    std::vector<RowLine> map;
    std::size_t li = 0, pos = 0;
    bool started = false;
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        const std::string& row = rows[r];
        if (started && (pos >= lines[li].size() || row.empty() ||
                        lines[li].compare(pos, row.size(), row) != 0)) {
            ++li;
            pos = 0;
            started = false;
        }
        map.push_back({li, !started});
        started = true;
        pos += row.size();
    }
    return map;
}

// The faults that show in the rows and the text lists.
void CountRowFaults(const RowList& lines, const RowList& rows, const std::vector<RowLine>& map,
                    Counts& n) {
    for (std::size_t r = 0; r < map.size(); ++r) {
        const std::string& row = rows[r];
        const bool empty = row.empty();
        if (empty && !lines[map[r].line].empty()) ++n["empty column"];
        if (!map[r].first && row.rfind(Utf8ToCp932("《"), 0) == 0) {
            ++n["ruby split from its base"];
        }
        const bool sameLineNext = r + 1 < map.size() && map[r + 1].line == map[r].line;
        if (!sameLineNext || empty) continue;
        const std::string& next = rows[r + 1];
        const std::string_view a = LastChar(row), b = CharAt(next, 0);
        if (a == b && Is(a, "―…‥")) ++n["dashes or leaders split"];
        // A kanji run cut by the column end and ending in a ruby on the next column.
        std::size_t k = 0;
        while (k < next.size() && Kanji(CharAt(next, k))) k += CharLengthAt(next, k);
        if (k > 0 && Kanji(a) && next.compare(k, 2, Utf8ToCp932("《")) == 0)
            ++n["ruby split from its base"];
        const std::size_t bar = row.rfind(Utf8ToCp932("｜"));
        if (bar != std::string::npos && row.find(Utf8ToCp932("《"), bar) == std::string::npos) {
            ++n["ruby split from its base"];
        }
    }
}

// The faults that show in what a page's text list holds for row `row` (map entry `m`).
void CountDrawnFaults(const std::string& drawn, const std::string& row, const RowLine& m,
                      Counts& n) {
    const std::size_t B = 50;
    if (drawn.find(Utf8ToCp932("｜")) != std::string::npos) ++n["｜ drawn"];
    if (drawn.size() > B) {
        const bool hung = drawn.size() <= B + 2 && Is(LastChar(drawn), "。、，．");
        if (!hung) ++n["hangs other than one 。、，．"];
    }
    if (!m.first && !drawn.empty() && Is(CharAt(drawn, 0), "」』）〕】！？々ゝゞヽヾ"))
        ++n["forbidden at a column start"];
    std::size_t i = 0;
    while (i < row.size() && CharAt(row, i) == CharAt(row, 0)) i += CharLengthAt(row, i);
    if (i == row.size() && row.size() > B && row.size() > 2) ++n["separator past the column"];
}

// The glyph faults of one column: rubies against their bases (found by the test's rule),
// against each other, and emphasis dots against rubies.
struct Span {
    int top, bottom;
};
void CountGlyphFaults(const std::string& row, const std::vector<Call>& body,
                      const std::vector<Call>& ruby, const std::vector<Call>& dots, int bh, int rh,
                      Counts& n) {
    const std::string bar = Utf8ToCp932("｜"), open = Utf8ToCp932("《"), close = Utf8ToCp932("》");
    std::size_t k = 0, rk = 0, barAt = std::string::npos;
    std::size_t wall = 0;                // a base begins after the ruby or the annotation before it
    std::vector<std::string_view> seen;  // drawn body characters so far
    std::vector<Span> rubies;
    for (std::size_t i = 0; i < row.size();) {
        const std::string_view ch = CharAt(row, i);
        if (ch == bar) {
            barAt = seen.size();
            i += ch.size();
            continue;
        }
        if (ch == open) {
            const std::size_t end = row.find(close, i);
            std::size_t first = seen.size();
            if (barAt != std::string::npos) {
                first = barAt;
            } else {
                while (first > wall && Kanji(seen[first - 1])) --first;
            }
            const int m = CharCount(std::string_view(row).substr(i + 2, end - i - 2));
            barAt = std::string::npos;
            i = end + 2;
            wall = seen.size();
            if (first == seen.size() || m == 0 || rk + m > ruby.size()) {
                rk += m;
                continue;
            }
            const Span r{ruby[rk].y, ruby[rk + m - 1].y + rh};
            const Span b{body[first].y, body[seen.size() - 1].y + bh};
            rk += m;
            if (std::abs((r.top + r.bottom) - (b.top + b.bottom)) > 4) {
                ++n["ruby not centred"];
            }
            // Overhang onto the characters before and after: only kana, one ruby
            // character at most.
            if (first > 0) {
                const int height = bh * static_cast<int>(body[first - 1].ch.size()) / 2;
                const int over = body[first - 1].y + height - r.top;
                if (over > 1 && (!Kana(seen[first - 1]) || over > rh + 1))
                    ++n["ruby overhangs other than kana, or too far"];
            }
            if (k < body.size()) {
                const int over = r.bottom - body[k].y;
                if (over > 1 && (!Kana(body[k].ch) || over > rh + 1))
                    ++n["ruby overhangs other than kana, or too far"];
            }
            if (!rubies.empty() && r.top < rubies.back().bottom - 1) ++n["rubies overlap"];
            rubies.push_back(r);
            continue;
        }
        if (ch == Utf8ToCp932("［") && row.compare(i + 2, 2, Utf8ToCp932("＃")) == 0) {
            const std::size_t end = row.find(Utf8ToCp932("］"), i);
            const bool emphasis =
                row.substr(i, end - i).find(Utf8ToCp932("傍点")) != std::string::npos;
            i = end + 2;
            if (!emphasis && k < body.size()) seen.push_back(body[k++].ch);
            // ※ and the annotation describing it are one kanji the font lacks.
            if (!emphasis && seen.size() >= 2 && seen[seen.size() - 2] == Utf8ToCp932("※")) {
                seen[seen.size() - 1] = seen[seen.size() - 2] = kGaiji;
                continue;
            }
            wall = seen.size();
            continue;
        }
        if (k < body.size()) seen.push_back(body[k++].ch);
        i += ch.size();
    }
    for (const Call& d : dots) {
        for (const Call& r : ruby) {
            const bool across = d.x - bh / 2 < r.x && d.x - bh / 2 > r.x - rh;
            if (across && std::abs((d.y + bh / 2) - (r.y + rh / 2)) < rh / 2) ++n["dots on ruby"];
        }
    }
}

Counts CountFaults(const std::string& file) {
    Counts n;
    Result<RowList> loaded = LoadLines(file);
    if (!loaded) return {{"unreadable", 1}};
    const RowList lines = loaded.Value();
    RowList rows = loaded.Value();
    FormatOptions o{PageLayout(10, 50), true, true, file};
    o.Typesetting = true;
    FormatterHost host;
    if (!FormatDocument(rows, o, host)) return {{"format failed", 1}};
    const std::vector<RowLine> map = MapRows(lines, rows);
    CountRowFaults(lines, rows, map, n);

    const PageStyle s{.Layout = o.Layout, .UsePageTexture = false, .Typeset = true};
    Recorder painter;
    PageRenderer renderer(&painter);
    Bitmap buffer;
    const Bitmap texture;
    PageTexts lists;
    struct : ProblemReporter {
        void Report(const Problem&) override {}
    } quiet;
    const int W = 402, H = 564, q = W / 11, pages = PageCount(rows, o.Layout);
    for (int page = 1; page <= pages; ++page) {
        painter.calls.clear();
        if (!renderer.RenderPage(buffer, W, H, page, true, {rows, s, texture, file}, lists, quiet))
            ++n["page failed"];
        for (int c = 1; c <= 10; ++c) {
            const std::size_t r = static_cast<std::size_t>((page - 1) * 10 + c - 1);
            if (r >= map.size()) break;
            CountDrawnFaults(lists.RightPageText[c - 1], rows[r], map[r], n);
            const int xc = W - c * q;
            const int bodyX = static_cast<int>(0.05 * W + 0.9 * xc);
            const int rubyX = static_cast<int>(0.9 * (xc + painter.ruby + 1) + 0.05 * W);
            std::vector<Call> body, ruby, dots;
            for (const Call& call : painter.calls) {
                if (call.color == kRubyMarkRed) ++n["red drawn"];
                if (call.font == PageFont::Ruby && call.x == rubyX) ruby.push_back(call);
                if (call.font != PageFont::Ruby && call.x == bodyX) body.push_back(call);
                const int centre = call.x - painter.body / 2;
                if (call.font != PageFont::Ruby && call.ch == Utf8ToCp932("・") &&
                    call.x != bodyX && std::abs(centre - rubyX) <= painter.ruby) {
                    dots.push_back(call);
                }
            }
            CountGlyphFaults(rows[r], body, ruby, dots, painter.body, painter.ruby, n);
        }
    }
    return n;
}

std::string Describe(const Counts& n) {
    std::string out;
    for (const auto& [what, count] : n)
        if (count != 0) out += what + ": " + std::to_string(count) + "; ";
    return out;
}

TEST(TypesetFaults, NoneOnTheSampleNovels) {
    for (const std::string& file : test::CorpusFiles()) {
        const Counts n = CountFaults(file);
        EXPECT_EQ(Describe(n), "") << file;
    }
}

// What the text list holds for typeset rows, and that a mark's byte position there is the
// cell it is drawn in (the footnote hit test reads the lists so).
TEST(TypesetRows, TextListsHoldWhatIsDrawnWithPositionsAsCells) {
    struct Case {
        const char* row;
        const char* drawn;  // the text list entry
    } const cases[] = {
        {"｜漢字《かんじ》の［＃注］", "漢字の①"},    // ｜ and the reading are not drawn
        {"漢《かんじかん》あ［＃注］", "漢　　あ①"},  // a base spread over three cells
        {"あ漢《かんじ》い［＃注］", "あ漢い①"},      // overhanging kana: one cell
        {"［＃「漢」に傍点］漢［＃「漢」に傍点］［＃注］", "漢①"},  // emphasis takes no cell
    };
    const PageStyle s{.Layout = PageLayout(10, 50), .Typeset = true};
    for (const Case& c : cases) {
        Recorder painter;
        PageRenderer renderer(&painter);
        Bitmap buffer;
        const Bitmap texture;
        PageTexts lists;
        struct : ProblemReporter {
            void Report(const Problem&) override {}
        } quiet;
        const RowList rows{Utf8ToCp932(c.row), ""};
        ASSERT_TRUE(renderer.RenderPage(buffer, 300, 420, 1, true, {rows, s, texture, "b.txt"},
                                        lists, quiet));
        EXPECT_EQ(Cp932ToUtf8(lists.RightPageText[0]), c.drawn) << c.row;
        const std::size_t at = lists.RightPageText[0].rfind(Utf8ToCp932("①"));
        const auto mark = std::find_if(painter.calls.begin(), painter.calls.end(),
                                       [](const Call& k) { return k.ch == Utf8ToCp932("①"); });
        ASSERT_NE(mark, painter.calls.end()) << c.row;
        const int cellY = static_cast<int>(0.05 * 420 + 0.9 * static_cast<int>(at * 420 / 51.0));
        EXPECT_EQ(mark->y, cellY) << c.row;
    }
}

// The same counts over the books of a folder named by MIRVO_TYPESET_BOOKS, printed (a
// measure over larger texts than the tests keep).
TEST(TypesetFaults, BooksOfAFolderWhenAsked) {
    const char* folder = std::getenv("MIRVO_TYPESET_BOOKS");
    if (!folder) GTEST_SKIP() << "MIRVO_TYPESET_BOOKS not set";
    Counts total;
    int books = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        for (const auto& [what, count] : CountFaults(e.path().string())) total[what] += count;
        ++books;
    }
    std::printf("%d books: %s\n", books, Describe(total).c_str());
}

}  // namespace
}  // namespace mirvo
