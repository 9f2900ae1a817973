// The window modes as steps asked of the window (full screen and back, the stored
// bounds, hidden toolbars, the collapsed status area), and the page keys and wheel.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/page_keys.h"
#include "app/reader.h"
#include "app/reader_fake_host.h"
#include "app/window_modes.h"

namespace mirvo {
namespace {

using test::FakeReaderHost;
using test::MakeBook;
using test::TempDir;

// A window whose picture area is 600 x 400 pixels, or 1000 x 700 on the full screen.
struct FakeFrame : WindowModeHost {
    Reader& reader;
    bool maximised = false, fullScreen = false, toolbars = true;
    int statusHeight = kStatusAreaHeight;
    WindowBounds normal{40, 30, 800, 600};  // where the window returns to from maximised
    std::vector<std::string> steps;

    explicit FakeFrame(Reader& r) : reader(r) {}
    bool ShowNormalState() override {
        steps.push_back("normal");
        const bool was = maximised;
        maximised = fullScreen = false;
        return was;
    }
    WindowBounds OuterBounds() override {
        steps.push_back("bounds?");
        return normal;
    }
    void ShowFullScreen() override {
        steps.push_back("full screen");
        fullScreen = true;
    }
    void ShowMaximised() override {
        steps.push_back("maximised");
        maximised = true;
    }
    void SetOuterBounds(const WindowBounds& b) override {
        steps.push_back("bounds " + std::to_string(b.Left) + "," + std::to_string(b.Top) + " " +
                        std::to_string(b.Width) + "x" + std::to_string(b.Height));
        normal = b;
    }
    void SetToolBarsVisible(bool visible) override { toolbars = visible; }
    void SetStatusAreaHeight(int height) override { statusHeight = height; }
    void FormResize() override {
        steps.push_back("resize");
        reader.FormResize(fullScreen ? 1000 : 600, fullScreen ? 700 : 400);
    }
    void ReportException(const std::string& m) override { steps.push_back("error: " + m); }
};

struct Window {
    TempDir dir;
    FakeReaderHost host;
    Reader reader{host, test::TestFolders(dir)};
    FakeFrame frame{reader};
    WindowModes modes;

