// Program entry: the headless commands first (they need no display), then the single-copy
// check, then the reader.
#include <QCoreApplication>
#include <QFileInfo>
#include <optional>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/headless/headless.h"
#include "ui/application.h"
#include "ui/desktop_identity.h"
#include "ui/single_instance.h"
#include "ui/startup.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int exitCode = 0;
    if (mirvo::RunHeadless(args, exitCode)) return exitCode;

    // The lock lives until the process ends; the kernel releases it even after a crash.
    static mirvo::ui::SingleInstanceLock lock;
    using LockResult = mirvo::ui::SingleInstanceLock::Result;
    const LockResult held = lock.Acquire();
    if (held == LockResult::HeldByOther) {
        // Another copy runs: hand it the one path (or ask it only to come forward) and end.
        QCoreApplication app(argc, argv);
        std::optional<QString> path;
        if (args.size() == 1) path = QString::fromStdString(mirvo::ui::AbsoluteArguments(args)[0]);
        mirvo::ui::SendToRunningCopy(path);
        return 0;
    }

    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::SetDesktopIdentity();
    mirvo::ui::ReaderWindows windows;
    // Without a usable lock file the reader still starts, only unreachable by later copies.
    if (!mirvo::ui::StartReader(windows, mirvo::ProgramFolders::Detect(),
                                mirvo::ui::AbsoluteArguments(args), held == LockResult::Acquired)) {
        windows.Destroy();
        return 0;
    }
    return app.exec();
}
