#include "ui/file_dialogs.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

#include "ui/application.h"
#include "ui/message_boxes.h"
#include "ui/option.h"

namespace mirvo::ui {
namespace {

// A message as the message boxes show it: "\r\n" breaks a line.
QString MessageText(const std::string& text) {
    QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QPixmap DrawBookStand(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(Qt::NoPen);
    // Three spines of different heights and colours, then the board they stand on.
    const struct {
        int left, top, width;
        QColor color;
    } books[] = {{2, 3, 3, QColor(0xB0, 0x30, 0x30)},
                 {5, 5, 3, QColor(0x30, 0x60, 0xB0)},
                 {9, 2, 4, QColor(0x30, 0x90, 0x50)}};
    for (const auto& b : books) {
        p.setBrush(b.color);
        p.drawRect(b.left, b.top, b.width, 12 - b.top);
        p.setBrush(QColor(0xF0, 0xE0, 0xA0));
        p.drawRect(b.left, b.top + 2, b.width, 1);
    }
    p.setBrush(QColor(0x80, 0x50, 0x20));
    p.drawRect(0, 12, 16, 2);
    return pixmap;
}

}  // namespace

FileDialogs::FileDialogs(QWidget* owner, std::function<std::string()> startFolder)
    : owner_(owner), startFolder_(std::move(startFolder)) {}

void FileDialogs::ShowWarning(const std::string& text) {
    ui::ShowWarning(owner_, MessageText(text));
}

void FileDialogs::ShowInformation(const std::string& text) {
    ui::ShowInformation(owner_, MessageText(text));
}

bool FileDialogs::AskConfirmation(const std::string& text) {
    return ui::AskConfirmation(owner_, MessageText(text));
}

std::string FileDialogs::BrowseForFolder() {
    const QString folder = ui::BrowseForFolder(owner_);
    return folder.isEmpty() ? std::string() : ToPath(folder);
}

std::optional<std::string> FileDialogs::ChooseTextFile() {
    QFileDialog dialog(owner_, QStringLiteral("開く"), FromPath(startFolder_()), kTextFileFilter);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be given: one that does not exist is reported by the opening.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return ToPath(dialog.selectedFiles().first());
}

void FileDialogs::OpenFolder(const std::string& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(folder)));
}

QIcon BookStandIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32}) icon.addPixmap(DrawBookStand(size));
    return icon;
}

}  // namespace mirvo::ui
