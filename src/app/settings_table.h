// The reader's settings: the fields the main window holds them in, and one table that
// says everything else about each of them once: its key and section, its default, how the
// files show it, which of the two settings files read and write it and at which place in
// their order, whether it shapes the formatted rows, its headless option, its type with
// its range or choices, and the settings dialog's control for it. The keys outside the
// settings (the log switch, the window bounds of full-screen mode, the bookmarks) have
// rows too. The global settings file (app/global_settings.h), the book state files
// (app/book_state.h), the headless commands and the settings dialog (ui/option.h) all work
// from this table; none of them names a key of its own.
//
// Adding a setting:
//   1. Add its field to Settings below (int, bool or std::string).
//   2. Add one entry to kSettingsTable in settings_table.cpp: key, section, field, default
//      (and a scale when the field holds a multiple of what the files show), its places in
//      the global file's and the book file's read and write orders (0: that file does not
//      read, or does not write, it; a new key normally goes last, one past the highest
//      place), whether a change waits for the next formatting, its headless option
//      (nullptr for none), its type, range or choices, and its dialog control (its kind,
//      group, widget name, caption, tooltip and unit; the dialog places it in table order).
//   3. Hand the field on where it is used (FormatOptionsOf, SpreadStyleOf, ...).
// The table test checks that each order is one place per key, with no gaps.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "format/document.h"
#include "format/encoding.h"
#include "format/formatter.h"
#include "format/page_layout.h"
#include "format/problem.h"
#include "viewer/spread_view.h"

namespace mirvo {

// The most bookmarks a book state file can bring back (the range of ClipCount): a count
// beyond it (a damaged or hostile file) is taken as this many, so that opening a book
// never reads for ever.
inline constexpr int kMaxStoredBookmarks = 10000;

class ProfileEdit;
class ProfileFile;

// The in-memory settings, fields of the main window named after their keys. A new object
// holds what the main window holds before any file is read: the global file's default
// for every key that file reads, empty (0, false, "") for the others.
struct Settings {
    Settings();

    // Book-scoped: a book's state file replaces them when the book is opened.
    int RowCount;               // rows (printed columns) a page; any value
    int RowBytes;               // bytes a row, 2 x CharCount; any value
    int FontSpace;              // percent by which the page font is smaller than its cell
    bool UseRuby;               // interpret 《》 ruby markup
    bool UseImage;              // draw <IMG> rows as pictures
    bool UseComment;            // interpret ［＃…］ annotations
    bool UseAozoraNotes;        // lay out annotations of indentation, headings, page breaks
    bool Typesetting;           // set pages as a printed book (grey glyphs, page numbers)
    std::string IndexChar;      // heading mark of the contents (UTF-8)
    std::string FontName;       // vertical face, UTF-8, "@" + family
    bool FontBold;              // bold page text
    bool UsePageTexture;        // tile the page texture on the pages
    std::string PageColor;      // colour string; a bad one is refused where it is read
    std::string CoverColor;     // colour string, the same
    std::string TextColor;      // colour string of body text, ruby and emphasis marks
    std::string BaseBGTexture;  // bitmap tiled over the window background; "" = keep current
    std::string PageBGTexture;  // bitmap used as page texture; "" = keep current
    std::string Encoding;       // the book file's encoding: "auto" (detect), "cp932", ...

