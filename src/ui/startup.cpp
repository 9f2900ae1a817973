#include "ui/startup.h"

#include <QFileInfo>
#include <exception>

#include "ui/alert.h"
#include "ui/application.h"
#include "ui/comment.h"
#include "ui/main_form.h"
#include "ui/option.h"
#include "ui/single_instance.h"

namespace mirvo::ui {

ReaderWindows::ReaderWindows() = default;
ReaderWindows::~ReaderWindows() {
    Destroy();
}
ReaderWindows::ReaderWindows(ReaderWindows&&) noexcept = default;

void ReaderWindows::Destroy() {
    server.reset();
    main.reset();
    alert.reset();
    comment.reset();
    option.reset();
}

std::vector<std::string> AbsoluteArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> result = arguments;
    if (!result.empty() && !result[0].empty())
        result[0] = QFileInfo(QString::fromStdString(result[0])).absoluteFilePath().toStdString();
    return result;
}

bool StartReader(ReaderWindows& w, const ProgramFolders& folders,
                 const std::vector<std::string>& arguments, bool listen) {
    w.main = std::make_unique<TfrmMirvoMainForm>(folders);
    w.main->FormCreate(arguments);
    w.alert = std::make_unique<TfrmAlert>();
    w.main->SetAlert(w.alert.get());
    w.comment = std::make_unique<TfrmComment>();
    w.main->SetComment(w.comment.get());
    w.option = std::make_unique<TdlgOption>();
    w.main->SetOptionDialog(w.option.get());
    if (listen) {
        TfrmMirvoMainForm* main = w.main.get();
        w.server = std::make_unique<HandOffServer>(
            [main](const QString& path) { main->ReceiveHandOff(path); });
        w.server->Listen();
    }
    w.main->show();
    try {
        w.main->Core().OpenDocument();
    } catch (const std::exception& e) {
        MirvoApplication::ShowException(QString::fromUtf8(e.what()));
    }
    return !w.main->Core().FormatFailed();
}

}  // namespace mirvo::ui
