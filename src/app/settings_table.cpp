#include "app/settings_table.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <type_traits>
#include <vector>

#include "app/profile_file.h"
#include "render/color.h"

namespace mirvo {
namespace {

constexpr const char* kConfig = "Config";
constexpr const char* kMirvo = "Mirvo";
constexpr const char* kDebug = "Debug";
constexpr const char* kPosSize = "PosSize";

using T = SettingType;
using K = ControlKind;
using G = DialogGroup;

constexpr SettingRange kAny{INT_MIN, INT_MAX};
constexpr SettingRange kCount{-1000000, 1000000};  // what a number option may say
constexpr SettingRange kBookmarks{0, kMaxStoredBookmarks};
constexpr const char* kEncodings[] = {"auto", "cp932", "utf-8", "utf-16", "euc-jp"};

// Declared inside a function, so that it exists before the first Settings is made, in
// whichever order the program's objects are created.
std::span<const SettingEntry> Table() {
    // clang-format off
    static const SettingEntry kTable[] = {
        // key            section  field                      default          scale global    book      book key      format option            type       range          choices     dialog control: kind, group, widget, caption, tooltip, unit or panel column
        {"RowCount",       kConfig, &Settings::RowCount,       10,              1,    {1, 2},   {6, 2},   nullptr,      true,  "--rows N",        T::Integer, kCount,       {},         {K::NumberField, G::RowsAndColumns, "speRowCountInPage", "1ページの行数(*)", "ページあたりの行数です。", "行"}},
        {"CharCount",      kConfig, &Settings::RowBytes,       25,              2,    {2, 3},   {7, 3},   nullptr,      true,  "--chars N",       T::Integer, kCount,       {},         {K::NumberField, G::RowsAndColumns, "speCharCountInRow", "1行の文字数(*)", "行あたりの文字数です。", "文字"}},
        {"FontSpace",      kConfig, &Settings::FontSpace,      0,               1,    {0, 8},   {14, 8},  nullptr,      false, "--space N",       T::Integer, {0, 30},      {},         {K::Stepper, G::RowsAndColumns, "speCharSpace", "文字間隔", "文字間隔を指定します。", "％"}},
        {"UseRuby",        kConfig, &Settings::UseRuby,        true,            1,    {3, 4},   {8, 4},   nullptr,      true,  "--ruby 0|1",      T::Flag,    {0, 1},       {},         {K::Check, G::Formatting, "ckbRuby", "ルビを表示する(*)", "ﾁｪｯｸすると、ふりがなを表示します"}},
        {"UseImage",       kConfig, &Settings::UseImage,       true,            1,    {5, 5},   {9, 5},   nullptr,      true,  "--image 0|1",     T::Flag,    {0, 1},       {},         {K::Check, G::Formatting, "ckbImage", "挿絵の表示(*)", "ﾁｪｯｸすると、挿絵を表示します"}},
        {"UseComment",     kConfig, &Settings::UseComment,     true,            1,    {4, 0},   {10, 0},  nullptr,      true,  "--comment 0|1",   T::Flag,    {0, 1},       {},         {K::Check, G::Formatting, "ckbComment", "脚注を追い出す(*)", "ﾁｪｯｸすると脚注をﾎﾟｯﾌﾟｱｯﾌﾟで表示します"}},
        {"IndexChar",      kConfig, &Settings::IndexChar,      "◎",             1,    {0, 0},   {15, 14}, nullptr,      true,  nullptr,           T::Text,    kAny,         {},         {K::Line, G::Formatting, "edtIndexChar", "見出し文字列(*)"}},
        {"UseAozoraNotes", kConfig, &Settings::UseAozoraNotes, false,           1,    {15, 15}, {16, 15}, nullptr,      true,  "--aozora 0|1",    T::Flag,    {0, 1},       {},         {K::Check, G::Formatting, "ckbAozoraNotes", "青空文庫の注記を使う(*)", "ﾁｪｯｸすると、字下げ・見出し・改ページの注記で組版します"}},
        {"Typesetting",    kConfig, &Settings::Typesetting,    false,           1,    {16, 16}, {18, 16}, nullptr,      true,  "--typeset 0|1",   T::Flag,    {0, 1},       {},         {K::Check, G::Formatting, "ckbTypeset", "本の組版で表示する(*)", "ﾁｪｯｸすると、本のように組んで表示します"}},
        {"FontName",       kConfig, &Settings::FontName,       "@ＭＳ ゴシック", 1,    {6, 6},   {12, 6},  nullptr,      false, "--font NAME",     T::Text,    kAny,         {},         {K::FontList, G::Font, "cmbFontList", nullptr, "表示フォントを選択します。"}},
        {"FontBold",       kConfig, &Settings::FontBold,       false,           1,    {7, 7},   {13, 7},  nullptr,      false, "--bold 0|1",      T::Flag,    {0, 1},       {},         {K::BoldButton, G::Font, "spbBold", "Ｂ", "太字で表示します。"}},
        {"UsePageTexture", kConfig, &Settings::UsePageTexture, true,            1,    {8, 9},   {11, 9},  "UseTexture", false, "--texture 0|1",   T::Flag,    {0, 1},       {},         {K::Check, G::Display, "ckbPageTexture", "ﾍﾟｰｼﾞﾃｸｽﾁｬを使う", "ページにテクスチャを貼り付けます。"}},
        {"ChangeSpeed",    kConfig, &Settings::ChangeSpeed,    100,             1,    {10, 10}, {0, 0},   nullptr,      false, nullptr,           T::Integer, {0, 200},     {},         {K::Slider, G::Display, "trbChangeSpeed", "ページめくり速度", "ページめくり速度を調整します。"}},
        {"Alias",          kConfig, &Settings::Alias,          true,            1,    {11, 11}, {0, 0},   nullptr,      false, "--alias 0|1",     T::Flag,    {0, 1},       {},         {K::Check, G::Display, "ckbUseAlias", "アンチエイリアスする(マシンパワー必要)"}},
        {"BaseBGTexture",  kConfig, &Settings::BaseBGTexture,  "",              1,    {0, 0},   {1, 10},  nullptr,      false, nullptr,           T::Path,    kAny,         {},         {K::PicturePanel, G::Panels, "imgBaseTexture", nullptr, "ﾀﾞﾌﾞﾙｸﾘｯｸで背景画像を設定", "背景色"}},
        {"PageColor",      kConfig, &Settings::PageColor,      "clWhite",       1,    {13, 13}, {3, 12},  nullptr,      false, "--page-color C",  T::Colour,  kAny,         {},         {K::ColourPanel, G::Panels, "pnlPageColor", "ﾍﾟｰｼﾞ色", "ﾀﾞﾌﾞﾙｸﾘｯｸでﾍﾟｰｼﾞ色を指定", "ページ色(他)"}},
        {"TextColor",      kConfig, &Settings::TextColor,      "clBlack",       1,    {17, 17}, {19, 17}, nullptr,      false, "--text-color C",  T::Colour,  kAny,         {},         {K::ColourPanel, G::Panels, "pnlTextColor", "文字色", "ﾀﾞﾌﾞﾙｸﾘｯｸで文字色を指定", "ページ色(他)"}},
        {"PageBGTexture",  kConfig, &Settings::PageBGTexture,  "",              1,    {0, 0},   {2, 11},  nullptr,      false, nullptr,           T::Path,    kAny,         {},         {K::PicturePanel, G::Panels, "imgPageTexture", nullptr, "ﾀﾞﾌﾞﾙｸﾘｯｸでﾍﾟｰｼﾞ背景画像を設定", "ページ色(他)"}},
        {"CoverColor",     kConfig, &Settings::CoverColor,     "clWhite",       1,    {12, 12}, {4, 13},  nullptr,      false, "--cover-color C", T::Colour,  kAny,         {},         {K::ColourPanel, G::Panels, "pnlCoverColor", "表紙色", "ﾀﾞﾌﾞﾙｸﾘｯｸで表紙色を指定", "表紙色"}},
        {"BKStandFolder",  kConfig, &Settings::BKStandFolder,  "",              1,    {14, 14}, {0, 0},   nullptr,      false, nullptr,           T::Path,    kAny,         {},         {K::Folder, G::Shelf, "edtBKStandFolder", "本棚フォルダ"}},
        // Set by hand in a book's file only; the program never writes it.
        {"Encoding",       kConfig, &Settings::Encoding,       "auto",          1,    {0, 0},   {17, 0},  nullptr,      true,  "--encoding NAME", T::Choice,  kAny,         kEncodings, {}},
        // The files' own slots, read and written among the settings.
        {"Last",           kMirvo,  &FileSlots::Last,          "",              1,    {9, 1},   {0, 0},   nullptr,      false, nullptr,           T::Path,    kAny,         {},         {}},
        {"CurrentPage",    kMirvo,  &FileSlots::CurrentPage,   FrontCoverPage,  1,    {0, 0},   {5, 1},   nullptr,      false, nullptr,           T::Integer, kAny,         {},         {}},
        // Outside the settings pass: full-screen mode's window bounds (in their own order),
        // the log switch read at start, and a book's bookmarks (Clip1, Clip2, ... and their
        // count, written after the settings).
        {"Top",            kPosSize, &WindowBounds::Top,       0,               1,    {3, 1},   {0, 0},   nullptr,      false, nullptr,           T::Integer, kAny,         {},         {}},
        {"Left",           kPosSize, &WindowBounds::Left,      0,               1,    {4, 2},   {0, 0},   nullptr,      false, nullptr,           T::Integer, kAny,         {},         {}},
        {"Width",          kPosSize, &WindowBounds::Width,     600,             1,    {1, 3},   {0, 0},   nullptr,      false, nullptr,           T::Integer, kAny,         {},         {}},
        {"Height",         kPosSize, &WindowBounds::Height,    460,             1,    {2, 4},   {0, 0},   nullptr,      false, nullptr,           T::Integer, kAny,         {},         {}},
        {"Log",            kDebug,  std::monostate{},          false,           1,    {1, 0},   {0, 0},   nullptr,      false, nullptr,           T::Flag,    {0, 1},       {},         {}},
        {"Clip",           kMirvo,  std::monostate{},          1,               1,    {0, 0},   {0, 0},   nullptr,      false, nullptr,           T::List,    kAny,         {},         {}},
        {"ClipCount",      kMirvo,  std::monostate{},          0,               1,    {0, 0},   {0, 0},   nullptr,      false, nullptr,           T::Integer, kBookmarks,   {},         {}},
        // The recent books (Recent1 ... Recent10, newest first: app/recent_books.h).
        {"Recent",         kMirvo,  std::monostate{},          "",              1,    {0, 0},   {0, 0},   nullptr,      false, nullptr,           T::List,    kAny,         {},         {}},
    };
    // clang-format on
    return kTable;
}

template <class M>
struct MemberOf {
    using Owner = void;  // no field
};
template <class M, class C>
struct MemberOf<M C::*> {
    using Owner = C;
};

// Calls fn(field) with the field of `entry` in whichever of the two objects holds it; a
// row of neither is left alone.
template <class S, class F, class Fn>
void VisitField(const SettingEntry& entry, S& settings, F& slots, Fn&& fn) {
    std::visit(
        [&](auto member) {
            using Owner = typename MemberOf<decltype(member)>::Owner;
            if constexpr (std::is_same_v<Owner, Settings>)
                fn(settings.*member);
            else if constexpr (std::is_same_v<Owner, FileSlots>)
                fn(slots.*member);
        },
        entry.field);
}

// The rows of the settings pass: those of Settings and FileSlots.
bool InSettingsPass(const SettingEntry& e) {
    return std::visit(
        [](auto member) {
            using Owner = typename MemberOf<decltype(member)>::Owner;
            return std::is_same_v<Owner, Settings> || std::is_same_v<Owner, FileSlots>;
        },
        e.field);
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

// The entries `pick` takes that a file reads (or writes), in that order.
template <class Pick>
std::vector<const SettingEntry*> InOrder(SettingsFileKind kind, bool writing, Pick pick) {
    std::vector<std::pair<int, const SettingEntry*>> placed;
    for (const SettingEntry& e : Table()) {
        if (!pick(e)) continue;
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

std::vector<const SettingEntry*> SettingsPass(SettingsFileKind kind, bool writing) {
    return InOrder(kind, writing, InSettingsPass);
}

// A colour string of `e` that is no colour: the row's default in its place, and the Problem.
bool RefuseBadColour(const SettingEntry& e, std::string& field, Problem& problem) {
    Color unused = 0;
    if (e.type != SettingType::Colour || TryStringToColor(field, unused)) return false;
    problem = Problem{};
    problem.kind = ProblemKind::SettingsBadColour;
    problem.detail = field;
    field = std::get<std::string>(e.def);
    return true;
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

std::vector<const SettingEntry*> GroupInOrder(std::string_view section, bool writing) {
    return InOrder(SettingsFileKind::Global, writing, [&](const SettingEntry& e) {
        return !InSettingsPass(e) && section == e.section;
    });
}

SettingValue ShownValue(const SettingEntry& entry, const Settings& s) {
    SettingValue value = entry.def;
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

std::vector<Problem> ReadSettingsFile(const ProfileFile& file, SettingsFileKind kind, Settings& s,
                                      FileSlots& slots) {
    const bool book = kind == SettingsFileKind::Book;
    std::vector<Problem> problems;
    for (const SettingEntry* e : SettingsPass(kind, false)) {
        VisitField(*e, s, slots, [&](auto& field) {
            ReadInto(file, *e, e->KeyIn(book), field);
            if constexpr (std::is_same_v<std::remove_reference_t<decltype(field)>, std::string>) {
                if (Problem p; RefuseBadColour(*e, field, p)) {
                    p.path = file.Path();
                    problems.push_back(std::move(p));
                }
            }
        });
    }
    return problems;
}

Problem CheckColours(Settings& s) {
    Problem first;
    for (const SettingEntry& e : Table()) {
        if (e.type != SettingType::Colour || !IsSetting(e)) continue;
        Problem p;
        if (RefuseBadColour(e, s.*std::get<std::string Settings::*>(e.field), p) &&
            first.kind == ProblemKind::None)
            first = std::move(p);
    }
    return first;
}

void WriteSettingsFile(ProfileEdit& edit, SettingsFileKind kind, const Settings& s,
                       const FileSlots& slots) {
    const bool book = kind == SettingsFileKind::Book;
    for (const SettingEntry* e : SettingsPass(kind, true)) {
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
    return FormatOptions{LayoutOf(s),  s.UseRuby,        s.UseComment,
                         documentPath, s.UseAozoraNotes, s.Typesetting};
}

TextEncoding EncodingOf(const Settings& s) {
    TextEncoding encoding = TextEncoding::Auto;
    ParseTextEncoding(s.Encoding, encoding);
    return encoding;
}

namespace {

// The value of a colour setting; one that is no colour (refused where it was read, so only
// from a caller that skipped the check) gives the row's default.
Color ColourOf(std::string Settings::*field, const Settings& s) {
    Color c = 0;
    if (TryStringToColor(s.*field, c)) return c;
    for (const SettingEntry& e : Table())
        if (e.field == SettingField(field)) TryStringToColor(std::get<std::string>(e.def), c);
    return c;
}

}  // namespace

SpreadStyle SpreadStyleOf(const Settings& s) {
    return SpreadStyle{.Page = {.Layout = LayoutOf(s),
                                .FontSpace = s.FontSpace,
                                .UseRuby = s.UseRuby,
                                .UseImage = s.UseImage,
                                .UseComment = s.UseComment,
                                .FontName = s.FontName,
                                .FontBold = s.FontBold,
                                .UsePageTexture = s.UsePageTexture,
                                .PageColor = ColourOf(&Settings::PageColor, s),
                                .TextColor = ColourOf(&Settings::TextColor, s),
                                .Typeset = s.Typesetting},
                       .CoverColor = ColourOf(&Settings::CoverColor, s),
                       .Alias = s.Alias};
}

}  // namespace mirvo
