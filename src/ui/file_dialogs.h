// The dialogs of the file commands (FileCommandsHost): the standard message boxes, the
// text-file dialog, the folder browser and the desktop's file browser for a folder; and
// the picture of the bookshelf button.
#pragma once

#include <QIcon>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "app/file_commands.h"

class QWidget;

namespace mirvo::ui {

// The filter of the text-file dialog: books (text files and ZIP archives) first, then
// text files alone, then every file.
inline const QString kTextFileFilter = QStringLiteral(
    "テキストと ZIP (*.TXT *.txt *.ZIP *.zip);;テキスト (*.TXT *.txt);;すべてのファイル (*)");

class FileDialogs : public FileCommandsHost {
  public:
    // `owner`: the window the dialogs belong to. `startFolder` gives the folder the
    // text-file dialog opens in (the current document's).
    FileDialogs(QWidget* owner, std::function<std::string()> startFolder);

    void ShowWarning(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool AskConfirmation(const std::string& text) override;
    std::string BrowseForFolder() override;
    std::optional<std::string> ChooseTextFile() override;
    void OpenFolder(const std::string& folder) override;

  private:
    QWidget* owner_;
    std::function<std::string()> startFolder_;
};

// A shelf with three books on it, drawn here.
QIcon BookStandIcon();

}  // namespace mirvo::ui
