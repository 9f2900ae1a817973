#include "ui/message_boxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace mirvo::ui {
namespace {

void ShowNotice(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    box.setObjectName(caption);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.exec();
}

}  // namespace

void ShowWarning(QWidget* parent, const QString& text) {
    ShowNotice(parent, QMessageBox::Warning, QStringLiteral("警告"), text);
}

void ShowInformation(QWidget* parent, const QString& text) {
    ShowNotice(parent, QMessageBox::Information, QStringLiteral("情報"), text);
}

bool AskConfirmation(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, QMessageBox::NoButton,
                    parent);
    box.setObjectName(QStringLiteral("確認"));
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

}  // namespace mirvo::ui
