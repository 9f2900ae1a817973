// Layout annotations through the reader core: the contents they add and the pages they
// make, on a small book and on the sample novel こころ.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/reader.h"
#include "app/reader_contents.h"
#include "app/reader_fake_host.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

using test::Sjis;

TEST(LayoutContents, HeadingsAmongMarkedRowsInRowOrder) {
    RowList rows(30);
    rows[0] = Sjis("◎序");
    rows[12] = Sjis("◎第二");
    const std::vector<Heading> headings = {
        {0, 1, Sjis("序")},  // the row is listed by its mark already
        {5, 2, Sjis("一")},  {12, 2, Sjis("二")},
        {14, 1, Sjis("上")}, {14, 2, Sjis("三")},  // two headings in one row keep their order
        {29, 3, Sjis("終")},
    };
    auto list = [&](const std::string& mark) {
        std::vector<std::string> out;
        for (const ContentsEntry& e :
             BuildContents(rows, PageLayout(10, 50), mark, nullptr, &headings)) {
            const PageListRow r = GridRow(e);
            EXPECT_EQ(r.Mark, "");
            out.push_back(r.PageText + " " + r.Caption);
        }
        return out;
    };
    EXPECT_EQ(list("◎"),
              (std::vector<std::string>{"1 ◎序", "1 一", "2 ◎第二", "2 上", "2 三", "3 終"}));
    // Without a heading mark the layout headings are still listed.
    EXPECT_EQ(list(""), (std::vector<std::string>{"1 序", "1 一", "2 二", "2 上", "2 三", "3 終"}));
}

std::string Kokoro() {
    for (const std::string& f : test::CorpusFiles()) {
        if (std::filesystem::path(f).filename() == "kokoro.txt") return f;
    }
    return {};
}

struct OpenKokoro {
    test::TempDir dir;
    test::FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};

    // The option on, as the book's own state file holds it.
    OpenKokoro() {
        test::WriteBookState(dir, Kokoro(), "[Config]\r\nUseAozoraNotes=1\r\n");
        reader.FormCreate({Kokoro()});
        reader.FormResize(800, 600);
        reader.OpenDocument();
    }
};

// ［＃改ページ］ before 中 and 下: each begins a page whose rows up to the heading are
// empty, after a page that holds text. (The window's flow shows the contents and the first
// spread.)
TEST(LayoutNotesKokoro, PageBreaksBeforeTheSecondAndThirdParts) {
    ASSERT_FALSE(Kokoro().empty()) << "sample novel missing in " << MIRVO_CORPUS_DIR;
    OpenKokoro on;
    ASSERT_TRUE(on.host.errors.empty()) << on.host.errors[0];
    const auto& contents = on.reader.Book().Contents();
    const RowList& rows = on.reader.Book().Rows();
    for (const char* title : {"中　両親と私", "下　先生と遺書"}) {
        const auto entry = std::find_if(contents.begin(), contents.end(),
                                        [&](const PageListRow& r) { return r.Caption == title; });
        ASSERT_NE(entry, contents.end()) << title;
        const int page = std::stoi(entry->PageText);
        std::size_t r = static_cast<std::size_t>(page - 1) * 10;
        while (r < rows.size() && rows[r].find(Sjis(title)) == std::string::npos) {
            EXPECT_EQ(rows[r], "") << title << " row " << r;
            ++r;
        }
        ASSERT_LT(r, rows.size());
        bool before = false;
        for (std::size_t k = (page - 2) * 10; k < (page - 1) * 10u; ++k) before |= !rows[k].empty();
        EXPECT_TRUE(before) << title;
    }
}

}  // namespace
}  // namespace mirvo
