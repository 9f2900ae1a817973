// The application object: the general error report. An exception that leaves an event
// handler is caught here and shown in a message box; the program goes on with the state
// it had.
#pragma once

#include <QApplication>

namespace mirvo::ui {

class MirvoApplication : public QApplication {
    Q_OBJECT
  public:
    MirvoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // Shows `message` as the general error report does (tests call it too).
    static void ShowException(const QString& message);
};

}  // namespace mirvo::ui
