#include "ui/application.h"

#include <QMessageBox>
#include <QPushButton>
#include <exception>

namespace mirvo::ui {

MirvoApplication::MirvoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // No display name: Qt would append it to every window's caption, and the dialogs'
    // captions are exactly their own ("(・o・)/ < 確認してね", "警告", ...).
    setApplicationName(QStringLiteral("Mirvo"));
}

bool MirvoApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("不明なエラーが発生しました。"));
    }
    return false;
}

void MirvoApplication::ShowException(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Mirvo"), message, QMessageBox::NoButton,
                    activeWindow());
    box.setObjectName(QStringLiteral("MirvoError"));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

}  // namespace mirvo::ui