    // Global: never replaced by a book.
    int ChangeSpeed;            // page-turn speed, 0 = no animation
    bool Alias;                 // draw pages at double size and reduce them
    std::string BKStandFolder;  // bookshelf folder; "" = none chosen
};

// What the two files hold besides the settings, read and written in the same pass: the
// last document of the global file and the reading position of a book file.
struct FileSlots {
    std::string Last;
    int CurrentPage = FrontCoverPage;
};

// The window's outer bounds kept in the global file's "PosSize" section while full-screen
// mode is on (app/global_settings.h).
struct WindowBounds {
    int Top = 0;
    int Left = 0;
    int Width = 600;
    int Height = 460;
};

// The field a row reads into and writes from. The settings pass of each file reads and
// writes the rows of Settings and FileSlots; the code of the other groups (the window
// bounds, the log switch and the bookmarks, the last two without a field) reads and writes
// its keys through their rows.
using SettingField =
    std::variant<std::monostate, int Settings::*, bool Settings::*, std::string Settings::*,
                 std::string FileSlots::*, int FileSlots::*, int WindowBounds::*>;
// A value as the files, the dialog and the headless options show it.
using SettingValue = std::variant<int, bool, std::string>;

// What a row's value is, beyond its C++ type.
enum class SettingType {
    Integer,  // within the row's range where the dialog or an option sets it
    Flag,     // 0 or 1
    Text,
    Colour,  // a colour string (render/color.h); a bad one in a file reads as the default
    Path,
    Choice,  // one of the row's choices
    List,    // numbered keys Clip1, Clip2, ... (the row's key followed by the number)
};

// The values the dialog and the headless options accept for an Integer row. The files keep
// whatever they hold.
struct SettingRange {
    int least;
    int most;
    bool Holds(int v) const { return v >= least && v <= most; }
};

// The control of the settings dialog that edits a row, and where it stands.
enum class ControlKind {
    None,
    NumberField,  // a spin field that takes any typed text
    Stepper,      // a spin field changed by its arrows only
    Check,
    Line,        // a one-line text field
    FontList,    // the list of vertical faces, editable
    BoldButton,  // a toggle button beside the font list
    Slider,
    ColourPanel,
    PicturePanel,  // a picture file chosen by a click
    Folder,        // a read-only path with a browse button
};
enum class DialogGroup { None, RowsAndColumns, Formatting, Font, Panels, Display, Shelf };

struct DialogControl {
    ControlKind kind = ControlKind::None;
    DialogGroup group = DialogGroup::None;
    const char* name = nullptr;     // the widget's object name
    const char* caption = nullptr;  // its label (or a panel's caption, a check's text)
    const char* hint = nullptr;     // its tooltip, or nullptr
    const char* unit = nullptr;     // the text after a number field, or a panel's column
};

// A key's places in one file's read order and write order, counted from 1; 0 = the file
// does not read (or write) it. Rows outside the settings pass count within their section.
struct FileOrder {
    int read = 0;
    int write = 0;
};

struct SettingEntry {
    const char* key;
    const char* section;
    SettingField field;
    SettingValue def;     // the default when reading, as the file shows it
    int scale;            // the field holds scale x the shown value (RowBytes = 2 x CharCount)
    FileOrder global;     // Mirvo.INI
    FileOrder book;       // MirvoKs/<name>.INI
    const char* bookKey;  // the key in the book file, when it differs from `key`
    bool formatting;      // shapes the formatted rows: a change shows at the next formatting
    const char* option;   // the headless commands' option and its value ("--rows N"), or nullptr
    SettingType type;
    SettingRange range;                    // Integer rows
    std::span<const char* const> choices;  // Choice rows
    DialogControl control;

    const char* KeyIn(bool bookFile) const { return bookFile && bookKey ? bookKey : key; }
};

// Every entry, in the order of the settings dialog's storing.
std::span<const SettingEntry> SettingsTable();
// The entry of `key` (as the global file names it); null when there is none.
const SettingEntry* FindSetting(std::string_view key);
// The rows of `section` outside the settings pass, in the global file's read (or write)
// order.
std::vector<const SettingEntry*> GroupInOrder(std::string_view section, bool writing);

// The value of a setting as the files, the dialog and the options show it (CharCount for
// RowBytes), and the reverse; a shown value is scaled into the field without overflow.
// Only for entries whose field is one of Settings.
SettingValue ShownValue(const SettingEntry& entry, const Settings& s);
void SetShownValue(const SettingEntry& entry, Settings& s, const SettingValue& value);

enum class SettingsFileKind { Global, Book };

// Reads every key the file reads, in the file's order, giving each key the entry's default
// when it is missing or malformed. A colour that is no colour also reads as the default,
// and is returned as a Problem (SettingsBadColour: the file's path and the value as
// written), once for each such key. Writing adds every key the file writes to `edit`, in
// the file's order; the caller commits the edit, replacing the file once.
std::vector<Problem> ReadSettingsFile(const ProfileFile& file, SettingsFileKind kind, Settings& s,
                                      FileSlots& slots);

// Puts each row's default in place of a colour of `s` that is no colour; the first such
// value as a Problem (SettingsBadColour, without a path), or a Problem of kind None.
Problem CheckColours(Settings& s);
void WriteSettingsFile(ProfileEdit& edit, SettingsFileKind kind, const Settings& s,
                       const FileSlots& slots);

// Copies the settings that shape the formatted rows (`formatting` entries) from `from`.
void CopyFormattingSettings(const Settings& from, Settings& to);

// What the lower layers are handed: the layout made workable once, and the values each
// layer reads.
PageLayout LayoutOf(const Settings& s);
FormatOptions FormatOptionsOf(const Settings& s, const std::string& documentPath);
// The encoding to load the book in; a name loading does not know is "auto".
TextEncoding EncodingOf(const Settings& s);
// The colours parsed here, once: drawing never sees a colour string.
SpreadStyle SpreadStyleOf(const Settings& s);

}  // namespace mirvo
