// Selecting on the pages of the reader window (offscreen): a drag from the right page's
// last column into the left page, then Ctrl+C, puts the text as it reads on the clipboard;
// Escape drops the selection; a click without a drag still turns the page.
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QTest>

#include "format/cp932.h"
#include "reader_window_support.h"
#include "ui/application.h"
#include "ui/page_image.h"
#include "viewer/page_cells.h"

namespace mirvo::ui {
namespace {

// The middle of the character at byte `col` of row slot `row`, in the page widget (the
// offscreen screen has one device pixel a logical pixel).
QPointF CharAt(const Reader& core, bool right, int row, int col) {
    const Rect& image = right ? core.Spread().RightImage() : core.Spread().LeftImage();
    const Rect r =
        CellsRect({image.Width(), image.Height(), core.Book().Layout(), 0}, row, col + 1, 2);
    return QPointF((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
}

void Send(QWidget* to, QEvent::Type type, const QPointF& at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, to->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

class PageSelectionTest : public QObject {
    Q_OBJECT
  private slots:
    void dragAcrossTheGutterCopiesTheText() {
        test::RunningReader r;
        const std::string book = r.dir.File("book.txt");
        std::string text = "題\r\n著者\r\n";
        for (int i = 0; i < 200; ++i) text += "あいうえおかき";
        test::WriteFileBytes(book, test::Sjis(text + "\r\n"));
        QVERIFY(r.Start({book}));
        r.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(r.w));
        r.w->Core().ShowPage(1);
        const Reader& core = r.w->Core();
        const int R = core.Book().Layout().Rows();
        auto* right = Part<PictureWidget>(r.w, "imgRightPage");
        auto* left = Part<PictureWidget>(r.w, "imgLeftPage");

        // Press on the right page's last row, drag through the gutter to the left page's
        // second character; the release turns no page.
        const QPointF from = CharAt(core, true, R, 0);
        const QPointF to = right->mapFromGlobal(left->mapToGlobal(CharAt(core, false, 1, 2)));
        Send(right, QEvent::MouseButtonPress, from, Qt::LeftButton);
        Send(right, QEvent::MouseMove, from + QPointF(0, 20), Qt::LeftButton);
        Send(right, QEvent::MouseMove, to, Qt::LeftButton);
        Send(right, QEvent::MouseButtonRelease, to, Qt::NoButton);
        QCOMPARE(core.CurrentPage(), 1);

        QApplication::clipboard()->setText("before");
        QTest::keyClick(r.w, Qt::Key_C, Qt::ControlModifier);
        const RowList& rows = core.Book().Rows();
        const std::string want = Cp932ToUtf8(rows[static_cast<std::size_t>(R - 1)] +
                                             rows[static_cast<std::size_t>(R)].substr(0, 4));
        QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(want));

        // Escape drops it: nothing more to copy.
        QApplication::clipboard()->setText("after");
        QTest::keyClick(r.w, Qt::Key_Escape);
        QTest::keyClick(r.w, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("after"));

        // A click without a drag turns the page as ever.
        QTest::mouseClick(left, Qt::LeftButton, Qt::NoModifier,
                          CharAt(core, false, 1, 0).toPoint());
        QCOMPARE(core.CurrentPage(), 3);
    }
};

}  // namespace
}  // namespace mirvo::ui

int main(int argc, char** argv) {
    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::PageSelectionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "page_selection_test.moc"
