#include "ui/comment.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/window_font.h"

namespace mirvo::ui {

TfrmComment::TfrmComment(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName("TfrmComment");
    setWindowTitle(QStringLiteral("脚注"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    layout->addWidget(Panel1);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    lblComment = new QLabel(QStringLiteral("ここに脚注が表示されます。"), Panel1);
    lblComment->setObjectName("lblComment");
    lblComment->setFont(WindowFont(QStringLiteral("ＭＳ ゴシック"), 13));
    panelLayout->addWidget(lblComment);
    // Only the width and the position change after this.
    setFixedHeight(16);
    resize(177, 16);
}

int TfrmComment::FontHeight() const {
    return lblComment->font().pixelSize();
}

void TfrmComment::ShowNote(const QString& text, int width, const QPoint& topLeft) {
    setFixedWidth(std::max(1, width));
    move(topLeft);
    show();
    lblComment->setText(text);
}

}  // namespace mirvo::ui
