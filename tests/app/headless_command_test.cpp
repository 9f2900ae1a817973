// The display-free commands of the mirvo executable, as scripts use them: what they write
// on standard output and error, the files they make and their exit codes.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/headless/headless.h"
#include "app/settings_table.h"
#include "format/cp932.h"
#include "format/document.h"
#include "format/formatter.h"
#include "format/gaiji_notes.h"
#include "render/page_renderer.h"
#include "render/png_samples.h"
#include "support/headless_run.h"
#include "support/test_support.h"
#include "viewer/spread_layout.h"

namespace mirvo::test {
namespace {

TEST(DumpRowsCommand, ReadsABookInItsEncodingOrTheOneAskedFor) {
    TempDir dir;
    // 鷗 is an extra character; the last character, cut short, is replaced.
    WriteFileBytes(dir.File("u.txt"), "あ鷗\nい\xE3\x81");
    const Captured detected = RunMirvo({"--dump-rows", dir.File("u.txt")});
    EXPECT_EQ(detected.status, 0);
    EXPECT_EQ(detected.out, Sjis("あ") + "\xF0\x40\n" + Sjis("い〓") + "\n\n");
    EXPECT_NE(detected.err.find("表示できない文字が1個"), std::string::npos) << detected.err;
    const Captured forced = RunMirvo({"--dump-rows", dir.File("u.txt"), "--encoding", "CP932"});
    EXPECT_EQ(forced.out, "あ鷗\nい\xE3\x81\n\n");
    EXPECT_EQ(forced.err, "");
    EXPECT_EQ(RunMirvo({"--dump-rows", dir.File("u.txt"), "--encoding", "latin1"}).status, 2);
}

TEST(DumpRowsCommand, WritesEveryRowAndAnLfAfterEach) {
    TempDir dir;
    WriteFileBytes(dir.File("b.txt"), Sjis("あいう\r\n<SKIP>\r\nえ《る》"));
    const Captured c = RunMirvo({"--dump-rows", dir.File("b.txt"), "--rows", "2", "--chars", "2"});
    EXPECT_EQ(c.status, 0) << c.err;
    // The page break meets the first row of a page and adds nothing.
    EXPECT_EQ(c.out, Sjis("あい\nう\n\nえ《る》\n\n"));
    EXPECT_EQ(c.err, "");
    // Ruby off: the brackets take width like text.
    const Captured off =
        RunMirvo({"--dump-rows", dir.File("b.txt"), "--rows", "2", "--chars", "2", "--ruby", "0"});
    EXPECT_EQ(off.out, Sjis("あい\nう\n\nえ《\nる》\n\n\n"));
    // Typesetting: a line that fills its last row exactly leaves no empty row after it.
    WriteFileBytes(dir.File("t.txt"), Sjis("あいうえ\r\nお"));
    const auto rows = [&](const char* typeset) {
        return RunMirvo({"--dump-rows", dir.File("t.txt"), "--chars", "2", "--typeset", typeset})
            .out;
    };
    EXPECT_EQ(rows("0"), Sjis("あい\nうえ\n\nお\n\n"));
    EXPECT_EQ(rows("1"), Sjis("あい\nうえ\nお\n\n"));
}

TEST(DumpRowsCommand, FormattingErrorGoesToStandardErrorWithNoRows) {
    TempDir dir;
    WriteFileBytes(dir.File("bad.txt"), Sjis("あ\r\nい《る"));
    const Captured c = RunMirvo({"--dump-rows", dir.File("bad.txt")});
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.out, "");
    EXPECT_NE(c.err.find("2行目辺りです"), std::string::npos) << c.err;
    EXPECT_EQ(c.err.find('\r'), std::string::npos) << "line breaks are plain LF";
}

TEST(DumpRowsCommand, BadArgumentsAndMissingFiles) {
    TempDir dir;
    EXPECT_EQ(RunMirvo({"--dump-rows"}).status, 2);
    EXPECT_EQ(RunMirvo({"--dump-rows", "x.txt", "--rows"}).status, 2);
    EXPECT_EQ(RunMirvo({"--dump-rows", "x.txt", "--ruby", "2"}).status, 2);
    // A number out of its setting's range is told as such, from the table's range.
    const struct {
        const char *option, *value, *err;
    } refused[] = {
        {"--rows", "-1000001",
         "mirvo --dump-rows: --rows needs a number from -1000000 to 1000000, not -1000001\n"},
        {"--chars", "99999999999999999999",
         "mirvo --dump-rows: --chars needs a number from -1000000 to 1000000, not "
         "99999999999999999999\n"},
        {"--rows", "12x", "mirvo --dump-rows: --rows needs a number\n"},
        {"--ruby", "-1", "mirvo --dump-rows: --ruby needs 0 or 1\n"},
        {"--encoding", "latin1",
         "mirvo --dump-rows: --encoding needs auto, cp932, utf-8, utf-16 or euc-jp\n"},
    };
    for (const auto& r : refused) {
        const Captured c = RunMirvo({"--dump-rows", "x.txt", r.option, r.value});
        EXPECT_EQ(c.status, 2) << r.value;
        EXPECT_EQ(c.err, r.err);
    }
    EXPECT_EQ(RunMirvo({"--dump-rows", "x.txt", "--bogus", "1"}).status, 2);
    EXPECT_EQ(RunMirvo({"--dump-rows", "x.txt", "--alias", "1"}).status, 2)
        << "a drawing setting is no option of a formatting command";
    EXPECT_EQ(
        RunMirvo({"--render", "x.txt", "--page", "1", "--out", "o.png", "--bold", "2"}).status, 2);
    const Captured missing = RunMirvo({"--dump-rows", dir.File("none.txt")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.txt"), std::string::npos);
    int status = 0;
    EXPECT_FALSE(RunHeadless({"book.txt"}, status)) << "a path alone is for the reader";
    EXPECT_FALSE(RunHeadless({}, status));
}

TEST(DumpContentsCommand, EntriesAsTheReaderListsThemWithoutMarkup) {
    TempDir dir;
    WriteFileBytes(dir.File("b.txt"),
                   Sjis("題\r\n◎第｜一《いち》章［＃注］\r\n本文\r\n<SKIP>\r\n"
                        "［＃中見出し］序《じょ》の二［＃中見出し終わり］\r\n"
                        "［＃５字下げ］三［＃「三」は小見出し］\r\n四［＃「三」は小見出し］\r\n"));
    const Captured on =
        RunMirvo({"--dump-contents", dir.File("b.txt"), "--rows", "2", "--aozora", "1"});
    EXPECT_EQ(on.status, 0) << on.err;
    EXPECT_EQ(on.out, "1\t◎第一章\n3\t序の二\n4\t三\n");
    // Off: only the marked row, its markup removed as far as it is markup.
    EXPECT_EQ(RunMirvo({"--dump-contents", dir.File("b.txt"), "--rows", "2"}).out, "1\t◎第一章\n");
    EXPECT_EQ(RunMirvo({"--dump-contents", dir.File("b.txt"), "--ruby", "0", "--comment", "0"}).out,
              "1\t◎第｜一《いち》章［＃注］\n");
    EXPECT_EQ(RunMirvo({"--dump-contents", dir.File("b.txt"), "--aozora", "2"}).status, 2);
}

// Each book (lines joined by CRLF) with its options -> the lines --dump-notes writes.
TEST(DumpNotesCommand, WritesTheAnnotationsDrawnAsFootnoteMarksWithTheirLines) {
    const char* const book =
        "あいうえお［＃注］\r\n"                                 // 1: a mark in the line's 2nd row
        "<SKIP>\r\n"                                             // 2: leaves no bytes
        "［＃２字下げ］本文［＃「本文」に傍点］\r\n"             // 3: layout, emphasis
        "［＃改ページ］\r\n"                                     // 4: a page break alone
        "｜漢《かん［＃ルビ注］》字［＃「字」は小見出し］\r\n"   // 5: in ruby, heading
        "［＃ここから長い注記は行より長くても切れない］\r\n"     // 6: wider than a row
        "［＃傍点］強［＃傍点終わり］い［＃「い」はママ］\r\n";  // 7: emphasis, editorial
    const struct {
        std::vector<std::string> options;
        std::string out;
    } cases[] = {
        {{"--aozora", "1"},
         "1\t［＃注］\n6\t［＃ここから長い注記は行より長くても切れない］\n"
         "7\t［＃「い」はママ］\n"},
        {{"--aozora", "0", "--chars", "4", "--rows", "3"},
         "1\t［＃注］\n3\t［＃２字下げ］\n4\t［＃改ページ］\n5\t［＃「字」は小見出し］\n"
         "6\t［＃ここから長い注記は行より長くても切れない］\n"
         "7\t［＃「い」はママ］\n"},
        {{"--aozora", "1", "--ruby", "0"},
         "1\t［＃注］\n5\t［＃ルビ注］\n6\t［＃ここから長い注記は行より長くても切れない］\n"
         "7\t［＃「い」はママ］\n"},
        {{"--aozora", "1", "--comment", "0"}, ""},
    };
    TempDir dir;
    WriteFileBytes(dir.File("b.txt"), Sjis(book));
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--dump-notes", dir.File("b.txt")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Captured got = RunMirvo(args);
        EXPECT_EQ(got.status, 0) << got.err;
        EXPECT_EQ(got.out, c.out) << c.options[1];
    }
    // An illustration line is drawn as a picture when pictures are on.
    WriteFileBytes(dir.File("i.txt"), Sjis("<IMG SRC=\"a［＃注］.png\">\r\n"));
    EXPECT_EQ(RunMirvo({"--dump-notes", dir.File("i.txt"), "--image", "1"}).out, "");
    EXPECT_EQ(RunMirvo({"--dump-notes", dir.File("i.txt"), "--image", "0"}).out, "1\t［＃注］\n");
}

// The texts behind the footnote marks the renderer draws on every spread of `file`.
std::vector<std::string> DrawnFootnotes(const std::string& file, const Settings& s) {
    struct NoPainter : GlyphPainter {
        void SetFonts(const std::string&, bool, int, int) override {}
        void DrawChar(Bitmap&, PageFont, std::string_view, int, int, Color) override {}
    } painter;
    struct Quiet : FormatterHost, ProblemReporter {
        void Report(const Problem&) override {}
    } host;
    Result<RowList> loaded = LoadLines(file, EncodingOf(s));
    EXPECT_TRUE(loaded);
    RowList rows = std::move(loaded.Value());
    // Gaiji notes with a code are characters, not marks, as when the reader formats.
    ExtraChars extras;
    ApplyGaijiNotes(rows, extras, FormatOptionsOf(s, file));
    LayoutNotes notes;
    EXPECT_TRUE(FormatDocument(rows, FormatOptionsOf(s, file), host, &notes));
    const PageStyle style{.Layout = LayoutOf(s),
                          .UseRuby = s.UseRuby,
                          .UseImage = s.UseImage,
                          .UseComment = s.UseComment};
    PageRenderer renderer(&painter);
    Bitmap texture, buffer;
    const PageSource src{rows, style, texture, file, &notes};
    std::vector<std::string> marks;
    const int pages = static_cast<int>(rows.size()) / style.Layout.Rows() + 1;
    for (int page = 1; page <= pages; page += 2) {
        PageTexts lists;
        renderer.RenderPage(buffer, 120, 160, page, true, src, lists, host);
        renderer.RenderPage(buffer, 120, 160, page + 1, false, src, lists, host);
        marks.insert(marks.end(), lists.FootnoteList.begin(), lists.FootnoteList.end() - 1);
    }
    return marks;
}

// --dump-notes against what the renderer draws, over the sample novels.
TEST(DumpNotesCommand, ListsTheFootnotesTheRendererDraws) {
    int books = 0;
    for (const std::string& file : CorpusFiles()) {
        for (const char* aozora : {"0", "1"}) {
            Settings s;
            s.UseAozoraNotes = aozora[0] == '1';
            const Captured c = RunMirvo({"--dump-notes", file, "--aozora", aozora});
            ASSERT_EQ(c.status, 0) << c.err;
            std::vector<std::string> listed;
            for (std::size_t at = 0; at < c.out.size(); at = c.out.find('\n', at) + 1) {
                const std::size_t tab = c.out.find('\t', at);
                const std::string note =
                    Utf8ToCp932(c.out.substr(tab + 1, c.out.find('\n', at) - tab - 1));
                listed.push_back(note.substr(4, note.size() - 6));  // without ［＃ and ］
            }
            EXPECT_EQ(listed, DrawnFootnotes(file, s)) << file << " --aozora " << aozora;
        }
        ++books;
    }
    EXPECT_GT(books, 0);
}

// --dump-notes against what the renderer draws, on a book of Aozora layout annotations: a
// picture that is there is drawn, one that is not stays a footnote; markup left open is text.
TEST(DumpNotesCommand, ListsWhatTheRendererDrawsOfAozoraLayout) {
    TempDir dir;
    PngShape red;
    red.width = red.height = 2;
    red.row = [](int) { return std::vector<png_byte>{255, 0, 0, 255, 0, 0}; };
    WriteFileBytes(dir.File("fig1.png"), PngBytes(red));
    const std::string book =
        "題\r\n［＃ここから２字下げ、折り返して３字下げ］\r\n一、長い行です［＃注一］。長い行です。"
        "\r\n"
        "［＃ここで字下げ終わり］\r\n［＃地から３字上げ］日付［＃注二］\r\n拝具［＃地付き］名\r\n"
        "前［＃１段階小さな文字］注［＃小さな文字終わり］［＃小さな文字終わり］\r\n"
        "［＃挿絵（fig1.png）入る］\r\n［＃挿絵（fig2.png）入る］\r\n［＃改丁］\r\n"
        "［＃ページの左右中央］\r\n扉［＃注三］\r\n［＃改ページ］\r\nあ《い［＃注四］\r\nう［＃え\r"
        "\n";
    WriteFileBytes(dir.File("b.txt"), Sjis(book));
    Settings s;
    s.UseAozoraNotes = true;
    const Captured c = RunMirvo({"--dump-notes", dir.File("b.txt"), "--aozora", "1"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(
        c.out,
        "3\t［＃注一］\n5\t［＃注二］\n7\t［＃小さな文字終わり］\n9\t［＃挿絵（fig2.png）入る］\n"
        "12\t［＃注三］\n14\t［＃注四］\n");
    EXPECT_NE(c.err.find("14"), std::string::npos) << "the notice names the first open line";
    std::vector<std::string> listed;
    for (std::size_t at = 0; at < c.out.size(); at = c.out.find('\n', at) + 1) {
        const std::size_t tab = c.out.find('\t', at);
        const std::string note = Utf8ToCp932(c.out.substr(tab + 1, c.out.find('\n', at) - tab - 1));
        listed.push_back(note.substr(4, note.size() - 6));
    }
    EXPECT_EQ(listed, DrawnFootnotes(dir.File("b.txt"), s));
    // The notice of markup read as text is no failure of the commands that draw.
    const Captured drawn = RunMirvo({"--render", dir.File("b.txt"), "--page", "1", "--out",
                                     dir.File("p.png"), "--aozora", "1"});
    EXPECT_EQ(drawn.status, 0) << drawn.err;
}

TEST(DumpContentsCommand, TheSampleNovelListsItsChapters) {
    std::string kokoro;
    for (const std::string& f : CorpusFiles()) {
        if (f.ends_with("/kokoro.txt")) kokoro = f;
    }
    ASSERT_FALSE(kokoro.empty()) << "sample novel missing in " << MIRVO_CORPUS_DIR;
    const Captured c = RunMirvo({"--dump-contents", kokoro, "--aozora", "1"});
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(std::count(c.out.begin(), c.out.end(), '\n'), 113) << "3 大見出し, 110 中見出し";
    EXPECT_EQ(c.out.substr(0, c.out.find('\n', c.out.find('\n') + 1)), "2\t上　先生と私\n3\t一");
}

// Width and height from a PNG's header.
std::pair<int, int> PngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
    auto be = [&](std::size_t at) {
        int v = 0;
        for (std::size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(bytes[at + k]);
        return v;
    };
    return {be(16), be(20)};
}

TEST(RenderCommand, WritesTheBookAreaOfASpreadOrACover) {
    TempDir dir;
    WriteFileBytes(dir.File("b.txt"), Sjis("題名\r\n作者\r\n本文《ほんぶん》です。"));
    const Rect area = LayoutBookArea(640, 480, kSpreadHeightRatio);
    for (const char* page : {"1", "-1", "9999"}) {
        const std::string png = dir.File(std::string("p") + page + ".png");
        const Captured c = RunMirvo({"--render", dir.File("b.txt"), "--page", page, "--out", png,
                                     "--area", "640x480", "--alias", "0"});
        EXPECT_EQ(c.status, 0) << page << ": " << c.err;
        const auto [w, h] = PngSize(ReadFileBytes(png));
        EXPECT_EQ(h, area.Height()) << page;
        EXPECT_GT(w, 0) << page;
    }
    EXPECT_EQ(PngSize(ReadFileBytes(dir.File("p1.png"))).first, area.Width());
    // Typesetting: the same book area, drawn otherwise; only 0 and 1 are values.
    const std::string typeset = dir.File("t.png");
    const std::vector<std::string> args{
        "--render", dir.File("b.txt"), "--page",  "1", "--out",    typeset,
        "--area",   "640x480",         "--alias", "0", "--typeset"};
    auto with = [&](const char* value) {
        std::vector<std::string> a = args;
        a.push_back(value);
        return RunMirvo(a).status;
    };
    EXPECT_EQ(with("1"), 0);
    EXPECT_EQ(PngSize(ReadFileBytes(typeset)), PngSize(ReadFileBytes(dir.File("p1.png"))));
    EXPECT_NE(ReadFileBytes(typeset), ReadFileBytes(dir.File("p1.png")));
    EXPECT_EQ(with("2"), 2);
}

TEST(RenderCommand, ErrorsAndMissingOptions) {
    TempDir dir;
    WriteFileBytes(dir.File("bad.txt"), Sjis("」から始まる"));
    const Captured bad =
        RunMirvo({"--render", dir.File("bad.txt"), "--page", "1", "--out", dir.File("o.png")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("禁則文字"), std::string::npos) << bad.err;
    WriteFileBytes(dir.File("b.txt"), Sjis("本"));
    EXPECT_NE(RunMirvo({"--render", dir.File("b.txt"), "--page", "1"}).status, 0) << "no --out";
    EXPECT_NE(RunMirvo({"--render", dir.File("b.txt"), "--out", dir.File("o.png")}).status, 0)
        << "no --page";
    const Captured color = RunMirvo({"--render", dir.File("b.txt"), "--page", "1", "--out",
                                     dir.File("o.png"), "--page-color", "notacolour"});
    EXPECT_EQ(color.status, 1);
    EXPECT_NE(color.err.find("notacolour"), std::string::npos) << color.err;
}

}  // namespace
}  // namespace mirvo::test
