// The settings dialog TdlgOption. Created once at start-up; its pages are filled in as the
// settings become editable.
#pragma once

#include <QDialog>

namespace mirvo::ui {

class TdlgOption : public QDialog {
    Q_OBJECT
  public:
    explicit TdlgOption(QWidget* parent = nullptr);
};

}  // namespace mirvo::ui
