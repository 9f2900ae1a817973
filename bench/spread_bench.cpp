// A whole spread as the reader draws it for one page turn: both pages rendered and
// finished, at a 1920 x 1080 picture area, on the corpus page with the most ruby; the same
// area on a screen of device pixel ratio 2 (3840 x 2160 device pixels), where the reader
// draws in device pixels; and a spread of two illustrations shown again.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <unistd.h>

#include "app/settings_table.h"
#include "bench_support.h"
#include "format/cp932.h"
#include "format/formatter.h"
#include "render/surfaces.h"
#include "viewer/spread_view.h"

namespace mirvo {
namespace {

struct Book {
    RowList rows;
    std::string path;
    int page = 1;  // the odd page whose spread holds the most ruby
    int rubies = 0;
};

// The sample novel spread richest in ruby, formatted as the grid or (`typeset`) as a book.
Book FindRubyBook(bool typeset) {
    Book best;
    const std::string open = Utf8ToCp932("《");
    Settings s;
    s.Typesetting = typeset;
    for (const auto& e : std::filesystem::directory_iterator(MIRVO_CORPUS_DIR)) {
        if (e.path().extension() != ".txt") continue;
        Book b;
        b.path = e.path().string();
        Result<RowList> loaded = LoadLines(b.path);
        if (!loaded) continue;
        b.rows = std::move(loaded.Value());
        QuietHost host;
        if (!FormatDocument(b.rows, FormatOptionsOf(s, b.path), host)) continue;
        const int pages = PageCount(b.rows, LayoutOf(s));
        for (int p = 1; p <= pages; p += 2) {
            int n = 0;
            for (long long r = (p - 1) * 10LL;
                 r < (p + 1) * 10LL && r < static_cast<long long>(b.rows.size()); ++r) {
                for (std::size_t at = b.rows[r].find(open); at != std::string::npos;
                     at = b.rows[r].find(open, at + 1))
                    ++n;
            }
            if (n > best.rubies) {
                best.rubies = n;
                best.page = p;
                best.rows = b.rows;
                best.path = b.path;
            }
        }
    }
    return best;
}

const Book& RubyBook(bool typeset = false) {
    static const Book grid = FindRubyBook(false);
    static const Book book = FindRubyBook(true);
    return typeset ? book : grid;
}

// The spread of `page` shown again and again, after a first display (fonts, glyphs and
// pictures warm, as after the first turn).
void ShowAgain(benchmark::State& state, const RowList& rows, const std::string& path, int page,
               bool alias, int width, int height, bool typeset = false) {
    Settings settings;
    settings.Alias = alias;
    SpreadStyle s = SpreadStyleOf(settings);
    s.Page.Typeset = typeset;
    const Bitmap texture = BuiltInPageTexture();
    SpreadView view;
    Bitmap left, right;
    PageTexts lists;
    QuietProblems host;
    const SpreadRequest req{rows, s, page, width, height, kSpreadHeightRatio, texture, path};
    view.Render(req, left, right, lists, host);
    for (auto _ : state) {
        view.Render(req, left, right, lists, host);
        benchmark::DoNotOptimize(left.Data());
    }
}

void Spread(benchmark::State& state, bool alias, int ratio = 1, bool typeset = false) {
    const Book& book = RubyBook(typeset);
    ShowAgain(state, book.rows, book.path, book.page, alias, 1920 * ratio, 1080 * ratio, typeset);
    state.counters["rubies"] = book.rubies;
    state.counters["page"] = book.page;
}

// The first spread after the fonts were set up: every glyph is rendered afresh.
void BM_SpreadAliasOnColdGlyphs(benchmark::State& state) {
    const Book& book = RubyBook();
    const SpreadStyle s = SpreadStyleOf(Settings{});
    const Bitmap texture = BuiltInPageTexture();
    Bitmap left, right;
    PageTexts lists;
    QuietProblems host;
    const SpreadRequest req{book.rows,          s,       book.page, 1920, 1080,
                            kSpreadHeightRatio, texture, book.path};
    for (auto _ : state) {
        SpreadView view;
        view.Render(req, left, right, lists, host);
        benchmark::DoNotOptimize(left.Data());
    }
}

void BM_SpreadAliasOn(benchmark::State& state) {
    Spread(state, true);
}
void BM_SpreadAliasOff(benchmark::State& state) {
    Spread(state, false);
}
// Book typesetting (grey glyphs at the images' own pixels), with the reader's Alias on.
void BM_SpreadTypeset(benchmark::State& state) {
    Spread(state, true, 1, true);
}
void BM_SpreadTypesetHiDpi(benchmark::State& state) {
    Spread(state, true, 2, true);
}
void BM_SpreadAliasOnRatio2(benchmark::State& state) {
    Spread(state, true, 2);
}
void BM_SpreadAliasOffRatio2(benchmark::State& state) {
    Spread(state, false, 2);
}

// The two pages alone, without FinishSpread, at double size.
void BM_RenderPagesOnlyAliasOn(benchmark::State& state) {
    const Book& book = RubyBook();
    const PageStyle s = SpreadStyleOf(Settings{}).Page;
    const Bitmap texture = BuiltInPageTexture();
    PageRenderer renderer;
    Bitmap left, right;
    PageTexts lists;
    QuietProblems host;
    const SpreadLayout l = LayoutSpread(1920, 1080, kSpreadHeightRatio, true);
    const PageSource src{book.rows, s, texture, book.path};
    for (auto _ : state) {
        renderer.RenderPage(right, l.rightBufWidth, l.rightBufHeight, book.page, true, src, lists,
                            host);
        renderer.RenderPage(left, l.leftBufWidth, l.leftBufHeight, book.page + 1, false, src, lists,
                            host);
        benchmark::DoNotOptimize(left.Data());
    }
}

// A photograph of w x h pixels (a smooth gradient with some grain) as a baseline JPEG.
void WriteJpeg(const std::string& path, int w, int h) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
    unsigned seed = 1;
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < 3 * w; ++x) {
            seed = seed * 1103515245u + 12345u;
            row[x] = static_cast<unsigned char>((x / 3 + cinfo.next_scanline) / 12 + (seed >> 28));
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

// A spread with an illustration on each page (two 1600 x 1200 photographs), shown again
// and again as when the reader turns back and forth over it.
void BM_SpreadWithPicturesAliasOn(benchmark::State& state) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("mirvo-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    WriteJpeg((dir / "right.jpg").string(), 1600, 1200);
    WriteJpeg((dir / "left.jpg").string(), 1600, 1200);
    RowList rows(20, Utf8ToCp932("本文の行です。"));
    rows[0] = "<IMG \"right.jpg\">";
    rows[10] = "<IMG \"left.jpg\">";
    rows.emplace_back();
    ShowAgain(state, rows, (dir / "book.txt").string(), 1, true, 1920, 1080);
    std::filesystem::remove_all(dir);
}

// Baseline: copying the bytes of the two double-size buffers once.
void BM_MemcpyDoubleSizeBuffers(benchmark::State& state) {
    const SpreadLayout l = LayoutSpread(1920, 1080, kSpreadHeightRatio, true);
    Bitmap a(l.leftBufWidth, l.leftBufHeight, 0x808080), b(l.leftBufWidth, l.leftBufHeight);
    Bitmap c(l.rightBufWidth, l.rightBufHeight, 0x808080), d(l.rightBufWidth, l.rightBufHeight);
    const std::size_t bytes = static_cast<std::size_t>(a.Stride()) * a.Height();
    for (auto _ : state) {
        std::memcpy(b.Data(), a.Data(), bytes);
        std::memcpy(d.Data(), c.Data(), bytes);
        benchmark::DoNotOptimize(b.Data());
        benchmark::DoNotOptimize(d.Data());
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * 2 * bytes);
}

BENCHMARK(BM_SpreadAliasOn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadAliasOff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadAliasOnRatio2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadTypeset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadTypesetHiDpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadAliasOffRatio2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadWithPicturesAliasOn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadAliasOnColdGlyphs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPagesOnlyAliasOn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyDoubleSizeBuffers)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirvo
