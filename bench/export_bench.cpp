// The export for e-readers on こころ with the default settings at the default page size
// (1072 x 1448): drawing a spread's two pages, turning a page grey, and a page into a PNG
// and into a PDF page, each alone; the whole export is measured with the command itself.
#include <benchmark/benchmark.h>

#include <string>

#include "app/headless/book_export.h"
#include "app/settings_table.h"
#include "bench_support.h"
#include "format/formatter.h"
#include "render/surfaces.h"

namespace mirvo {
namespace {

constexpr int kWidth = 1072, kHeight = 1448;

struct Book {
    std::string path = std::string(MIRVO_CORPUS_DIR) + "/kokoro.txt";
    RowList rows;
    Settings settings;
    Bitmap texture = BuiltInPageTexture();
    SpreadStyle style = SpreadStyleOf(settings);
};

const Book& Kokoro() {
    static const Book book = [] {
        Book b;
        b.rows = FormattedNovel("kokoro.txt", b.settings);
        return b;
    }();
    return book;
}

// The first `pages` pages: what one spread costs, two pages at a time.
void BM_DrawPages(benchmark::State& state) {
    const Book& b = Kokoro();
    RowList part(b.rows.begin(), b.rows.begin() + std::min<std::size_t>(b.rows.size(), 160));
    const SpreadRequest request{part, b.style, 1, 0, 0, kSpreadHeightRatio, b.texture, b.path};
    QuietErrors host;
    int pages = 0;
    for (auto _ : state) {
        DrawEveryPage(
            request, kWidth, kHeight, [&](int, const GreyImage&) { ++pages; }, host);
    }
    state.counters["page"] =
        benchmark::Counter(pages, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawPages)->Unit(benchmark::kMillisecond);

GreyImage FirstPage() {
    const Book& b = Kokoro();
    RowList part(b.rows.begin(), b.rows.begin() + 20);
    const SpreadRequest first{part, b.style, 1, 0, 0, kSpreadHeightRatio, b.texture, b.path};
    GreyImage page;
    QuietErrors host;
    DrawEveryPage(
        first, kWidth, kHeight,
        [&](int p, const GreyImage& g) {
            if (p == 1) page = g;
        },
        host);
    return page;
}

void BM_PagePng(benchmark::State& state) {
    const GreyImage page = FirstPage();
    std::size_t size = 0;
    for (auto _ : state) size = EncodeGreyPng(page).size();
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_PagePng)->Unit(benchmark::kMillisecond);

void BM_PdfPage(benchmark::State& state) {
    const GreyImage page = FirstPage();
    for (auto _ : state) {
        auto book = MakePageBook(ExportFormat::Pdf, "t", 1);
        book->Add(book->Encode(page));
    }
}
BENCHMARK(BM_PdfPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirvo
