#include "app/settings_table.h"

#include <algorithm>
#include <limits>
#include <type_traits>
#include <vector>

#include "app/profile_file.h"

namespace mirvo {
namespace {

constexpr const char* kConfig = "Config";
constexpr const char* kMirvo = "Mirvo";

// Declared inside a function, so that it exists before the first Settings is made, in
// whichever order the program's objects are created.
std::span<const SettingEntry> Table() {
    // clang-format off
    static const SettingEntry kTable[] = {
        // key            section  field                      default          scale global    book      book key      format option
        {"RowCount",       kConfig, &Settings::RowCount,       10,              1,    {1, 2},   {6, 2},   nullptr,      true,  "--rows N"},
        {"CharCount",      kConfig, &Settings::RowBytes,       25,              2,    {2, 3},   {7, 3},   nullptr,      true,  "--chars N"},
        {"FontSpace",      kConfig, &Settings::FontSpace,      0,               1,    {0, 8},   {14, 8},  nullptr,      false, "--space N"},
        {"UseRuby",        kConfig, &Settings::UseRuby,        true,            1,    {3, 4},   {8, 4},   nullptr,      true,  "--ruby 0|1"},
        {"UseImage",       kConfig, &Settings::UseImage,       true,            1,    {5, 5},   {9, 5},   nullptr,      true,  "--image 0|1"},
        {"UseComment",     kConfig, &Settings::UseComment,     true,            1,    {4, 0},   {10, 0},  nullptr,      true,  "--comment 0|1"},
        {"IndexChar",      kConfig, &Settings::IndexChar,      "◎",             1,    {0, 0},   {15, 14}, nullptr,      true,  nullptr},
        {"UseAozoraNotes", kConfig, &Settings::UseAozoraNotes, false,           1,    {15, 15}, {16, 15}, nullptr,      true,  "--aozora 0|1"},
        {"FontName",       kConfig, &Settings::FontName,       "@ＭＳ ゴシック", 1,    {6, 6},   {12, 6},  nullptr,      false, "--font NAME"},
        {"FontBold",       kConfig, &Settings::FontBold,       false,           1,    {7, 7},   {13, 7},  nullptr,      false, "--bold 0|1"},
        {"UsePageTexture", kConfig, &Settings::UsePageTexture, true,            1,    {8, 9},   {11, 9},  "UseTexture", false, "--texture 0|1"},
        {"ChangeSpeed",    kConfig, &Settings::ChangeSpeed,    100,             1,    {10, 10}, {0, 0},   nullptr,      false, nullptr},
        {"Alias",          kConfig, &Settings::Alias,          true,            1,    {11, 11}, {0, 0},   nullptr,      false, "--alias 0|1"},
        {"PageColor",      kConfig, &Settings::PageColor,      "clWhite",       1,    {13, 13}, {3, 12},  nullptr,      false, "--page-color C"},
        {"CoverColor",     kConfig, &Settings::CoverColor,     "clWhite",       1,    {12, 12}, {4, 13},  nullptr,      false, "--cover-color C"},
        {"BKStandFolder",  kConfig, &Settings::BKStandFolder,  "",              1,    {14, 14}, {0, 0},   nullptr,      false, nullptr},
        {"BaseBGTexture",  kConfig, &Settings::BaseBGTexture,  "",              1,    {0, 0},   {1, 10},  nullptr,      false, nullptr},
        {"PageBGTexture",  kConfig, &Settings::PageBGTexture,  "",              1,    {0, 0},   {2, 11},  nullptr,      false, nullptr},
        // Set by hand in a book's file only; the program never writes it.
        {"Encoding",       kConfig, &Settings::Encoding,       "auto",          1,    {0, 0},   {17, 0},  nullptr,      true,  "--encoding NAME"},
        // The files' own slots, read and written among the settings.
        {"Last",           kMirvo,  &FileSlots::Last,          "",              1,    {9, 1},   {0, 0},   nullptr,      false, nullptr},
        {"CurrentPage",    kMirvo,  &FileSlots::CurrentPage,   FrontCoverPage,  1,    {0, 0},   {5, 1},   nullptr,      false, nullptr},
    };
    // clang-format on
    return kTable;
}

template <class T>
struct MemberOf;
template <class T, class C>
struct MemberOf<T C::*> {
    using Owner = C;
    using Type = T;
};

// Calls fn(field) with the field of `entry` in whichever of the two objects holds it.
template <class S, class F, class Fn>
void VisitField(const SettingEntry& entry, S& settings, F& slots, Fn&& fn) {
    std::visit(
        [&](auto member) {
            using Owner = typename MemberOf<decltype(member)>::Owner;
            if constexpr (std::is_same_v<Owner, Settings>)
                fn(settings.*member);
            else
                fn(slots.*member);
        },
        entry.field);
}

// shown x scale, kept inside the int range (and a multiple of the scale).
int ScaleUp(int shown, int scale) {
    const long long v = static_cast<long long>(shown) * scale;
    const long long most = std::numeric_limits<int>::max() / scale * scale;
    const long long least = std::numeric_limits<int>::min() / scale * scale;
    return static_cast<int>(std::clamp(v, least, most));
}

void ReadInto(const ProfileFile& file, const SettingEntry& e, const char* key, int& field) {
    field = ScaleUp(file.ReadInteger(e.section, key, std::get<int>(e.def)), e.scale);
}
void ReadInto(const ProfileFile& file, const SettingEntry& e, const char* key, bool& field) {
    field = file.ReadBool(e.section, key, std::get<bool>(e.def));
}
void ReadInto(const ProfileFile& file, const SettingEntry& e, const char* key, std::string& field) {
    field = file.ReadString(e.section, key, std::get<std::string>(e.def));
}

void WriteFrom(ProfileEdit& edit, const SettingEntry& e, const char* key, int field) {
    edit.SetInteger(e.section, key, field / e.scale);
}
void WriteFrom(ProfileEdit& edit, const SettingEntry& e, const char* key, bool field) {
    edit.SetBool(e.section, key, field);
}
void WriteFrom(ProfileEdit& edit, const SettingEntry& e, const char* key,
               const std::string& field) {
    edit.SetString(e.section, key, field);
}

// The entries a file reads (or writes), in that order.
std::vector<const SettingEntry*> InOrder(SettingsFileKind kind, bool writing) {
    std::vector<std::pair<int, const SettingEntry*>> placed;
    for (const SettingEntry& e : Table()) {
        const FileOrder& order = kind == SettingsFileKind::Book ? e.book : e.global;
        const int place = writing ? order.write : order.read;
        if (place > 0) placed.emplace_back(place, &e);
    }
    std::sort(placed.begin(), placed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const SettingEntry*> entries;
    for (const auto& [place, e] : placed) entries.push_back(e);
    return entries;
}

bool IsSetting(const SettingEntry& e) {
    return std::visit(
        [](auto member) {
            return std::is_same_v<typename MemberOf<decltype(member)>::Owner, Settings>;
        },
        e.field);
}

}  // namespace

Settings::Settings() {
    // The value before any file is read: the global file's default where it reads the
    // key, else empty.
    FileSlots unused;
    for (const SettingEntry& e : Table()) {
        const bool global = e.global.read > 0;
        VisitField(e, *this, unused, [&](auto& field) {
            using T = std::remove_reference_t<decltype(field)>;
            if (!global)
                field = T{};
            else if constexpr (std::is_same_v<T, int>)
                field = ScaleUp(std::get<int>(e.def), e.scale);
            else
                field = std::get<T>(e.def);
        });
    }
}

std::span<const SettingEntry> SettingsTable() {
    return Table();
}

const SettingEntry* FindSetting(std::string_view key) {
    for (const SettingEntry& e : Table())
        if (key == e.key) return &e;
    return nullptr;
}

SettingValue ShownValue(const SettingEntry& entry, const Settings& s) {
    SettingValue value;
    const FileSlots unused;
    VisitField(entry, s, unused, [&](const auto& field) {
        using T = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<T, int>)
            value = field / entry.scale;
        else
            value = field;
    });
    return value;
}

void SetShownValue(const SettingEntry& entry, Settings& s, const SettingValue& value) {
    FileSlots unused;
    VisitField(entry, s, unused, [&](auto& field) {
        using T = std::remove_reference_t<decltype(field)>;
        if constexpr (std::is_same_v<T, int>)
            field = ScaleUp(std::get<int>(value), entry.scale);
        else
            field = std::get<T>(value);
    });
}

void ReadSettingsFile(const ProfileFile& file, SettingsFileKind kind, Settings& s,
                      FileSlots& slots) {
    const bool book = kind == SettingsFileKind::Book;
    for (const SettingEntry* e : InOrder(kind, false))
        VisitField(*e, s, slots, [&](auto& field) { ReadInto(file, *e, e->KeyIn(book), field); });
}

void WriteSettingsFile(ProfileEdit& edit, SettingsFileKind kind, const Settings& s,
                       const FileSlots& slots) {
    const bool book = kind == SettingsFileKind::Book;
    for (const SettingEntry* e : InOrder(kind, true)) {
        VisitField(*e, s, slots,
                   [&](const auto& field) { WriteFrom(edit, *e, e->KeyIn(book), field); });
    }
}

void CopyFormattingSettings(const Settings& from, Settings& to) {
    for (const SettingEntry& e : Table())
        if (e.formatting && IsSetting(e)) SetShownValue(e, to, ShownValue(e, from));
}

PageLayout LayoutOf(const Settings& s) {
    return PageLayout(s.RowCount, s.RowBytes);
}

FormatOptions FormatOptionsOf(const Settings& s, const std::string& documentPath) {
    return FormatOptions{LayoutOf(s), s.UseRuby, s.UseComment, documentPath, s.UseAozoraNotes};
}

TextEncoding EncodingOf(const Settings& s) {
    TextEncoding encoding = TextEncoding::Auto;
    ParseTextEncoding(s.Encoding, encoding);
    return encoding;
}

SpreadStyle SpreadStyleOf(const Settings& s) {
    return SpreadStyle{.Page = {.Layout = LayoutOf(s),
                                .FontSpace = s.FontSpace,
                                .UseRuby = s.UseRuby,
                                .UseImage = s.UseImage,
                                .UseComment = s.UseComment,
                                .FontName = s.FontName,
                                .FontBold = s.FontBold,
                                .UsePageTexture = s.UsePageTexture,
                                .PageColor = s.PageColor},
                       .CoverColor = s.CoverColor,
                       .Alias = s.Alias};
}

}  // namespace mirvo
