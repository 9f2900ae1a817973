#include "ui/alert.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "format/cp932.h"

namespace mirvo::ui {

QPixmap AlertPicture() {
    QPixmap pm(64, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(255, 236, 160));
    p.drawEllipse(QRectF(6, 6, 36, 36));
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(15, 17, 4, 4));
    p.drawEllipse(QRectF(29, 17, 4, 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(21, 27, 6, 7));
    p.drawLine(QPointF(44, 30), QPointF(56, 10));
    p.drawLine(QPointF(56, 10), QPointF(60, 6));
    return pm;
}

TfrmAlert::TfrmAlert(QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmAlert");
    setWindowTitle(QStringLiteral("(・o・)/ < 確認してね"));
    setModal(true);
    imgAlert = new QLabel(this);
    imgAlert->setObjectName("imgAlert");
    imgAlert->setPixmap(AlertPicture());
    imgAlert->setAlignment(Qt::AlignCenter);
    memErrMsg = new QPlainTextEdit(this);
    memErrMsg->setObjectName("memErrMsg");
    memErrMsg->setReadOnly(true);
    memErrMsg->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(imgAlert);
    layout->addWidget(memErrMsg, 1);
    layout->addWidget(btnOK, 0, Qt::AlignHCenter);
    setFixedSize(420, 260);
}

QString TfrmAlert::MessageText(const std::string& message) {
    // A path in the message may be bytes that are not UTF-8 (a CP932 file name).
    const std::string utf8 = ReadableUtf8(message);
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void TfrmAlert::Report(const std::string& message) {
    memErrMsg->clear();
    memErrMsg->appendPlainText(MessageText(message));
    btnOK->setFocus();
    exec();
}

}  // namespace mirvo::ui
