// One running copy: real `mirvo` processes under the offscreen platform, with their own
// settings folder and runtime folder.
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include "app/folders.h"
#include "app/profile_file.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::Sjis;
using test::TempDir;

class SingleCopyTest : public QObject {
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
    std::unique_ptr<QProcess> Start(const QStringList& args, const QString& folder = {}) {
        auto p = std::make_unique<QProcess>();
        if (!folder.isEmpty()) p->setWorkingDirectory(folder);
        p->setProcessEnvironment(Env());
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(MIRVO_EXE, args);
        p->waitForStarted();
        return p;
    }
    std::string Book(const std::string& name, int lines) {
        std::string text = Sjis("題名\r\n作者\r\n");
        for (int i = 2; i < lines; ++i) text += Sjis("本文の行です。") + "\r\n";
        test::WriteFileBytes(home_.File(name), text);
        return home_.File(name);
    }
    // Waits until a running copy accepts connections.
    bool WaitForListener() {
        QElapsedTimer t;
        t.start();
        const QString sock =
            QString::fromStdString(runtime_.Path()) + QString("/Mirvo-%1.sock").arg(getuid());
        while (t.elapsed() < 5000) {
            QLocalSocket probe;
            probe.connectToServer(sock);
            if (probe.waitForConnected(100)) return true;
            QTest::qWait(20);
        }
        return false;
    }

  private slots:
    void laterCopyHandsOverItsPathAndEnds() {
        const std::string first = Book("first.txt", 40);
        const std::string second = Book("second.txt", 40);
        // The first book opens on page 3 from its state file; the hand-off must save it.
        MakeFolders(home_.File("MirvoKs"));
        test::WriteFileBytes(home_.File("MirvoKs/first.INI"), "[Mirvo]\nCurrentPage=3\n");
        auto running = Start({QString::fromStdString(first)});
        QVERIFY(WaitForListener());

        auto later = Start({QString::fromStdString(second)});
        QVERIFY(later->waitForFinished(10000));
        QCOMPARE(later->exitStatus(), QProcess::NormalExit);
        QCOMPARE(later->exitCode(), 0);
        ProfileFile firstState(home_.File("MirvoKs/first.INI"));
        QCOMPARE(firstState.ReadInteger("Config", "RowCount", 0), 10);  // written by the save
        QCOMPARE(firstState.ReadInteger("Mirvo", "CurrentPage", 0), 3);

        // No argument: the running copy only comes forward; nothing is written.
        const std::string before = test::ReadFileBytes(home_.File("MirvoKs/first.INI"));
        auto plain = Start({});
        QVERIFY(plain->waitForFinished(10000));
        QCOMPARE(plain->exitCode(), 0);
        QVERIFY(!QFile::exists(QString::fromStdString(home_.File("MirvoKs/second.INI"))));
        QCOMPARE(test::ReadFileBytes(home_.File("MirvoKs/first.INI")), before);

        // The running copy did open the second book: the next hand-off saves its state. A
        // relative path names the file in the later copy's folder (were it taken in the
        // running copy's folder, its error window would hold the reply back).
        auto back = Start({"first.txt"}, QString::fromStdString(home_.Path()));
        QVERIFY(back->waitForFinished(10000));
        QCOMPARE(back->exitCode(), 0);
        QVERIFY(QFile::exists(QString::fromStdString(home_.File("MirvoKs/second.INI"))));

        running->kill();
        running->waitForFinished(5000);

        // A crashed copy does not block the next start.
        QFile::remove(QString::fromStdString(home_.File("MirvoKs/second.INI")));
        auto crashed = Start({QString::fromStdString(first)});
        QVERIFY(WaitForListener());
        QTest::qWait(200);
        crashed->kill();  // SIGKILL
        QVERIFY(crashed->waitForFinished(5000));
        auto fresh = Start({QString::fromStdString(second)});
        QVERIFY(WaitForListener());  // a first copy again, listening in place of the dead one
        QCOMPARE(fresh->state(), QProcess::Running);
        auto later2 = Start({QString::fromStdString(first)});
        QVERIFY(later2->waitForFinished(10000));
        QCOMPARE(later2->exitCode(), 0);
        // The new first copy showed the second book and saved it before taking the first.
        QVERIFY(QFile::exists(QString::fromStdString(home_.File("MirvoKs/second.INI"))));
        fresh->kill();
        fresh->waitForFinished(5000);
    }

    void unusableLockFileStillStartsTheReader() {
        // A folder where the lock file belongs: no lock can be had, and no copy runs.
        QDir().mkpath(QString::fromStdString(runtime_.Path()) +
                      QString("/Mirvo-%1.lock").arg(getuid()));
        auto reader = Start({QString::fromStdString(Book("alone.txt", 20))});
        QTest::qWait(500);
        QCOMPARE(reader->state(), QProcess::Running);
        reader->kill();
        reader->waitForFinished(5000);
        QDir(QString::fromStdString(runtime_.Path()) + QString("/Mirvo-%1.lock").arg(getuid()))
            .removeRecursively();
    }
};

}  // namespace
}  // namespace mirvo

QTEST_GUILESS_MAIN(mirvo::SingleCopyTest)
#include "single_copy_test.moc"
