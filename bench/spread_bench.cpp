// A whole spread as the reader draws it for one page turn: both pages rendered and
// finished, at a 1920 x 1080 picture area, on the corpus page with the most ruby; and the
// same area on a screen of device pixel ratio 2 (3840 x 2160 device pixels), where the
// reader draws in device pixels.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "app/settings_table.h"
#include "format/cp932.h"
#include "format/formatter.h"
#include "render/surfaces.h"
#include "viewer/spread_view.h"

namespace mirvo {
namespace {

class QuietHost : public FormatterHost, public ErrorReporter {
  public:
    void ReportError(const std::string&) override {}
};

struct Book {
    RowList rows;
    std::string path;
    int page = 1;  // the odd page whose spread holds the most ruby
    int rubies = 0;
};

const Book& RubyBook() {
    static const Book book = [] {
        Book best;
        const std::string open = Utf8ToCp932("《");
        Settings s;
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
    }();
    return book;
}

void Spread(benchmark::State& state, bool alias, int ratio = 1) {
    const Book& book = RubyBook();
    Settings settings;
    settings.Alias = alias;
    const SpreadStyle s = SpreadStyleOf(settings);
    const Bitmap texture = BuiltInPageTexture();
    SpreadView view;
    Bitmap left, right;
    PageTexts lists;
    QuietHost host;
    const SpreadRequest req{book.rows,          s,       book.page, 1920 * ratio, 1080 * ratio,
                            kSpreadHeightRatio, texture, book.path};
    view.Render(req, left, right, lists, host);  // fonts and glyphs warm, as after the first turn
    for (auto _ : state) {
        view.Render(req, left, right, lists, host);
        benchmark::DoNotOptimize(left.Data());
    }
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
    QuietHost host;
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
    QuietHost host;
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
BENCHMARK(BM_SpreadAliasOffRatio2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpreadAliasOnColdGlyphs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPagesOnlyAliasOn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyDoubleSizeBuffers)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirvo
