// The error window TfrmAlert: a fixed modal dialog with a picture, the read-only message
// and an OK button. Every problem the core reports is shown here.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace mirvo::ui {

// The face at the top of the error window, a round face raising a hand; the settings
// dialog's about box shows it too.
QPixmap AlertPicture();

class TfrmAlert : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmAlert(QWidget* parent = nullptr);

    // Clears memErrMsg, adds `message` (UTF-8; "\r\n" separates lines) and shows the
    // window modally; returns when the reader has closed it.
    void Report(const std::string& message);
    // The lines of a message as the text box shows them.
    static QString MessageText(const std::string& message);

    QLabel* imgAlert;
    QPlainTextEdit* memErrMsg;
    QPushButton* btnOK;
};

}  // namespace mirvo::ui
