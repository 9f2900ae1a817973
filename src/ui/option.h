// The settings dialog TdlgOption. Created once at start-up; its pages are filled in as the
// settings become editable.
#pragma once

#include <QDialog>
#include <QString>

namespace mirvo::ui {

class TdlgOption : public QDialog {
    Q_OBJECT
  public:
    explicit TdlgOption(QWidget* parent = nullptr);
};

// The system folder browser with the dialog's title; the folder chosen, or "" when the
// reader cancels.
QString BrowseForFolder(QWidget* owner);

}  // namespace mirvo::ui
