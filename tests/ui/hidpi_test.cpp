// The reader window on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2, offscreen):
// the book is laid out and drawn in device pixels, shown unscaled, at its logical size.
#include <QAction>
#include <QLabel>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>

#include "app/profile_file.h"
#include "support/test_support.h"
#include "ui/application.h"
#include "ui/comment.h"
#include "ui/main_form.h"
#include "ui/page_image.h"
#include "ui/startup.h"
#include "ui_test_support.h"
#include "viewer/spread_layout.h"

namespace mirvo::ui {
namespace {

class HiDpiTest : public QObject {
    Q_OBJECT
  private slots:
    void pagesAreDrawnAndShownInDevicePixels() {
        test::TempDir dir;
        std::string text = test::Sjis("吾輩は猫である\r\n夏目漱石\r\n");
        text += test::Sjis("注［＃ここに注］あ\r\n");
        for (int i = 3; i < 60; ++i) text += test::Sjis("本文の行です。――\r\n");
        test::WriteFileBytes(dir.File("book.txt"), text);
        ProgramFolders folders;
        folders.ExecutableFolder = folders.SettingsFolder = dir.Path();
        ReaderWindows windows;
        QVERIFY(StartReader(windows, folders, {dir.File("book.txt")}, false));
        TfrmMirvoMainForm* w = windows.main.get();
        w->Core().ChangeSettings([&](Settings& s) { s.ChangeSpeed = 0; });
        QTest::keyClick(w, Qt::Key_Space);

        // Twice the pixels of ratio 1 and the same logical size (up to the truncations of
        // the layout, which here make the book 3 device pixels wider than twice 502), shown pixel
        // for pixel at the pictures' device places (so each fore-edge stripe is one device pixel
        // wide).
        const int W = Part<PictureWidget>(w, "imgBase")->width(),
                  H = Part<PictureWidget>(w, "imgBase")->height();
        QCOMPARE(w->Core().Spread().PictureWidth(), 2 * W);
        const SpreadLayout one = LayoutSpread(W, H, kSpreadHeightRatio, false);
        QVERIFY(std::abs(w->Core().Spread().LeftPage().Width() - 2 * one.leftImage.Width()) <= 2);
        QVERIFY(std::abs(w->Core().Spread().LeftPage().Height() - 2 * one.leftImage.Height()) <= 1);
        QVERIFY(std::abs(Part<PictureWidget>(w, "imgLeftPage")->width() - one.leftImage.Width()) <=
                1);
        QVERIFY(std::abs(Part<QStackedWidget>(w, "ntbBase")->width() - one.bookArea.Width()) <= 2);
        for (PictureWidget* page :
             {Part<PictureWidget>(w, "imgLeftPage"), Part<PictureWidget>(w, "imgRightPage")}) {
            const Bitmap& picture = page == Part<PictureWidget>(w, "imgLeftPage")
                                        ? w->Core().Spread().LeftPage()
                                        : w->Core().Spread().RightPage();
            const QRect place(-page->PicturePixelAt(QPointF(0, 0)).toPoint(),
                              QSize(picture.Width(), picture.Height()));
            const QImage shown = page->grab().toImage().convertToFormat(QImage::Format_RGB888);
            QVERIFY(shown.copy(place) ==
                    WrapBitmap(picture).convertToFormat(QImage::Format_RGB888));
        }

        // The footnote mark (column 3, second cell of the right page) under the mouse.
        const Bitmap& right = w->Core().Spread().RightPage();
        const int pw = right.Width(), ph = right.Height(), h = 2 * (9 * ph / 500);
        const QPointF markCentre(
            static_cast<int>(0.05 * pw + 0.9 * (pw - 3 * (pw / 11))) - h / 2,
            static_cast<int>(0.05 * ph + 0.9 * static_cast<int>(2 * ph / 51.0)) + h / 2);
        const QPointF origin =
            Part<PictureWidget>(w, "imgRightPage")->PicturePixelAt(QPointF(0, 0));
        QTest::mouseMove(Part<PictureWidget>(w, "imgRightPage"),
                         ((markCentre - origin) / 2).toPoint());
        QTRY_VERIFY(windows.comment->isVisible());
        QCOMPARE(windows.comment->lblComment->text(), QString("ここに注"));

        // Full screen keeps the window's bounds in the logical pixels it is placed in; the
        // spread takes the picture area's whole height in device pixels.
        const QRect normal = w->frameGeometry();
        Part<QAction>(w, "msiAllDisp")->trigger();
        QTRY_VERIFY(w->isFullScreen());
        QTRY_COMPARE(w->Core().Spread().BookArea().Height(), w->Core().Spread().PictureHeight());
        QCOMPARE(w->Core().Spread().PictureHeight(),
                 2 * Part<PictureWidget>(w, "imgBase")->height());
        QCOMPARE(ProfileFile(dir.File("Mirvo.INI")).ReadInteger("PosSize", "Width", -1),
                 normal.width());
        Part<QAction>(w, "msiAllDisp")->trigger();
        QTRY_COMPARE(w->frameGeometry(), normal);

        // The contents columns span the book area.
        Part<QAction>(w, "msiCont")->trigger();
        int columns = 0;
        for (int c = 0; c < 3; ++c) columns += Part<QTableWidget>(w, "stgPageList")->columnWidth(c);
        QVERIFY(std::abs(columns - Part<QStackedWidget>(w, "ntbBase")->width()) <= 1);
    }
};

}  // namespace
}  // namespace mirvo::ui

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::HiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "hidpi_test.moc"
