// The settings command of the reader core (the dialog faked), and settings of any value
// from a book's state file: the reader stays quick and bounded in memory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <fstream>

#include "app/reader.h"
#include "app/reader_fake_host.h"
#include "format/cp932.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::MakeBook;
using test::TempDir;
using test::WriteBookState;

constexpr auto kNext = PageRequester::LeftPage;

struct Book {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
    std::string path;

    explicit Book(const std::string& state, int lines = 60) {
        path = MakeBook(dir, "book.txt", lines);
        WriteBookState(dir, path, state);
    }
    void Open(int width = 400, int height = 300) {
        reader.FormCreate({path});
        reader.FormResize(width, height);
        reader.OpenDocument();
        host.events.clear();
    }
};

TEST(ReaderSettingsCommand, OkRedrawsAtOnceAndFormattingSettingsWaitForTheNextFormatting) {
    Book b("[Mirvo]\r\nCurrentPage=3\r\n[Config]\r\nUseTexture=0\r\n");
    b.Open();
    ASSERT_EQ(b.reader.Book().PageCount(), 6);  // 61 rows, 10 a page
    const Bitmap before = b.reader.Spread().RightPage();

    // Cancel: the key preview goes off, nothing else happens.
    b.reader.msiConfigClick();
    EXPECT_FALSE(b.reader.Menus().KeyPreview);
    EXPECT_EQ(b.host.events, std::vector<std::string>{"dialog"});

    // OK with new rows per page, spacing, page colour and speed.
    b.host.dialog = [&](Settings& s, Bitmap&, Bitmap&) {
        s.RowCount = 5;
        s.FontSpace = 20;
        s.PageColor = "clAqua";
        s.ChangeSpeed = 0;
        return true;
    };
    b.host.events.clear();
    b.reader.msiConfigClick();
    // Redrawn at once, without a turn: the new colour and spacing show...
    EXPECT_EQ(b.host.events, (std::vector<std::string>{"dialog", "sound", "repaint"}));
    EXPECT_NE(b.reader.Spread().RightPage(), before);
    const Bitmap& page = b.reader.Spread().RightPage();
    EXPECT_EQ(page.Pixel(page.Width() / 2, 2), 0xFFFF00u);
    // ...but the pages stay those of the formatting until the book is formatted again.
    EXPECT_EQ(b.reader.Book().PageCount(), 6);
    EXPECT_EQ(b.reader.Spread().Texts().RightPageText.size(), 11u);
    EXPECT_EQ(b.reader.CurrentPage(), 3);
    EXPECT_FALSE(b.reader.Menus().KeyPreview);

    // Speed 0: the next turn is the immediate swap.
    b.host.events.clear();
    b.reader.PageClick(kNext);
    EXPECT_EQ(b.host.events, (std::vector<std::string>{"sound", "repaint"}));

    // Re-display (F5) formats the book again with the new layout.
    b.reader.mmiReViewClick();
    EXPECT_EQ(b.reader.CurrentPage(), 5);
    EXPECT_EQ(b.reader.Book().PageCount(), 12);
    EXPECT_EQ(b.reader.Spread().Texts().RightPageText.size(), 6u);
    // Selecting the view gives the keys back.
    b.reader.msiViewClick();
    EXPECT_TRUE(b.reader.Menus().KeyPreview);
}

// Resident memory of this process in KiB.
long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A book of 3000 different kanji (JIS level 1, 40 a line): at one character a row every
// row of a page draws a glyph not drawn before.
std::string KanjiBook(const TempDir& dir) {
    std::string text;
    int n = 0;
    for (int lead = 0x88; lead <= 0x98 && n < 3000; ++lead) {
        for (int trail = 0x40; trail <= 0xFC && n < 3000; ++trail) {
            if (trail == 0x7F || (lead == 0x88 && trail < 0x9F)) continue;
            text += static_cast<char>(lead);
            text += static_cast<char>(trail);
            if (++n % 40 == 0) text += "\r\n";
        }
    }
    const std::string path = dir.File("kanji.txt");
    test::WriteFileBytes(path, text);
    return path;
}

TEST(ReaderExtremeSettings, AnyCountsOpenAndTurnQuicklyInBoundedMemory) {
    const struct {
        int rows, chars, space;
    } layouts[] = {
        {1000000, 1, 0}, {INT_MAX, INT_MIN, INT_MIN}, {0, 0, 0}, {-5, -7, INT_MAX},
        {1, 1000000, 0}, {INT_MIN, INT_MAX, -1000},
    };
    for (const auto& l : layouts) {
        char layout[120];
        std::snprintf(layout, sizeof layout, "RowCount=%d\r\nCharCount=%d\r\nFontSpace=%d", l.rows,
                      l.chars, l.space);
        TempDir dir;
        FakeReaderHost host;
        Reader reader(host, test::TestFolders(dir));
        const std::string path = KanjiBook(dir);
        WriteBookState(dir, path, std::string("[Mirvo]\r\nCurrentPage=1\r\n[Config]\r\n") + layout);
        const long before = ResidentKiB();
        const auto start = std::chrono::steady_clock::now();
        reader.FormCreate({path});
        reader.ChangeSettings([](Settings& s) { s.ChangeSpeed = 200; });
        reader.FormResize(800, 600);
        reader.OpenDocument();
        reader.PageClick(kNext);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_FALSE(reader.FormatFailed()) << layout;
        EXPECT_TRUE(host.errors.empty()) << layout;
        EXPECT_EQ(reader.CurrentPage(), 3) << layout;
        EXPECT_LT(seconds, 20) << layout;
#if !defined(__SANITIZE_ADDRESS__)
        // Two fonts' glyph caches, the page buffers and the book, whatever the counts.
        EXPECT_LT(ResidentKiB() - before, 160 * 1024) << layout;
#endif
        std::printf("rows %d, characters %d, spacing %d: %.2f s, %ld KiB more\n", l.rows, l.chars,
                    l.space, seconds, ResidentKiB() - before);
    }
}

}  // namespace
}  // namespace mirvo
