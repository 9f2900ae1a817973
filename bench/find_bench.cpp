// Finding text in a whole novel (こころ, formatted with the default settings): making the
// text as it reads from the rows, a search that reads the whole book without a hit, a
// step to the next hit of 先生, and the three together as a first search does them.
#include <benchmark/benchmark.h>

#include <string>

#include "app/book_find.h"
#include "app/settings_table.h"
#include "bench_support.h"
#include "format/formatter.h"

namespace mirvo {
namespace {

const RowList& Kokoro() {
    static const RowList rows = FormattedNovel("kokoro.txt", Settings{});
    return rows;
}

// A query that occurs nowhere in the book: the search reads every character, then wraps
// and reads them again.
const char* const kMissing = "先生とＫと私の存在しない言葉";

void BM_MakeBookText(benchmark::State& state) {
    const RowList& rows = Kokoro();
    for (auto _ : state) {
        BookText text(rows, true, true);
        benchmark::DoNotOptimize(text.Size());
    }
}
BENCHMARK(BM_MakeBookText)->Unit(benchmark::kMillisecond);

void BM_FindNothingInTheWholeBook(benchmark::State& state) {
    const BookText text(Kokoro(), true, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindInBook(text, kMissing, 0, FindDirection::Next));
    state.counters["chars"] = static_cast<double>(text.Size());
}
BENCHMARK(BM_FindNothingInTheWholeBook)->Unit(benchmark::kMillisecond);

void BM_FindNothingBackwards(benchmark::State& state) {
    const BookText text(Kokoro(), true, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindInBook(text, kMissing, text.Size(), FindDirection::Previous));
}
BENCHMARK(BM_FindNothingBackwards)->Unit(benchmark::kMillisecond);

void BM_NextHitOfSensei(benchmark::State& state) {
    const BookText text(Kokoro(), true, true);
    std::size_t from = 0;
    for (auto _ : state) {
        const FindHit hit = FindInBook(text, "先生", from, FindDirection::Next);
        from = hit.index + 1;
        benchmark::DoNotOptimize(hit);
    }
}
BENCHMARK(BM_NextHitOfSensei)->Unit(benchmark::kMicrosecond);

// The first search of a book: the text made from the rows, then the whole book read.
void BM_FirstSearchOfTheBook(benchmark::State& state) {
    const RowList& rows = Kokoro();
    for (auto _ : state) {
        const BookText text(rows, true, true);
        benchmark::DoNotOptimize(FindInBook(text, kMissing, 0, FindDirection::Next));
    }
}
BENCHMARK(BM_FirstSearchOfTheBook)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirvo
