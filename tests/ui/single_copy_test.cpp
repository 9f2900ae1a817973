// One running copy: real `mirvo` processes under the offscreen platform, with their own
// settings folder and runtime folder.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <QLocalServer>
#include <memory>

#include "app/folders.h"
#include "app/handoff_message.h"
#include "app/profile_file.h"
#include "format/cp932.h"
#include "process_support.h"
#include "support/test_support.h"
#include "ui/single_instance.h"

namespace mirvo {
namespace {

using test::ReaderProcess;
using test::Sjis;
using test::TempDir;
using test::WaitForSocket;

std::string Uid() {
    return std::to_string(::getuid());
}

// One user's desktop: a settings folder, a runtime folder, books, reader processes.
struct Site {
    TempDir home, runtime;
    std::vector<std::string> extraEnv;
    int started = 0;

    std::string Socket() const { return runtime.File("Mirvo-" + Uid() + ".sock"); }
    std::string LockFile() const { return runtime.File("Mirvo-" + Uid() + ".lock"); }
    std::string Book(const std::string& name, int lines = 40) const {
        return test::WriteBook(home.File(name), lines);
    }
    std::unique_ptr<ReaderProcess> Start(const std::vector<std::string>& args) {
        std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen", "MIRVO_HOME=" + home.Path(),
                                     "XDG_RUNTIME_DIR=" + runtime.Path()};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return std::make_unique<ReaderProcess>(
            args, env, home.File("stderr" + std::to_string(++started) + ".txt"));
    }
    ProfileFile Settings() const { return ProfileFile(home.File("Mirvo.INI")); }
    ProfileFile State(const std::string& base) const {
        return ProfileFile(home.File("MirvoKs/" + base + ".INI"));
    }
};

// Holds the single-copy lock as a copy that is starting (or ending) does.
struct HeldLock {
    int fd;
    explicit HeldLock(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        ::flock(fd, LOCK_EX);
    }
    ~HeldLock() { Release(); }
    void Release() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

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
        return test::WriteBook(home_.File(name), lines);
    }
    // Waits until a running copy accepts connections.
    bool WaitForListener() { return WaitForSocket(test::SocketIn(runtime_.Path()), 5000); }

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

    void laterCopyRetriesWhileTheRunningCopyStarts() {
        // A copy holds the lock but does not listen yet (it is creating its windows): the
        // later copy keeps trying, then hands over its path as the file system's bytes.
        Site site;
        const std::string book = site.Book(Sjis("吾輩は猫.txt"));
        HeldLock lock(site.LockFile());
        auto later = site.Start({book});
        QTest::qWait(700);
        QVERIFY(later->Running());
        QLocalServer running;
        QVERIFY(running.listen(QString::fromStdString(site.Socket())));
        QVERIFY(running.waitForNewConnection(5000));
        QLocalSocket* s = running.nextPendingConnection();
        HandOffReader reader;
        while (reader.Current() == HandOffReader::State::NeedMore && s->waitForReadyRead(5000)) {
            const QByteArray bytes = s->readAll();
            reader.Feed(std::string_view(bytes.constData(), bytes.size()));
        }
        QVERIFY(reader.Current() == HandOffReader::State::Done);
        QCOMPARE(reader.Path(), book);
        s->putChar(kHandOffDone);
        s->waitForBytesWritten(2000);
        QCOMPARE(later->Wait(5000), std::optional<int>(0));
    }

    void laterCopyTakesOverWhenTheRunningCopyEndsElseGivesUpAndSaysSo() {
        Site site;
        const std::string first = site.Book("first.txt"), second = site.Book("second.txt");
        {
            // The copy holding the lock ends without ever listening: the later copy becomes
            // the running copy with its own book.
            HeldLock lock(site.LockFile());
            auto a = site.Start({first});
            QTest::qWait(500);
            lock.Release();
            QVERIFY(WaitForSocket(site.Socket()));
            auto b = site.Start({second});
            QCOMPARE(b->Wait(10000), std::optional<int>(0));
            a->Signal(SIGTERM);
            QCOMPARE(a->Wait(10000), std::optional<int>(0));
            QCOMPARE(site.Settings().ReadString("Mirvo", "Last", ""), second);
            QCOMPARE(site.State("first").ReadInteger("Config", "RowCount", 0), 10);
        }
        // Nothing ever answers: after a few seconds the later copy ends with a failure and
        // says so.
        HeldLock lock(site.LockFile());
        auto c = site.Start({first});
        QCOMPARE(c->Wait(15000), std::optional<int>(1));
        QVERIFY2(c->Stderr().find("does not answer") != std::string::npos, c->Stderr().c_str());
    }

