// The file commands of the main window that deal with documents and the bookshelf:
// opening a text file through the file dialog, opening the bookshelf folder in the
// desktop's file browser, and creating a book shortcut for the document on show. The
// dialogs and message boxes are asked of a FileCommandsHost, which the window implements
// and tests fake.
//
// Failures: a refused save of the book state is reported by the reader core and the command
// goes on; a shortcut that cannot be written is the warning of the command. Nothing here
// throws.
#pragma once

#include <optional>
#include <string>

namespace mirvo {

class Reader;

// Messages of the bookshelf commands.
inline constexpr const char* kNoShelfToOpen =
    "本棚フォルダが設定されていません。\r\n設定で本棚フォルダを指定してください。";
inline constexpr const char* kNoShelfToFill =
    "本棚の場所(フォルダ)が指定されていません。\r\n選択してください。";
inline constexpr const char* kShortcutExists =
    "同じ名前のショートカットがあります。\r\n上書きしますか？";
inline constexpr const char* kShortcutCreated = "本(ショートカット)を作成しました。";
inline constexpr const char* kShortcutFailed = "本(ショートカット)は作成できませんでした。";

// The question asked before a book is created.
std::string CreateBookQuestion(const std::string& title, const std::string& shelf);

class FileCommandsHost {
  public:
    virtual ~FileCommandsHost() = default;
    // The standard message boxes: a warning ("警告", OK), information ("情報", OK) and a
    // confirmation ("確認", Yes and No; true for Yes, Esc answers No). Texts break lines
    // with "\r\n".
    virtual void ShowWarning(const std::string& text) = 0;
    virtual void ShowInformation(const std::string& text) = 0;
    virtual bool AskConfirmation(const std::string& text) = 0;
    // The folder browser: the chosen folder, "" when the reader cancels.
    virtual std::string BrowseForFolder() = 0;
    // The text-file dialog: the chosen file, nothing when the reader cancels.
    virtual std::optional<std::string> ChooseTextFile() = 0;
    // Shows `folder` in the desktop's file browser; how that goes is not looked at.
    virtual void OpenFolder(const std::string& folder) = 0;
};

// Opens a text file (Reader::OpenChosenBook): saves the state of the book on show (also
// when the dialog is then cancelled), asks for a file and opens it. The choice is handed on
// untested: a file that does not exist is reported by the opening.
void msiOpenClick(Reader& reader, FileCommandsHost& host);

// Opens the bookshelf folder in the file browser, or warns that none is set.
void msiBKOpenClick(const Reader& reader, FileCommandsHost& host);

// Creates a book for the document on show: nothing without a document; with no shelf
// folder the reader is told and may choose one (cancelling stops quietly); the shelf gets
// a trailing "/"; after the reader confirms title and shelf (and an overwrite, when a
// shortcut of that name exists) the shortcut "<shelf>/<title>.desktop" starts
// `executable` with the document's path in the document's folder. Success and failure are
// told. BKStandFolder keeps the folder chosen and its "/" whatever follows.
void msBKNewClick(Reader& reader, FileCommandsHost& host, const std::string& executable);

}  // namespace mirvo
