// Loading a book of about 3 MB in UTF-8, UTF-16 and EUC-JP (read, detect, convert to CP932,
// split into lines) beside loading the same text in Shift_JIS, the baseline; and loading
// with formatting, the text part of opening a book, in UTF-8 and Shift_JIS. The books are
// the sample novels, concatenated and converted here. tables_ms: building the conversion
// tables, once a process.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/document.h"
#include "format/encoding.h"
#include "format/formatter.h"

namespace {

std::string Convert(const std::string& bytes, const char* to) {
    const iconv_t cd = iconv_open(to, "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(to);
    std::string out(bytes.size() * 2 + 16, '\0');
    char* src = const_cast<char*>(bytes.data());
    char* dst = out.data();
    std::size_t srcLeft = bytes.size(), dstLeft = out.size();
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1))
        throw std::runtime_error(std::string("cannot convert the novels to ") + to);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

struct Books {
    std::string folder;
    std::string sjis, utf8, utf8Lf, utf8Extras, utf16, eucjp;  // paths
    std::size_t sjisBytes = 0, utf8Bytes = 0;
    double tableMs = 0;  // the first conversion: the tables are built

    Books() {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirvo-bench-XXXXXX");
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        folder = pattern;
        std::vector<std::string> novels;
        for (const auto& e : std::filesystem::directory_iterator(MIRVO_CORPUS_DIR)) {
            if (e.path().extension() != ".txt") continue;
            std::ifstream in(e.path(), std::ios::binary);
            novels.emplace_back(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
        }
        std::sort(novels.begin(), novels.end());
        std::string text, u8;
        for (std::size_t i = 0; u8.size() < 3u * 1000 * 1000; ++i) {
            text += novels.at(i % novels.size());
            u8 = Convert(text, "UTF-8");
        }
        sjisBytes = text.size();
        utf8Bytes = u8.size();
        sjis = Write("sjis.txt", text);
        utf8 = Write("utf8.txt", u8);
        std::string lf;  // as editors on Linux save it: LF alone ends a line
        std::remove_copy(u8.begin(), u8.end(), std::back_inserter(lf), '\r');
        utf8Lf = Write("utf8-lf.txt", lf);
        // Characters CP932 lacks, one a line in turn: extra characters (format/extra_chars.h).
        std::string extras;
        const char* const chars[] = {"鷗", "𠮷", "剝", "か\u309A"};
        std::size_t line = 0;
        for (const char c : u8) {
            extras += c;
            if (c == '\n') extras += chars[line++ % std::size(chars)];
        }
        utf8Extras = Write("utf8-extras.txt", extras);
        utf16 = Write("utf16.txt", "\xFF\xFE" + Convert(text, "UTF-16LE"));
        eucjp = Write("eucjp.txt", Convert(text, "EUC-JP-MS"));
        const auto start = std::chrono::steady_clock::now();
        mirvo::DecodeText("吾輩", mirvo::TextEncoding::Utf8);
        tableMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
    ~Books() { std::filesystem::remove_all(folder); }

    std::string Write(const char* name, const std::string& bytes) const {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return path;
    }
};

class NoHost : public mirvo::FormatterHost {};

const Books& TheBooks() {
    static const Books books;
    return books;
}

void Load(benchmark::State& state, const std::string& path) {
    const Books& b = TheBooks();
    std::size_t bytes = 0;
    for (auto _ : state) {
        mirvo::TextReport report;
        mirvo::Result<mirvo::RowList> lines =
            mirvo::LoadLines(path, mirvo::TextEncoding::Auto, &report);
        if (!lines) state.SkipWithError("cannot load");
        benchmark::DoNotOptimize(lines.Value().data());
        bytes = std::filesystem::file_size(path);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["tables_ms"] = b.tableMs;
}

// Loading and formatting at the default layout: the text part of opening a book.
void LoadAndFormat(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        mirvo::Result<mirvo::RowList> loaded = mirvo::LoadLines(path);
        if (!loaded) state.SkipWithError("cannot load");
        mirvo::RowList rows = std::move(loaded.Value());
        NoHost host;
        if (!mirvo::FormatDocument(rows, {mirvo::PageLayout(10, 50), true, true, path}, host))
            state.SkipWithError("cannot format");
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_LoadShiftJis(benchmark::State& state) {
    Load(state, TheBooks().sjis);
}
void BM_LoadUtf8(benchmark::State& state) {
    Load(state, TheBooks().utf8);
}
void BM_LoadUtf8Lf(benchmark::State& state) {
    Load(state, TheBooks().utf8Lf);
}
void BM_LoadUtf8Extras(benchmark::State& state) {
    Load(state, TheBooks().utf8Extras);
}
void BM_LoadUtf16(benchmark::State& state) {
    Load(state, TheBooks().utf16);
}
void BM_LoadEucJp(benchmark::State& state) {
    Load(state, TheBooks().eucjp);
}

void BM_OpenShiftJis(benchmark::State& state) {
    LoadAndFormat(state, TheBooks().sjis);
}
void BM_OpenUtf8(benchmark::State& state) {
    LoadAndFormat(state, TheBooks().utf8);
}

BENCHMARK(BM_LoadShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUtf8Lf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUtf8Extras)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUtf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadEucJp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenUtf8)->Unit(benchmark::kMillisecond);

}  // namespace