    void terminatingSignalsCloseInOrder() {
        // SIGTERM (logout, shutdown), SIGHUP and SIGINT: the settings and the book's state
        // are written as when the window is closed, and the reader ends with 0.
        const int kinds[] = {SIGTERM, SIGHUP, SIGINT};
        Site sites[3];
        std::unique_ptr<ReaderProcess> readers[3];
        for (int i = 0; i < 3; ++i) {
            const std::string book = sites[i].Book("book.txt");
            MakeFolders(sites[i].home.File("MirvoKs"));
            test::WriteFileBytes(sites[i].home.File("MirvoKs/book.INI"),
                                 "[Mirvo]\nCurrentPage=3\n");
            readers[i] = sites[i].Start({book});
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY(WaitForSocket(sites[i].Socket()));
            readers[i]->Signal(kinds[i]);
        }
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(readers[i]->Wait(10000), std::optional<int>(0));
            QCOMPARE(sites[i].Settings().ReadString("Mirvo", "Last", ""),
                     sites[i].home.File("book.txt"));
            QCOMPARE(sites[i].State("book").ReadInteger("Mirvo", "CurrentPage", 0), 3);
            QCOMPARE(sites[i].State("book").ReadInteger("Config", "RowCount", 0), 10);
        }

        // The error window waits for the reader (a later copy handed over a missing file):
        // the signal closes it, the later copy is answered and both end.
        Site site;
        auto running = site.Start({site.Book("book.txt")});
        QVERIFY(WaitForSocket(site.Socket()));
        auto later = site.Start({site.home.File("missing.txt")});
        QTest::qWait(800);
        QVERIFY(later->Running());
        running->Signal(SIGTERM);
        QCOMPARE(running->Wait(10000), std::optional<int>(0));
        QCOMPARE(later->Wait(10000), std::optional<int>(0));
        // The missing file never opened: the book on show stays the last one.
        QCOMPARE(site.Settings().ReadString("Mirvo", "Last", ""), site.home.File("book.txt"));
    }

    void namesThatAreNotUtf8OpenAndAreRemembered() {
        // CP932 file names from Windows archives: opened from the command line and by a
        // hand-off, saved under their own name, stored as the last document byte for byte.
        Site site;
        const std::string first = site.Book(Sjis("一冊目.txt")),
                          second = site.Book(Sjis("二冊目.txt"));
        auto running = site.Start({first});
        QVERIFY(WaitForSocket(site.Socket()));
        auto later = site.Start({second});
        QCOMPARE(later->Wait(10000), std::optional<int>(0));
        running->Signal(SIGTERM);
        QCOMPARE(running->Wait(10000), std::optional<int>(0));
        QCOMPARE(site.State(Sjis("一冊目")).ReadInteger("Config", "RowCount", 0), 10);
        QCOMPARE(site.State(Sjis("二冊目")).ReadInteger("Config", "RowCount", 0), 10);
        QCOMPARE(site.Settings().ReadString("Mirvo", "Last", ""), second);
        QVERIFY(IsValidUtf8(test::ReadFileBytes(site.home.File("Mirvo.INI"))));
        QVERIFY2(running->Stderr().find("mirvo:") == std::string::npos, running->Stderr().c_str());
    }

    void withoutRuntimeFolderTheLockFolderIsTheUsersAlone() {
        // Without $XDG_RUNTIME_DIR the lock and the socket live in a folder of $TMPDIR that
        // only the user may enter; a folder there that others could have used is refused.
        int ends[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        QVERIFY(ui::PeerIsUser(ends[0], ::getuid()));
        QVERIFY(!ui::PeerIsUser(ends[0], ::getuid() + 1));
        ::close(ends[0]);
        ::close(ends[1]);

        TempDir tmp;
        Site site;
        site.extraEnv = {"XDG_RUNTIME_DIR", "TMPDIR=" + tmp.Path()};
        const std::string folder = tmp.File("Mirvo-" + Uid());
        auto running = site.Start({site.Book("book.txt")});
        QVERIFY(WaitForSocket(folder + "/Mirvo-" + Uid() + ".sock"));
        struct stat st {};
        QCOMPARE(::lstat(folder.c_str(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        auto later = site.Start({site.Book("other.txt")});
        QCOMPARE(later->Wait(10000), std::optional<int>(0));
        running->Signal(SIGKILL);
        running->Wait(5000);

        TempDir open;
        site.extraEnv = {"XDG_RUNTIME_DIR", "TMPDIR=" + open.Path()};
        const std::string shared = open.File("Mirvo-" + Uid());
        QCOMPARE(::mkdir(shared.c_str(), 0700), 0);
        QCOMPARE(::chmod(shared.c_str(), 0777), 0);
        auto refused = site.Start({site.Book("book.txt")});
        QTRY_VERIFY_WITH_TIMEOUT(refused->Stderr().find("open to others") != std::string::npos,
                                 5000);
        QVERIFY(refused->Running());  // the reader runs, only unreachable
        QVERIFY(!QFile::exists(QString::fromStdString(shared + "/Mirvo-" + Uid() + ".sock")));
        refused->Signal(SIGKILL);
        refused->Wait(5000);
        if (::getuid() != 0) return;  // only root can give a folder to another user
        QCOMPARE(::chmod(shared.c_str(), 0700), 0);
        QCOMPARE(::chown(shared.c_str(), 65534, 65534), 0);
        auto foreign = site.Start({site.Book("book.txt")});
        QTRY_VERIFY_WITH_TIMEOUT(foreign->Stderr().find("not the user's own") != std::string::npos,
                                 5000);
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
