// The standard message boxes: captions "警告", "情報", "確認" and the buttons "OK",
// "はい(&Y)", "いいえ(&N)".
#pragma once

#include <QString>

class QWidget;

namespace mirvo::ui {

void ShowWarning(QWidget* parent, const QString& text);      // "警告", OK
void ShowInformation(QWidget* parent, const QString& text);  // "情報", OK
// "確認" with a question icon; true for "はい(&Y)".
bool AskConfirmation(QWidget* parent, const QString& text);

}  // namespace mirvo::ui
