// Book shortcuts. The program keeps no library of its own: a bookshelf is a folder the
// reader chooses (BKStandFolder), and a book on it is a freedesktop Desktop Entry file,
// "<shelf>/<title>.desktop", that starts this program with the path of a text file. A file
// manager (or `gio launch`) runs its Exec line; the started copy hands the path to the
// running one, which opens it.
//
// Failures: CreateBookShortcut answers false; nothing here throws or reports.
#pragma once

#include <string>
#include <string_view>

namespace mirvo {

inline constexpr std::string_view kShortcutExtension = ".desktop";

// The title of the book at `documentPath`: its file name (the part after the last "/")
// without its last extension (from the last "." of the name on). A name without a "."
// keeps all of it; so does a name whose only "." is its first character (".memo"), which
// is a hidden file's name and not an extension.
std::string BookTitle(std::string_view documentPath);

// The shelf folder with a trailing "/", as the shortcut path is built on it.
std::string ShelfFolderWithSlash(std::string_view folder);

// `shelfWithSlash` + `title` + ".desktop".
std::string ShortcutPath(std::string_view shelfWithSlash, std::string_view title);

// One argument of an Exec line: in double quotes, with `"`, "`", "$" and "\" escaped by a
// backslash and "%" doubled (a single "%" would be a field code).
std::string QuoteExecArgument(std::string_view argument);

// A value as a Desktop Entry string: "\" becomes "\\", line feed "\n", tab "\t", carriage
// return "\r", and a leading space "\s". Applied after the Exec quoting, so a backslash of
// the quoting is written "\\".
std::string EscapeDesktopValue(std::string_view value);

// The text of the shortcut: Type=Application, Name=`title`, Exec= the quoted executable
// and the quoted document path, Path= the working folder.
std::string DesktopEntryText(std::string_view title, std::string_view target,
                             std::string_view arguments, std::string_view workingFolder);

// Writes the shortcut `linkPath` that starts `target` with the one argument `arguments`
// in `workingFolder`; its Name is the file name of `linkPath` without ".desktop". The file
// replaces any file of that name in one step (a temporary file renamed over it) and is
// executable, as file managers want a launcher to be. False when it cannot be written,
// and when a text is not UTF-8 (a Desktop Entry must be; no launcher could read it).
bool CreateBookShortcut(const std::string& linkPath, const std::string& target,
                        const std::string& arguments, const std::string& workingFolder);

}  // namespace mirvo
