// A book on the shelf, started as a file manager starts it: the program writes the
// shortcut, `gio launch` runs it, and the book opens in the copy already running.
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "app/bookshelf.h"
#include "app/folders.h"
#include "process_support.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::TempDir;

class BookShortcutTest : public QObject {
    Q_OBJECT
  private:
    TempDir home_, runtime_;

    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MIRVO_HOME", QString::fromStdString(home_.Path()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.Path()));
        return env;
    }
    // Runs `program` to its end; its exit code, or -1 when it did not end in time.
    int Run(const QString& program, const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(program, args);
        if (!p.waitForFinished(20000)) return -1;
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    std::string Book(const std::string& path) { return test::WriteBook(path, 40); }
    bool WaitForListener() {
        return test::WaitForSocket(test::SocketIn(runtime_.Path(), home_.Path()), 10000, 50);
    }

  private slots:
    // The launcher reads each Exec line back to the program and the path as they were:
    // here the program is a script that writes down its folder and its arguments.
    void launcherReadsTheExecLineBack() {
        const QString gio = QStandardPaths::findExecutable("gio");
        QVERIFY2(!gio.isEmpty(), "gio (libglib2.0-bin) is needed to launch Desktop Entries");
        const std::string script = home_.File("my tools/show args");
        MakeFolders(home_.File("my tools"));
        test::WriteFileBytes(script, "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > \"$0.out\"\n");
        QFile::setPermissions(QString::fromStdString(script), QFile::ReadOwner | QFile::ExeOwner);
        const std::string paths[] = {
            "/my books/two  spaces.txt",   "/q/\"quoted\" and 'single'.txt",
            "/d/$HOME `date` $(id).txt",   "/p/100% %f %u %%.txt",
            "/b/back\\slash\\\\ \\\".txt", "/j/吾輩は 猫である\t.txt",
        };
        for (const std::string& path : paths) {
            const std::string link = home_.File("shelf.desktop");
            QVERIFY(CreateBookShortcut(link, script, path, home_.File("my tools")));
            QFile::remove(QString::fromStdString(script + ".out"));
            QCOMPARE(Run(gio, {"launch", QString::fromStdString(link)}), 0);
            QTRY_VERIFY(QFile::exists(QString::fromStdString(script + ".out")));
            QTRY_COMPARE(test::ReadFileBytes(script + ".out"),
                         home_.File("my tools") + "\n" + path + "\n");
        }
    }

    void shortcutOpensItsBookInTheRunningCopy() {
        const QString gio = QStandardPaths::findExecutable("gio");
        const std::string first = Book(home_.File("first.txt"));
        MakeFolders(home_.File("my books"));
        MakeFolders(home_.File("shelf"));
        const std::string odd = Book(home_.File("my books/it's \"odd\" $HOME `x` 100% a\\b.txt"));
        const std::string title = BookTitle(odd);
        const std::string link = home_.File("shelf/" + title + ".desktop");
        QVERIFY(CreateBookShortcut(link, MIRVO_EXE, odd, FolderOf(odd)));
        if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
            QCOMPARE(Run("desktop-file-validate", {QString::fromStdString(link)}), 0);

        QProcess running;
        running.setProcessEnvironment(Env());
        running.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        running.start(MIRVO_EXE, {QString::fromStdString(first)});
        QVERIFY(WaitForListener());
        QCOMPARE(Run(gio, {"launch", QString::fromStdString(link)}), 0);

        // The launched copy hands the book over and ends on its own time. Each later
        // hand-off saves the book on show first: once that book is the odd one, its state
        // file appears.
        const QString state = QString::fromStdString(home_.File("MirvoKs/" + title + ".INI"));
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(state) && t.elapsed() < 15000) {
            QCOMPARE(Run(MIRVO_EXE, {QString::fromStdString(first)}), 0);
            QTest::qWait(100);
        }
        QVERIFY(QFile::exists(state));
        QCOMPARE(running.state(), QProcess::Running);
        running.kill();
        running.waitForFinished(5000);
    }
};

}  // namespace
}  // namespace mirvo

QTEST_GUILESS_MAIN(mirvo::BookShortcutTest)
#include "book_shortcut_test.moc"
