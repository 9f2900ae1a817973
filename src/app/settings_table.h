// The reader's settings: the fields the main window holds them in, and one table that
// says everything else about each of them once: its key and section, its default, how the
// files show it, which of the two settings files read and write it and at which place in
// their order, whether it shapes the formatted rows, and its headless option. The global
// settings file (app/global_settings.h), the book state files (app/book_state.h), the
// headless commands and the settings dialog all work from this table; none of them names
// a key of its own.
//
// Adding a setting:
//   1. Add its field to Settings below (int, bool or std::string).
//   2. Add one entry to kSettingsTable in settings_table.cpp: key, section, field, default
//      (and a scale when the field holds a multiple of what the files show), its places in
//      the global file's and the book file's read and write orders (0: that file does not
//      read, or does not write, it; a new key normally goes last, one past the highest
//      place), whether a change waits for the next formatting, and its headless option
//      (nullptr for none).
//   3. Hand the field on where it is used (FormatOptionsOf, SpreadStyleOf, ...).
// The table test checks that each order is one place per key, with no gaps.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "format/document.h"
#include "format/encoding.h"
#include "format/formatter.h"
#include "format/page_layout.h"
#include "viewer/spread_view.h"

namespace mirvo {

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
    std::string IndexChar;      // heading mark of the contents (UTF-8)
    std::string FontName;       // vertical face, UTF-8, "@" + family
    bool FontBold;              // bold page text
    bool UsePageTexture;        // tile the page texture on the pages
    std::string PageColor;      // colour string, converted where it is drawn
    std::string CoverColor;     // colour string
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

using SettingField = std::variant<int Settings::*, bool Settings::*, std::string Settings::*,
                                  std::string FileSlots::*, int FileSlots::*>;
// A value as the files, the dialog and the headless options show it.
using SettingValue = std::variant<int, bool, std::string>;

// A key's places in one file's read order and write order, counted from 1; 0 = the file
// does not read (or write) it.
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

    const char* KeyIn(bool bookFile) const { return bookFile && bookKey ? bookKey : key; }
};

// Every entry, in the order of the settings dialog's storing.
std::span<const SettingEntry> SettingsTable();
// The entry of `key` (as the global file names it); null when there is none.
const SettingEntry* FindSetting(std::string_view key);

// The value of a setting as the files, the dialog and the options show it (CharCount for
// RowBytes), and the reverse; a shown value is scaled into the field without overflow.
// Only for entries whose field is one of Settings.
SettingValue ShownValue(const SettingEntry& entry, const Settings& s);
void SetShownValue(const SettingEntry& entry, Settings& s, const SettingValue& value);

enum class SettingsFileKind { Global, Book };

// Reads every key the file reads, in the file's order, giving each key the entry's default
// when it is missing or malformed. Writing adds every key the file writes to `edit`, in
// the file's order; the caller commits the edit, replacing the file once.
void ReadSettingsFile(const ProfileFile& file, SettingsFileKind kind, Settings& s,
                      FileSlots& slots);
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
SpreadStyle SpreadStyleOf(const Settings& s);

}  // namespace mirvo
