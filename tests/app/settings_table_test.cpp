// The one table of settings: its orders, the round trips of both files through it with
// their deliberate asymmetries, and the values before any file is read.
#include "app/settings_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>

#include "app/book_state.h"
#include "app/global_settings.h"
#include "render/color.h"
#include "settings_test_util.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::ReadFileBytes;
using test::TempDir;

bool IsSettingsField(const SettingEntry& e) {
    return !std::holds_alternative<std::string FileSlots::*>(e.field) &&
           !std::holds_alternative<int FileSlots::*>(e.field);
}

// The rows outside the settings pass (the window bounds, the log switch, the bookmarks)
// keep their own order, counted within their section.
std::string PassOf(const SettingEntry& e) {
    const bool inPass = std::holds_alternative<int Settings::*>(e.field) ||
                        std::holds_alternative<bool Settings::*>(e.field) ||
                        std::holds_alternative<std::string Settings::*>(e.field) ||
                        !IsSettingsField(e);
    return inPass ? "settings" : e.section;
}

TEST(SettingsTable, EveryOrderHasOnePlacePerKeyAndNoGaps) {
    const std::map<std::string, int FileOrder::*> orders = {{"read", &FileOrder::read},
                                                            {"write", &FileOrder::write}};
    for (const bool book : {false, true}) {
        for (const auto& [name, place] : orders) {
            std::map<std::string, std::vector<int>> places;
            for (const SettingEntry& e : SettingsTable()) {
                const int p = (book ? e.book : e.global).*place;
                if (p != 0) places[PassOf(e)].push_back(p);
            }
            for (auto& [pass, list] : places) {
                std::sort(list.begin(), list.end());
                for (std::size_t i = 0; i < list.size(); ++i)
                    EXPECT_EQ(list[i], static_cast<int>(i) + 1)
                        << (book ? "book " : "global ") << name << " order of " << pass;
            }
        }
    }
    for (const SettingEntry& e : SettingsTable()) EXPECT_EQ(FindSetting(e.key), &e);
    EXPECT_EQ(FindSetting("NoSuchKey"), nullptr);
}

// Every setting field given a value that differs from its default and from every other.
Settings Distinct() {
    Settings s;
    int n = 3;
    for (const SettingEntry& e : SettingsTable()) {
        if (!IsSettingsField(e)) continue;
        SettingValue v = ShownValue(e, s);
        if (auto* i = std::get_if<int>(&v)) *i = 100 + ++n;
        if (auto* b = std::get_if<bool>(&v)) *b = !std::get<bool>(e.def);
        if (auto* t = std::get_if<std::string>(&v))
            *t = e.type == SettingType::Colour ? "$0000000" + std::to_string(++n)
                                               : "値" + std::to_string(++n);
        SetShownValue(e, s, v);
    }
    return s;
}

TEST(SettingsTable, BothFilesRoundTripWithTheirAsymmetries) {
    TempDir dir;
    MakeFolders(dir.File("MirvoKs"));
    const Settings written = Distinct();
    for (const SettingsFileKind kind : {SettingsFileKind::Global, SettingsFileKind::Book}) {
        const bool book = kind == SettingsFileKind::Book;
        ProfileFile file(dir.File(book ? "MirvoKs/b.INI" : "Mirvo.INI"));
        ProfileEdit edit(file);
        WriteSettingsFile(edit, kind, written, FileSlots{"/books/b.txt", 17});
        edit.Commit();
        Settings back;
        FileSlots slots;
        ReadSettingsFile(file, kind, back, slots);
        for (const SettingEntry& e : SettingsTable()) {
            if (!IsSettingsField(e)) continue;
            const FileOrder& order = book ? e.book : e.global;
            SettingValue expected = ShownValue(e, Settings{});  // not read: left as it was
            if (order.read && order.write) expected = ShownValue(e, written);
            if (order.read && !order.write) expected = e.def;  // never written: the default
            EXPECT_EQ(ShownValue(e, back), expected) << (book ? "book " : "global ") << e.key;
        }
        EXPECT_EQ(slots.Last, book ? "" : "/books/b.txt");
        EXPECT_EQ(slots.CurrentPage, book ? 17 : FrontCoverPage);
    }
    // The asymmetries as the files show them.
    const std::string global = ReadFileBytes(dir.File("Mirvo.INI"));
    const std::string book = ReadFileBytes(dir.File("MirvoKs/b.INI"));
    EXPECT_NE(global.find("\nCharCount=" + std::to_string(written.RowBytes / 2) + "\n"),
              std::string::npos);
    EXPECT_NE(global.find("\nFontSpace=" + std::to_string(written.FontSpace) + "\n"),
              std::string::npos)
        << "written to the global file, though never read from it";
    EXPECT_NE(global.find("\nUsePageTexture=0\n"), std::string::npos);
    EXPECT_NE(book.find("\nUseTexture=0\n"), std::string::npos);
    EXPECT_EQ(book.find("UsePageTexture"), std::string::npos);
    for (const std::string* text : {&global, &book})
        EXPECT_EQ(text->find("UseComment"), std::string::npos) << "read, never written";
    EXPECT_EQ(global.find("IndexChar"), std::string::npos);
    EXPECT_EQ(book.find("ChangeSpeed"), std::string::npos);
}

