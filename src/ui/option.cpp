#include "ui/option.h"

#include <QFileDialog>

namespace mirvo::ui {

TdlgOption::TdlgOption(QWidget* parent) : QDialog(parent) {
    setObjectName("TdlgOption");
    setModal(true);
}

QString BrowseForFolder(QWidget* owner) {
    return QFileDialog::getExistingDirectory(
        owner, QStringLiteral("お好きなﾌｫﾙﾀﾞを選択して下さい。"), QStringLiteral("/"));
}

}  // namespace mirvo::ui
