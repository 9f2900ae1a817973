#include "ui/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace mirvo::ui {

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    setObjectName("pnlFind");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(QStringLiteral("検索:"), this));
    field_ = new QLineEdit(this);
    field_->setObjectName("edtFind");
    layout->addWidget(field_, 1);
    const auto addButton = [&](const char* name, const QString& caption, bool forward) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setText(caption);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this,
                [this, forward] { emit findRequested(forward); });
        layout->addWidget(button);
    };
    addButton("spbFindNext", QStringLiteral("次"), true);
    addButton("spbFindPrev", QStringLiteral("前"), false);
    hide();
}

void FindBar::Open() {
    show();
    field_->setFocus();
    field_->selectAll();
}

QString FindBar::Text() const {
    return field_->text();
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit findRequested(!(event->modifiers() & Qt::ShiftModifier));
            return;
        case Qt::Key_Escape:
            hide();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace mirvo::ui
