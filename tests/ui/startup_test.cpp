// The reader's start: reports that arise while its window is being shown, Qt's own texts,
// the document path it is given, and the folders it writes to.
#include <signal.h>
#include <unistd.h>

#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/folders.h"
#include "process_support.h"
#include "support/test_support.h"
#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/startup.h"

namespace mirvo::ui {
namespace {

using test::TempDir;
using test::WriteFileBytes;

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void aReportAtStartIsShownOverTheShownWindow() {
        // A colour that is no colour in the global file is reported while the window is
        // made and drawn. The report waits until the window's show() has returned: a modal
        // window's own loop inside it broke the showing (a crash under a window manager).
        TempDir dir;
        WriteFileBytes(dir.File("Mirvo.INI"), "[Config]\nCoverColor=abc\n");
        const std::string book = test::WriteBook(dir.File("book.txt"), 40);
        ReaderWindows windows;
        int reports = 0;
        bool hiddenAtReport = false;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, [&] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal) return;
            ++reports;
            hiddenAtReport |= !windows.main || !windows.main->isVisible();
            modal->reject();
        });
        watch.start();
        const ProgramFolders folders = ProgramFolders::Resolve(dir.Path(), {dir.Path(), "", ""});
        QVERIFY(StartReader(windows, folders, {book}, false));
        watch.stop();
        QVERIFY(reports > 0);
        QVERIFY(!hiddenAtReport);
        QVERIFY(windows.main->isVisible());
        QCOMPARE(windows.main->Core().DocumentPath(), book);
    }

    void qtsOwnDialogsSpeakJapanese() {
        // Whatever the locale (the tests run in C): the colour chooser and the file dialogs
        // that Qt draws itself.
        QColorDialog colors;
        QCOMPARE(colors.windowTitle(), QStringLiteral("色を選択"));
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        QStringList buttons;
        for (const QPushButton* b : files.findChildren<QPushButton*>()) buttons << b->text();
        QVERIFY2(buttons.contains(QStringLiteral("キャンセル")), qPrintable(buttons.join(',')));
        // The type column's names, which Qt 6 asks for under another context.
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder",
                                             "All other platforms"),
                 QStringLiteral("フォルダ"));
    }

    void thePathIsResolvedAsTheKernelResolvesIt() {
        // shelf/link is a link to a/b: "link/.." is a, not shelf.
        TempDir dir;
        for (const char* folder : {"a", "a/b", "shelf"}) MakeFolders(dir.File(folder));
        for (const char* file : {"a/book.txt", "shelf/book.txt", "a/b/real.txt"})
            WriteFileBytes(dir.File(file), "x\r\n");
        QCOMPARE(::symlink(dir.File("a/b").c_str(), dir.File("shelf/link").c_str()), 0);
        QCOMPARE(::symlink(dir.File("a/b/real.txt").c_str(), dir.File("shelf/alias.txt").c_str()),
                 0);
        struct Case {
            const char *given, *resolved;
        } cases[] = {
            {"link/../book.txt", "a/book.txt"},
            {"link/../missing.txt", "a/missing.txt"},   // a missing file: its folder
            {"link/real.txt", "a/b/real.txt"},          // a linked folder
            {"alias.txt", "shelf/alias.txt"},           // a linked book keeps its name
            {"nowhere/../book.txt", "shelf/book.txt"},  // no folder: the text
            {"link/..", "a"},                           // a folder: whole
        };
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.File("shelf")));
        char* real = ::realpath(dir.Path().c_str(), nullptr);
        const std::string root = real;
        std::free(real);
        for (const Case& c : cases)
            QCOMPARE(AbsoluteArguments({c.given, "second"}),
                     (std::vector<std::string>{root + "/" + c.resolved, "second"}));
        QDir::setCurrent(before);
    }

    void aSessionWritesOnlyIntoTheSettingsFolder() {
        // $HOME is an empty folder and the settings live elsewhere: after a whole session
        // (the windows made, a book open and saved, the end on a signal) $HOME is empty.
        TempDir home, settings, runtime;
        const std::string book = test::WriteBook(settings.File("book.txt"), 40);
        test::ReaderProcess reader(
            {book},
            {"QT_QPA_PLATFORM=offscreen", "HOME=" + home.Path(), "MIRVO_HOME=" + settings.Path(),
             "XDG_RUNTIME_DIR=" + runtime.Path(), "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
             "XDG_DATA_HOME", "XDG_STATE_HOME"},
            runtime.File("stderr.txt"));
        QVERIFY(test::WaitForSocket(test::SocketIn(runtime.Path(), settings.Path())));
        reader.Signal(SIGTERM);
        QCOMPARE(reader.Wait(10000), std::optional<int>(0));
        QVERIFY(QFile::exists(QString::fromStdString(settings.File("MirvoKs/book.INI"))));
        const QStringList left =
            QDir(QString::fromStdString(home.Path()))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(',')));
    }
};

}  // namespace
}  // namespace mirvo::ui

int main(int argc, char** argv) {
    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "startup_test.moc"
