// The rows and pages of the sample novels stay as they were when the goldens were made
// (scripts/make-goldens.py): every case of tests/data/golden runs the headless command
// again, in this process, and compares the hash of what it wrote.
#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/headless/headless.h"
#include "support/test_support.h"

namespace mirvo::test {
namespace {

std::string Fnv1a64(std::string_view bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

struct GoldenCase {
    std::string novel, options, expected;
};

std::vector<GoldenCase> ReadCases(const std::string& name) {
    std::istringstream in(ReadFileBytes(std::string(MIRVO_TEST_DATA_DIR) + "/golden/" + name));
    std::vector<GoldenCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t a = line.find('\t'), b = line.rfind('\t');
        if (a == std::string::npos || a == b) continue;
        cases.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
    }
    return cases;
}

std::string NovelPath(const std::string& name) {
    for (const std::string& f : CorpusFiles()) {
        if (std::filesystem::path(f).filename() == name) return f;
    }
    return {};
}

// Runs a headless command with its standard output sent to `outFile`; the exit status.
int RunTo(std::vector<std::string> args, const std::string& outFile) {
    std::fflush(stdout);
    const int saved = dup(1);
    const int fd = open(outFile.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    dup2(fd, 1);
    int status = -1;
    RunHeadless(args, status);
    std::fflush(stdout);
    dup2(saved, 1);
    close(fd);
    close(saved);
    return status;
}

// The pixels of an 8-bit RGB PNG, rows top to bottom; empty when it cannot be read.
std::string PngPixels(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::string pixels(PNG_IMAGE_SIZE(image), '\0');
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    return pixels;
}

std::vector<std::string> Words(const std::string& options) {
    std::istringstream in(options);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

TEST(Golden, RowsOfEveryNovelAtSeveralLayouts) {
    const auto cases = ReadCases("rows.txt");
    ASSERT_GE(cases.size(), 10u);
    TempDir dir;
    for (const GoldenCase& c : cases) {
        const std::string novel = NovelPath(c.novel);
        ASSERT_FALSE(novel.empty()) << c.novel << " missing in " << MIRVO_CORPUS_DIR;
        std::vector<std::string> args{"--dump-rows", novel};
        for (const std::string& w : Words(c.options)) args.push_back(w);
        const int status = RunTo(args, dir.File("rows"));
        EXPECT_EQ(std::to_string(status) + ":" + Fnv1a64(ReadFileBytes(dir.File("rows"))),
                  c.expected)
            << c.novel << " " << c.options;
    }
}

TEST(Golden, PagesOfEveryNovelAtSeveralLayouts) {
    const auto cases = ReadCases("pages.txt");
    ASSERT_GE(cases.size(), 10u);
    TempDir dir;
    for (const GoldenCase& c : cases) {
        const std::string novel = NovelPath(c.novel);
        ASSERT_FALSE(novel.empty()) << c.novel << " missing in " << MIRVO_CORPUS_DIR;
        std::vector<std::string> args{"--render", novel};
        for (const std::string& w : Words(c.options)) args.push_back(w);
        args.push_back("--out");
        args.push_back(dir.File("page.png"));
        std::filesystem::remove(dir.File("page.png"));
        const int status = RunTo(args, dir.File("stdout"));
        EXPECT_EQ(std::to_string(status) + ":" + Fnv1a64(PngPixels(dir.File("page.png"))),
                  c.expected)
            << c.novel << " " << c.options;
    }
}

}  // namespace
}  // namespace mirvo::test
