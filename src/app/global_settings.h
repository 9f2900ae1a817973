// The global settings file Mirvo.INI: what the main window reads from it when it is
// created, what it writes back when it closes, the "PosSize" section of full-screen mode,
// and the start-up decisions taken on the way (the first document, the log file, the
// folder of the book state files).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/profile_file.h"
#include "app/settings_table.h"

namespace mirvo {

inline constexpr const char* kGlobalSettingsFileName = "Mirvo.INI";
inline constexpr const char* kLogFileName = "Mirvo_Log.TXT";
inline constexpr const char* kBookStateFolderName = "MirvoKs";
inline constexpr const char* kFirstRunText = "readme2.txt";
inline constexpr const char* kFirstRunPicture = "readme.bmp";

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

// Start-up state that is not a setting.
struct GlobalState {
    std::string DocumentPath;                        // the document to open first; empty = none
    bool LogEnabled = false;                         // the switch Log of section "Debug"
    std::unique_ptr<std::FILE, FileCloser> LogFile;  // open for appending while LogEnabled
};

// The path of Mirvo.INI in the settings folder.
std::string GlobalSettingsPath(const ProgramFolders& folders);

// Reads the global file as the main window does when it is created: the log switch
// (opening the log file when it is on), then the keys the settings table gives the global
// file to read, in its order (Last among them); then the first-run document when Last is
// empty, the folder MirvoKs, and the first command-line argument (when present and not
// empty) as the document. `arguments` are the command-line arguments without the program
// name.
//
// Returns "" or what the reader is to be told at the start, lines joined by "\r\n": the
// message of a log file that could not be opened (reading the settings does not depend on
// the log), then one line for each colour key that is no colour (read as its default).
std::string ReadGlobalSettings(const ProfileFile& file, const ProgramFolders& folders,
                               const std::vector<std::string>& arguments, Settings& settings,
                               GlobalState& state);

// The first-run document: readme2.txt of the first shipped folder that also holds
// readme.bmp, else "".
std::string FirstRunDocument(const ProgramFolders& folders);

// Writes the global file as the main window does when it closes: the keys the settings
// table gives the global file to write, in its order (Last first), replacing the file
// once; with `recent`, the recent books too (app/recent_books.h), in the same replacement.
// Throws ProfileWriteError; the file is then unchanged.
void WriteGlobalSettings(ProfileFile& file, const Settings& settings,
                         const std::string& documentPath,
                         const std::vector<std::string>* recent = nullptr);

// Writes an empty Last, so that the next start does not reopen a book that failed.
void ClearLastDocument(ProfileFile& file);

// Reads Width, Height, Top, Left (in that order), each with its default.
WindowBounds ReadPosSize(const ProfileFile& file);
// Writes Top, Left, Width, Height (in that order), replacing the file once. Throws
// ProfileWriteError.
void WritePosSize(ProfileFile& file, const WindowBounds& bounds);

}  // namespace mirvo
