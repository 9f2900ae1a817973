// Formatting speed: splitting a book's bytes into lines and formatting them into rows
// (layout annotations off, and on for the real books; the grid, and book typesetting),
// beside a plain memchr scan for line
// ends over the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "app/messages.h"
#include "app/settings_table.h"
#include "format/cp932.h"
#include "format/document.h"
#include "format/formatter.h"
#include "format/gaiji_notes.h"

namespace {

class WindowLikeHost : public mirvo::FormatterHost {
  public:
    std::string panel;
    void ShowProgress(std::size_t done, std::size_t total) override {
        const std::string text = mirvo::FormatProgressText(done, total);
        if (text != panel) panel = text;  // the window repaints only on a change
    }
};

const std::string& Novel() {
    static const std::string bytes = [] {
        std::ifstream in(std::string(MIRVO_CORPUS_DIR) + "/wagahai_wa_neko_de_aru.txt",
                         std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

// About 10 MB of generated text with ruby, annotations, punctuation and tag lines.
const std::string& Generated() {
    static const std::string bytes = [] {
        std::mt19937 rng(42);
        const std::string words[] = {
            mirvo::Utf8ToCp932("吾輩は猫である。"),
            mirvo::Utf8ToCp932("名前はまだ無い。"),
            mirvo::Utf8ToCp932("｜東京《とうきょう》"),
            mirvo::Utf8ToCp932("「そうか」"),
            mirvo::Utf8ToCp932("［＃「猫」に傍点］"),
            mirvo::Utf8ToCp932("［＃注記］"),
            mirvo::Utf8ToCp932("どこで生れたかとんと見当《けんとう》がつかぬ、"),
            "ABC 123 ",
            mirvo::Utf8ToCp932("ｱｲｳ")};
        std::string out = mirvo::Utf8ToCp932("生成された本\r\n");
        while (out.size() < 10u * 1024 * 1024) {
            const int r = static_cast<int>(rng() % 1000);
            if (r < 3) {
                out += "<IMG \"p.bmp\">\r\n";
            } else if (r < 5) {
                out += "<SKIP>\r\n";
            } else {
                const int n = static_cast<int>(rng() % 30);
                out += mirvo::Utf8ToCp932("　");
                for (int i = 0; i < n; ++i) out += words[rng() % std::size(words)];
                out += "\r\n";
            }
        }
        return out;
    }();
    return bytes;
}

// About 10 MB of real text: the sample novels one after the other, again and again.
const std::string& Novels10MB() {
    static const std::string bytes = [] {
        std::string all;
        for (const char* name : {"botchan.txt", "ginga_tetsudo_no_yoru.txt", "hashire_merosu.txt",
                                 "kokoro.txt", "koya_hijiri.txt", "kumo_no_ito.txt", "lemon.txt",
                                 "rashomon.txt", "sangetsuki.txt", "wagahai_wa_neko_de_aru.txt"}) {
            std::ifstream in(std::string(MIRVO_CORPUS_DIR) + "/" + name, std::ios::binary);
            all += "\r\n";
            all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::string out = mirvo::Utf8ToCp932("全集\r\n");
        while (out.size() < 10u * 1024 * 1024) out += all;
        return out;
    }();
    return bytes;
}

// About 2 MB in the manner of the largest Aozora Bunko texts: paragraphs with ruby, gaiji
// and emphasis notes, headings, indent blocks, hanging indents, text at the foot, small
// text and page breaks.
const std::string& AozoraNotes2MB() {
    static const std::string bytes = [] {
        std::mt19937 rng(7);
        const char* lines[] = {
            "　吾輩《わがはい》は猫である。名前はまだ無い。どこで生れたかとんと見当《けんとう》がつ"
            "かぬ。",
            "　※［＃「てへん＋劣」、第3水準1-84-77］を見て、［＃「いう」に傍点］いうのである。",
            "［＃５字下げ］一［＃「一」は中見出し］",
            "［＃ここから２字下げ、折り返して３字下げ］",
            "一、長い注記の行です。長い注記の行です。長い注記の行です。長い注記の行です。",
            "［＃ここで字下げ終わり］",
            "［＃地から３字上げ］明治三十八年十月",
            "［＃地付き］夏目漱石",
            "　本文［＃１段階小さな文字］（小さな注）［＃小さな文字終わり］の続き。",
            "［＃改ページ］",
            "",
        };
        std::string out = mirvo::Utf8ToCp932("青空文庫の長い本\r\n");
        while (out.size() < 2u * 1024 * 1024) {
            const std::size_t k = rng() % 40;
            out += mirvo::Utf8ToCp932(lines[k < std::size(lines) ? k : 0]);
            out += "\r\n";
        }
        return out;
    }();
    return bytes;
}

void SplitAndFormat(benchmark::State& state, const std::string& bytes, bool layoutNotes = false,
                    bool typeset = false) {
    mirvo::FormatOptions options = mirvo::FormatOptionsOf(mirvo::Settings{}, "bench.txt");
    options.UseAozoraNotes = layoutNotes;
    options.Typesetting = typeset;
    for (auto _ : state) {
        mirvo::RowList rows = mirvo::SplitLines(bytes);
        // With the layout annotations, gaiji notes become characters first, as in the reader.
        mirvo::ExtraChars extras;
        mirvo::ApplyGaijiNotes(rows, extras, options);
        WindowLikeHost host;
        mirvo::LayoutNotes notes;
        if (!mirvo::FormatDocument(rows, options, host, &notes)) {
            state.SkipWithError("format failed");
        }
        benchmark::DoNotOptimize(notes.rows.data());
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void SplitOnly(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        mirvo::RowList rows = mirvo::SplitLines(bytes);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

// Baseline: find every line end, nothing else.
void MemchrScan(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        std::size_t lines = 0;
        const char* p = bytes.data();
        const char* end = p + bytes.size();
        while (const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
            ++lines;
            p = static_cast<const char*>(hit) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

BENCHMARK_CAPTURE(SplitAndFormat, novel, Novel())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SplitAndFormat, novelLayoutNotes, Novel(), true)->Unit(benchmark::kMillisecond);
// The same novel cut as a printed book sets it, against the grid above.
BENCHMARK_CAPTURE(SplitAndFormat, novelTypeset, Novel(), false, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SplitOnly, novel, Novel())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemchrScan, novel, Novel())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SplitAndFormat, novels10MB, Novels10MB())->Unit(benchmark::kMillisecond);
// The same books with indentation, headings and page breaks read as layout.
BENCHMARK_CAPTURE(SplitAndFormat, novels10MBLayoutNotes, Novels10MB(), true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SplitAndFormat, novels10MBTypeset, Novels10MB(), false, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemchrScan, novels10MB, Novels10MB())->Unit(benchmark::kMillisecond);
// An Aozora book of 2 MB, its annotations read as footnotes and as layout.
BENCHMARK_CAPTURE(SplitAndFormat, aozora2MB, AozoraNotes2MB())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SplitAndFormat, aozora2MBLayoutNotes, AozoraNotes2MB(), true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SplitAndFormat, generated10MB, Generated())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SplitOnly, generated10MB, Generated())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemchrScan, generated10MB, Generated())->Unit(benchmark::kMillisecond);

}  // namespace
