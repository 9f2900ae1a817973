#include "ui/option.h"

namespace mirvo::ui {

TdlgOption::TdlgOption(QWidget* parent) : QDialog(parent) {
    setObjectName("TdlgOption");
    setModal(true);
}

}  // namespace mirvo::ui
