#include "ui/startup.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <cstdio>

#include "ui/alert.h"
#include "ui/application.h"
#include "ui/comment.h"
#include "ui/main_form.h"
#include "ui/option.h"
#include "ui/request_queue.h"
#include "ui/single_instance.h"
#include "ui/termination.h"

namespace mirvo::ui {

ReaderWindows::ReaderWindows() = default;
ReaderWindows::~ReaderWindows() {
    Destroy();
}
ReaderWindows::ReaderWindows(ReaderWindows&&) noexcept = default;

void ReaderWindows::Destroy() {
    termination.reset();
    server.reset();
    main.reset();
    alert.reset();
    comment.reset();
    option.reset();
}

std::vector<std::string> AbsoluteArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> result = arguments;
    if (!result.empty()) result[0] = KernelPath(result[0]);
    return result;
}

bool StartReader(ReaderWindows& w, const ProgramFolders& folders,
                 const std::vector<std::string>& arguments, bool listen, bool session) {
    KeepQtSettingsIn(folders.SettingsFolder);
    SetReportPhase(ReportPhase::Starting);
    w.main = std::make_unique<TfrmMirvoMainForm>(folders);
    w.main->FormCreate(arguments);
    w.alert = std::make_unique<TfrmAlert>();
    w.main->SetAlert(w.alert.get());
    w.comment = std::make_unique<TfrmComment>();
    w.main->SetComment(w.comment.get());
    w.option = std::make_unique<TdlgOption>();
    w.main->SetOptionDialog(w.option.get());
    TfrmMirvoMainForm* main = w.main.get();
    if (session) {
        w.termination = std::make_unique<TerminationSignals>([main] {
            SetReportPhase(ReportPhase::Ending);
            main->RequestQuit();
        });
        QObject::connect(qApp, &QGuiApplication::commitDataRequest, main,
                         [main](QSessionManager&) { main->CommitSession(); });
    }
    if (listen) {
        w.server = std::make_unique<HandOffServer>(
            [main](const std::string& path, HandOffServer::Reply reply) {
                main->ReceiveHandOff(path, std::move(reply));
            });
        if (!w.server->Listen())
            std::fprintf(
                stderr, "mirvo: no socket at %s (%s); later starts cannot reach this copy\n",
                SingleInstanceSocketPath().c_str(), w.server->ErrorString().toUtf8().constData());
    }
    w.main->show();
    // What went wrong while the windows were made and shown is reported now, over the
    // shown window.
    SetReportPhase(ReportPhase::Running);
    main->Guarded([main] { main->Core().OpenDocument(); });
    // A book handed over while the first one failed is still opened: the reader asked
    // for it after the one that failed.
    return !main->Core().FormatFailed() || main->Requests().BookWaiting();
}

}  // namespace mirvo::ui
