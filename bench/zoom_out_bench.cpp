// The reduction of a full-screen double-size page beside what memory alone costs for it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "render/zoom_out.h"

namespace {

constexpr int kWidth = 1540, kHeight = 2160;

const mirvo::Bitmap& Page() {
    static const mirvo::Bitmap page = [] {
        mirvo::Bitmap b(kWidth, kHeight, 0xFFFFFF);
        std::mt19937 rng(42);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth * 3; ++x) b.Row(y)[x] = static_cast<std::uint8_t>(rng());
        }
        return b;
    }();
    return page;
}

// The floor: reading the source once and writing the result once.
void BM_MemoryFloor(benchmark::State& state) {
    const mirvo::Bitmap& page = Page();
    const std::size_t sourceBytes = static_cast<std::size_t>(page.Stride()) * kHeight;
    std::vector<std::uint8_t> copy(sourceBytes);
    std::vector<std::uint8_t> result(sourceBytes / 4);
    for (auto _ : state) {
        std::memcpy(copy.data(), page.Data(), sourceBytes);
        std::memset(result.data(), 1, result.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::DoNotOptimize(result.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemoryFloor)->Unit(benchmark::kMillisecond);

// A stricter floor: the source only read (folded into one word), the result written.
void BM_ReadOnlyFloor(benchmark::State& state) {
    const mirvo::Bitmap& page = Page();
    const std::size_t words = static_cast<std::size_t>(page.Stride()) * kHeight / 8;
    std::vector<std::uint8_t> result(words * 2);
    for (auto _ : state) {
        const auto* p = reinterpret_cast<const std::uint64_t*>(page.Data());
        std::uint64_t fold = 0;
        for (std::size_t i = 0; i < words; ++i) fold |= p[i];
        std::memset(result.data(), static_cast<int>(fold & 1), result.size());
        benchmark::DoNotOptimize(fold);
        benchmark::DoNotOptimize(result.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReadOnlyFloor)->Unit(benchmark::kMillisecond);

// The reduction alone; the buffer it reduces in place is refreshed outside the timing.
template <void (*Shrink)(mirvo::Bitmap&, double)>
void BM_Shrink(benchmark::State& state) {
    mirvo::Bitmap b;
    for (auto _ : state) {
        state.PauseTiming();
        b = Page();
        state.ResumeTiming();
        Shrink(b, 0.5);
        benchmark::DoNotOptimize(b.Data());
    }
}
BENCHMARK(BM_Shrink<mirvo::ShrinkBitmap>)->Name("ShrinkBitmap")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shrink<mirvo::ShrinkBitmapReference>)
    ->Name("ShrinkBitmapReference")
    ->Unit(benchmark::kMillisecond);

}  // namespace