TEST(SettingsTable, AColourThatIsNoColourReadsAsTheDefaultAndIsToldOnce) {
    TempDir dir;
    const struct {
        const char* page;
        const char* cover;
        std::vector<std::string> told;
    } cases[] = {
        {"abc", "clRed", {"abc"}},
        {"clBlue", "0x7fffffff", {"0x7fffffff"}},
        {"\"", "'", {"\"", "'"}},
        {"$00FF00", "-1", {}},
    };
    for (const auto& c : cases) {
        for (const SettingsFileKind kind : {SettingsFileKind::Global, SettingsFileKind::Book}) {
            const ProfileFile file(dir.File("c.INI"));
            test::WriteFileBytes(file.Path(), std::string("[Config]\nPageColor=") + c.page +
                                                  "\nCoverColor=" + c.cover + "\n");
            Settings s;
            FileSlots slots;
            const std::vector<Problem> told = ReadSettingsFile(file, kind, s, slots);
            std::vector<std::string> values;
            for (const Problem& p : told) {
                EXPECT_EQ(p.kind, ProblemKind::SettingsBadColour);
                EXPECT_EQ(p.path, file.Path());
                values.push_back(p.detail);
            }
            std::sort(values.begin(), values.end());
            EXPECT_EQ(values, c.told) << c.page << " " << c.cover;
            Color unused = 0;
            EXPECT_TRUE(TryStringToColor(s.PageColor, unused)) << s.PageColor;
            EXPECT_TRUE(TryStringToColor(s.CoverColor, unused)) << s.CoverColor;
            if (c.told.empty()) {
                EXPECT_EQ(s.CoverColor, c.cover);
            }
        }
    }
    Settings bad;
    bad.CoverColor = "nonsense";
    EXPECT_EQ(CheckColours(bad).detail, "nonsense");
    EXPECT_EQ(bad.CoverColor, "clWhite");
    EXPECT_EQ(CheckColours(bad).kind, ProblemKind::None);
}

TEST(SettingsTable, ValuesBeforeAnyFileIsRead) {
    const Settings s;
    EXPECT_EQ(s.RowCount, 10);
    EXPECT_EQ(s.RowBytes, 50);
    EXPECT_EQ(s.ChangeSpeed, 100);
    EXPECT_EQ(s.FontName, "@ＭＳ ゴシック");
    EXPECT_TRUE(s.UseComment && s.Alias && s.UsePageTexture);
    // Keys the global file does not read stay empty until a book is opened.
    EXPECT_EQ(s.FontSpace, 0);
    EXPECT_EQ(s.IndexChar, "");
    EXPECT_EQ(s.BaseBGTexture, "");
}

TEST(SettingsTable, CharCountScalesIntoRowBytesWithoutOverflow) {
    const SettingEntry& chars = *FindSetting("CharCount");
    const struct {
        int shown, rowBytes, shownBack;
    } cases[] = {
        {25, 50, 25},
        {13, 26, 13},
        {0, 0, 0},
        {-4, -8, -4},
        {INT_MAX, INT_MAX - 1, INT_MAX / 2},
        {INT_MIN, INT_MIN, INT_MIN / 2},
    };
    for (const auto& c : cases) {
        Settings s;
        SetShownValue(chars, s, c.shown);
        EXPECT_EQ(s.RowBytes, c.rowBytes) << c.shown;
        EXPECT_EQ(std::get<int>(ShownValue(chars, s)), c.shownBack) << c.shown;
    }
}

}  // namespace
}  // namespace mirvo
