// The find bar in the reader window (offscreen): 先生 in こころ, stepped through with Enter,
// F3 and Shift+Enter; the page indicator follows the hits, keys typed in the field stay
// there, Escape closes the bar.
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "support/test_support.h"
#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/startup.h"
#include "ui_test_support.h"

namespace mirvo::ui {
namespace {

struct Running {
    test::TempDir dir;
    ReaderWindows windows;
    TfrmMirvoMainForm* w = nullptr;

    bool Start(const std::string& book) {
        ProgramFolders f;
        f.ExecutableFolder = f.SettingsFolder = dir.Path();
        f.ShippedFolders = {dir.Path()};
        const bool ok = StartReader(windows, f, {book}, false);
        w = windows.main.get();
        w->Core().ChangeSettings([&](Settings& s) { s.ChangeSpeed = 200; });
        w->show();
        QApplication::setActiveWindow(w);
        return ok && QTest::qWaitForWindowActive(w);
    }
    QString Panel0() const { return Part<QLabel>(w, "stbPanel0")->text(); }
    // The page on show after keys until it moves (at most `tries` keys).
    int KeyUntilMoved(Qt::Key key, Qt::KeyboardModifiers mods, int tries) {
        const int from = w->Core().CurrentPage();
        for (int i = 0; i < tries && w->Core().CurrentPage() == from; ++i)
            QTest::keyClick(Part<QLineEdit>(w, "edtFind"), key, mods);
        return w->Core().CurrentPage();
    }
};

class FindBarTest : public QObject {
    Q_OBJECT
  private slots:
    void findsSenseiInKokoroStepByStep() {
        Running r;
        QVERIFY(r.Start(MIRVO_CORPUS_DIR "/kokoro.txt"));
        const int cover = r.w->Core().CurrentPage();  // a book opens on its cover
        auto* bar = Part<QWidget>(r.w, "pnlFind");
        QVERIFY(!bar->isVisible());
        QTest::keyClick(r.w, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        auto* field = Part<QLineEdit>(r.w, "edtFind");
        field->insert(QStringLiteral("先生"));
        QTest::keyClick(field, Qt::Key_Space);  // typed into the field: no page turn
        QCOMPARE(r.w->Core().CurrentPage(), cover);
        QCOMPARE(field->text(), QString("先生 "));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QString("先生"));

        const QString start = r.Panel0();
        int page = r.KeyUntilMoved(Qt::Key_Return, Qt::NoModifier, 1);
        QVERIFY(r.Panel0() != start);
        for (int step = 0; step < 3; ++step) {  // F3 and Enter go forward
            const int next =
                r.KeyUntilMoved(step % 2 ? Qt::Key_F3 : Qt::Key_Return, Qt::NoModifier, 40);
            QVERIFY2(next > page, qPrintable(r.Panel0()));
            page = next;
        }
        const QString far = r.Panel0();
        const int back = r.KeyUntilMoved(Qt::Key_Return, Qt::ShiftModifier, 40);
        QVERIFY(back < page);
        QVERIFY(r.Panel0() != far);
        QVERIFY(r.KeyUntilMoved(Qt::Key_F3, Qt::ShiftModifier, 40) < back);

        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
    }
};

}  // namespace
}  // namespace mirvo::ui

int main(int argc, char** argv) {
    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::FindBarTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "find_bar_test.moc"
