// Helpers of the window tests: answering modal windows from a timer.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <memory>

#include "ui/alert.h"

namespace mirvo {

// A part of a window found by its object name; a missing part ends the test program.
template <class T>
T* Part(const QObject* window, const char* name) {
    T* part = window->findChild<T*>(QString::fromLatin1(name));
    if (!part) qFatal("no part %s", name);
    return part;
}

}  // namespace mirvo

namespace mirvo::test {

// What a modal window showed.
struct ModalSeen {
    bool shown = false;
    QString title;
    QString text;
    QStringList buttons;
};

// When the next modal window appears, records it and clicks its button captioned
// `button`. Keep the returned object alive until the window has been answered.
inline std::shared_ptr<ModalSeen> AnswerNextModal(const QString& button) {
    auto seen = std::make_shared<ModalSeen>();
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, seen, button] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        seen->shown = true;
        seen->title = w->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(w)) seen->text = box->text();
        if (auto* alert = qobject_cast<ui::TfrmAlert*>(w))
            seen->text = alert->memErrMsg->toPlainText();
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            seen->buttons << b->text();
            if (b->text() == button) target = b;
        }
        timer->stop();
        timer->deleteLater();
        if (target)
            target->click();
        else
            w->close();
    });
    timer->start();
    return seen;
}

}  // namespace mirvo::test
