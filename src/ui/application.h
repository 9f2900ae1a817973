// The application object: the general error report, and where reports go while the
// program starts and ends. An exception that leaves an event handler is caught here and
// shown in a message box; the program goes on with the state it had.
#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace mirvo::ui {

class MirvoApplication : public QApplication {
    Q_OBJECT
  public:
    // Loads Qt's own Japanese texts (the standard dialogs), whatever the locale.
    MirvoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // Shows `message` as the general error report does (tests call it too), through
    // ShowReport.
    static void ShowException(const QString& message);
};

// Installs Qt's Japanese translation of its own texts (qtbase: the file dialog, the folder
// browser, the colour chooser, standard buttons) on the application; false when it is not
// installed.
bool LoadQtJapanese();

// Qt keeps what its dialogs remember (the file dialog's recent folders, the colour
// chooser's custom colours) in QtProject.conf of the user's configuration folder; this
// puts it in `folder`, the reader's settings folder, the only folder the reader writes to.
void KeepQtSettingsIn(const std::string& folder);

// When a report (a modal window that waits for the reader) may be shown.
enum class ReportPhase {
    Starting,  // the windows are being made and shown: reports wait (a modal window's own
               // event loop inside the main window's show() breaks the showing)
    Running,   // shown at once
    Ending,    // a signal or the session ends the program: written to standard error, since
               // no one answers a modal window then and it would hold the end
};
// Enters `phase`. Leaving Starting shows the reports that waited, in order; entering
// Ending writes them to standard error instead.
void SetReportPhase(ReportPhase phase);
ReportPhase CurrentReportPhase();
// Shows a report: runs `show` (which opens the modal window) now, later, or not at all
// and writes `text` to standard error, as the phase says.
void ShowReport(const QString& text, std::function<void()> show);

}  // namespace mirvo::ui
