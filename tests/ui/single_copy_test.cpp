// One running copy: real `mirvo` processes under the offscreen platform, with their own
// settings folder and runtime folder.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
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
    std::unique_ptr<QProcess> Start(const QStringList& args) {
        auto p = std::make_unique<QProcess>();
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
    // Waits until the running copy listens.
    bool WaitForSocket() {
        QElapsedTimer t;
        t.start();
        const QString sock =
            QString::fromStdString(runtime_.Path()) + QString("/Mirvo-%1.sock").arg(getuid());
        while (t.elapsed() < 5000) {
            if (QFile::exists(sock)) return true;
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
        QVERIFY(WaitForSocket());

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

        running->kill();
        running->waitForFinished(5000);

        // A crashed copy does not block the next start.
        auto crashed = Start({QString::fromStdString(first)});
        QVERIFY(WaitForSocket());
        QTest::qWait(200);
        crashed->kill();  // SIGKILL
        QVERIFY(crashed->waitForFinished(5000));
        auto fresh = Start({QString::fromStdString(second)});
        QTest::qWait(300);
        QCOMPARE(fresh->state(), QProcess::Running);  // a first copy again, not a later one
        auto later2 = Start({QString::fromStdString(first)});
        QVERIFY(later2->waitForFinished(10000));
        QCOMPARE(later2->exitCode(), 0);
        QCOMPARE(ProfileFile(home_.File("MirvoKs/second.INI")).ReadInteger("Config", "RowCount", 0),
                 10);
        fresh->kill();
        fresh->waitForFinished(5000);
    }
};

}  // namespace
}  // namespace mirvo

QTEST_GUILESS_MAIN(mirvo::SingleCopyTest)
#include "single_copy_test.moc"
