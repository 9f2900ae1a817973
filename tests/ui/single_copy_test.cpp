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
#include <functional>
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

// One user's desktop: a settings folder, a runtime folder, books, reader processes on the
// X11 display `display` (none when empty).
struct Site {
    TempDir home, runtime;
    std::vector<std::string> extraEnv;
    std::string display;
    int started = 0;

    std::string Name() const {
        return ui::SingleInstanceName(home.Path(), ui::DisplayKey("", display, ""));
    }
    std::string Socket() const { return runtime.File(Name() + ".sock"); }
    std::string LockFile() const { return runtime.File(Name() + ".lock"); }
    std::string Book(const std::string& name, int lines = 40) const {
        return test::WriteBook(home.File(name), lines);
    }
    std::unique_ptr<ReaderProcess> Start(const std::vector<std::string>& args) {
        std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen", "MIRVO_HOME=" + home.Path(),
                                     "XDG_RUNTIME_DIR=" + runtime.Path(), "WAYLAND_DISPLAY",
                                     display.empty() ? "DISPLAY" : "DISPLAY=" + display};
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
    bool WaitForListener() {
        return WaitForSocket(test::SocketIn(runtime_.Path(), home_.Path()), 5000);
    }

    // Starts a reader on a book in each of three sites (made ready by `prepare`), ends them
    // with SIGTERM, SIGHUP and SIGINT, expects each to end with 0 at once, then `check`s
    // what each left.
    void EndEachBySignal(const std::function<void(Site&)>& prepare,
                         const std::function<void(Site&, ReaderProcess&)>& check) {
        const int kinds[] = {SIGTERM, SIGHUP, SIGINT};
        Site sites[3];
        std::unique_ptr<ReaderProcess> readers[3];
        for (int i = 0; i < 3; ++i) {
            const std::string book = sites[i].Book("book.txt");
            prepare(sites[i]);
            readers[i] = sites[i].Start({book});
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY(WaitForSocket(sites[i].Socket()));
            readers[i]->Signal(kinds[i]);
        }
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(readers[i]->Wait(10000), std::optional<int>(0));
            check(sites[i], *readers[i]);
        }
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
        EndEachBySignal(
            [](Site& site) {
                MakeFolders(site.home.File("MirvoKs"));
                test::WriteFileBytes(site.home.File("MirvoKs/book.INI"),
                                     "[Mirvo]\nCurrentPage=3\n");
            },
            [](Site& site, ReaderProcess&) {
                QCOMPARE(site.Settings().ReadString("Mirvo", "Last", ""),
                         site.home.File("book.txt"));
                QCOMPARE(site.State("book").ReadInteger("Mirvo", "CurrentPage", 0), 3);
                QCOMPARE(site.State("book").ReadInteger("Config", "RowCount", 0), 10);
            });
        if (QTest::currentTestFailed()) return;

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
        QVERIFY(WaitForSocket(folder + "/" + site.Name() + ".sock"));
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
        QVERIFY(!QFile::exists(QString::fromStdString(shared + "/" + site.Name() + ".sock")));
        refused->Signal(SIGKILL);
        refused->Wait(5000);
        if (::getuid() != 0) return;  // only root can give a folder to another user
        QCOMPARE(::chmod(shared.c_str(), 0700), 0);
        QCOMPARE(::chown(shared.c_str(), 65534, 65534), 0);
        auto foreign = site.Start({site.Book("book.txt")});
        QTRY_VERIFY_WITH_TIMEOUT(foreign->Stderr().find("not the user's own") != std::string::npos,
                                 5000);
    }

    void theDisplayIsKeyedAsOneDesktop() {
        struct Case {
            const char *wayland, *x11, *runtime, *key;
        } cases[] = {
            {"", "", "/run/user/7", ""},
            {"", ":0", "", "x11::0"},
            {"", ":0.1", "", "x11::0"},                      // another screen of the same display
            {"", "unix:0", "", "x11::0"},                    // the same local display by name
            {"", "localhost:10.0", "", "x11:localhost:10"},  // forwarded: another desktop
            {"wayland-0", ":0", "/run/user/7", "wayland:/run/user/7/wayland-0"},
            {"/run/user/7/wayland-1", "", "/elsewhere", "wayland:/run/user/7/wayland-1"},
        };
        for (const Case& c : cases) QCOMPARE(ui::DisplayKey(c.wayland, c.x11, c.runtime), c.key);
    }

    void oneCopyPerSettingsFolderAndDisplay() {
        // Two settings folders at once, and one folder on two displays: each has a copy of
        // its own. A start in the same folder on the same display (another screen of it,
        // the folder through a link) still hands over.
        Site a, b;
        a.display = b.display = ":5";
        b.extraEnv = {"XDG_RUNTIME_DIR=" + a.runtime.Path()};
        auto first = a.Start({a.Book("a.txt")});
        QVERIFY(WaitForSocket(a.Socket()));
        auto other = b.Start({b.Book("b.txt")});
        QVERIFY(WaitForSocket(a.runtime.File(b.Name() + ".sock")));
        a.display = ":6";
        auto second = a.Start({a.Book("a6.txt")});
        QVERIFY(WaitForSocket(a.Socket()));

        a.display = ":5.1";
        auto later = a.Start({a.Book("later.txt")});
        QCOMPARE(later->Wait(10000), std::optional<int>(0));
        TempDir links;
        QCOMPARE(::symlink(b.home.Path().c_str(), links.File("home").c_str()), 0);
        b.extraEnv.push_back("MIRVO_HOME=" + links.File("home"));
        auto laterB = b.Start({b.Book("laterB.txt")});
        QCOMPARE(laterB->Wait(10000), std::optional<int>(0));

        QVERIFY(first->Running() && other->Running() && second->Running());
        for (ReaderProcess* p : {second.get(), first.get(), other.get()}) {
            p->Signal(SIGTERM);
            QCOMPARE(p->Wait(10000), std::optional<int>(0));
        }
        // Each book went to the copy of its folder and display.
        QCOMPARE(a.Settings().ReadString("Mirvo", "Last", ""), a.home.File("later.txt"));
        QCOMPARE(b.Settings().ReadString("Mirvo", "Last", ""), b.home.File("laterB.txt"));
    }

    void longFoldersStillReachTheRunningCopy() {
        // A runtime folder or $TMPDIR so long that a socket there would not fit in a socket
        // address (107 bytes): the copies meet in the next folder where it fits.
        TempDir base, tmp;
        const std::string deep = base.File(std::string(120, 'r'));
        QCOMPARE(::mkdir(deep.c_str(), 0700), 0);
        struct Case {
            std::vector<std::string> env;
            std::string folder;
        } cases[] = {
            {{"XDG_RUNTIME_DIR=" + deep, "TMPDIR=" + tmp.Path()}, tmp.File("Mirvo-" + Uid())},
            {{"XDG_RUNTIME_DIR", "TMPDIR=" + deep}, "/tmp/Mirvo-" + Uid()},
        };
        for (const Case& c : cases) {
            Site site;
            site.extraEnv = c.env;
            auto running = site.Start({site.Book("first.txt")});
            QVERIFY(WaitForSocket(c.folder + "/" + site.Name() + ".sock"));
            auto later = site.Start({site.Book("second.txt")});
            QCOMPARE(later->Wait(10000), std::optional<int>(0));
            running->Signal(SIGTERM);
            QCOMPARE(running->Wait(10000), std::optional<int>(0));
            QCOMPARE(site.Settings().ReadString("Mirvo", "Last", ""), site.home.File("second.txt"));
        }
    }

    void signalsEndTheReaderAlsoWhenNothingCanBeWritten() {
        // Nothing can be written in the settings folder (a folder named Mirvo.INI and a file
        // named MirvoKs refuse even root): each signal still ends the reader at once, and the
        // refused writes are told on standard error, where no window waits for an answer.
        EndEachBySignal(
            [](Site& site) {
                QCOMPARE(::mkdir(site.home.File("Mirvo.INI").c_str(), 0700), 0);
                test::WriteFileBytes(site.home.File("MirvoKs"), "");
            },
            [](Site& site, ReaderProcess& reader) {
                const std::string err = reader.Stderr();
                QVERIFY2(err.find(site.home.File("Mirvo.INI") + " に書き込めません") !=
                             std::string::npos,
                         err.c_str());
            });
    }

    void pathsBeyondTheKernelsLimitAreRefusedAndSaySo() {
        // A relative path whose absolute form passes 4096 bytes names no file any copy can
        // open: it is not handed over as no path, the later copy says so and ends with 1.
        Site site;
        auto running = site.Start({site.Book("book.txt")});
        QVERIFY(WaitForSocket(site.Socket()));
        // 17 folders of 250 bytes, made one step at a time.
        const std::string name(250, 'd');
        std::vector<int> folders{::open(site.home.Path().c_str(), O_DIRECTORY | O_CLOEXEC)};
        for (int i = 0; i < 17; ++i) {
            QCOMPARE(::mkdirat(folders.back(), name.c_str(), 0700), 0);
            folders.push_back(::openat(folders.back(), name.c_str(), O_DIRECTORY | O_CLOEXEC));
        }
        const int book = ::openat(folders.back(), "deep.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY((book >= 0 && ::write(book, "x\r\n", 3) == 3));
        ::close(book);
        QProcess later;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MIRVO_HOME", QString::fromStdString(site.home.Path()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(site.runtime.Path()));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        later.setProcessEnvironment(env);
        later.setWorkingDirectory(QString::fromStdString(site.home.Path()));
        later.start("/bin/sh", {"-c",
                                "for i in $(seq 17); do cd -P \"$1\" || exit 9; done; "
                                "exec \"$0\" deep.txt",
                                MIRVO_EXE, QString::fromStdString(name)});
        QVERIFY(later.waitForFinished(10000));
        QCOMPARE(later.exitCode(), 1);
        const QByteArray err = later.readAllStandardError();
        QVERIFY2(err.contains("deep.txt has no absolute path within 4096 bytes"), err.constData());
        QVERIFY(running->Running());
        ::unlinkat(folders.back(), "deep.txt", 0);
        for (std::size_t i = folders.size() - 1; i > 0; --i) {
            ::close(folders[i]);
            ::unlinkat(folders[i - 1], name.c_str(), AT_REMOVEDIR);
        }
        ::close(folders[0]);
    }

    void unusableLockFileStillStartsTheReader() {
        // A folder where the lock file belongs: no lock can be had, and no copy runs.
        const QString lock = QString::fromStdString(runtime_.File(
            ui::SingleInstanceName(home_.Path(), test::InheritedDisplay(runtime_.Path())) +
            ".lock"));
        QDir().mkpath(lock);
        auto reader = Start({QString::fromStdString(Book("alone.txt", 20))});
        QTest::qWait(500);
        QCOMPARE(reader->state(), QProcess::Running);
        reader->kill();
        reader->waitForFinished(5000);
        QDir(lock).removeRecursively();
    }
};

}  // namespace
}  // namespace mirvo

QTEST_GUILESS_MAIN(mirvo::SingleCopyTest)
#include "single_copy_test.moc"
