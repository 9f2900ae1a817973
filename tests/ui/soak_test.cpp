// Many later copies at once: a running reader and twenty later copies started together,
// each with its own book. Real processes under the offscreen platform.
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QTest>
#include <memory>
#include <set>

#include "app/folders.h"
#include "app/profile_file.h"
#include "process_support.h"
#include "support/test_support.h"

namespace mirvo {
namespace {

using test::ReaderProcess;
using test::TempDir;

class SoakTest : public QObject {
    Q_OBJECT
  private slots:
    void twentyLaterCopiesAtOnce() {
        TempDir home, runtime;
        const std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen", "MIRVO_HOME=" + home.Path(),
                                           "XDG_RUNTIME_DIR=" + runtime.Path()};
        int logs = 0;
        auto start = [&](const std::string& book) {
            return std::make_unique<ReaderProcess>(
                std::vector<std::string>{book}, env,
                home.File("stderr" + std::to_string(++logs) + ".txt"));
        };
        // Books of different lengths, each with a bookmark of its own on page 2.
        std::set<std::string> books;
        MakeFolders(home.File("MirvoKs"));
        for (int i = 0; i <= 20; ++i) {
            const std::string name = "book" + std::to_string(i);
            test::WriteBook(home.File(name + ".txt"), 32 + 7 * i);
            test::WriteFileBytes(home.File("MirvoKs/" + name + ".INI"),
                                 "[Mirvo]\nClipCount=1\nClip1=2\n");
            if (i > 0) books.insert(home.File(name + ".txt"));
        }
        auto running = start(home.File("book0.txt"));
        test::WaitForSocket(test::SocketIn(runtime.Path(), home.Path()));

        std::vector<std::unique_ptr<ReaderProcess>> later;
        for (const std::string& book : books) later.push_back(start(book));
        for (auto& p : later) QCOMPARE(p->Wait(60000), std::optional<int>(0));
        QVERIFY(running->Running());

        running->Signal(SIGTERM);
        QCOMPARE(running->Wait(10000), std::optional<int>(0));
        const std::string last =
            ProfileFile(home.File("Mirvo.INI")).ReadString("Mirvo", "Last", "");
        QVERIFY2(books.count(last) == 1, last.c_str());
        // Every book's state file is whole, and each kept its own bookmark.
        for (int i = 0; i <= 20; ++i) {
            const ProfileFile state(home.File("MirvoKs/book" + std::to_string(i) + ".INI"));
            for (const char* key : {"RowCount", "CharCount", "UseRuby", "UseImage", "FontName",
                                    "FontBold", "FontSpace", "UseTexture", "BaseBGTexture",
                                    "PageBGTexture", "PageColor", "CoverColor", "IndexChar"})
                QVERIFY2(state.ReadValue("Config", key).has_value(), key);
            QCOMPARE(state.ReadInteger("Mirvo", "CurrentPage", 0), -1);
            QCOMPARE(state.ReadInteger("Mirvo", "ClipCount", 0), 1);
            QCOMPARE(state.ReadInteger("Mirvo", "Clip1", 0), 2);
        }
        QCOMPARE(QDir(QString::fromStdString(home.File("MirvoKs"))).entryList(QDir::Files).size(),
                 21);
    }
};

}  // namespace
}  // namespace mirvo

QTEST_GUILESS_MAIN(mirvo::SoakTest)
#include "soak_test.moc"
