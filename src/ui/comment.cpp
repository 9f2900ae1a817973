#include "ui/comment.h"

namespace mirvo::ui {

TfrmComment::TfrmComment(QWidget* parent) : QWidget(parent, Qt::ToolTip) {
    setObjectName("TfrmComment");
}

}  // namespace mirvo::ui
