// Opening the largest corpus novel to its first spread on screen, and one page turn at
// ChangeSpeed 200, in the real window (offscreen platform) sized 1920 x 1080. Baselines of
// the same run: loading and formatting alone (the floor of an opening) and copying the two
// finished pages (the floor of a turn).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/folders.h"
#include "format/formatter.h"
#include "ui/main_form.h"
#include "ui/page_image.h"

namespace {

std::string LargestNovel() {
    std::string best;
    std::uintmax_t size = 0;
    for (const auto& e : std::filesystem::directory_iterator(MIRVO_CORPUS_DIR)) {
        if (e.path().extension() != ".txt" || e.file_size() <= size) continue;
        size = e.file_size();
        best = e.path().string();
    }
    return best;
}

struct Home {
    std::string path;
    Home() {
        char tmpl[] = "/tmp/mirvo-bench-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~Home() { std::filesystem::remove_all(path); }
};

mirvo::ProgramFolders Folders(const Home& home) {
    mirvo::ProgramFolders f;
    f.ExecutableFolder = home.path;
    f.SettingsFolder = home.path;
    f.ShippedFolders = {home.path};
    return f;
}

class QuietHost : public mirvo::FormatterHost {};

// A window of 1920 x 1080 on the first page of the book.
struct Window {
    Home home;
    mirvo::ui::TfrmMirvoMainForm form{Folders(home)};
    explicit Window(const std::string& book) {
        std::filesystem::create_directories(home.path + "/MirvoKs");
        const std::string base = std::filesystem::path(book).stem().string();
        std::FILE* f = std::fopen((home.path + "/MirvoKs/" + base + ".INI").c_str(), "w");
        std::fputs("[Mirvo]\nCurrentPage=1\n", f);
        std::fclose(f);
        form.FormCreate({book});
        form.resize(1920, 1080);
        form.show();
        QApplication::processEvents();
    }
};

void BM_OpenToFirstSpread(benchmark::State& state) {
    const std::string book = LargestNovel();
    Window w(book);
    for (auto _ : state) {
        w.form.Core().OpenDocument();  // the book FormCreate named, again
        if (w.form.Core().FormatFailed() || w.form.Core().Book().PageCount() < 100 ||
            w.form.Core().CurrentPage() != 1)
            state.SkipWithError("the book did not open on its first spread");
    }
}
BENCHMARK(BM_OpenToFirstSpread)->Unit(benchmark::kMillisecond);

void BM_OpenBaselineLoadAndFormat(benchmark::State& state) {
    const std::string book = LargestNovel();
    QuietHost host;
    for (auto _ : state) {
        mirvo::RowList rows;
        rows = std::move(mirvo::LoadLines(book).Value());
        mirvo::FormatDocument(rows, mirvo::FormatOptionsOf(mirvo::Settings{}, book), host);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_OpenBaselineLoadAndFormat)->Unit(benchmark::kMillisecond);

void BM_PageTurnSpeed200(benchmark::State& state) {
    Window w(LargestNovel());
    w.form.Core().ChangeSettings([](mirvo::Settings& s) { s.ChangeSpeed = 200; });
    w.form.Core().OpenDocument();
    bool forward = true;
    for (auto _ : state) {
        w.form.Core().PageClick(forward ? mirvo::PageRequester::LeftPage
                                        : mirvo::PageRequester::RightPage);
        forward = !forward;
    }
    state.counters["page_width"] = w.form.findChild<QWidget*>("imgLeftPage")->width();
}
BENCHMARK(BM_PageTurnSpeed200)->Unit(benchmark::kMillisecond);

// The same move without the animation (ChangeSpeed 0): rendering, finishing and one swap.
void BM_PageMoveSpeed0(benchmark::State& state) {
    Window w(LargestNovel());
    w.form.Core().ChangeSettings([](mirvo::Settings& s) { s.ChangeSpeed = 0; });
    w.form.Core().OpenDocument();
    bool forward = true;
    for (auto _ : state) {
        w.form.Core().PageClick(forward ? mirvo::PageRequester::LeftPage
                                        : mirvo::PageRequester::RightPage);
        forward = !forward;
    }
}
BENCHMARK(BM_PageMoveSpeed0)->Unit(benchmark::kMillisecond);

void BM_PageTurnBaselineCopyPages(benchmark::State& state) {
    Window w(LargestNovel());
    w.form.Core().OpenDocument();
    const mirvo::Bitmap& left = w.form.Core().Spread().LeftPage();
    const mirvo::Bitmap& right = w.form.Core().Spread().RightPage();
    mirvo::Bitmap a = left, b = right;
    for (auto _ : state) {
        std::memcpy(a.Data(), left.Data(), static_cast<std::size_t>(left.Stride()) * left.Height());
        std::memcpy(b.Data(), right.Data(),
                    static_cast<std::size_t>(right.Stride()) * right.Height());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageTurnBaselineCopyPages)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