    Window() {
        reader.FormCreate({MakeBook(dir, "book.txt", 40)});
        reader.FormResize(600, 400);
        reader.OpenDocument();
        reader.PageClick(PageRequester::LeftPage);
    }
    ProfileFile Ini() { return ProfileFile(dir.File("Mirvo.INI")); }
    void Toggle() {
        frame.steps.clear();
        modes.msiAllDispClick(reader, frame);
    }
};

TEST(WindowModes, FullScreenFromMaximisedKeepsTheRestoredBoundsAndReturnsThere) {
    Window w;
    EXPECT_FALSE(w.Ini().SectionExists("PosSize"));
    w.frame.maximised = true;
    w.Toggle();
    EXPECT_EQ(w.frame.steps,
              (std::vector<std::string>{"normal", "bounds?", "full screen", "resize"}));
    EXPECT_TRUE(w.modes.AllDisp());
    const ProfileFile ini = w.Ini();
    EXPECT_EQ(ini.ReadInteger("PosSize", "Top", -1), 40);
    EXPECT_EQ(ini.ReadInteger("PosSize", "Left", -1), 30);
    EXPECT_EQ(ini.ReadInteger("PosSize", "Width", -1), 800);
    EXPECT_EQ(ini.ReadInteger("PosSize", "Height", -1), 600);
    // The spread takes the whole height of the book area.
    EXPECT_EQ(w.reader.SpreadHeightRatio(), 1.0);
    EXPECT_EQ(w.reader.BookArea().top, 0);
    EXPECT_EQ(w.reader.BookArea().Height(), 700);
    EXPECT_EQ(w.reader.LeftPage().Height(), 700);

    w.frame.normal = {};  // wherever the window system put it meanwhile
    w.Toggle();
    EXPECT_EQ(w.frame.steps,
              (std::vector<std::string>{"normal", "bounds 30,40 800x600", "resize"}));
    EXPECT_FALSE(w.frame.maximised);
    EXPECT_FALSE(w.modes.AllDisp());
    // 94 % of the height, centred: trunc(0.94 x 400) = 376 high, trunc(0.06 x 400 / 2) = 12
    // from the top, trunc(376 / 1.4 x 2) = 537 wide, trunc((600 - 537) / 2) = 31 from the left.
    EXPECT_EQ(w.reader.SpreadHeightRatio(), 0.94);
    const Rect area = w.reader.BookArea();
    EXPECT_EQ((std::vector<int>{area.left, area.top, area.Width(), area.Height()}),
              (std::vector<int>{31, 12, 537, 376}));
    EXPECT_EQ(w.host.indicator, "1/4");
}

TEST(WindowModes, LeavingWithoutStoredBoundsGoesToTheCornerAt600By460) {
    Window w;
    w.Toggle();
    std::filesystem::remove(w.dir.File("Mirvo.INI"));  // the keys went while it ran
    w.Toggle();
    EXPECT_EQ(w.frame.steps[1], "bounds 0,0 600x460");
}

TEST(WindowModes, RefusedBoundsWriteUndoesTheSwitch) {
    Window w;
    std::filesystem::create_directory(w.dir.File("Mirvo.INI"));  // a folder in the way
    w.frame.maximised = true;
    w.Toggle();
    ASSERT_EQ(w.frame.steps.size(), 5u);
    EXPECT_EQ(w.frame.steps[2], "maximised");
    EXPECT_EQ(w.frame.steps[3], "resize");
    EXPECT_EQ(w.frame.steps[4], "error: " + w.dir.File("Mirvo.INI") + " に書き込めません");
    EXPECT_FALSE(w.modes.AllDisp());
    EXPECT_FALSE(w.frame.fullScreen);
    EXPECT_EQ(w.reader.SpreadHeightRatio(), 0.94);
    EXPECT_EQ(w.reader.BookArea().Height(), 376);
}

TEST(WindowModes, ToolbarsAndStatusAreaAreTheirOwnToggles) {
    Window w;
    w.Toggle();
    w.modes.msiHideTLBarClick(w.frame);
    w.modes.msiHideStBarClick(w.frame);
    EXPECT_EQ(w.frame.statusHeight, 1);
    w.Toggle();  // leaving full screen keeps both
    EXPECT_TRUE(w.modes.HideTLBar());
    EXPECT_FALSE(w.frame.toolbars);
    EXPECT_TRUE(w.modes.HideStBar());
    EXPECT_EQ(w.frame.steps.back(), "resize");
    w.modes.msiHideStBarClick(w.frame);
    EXPECT_EQ(w.frame.statusHeight, 27);
    EXPECT_FALSE(w.modes.HideStBar());
    w.modes.msiHideTLBarClick(w.frame);
    EXPECT_TRUE(w.frame.toolbars);
}

TEST(PageKeys, KeysCoversAndWheel) {
    const std::pair<ReaderKey, PageCommand> keys[] = {
        {ReaderKey::Space, PageCommand::Forward},    {ReaderKey::Left, PageCommand::Forward},
        {ReaderKey::PageDown, PageCommand::Forward}, {ReaderKey::Backspace, PageCommand::Backward},
        {ReaderKey::Right, PageCommand::Backward},   {ReaderKey::PageUp, PageCommand::Backward},
        {ReaderKey::Home, PageCommand::FrontCover},  {ReaderKey::End, PageCommand::BackCover},
        {ReaderKey::Other, PageCommand::None},
    };
    for (const auto& [key, command] : keys)
        EXPECT_EQ(PageCommandForKey(key), command) << static_cast<int>(key);

    Window w;  // page 1 of 4
    RunPageCommand(w.reader, PageCommand::BackCover);
    EXPECT_EQ(w.host.indicator, "裏表紙");
    RunPageCommand(w.reader, PageCommand::Backward);
    EXPECT_EQ(w.host.indicator, "3/4");
    RunPageCommand(w.reader, PageCommand::FrontCover);
    EXPECT_EQ(w.host.indicator, "表紙");
    EXPECT_EQ(w.reader.CurrentPage(), FrontCoverPage);
    // A book without rows has no back cover to show.
    Reader empty{w.host, test::TestFolders(w.dir)};
    RunPageCommand(empty, PageCommand::BackCover);
    EXPECT_EQ(empty.CurrentPage(), FrontCoverPage);

    WheelTurns wheel;
    EXPECT_EQ(wheel.Add(-120), 1);  // a notch down: forward
    EXPECT_EQ(wheel.Add(120), -1);
    EXPECT_EQ(wheel.Add(-360), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(wheel.Add(-40), i == 2 ? 1 : 0);  // a touchpad
    EXPECT_EQ(wheel.Add(-100), 0);
    EXPECT_EQ(wheel.Add(90), 0);  // back the other way before it made a notch
    EXPECT_EQ(wheel.Add(-110), 1);
    EXPECT_EQ(wheel.Add(2147483647), -17895697);  // no overflow, whatever the device sends
}

}  // namespace
}  // namespace mirvo
