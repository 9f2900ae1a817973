// The reader tools of the main window under the offscreen platform: go to page and the
// recent books.
#include <QAction>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include "reader_window_support.h"
#include "support/test_support.h"
#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/startup.h"
#include "ui_test_support.h"

namespace mirvo::ui {
namespace {

using test::Folders;
using test::TempDir;
using test::WriteFileBytes;

// A corpus book copied into `dir`: its path.
std::string CopyBook(const TempDir& dir, const std::string& name) {
    WriteFileBytes(dir.File(name), test::ReadFileBytes(std::string(MIRVO_CORPUS_DIR) + "/" + name));
    return dir.File(name);
}

using Running = test::RunningReader;

// Answers the next page-number dialog with `page`, or cancels it when `page` is 0; the
// caption and range it showed land in `seen`.
struct PageDialogSeen {
    QString title;
    int minimum = 0, maximum = 0;
};
std::shared_ptr<PageDialogSeen> AnswerPageDialog(int page) {
    auto seen = std::make_shared<PageDialogSeen>();
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, seen, page] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        seen->title = dialog->windowTitle();
        seen->minimum = dialog->intMinimum();
        seen->maximum = dialog->intMaximum();
        if (page == 0) return dialog->reject();
        dialog->setIntValue(page);
        dialog->accept();
    });
    timer->start();
    return seen;
}

class ReaderToolsTest : public QObject {
    Q_OBJECT
  private slots:
    void goToPageShowsTheSpreadAsTheScrollBarMapsIt() {
        Running r;
        QVERIFY(r.Start({CopyBook(r.dir, "kokoro.txt")}));
        const int count = r.w->Core().Book().PageCount();
        QVERIFY(count > 200);
        QAction* go = Part<QAction>(r.w, "msiGoToPage");
        QCOMPARE(go->shortcut(), QKeySequence("Ctrl+G"));
        QVERIFY(go->isEnabled());
        struct Case {
            int asked;
            int shown;
        } const cases[] = {{100, 99}, {101, 101}, {1, 1}, {count, count % 2 ? count : count - 1}};
        for (const Case& c : cases) {
            auto seen = AnswerPageDialog(c.asked);
            go->trigger();
            QCOMPARE(seen->title, QString("ページ指定"));
            QCOMPARE(seen->minimum, 1);
            QCOMPARE(seen->maximum, count);
            QCOMPARE(r.w->Core().CurrentPage(), c.shown);
            QCOMPARE(r.Panel0(), QString("%1/%2").arg(c.shown).arg(count));
        }
        // Cancel leaves the page on show.
        const QString shown = r.Panel0();
        auto cancelled = AnswerPageDialog(0);
        go->trigger();
        QCOMPARE(cancelled->title, QString("ページ指定"));
        QCOMPARE(r.Panel0(), shown);
    }

    void goToPageIsDisabledOnTheContentsPage() {
        Running r;
        QVERIFY(r.Start({CopyBook(r.dir, "kokoro.txt")}));
        Part<QAction>(r.w, "msiCont")->trigger();
        QVERIFY(!Part<QAction>(r.w, "msiGoToPage")->isEnabled());
        const int before = r.w->Core().CurrentPage();
        GoToPage(r.w->Core(), 100);  // refused by the core too
        QCOMPARE(r.w->Core().CurrentPage(), before);
        Part<QAction>(r.w, "msiView")->trigger();
        QVERIFY(Part<QAction>(r.w, "msiGoToPage")->isEnabled());
    }

    void recentMenuReopensTheFirstOfTwoBooks() {
        Running r;
        const std::string first = CopyBook(r.dir, "kokoro.txt");
        const std::string second = CopyBook(r.dir, "rashomon.txt");
        QVERIFY(r.Start({first}));
        r.w->Core().OpenBook(second);
        QCOMPARE(r.w->Core().DocumentPath(), second);
        auto* file = Part<QMenu>(r.w, "mniFile");
        auto* recent = Part<QMenu>(r.w, "mniRecent");
        QVERIFY(file->actions().contains(recent->menuAction()));
        emit file->aboutToShow();
        QCOMPARE(recent->actions().size(), 2);
        const QString newest = Part<QAction>(r.w, "mniRecent1")->text();
        QVERIFY2(newest.contains("rashomon") && newest.contains(QString::fromStdString(second)),
                 qPrintable(newest));
        Part<QAction>(r.w, "mniRecent2")->trigger();
        QCOMPARE(r.w->Core().DocumentPath(), first);
        QVERIFY(r.Panel0().endsWith(QString("/%1").arg(r.w->Core().Book().PageCount())) ||
                r.Panel0() == "表紙");
        emit file->aboutToShow();
        QVERIFY(Part<QAction>(r.w, "mniRecent1")->text().contains("kokoro"));
    }

    void recentMenuTellsOfAMissingBookAndDropsIt() {
        Running r;
        const std::string first = CopyBook(r.dir, "kokoro.txt");
        const std::string gone = CopyBook(r.dir, "rashomon.txt");
        QVERIFY(r.Start({gone}));
        r.w->Core().OpenBook(first);
        QVERIFY(QFile::remove(QString::fromStdString(gone)));
        auto* file = Part<QMenu>(r.w, "mniFile");
        emit file->aboutToShow();
        auto seen = test::AnswerNextModal("OK");
        Part<QAction>(r.w, "mniRecent2")->trigger();
        QVERIFY(seen->shown);
        QVERIFY2(seen->text.contains("最近使ったファイル"), qPrintable(seen->text));
        QCOMPARE(r.w->Core().DocumentPath(), first);
        emit file->aboutToShow();
        QCOMPARE(Part<QMenu>(r.w, "mniRecent")->actions().size(), 1);
    }
};

}  // namespace
}  // namespace mirvo::ui

int main(int argc, char** argv) {
    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::ReaderToolsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "reader_tools_test.moc"
