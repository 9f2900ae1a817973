// The reader window on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2, offscreen):
// the book is laid out and drawn in device pixels, shown unscaled, and keeps the logical
// size it has at ratio 1.
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include "support/test_support.h"
#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/page_image.h"
#include "ui/startup.h"
#include "viewer/spread_layout.h"

namespace mirvo::ui {
namespace {

using test::Sjis;
using test::TempDir;

struct Running {
    TempDir dir;
    ReaderWindows windows;
    TfrmMirvoMainForm* w = nullptr;
    bool Start() {
        std::string text = Sjis("吾輩は猫である\r\n夏目漱石\r\n");
        for (int i = 2; i < 60; ++i) text += Sjis("本文の行です。――") + "\r\n";
        test::WriteFileBytes(dir.File("book.txt"), text);
        ProgramFolders f;
        f.ExecutableFolder = f.SettingsFolder = dir.Path();
        f.ShippedFolders = {dir.Path()};
        const bool ok = StartReader(windows, f, {dir.File("book.txt")}, false);
        w = windows.main.get();
        w->Core().GetSettings().ChangeSpeed = 0;
        return ok;
    }
};

// The pixels a widget shows, in device pixels, cut to `device` within the widget.
QImage Shown(QWidget* widget, const QRect& device) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB888).copy(device);
}

class HiDpiTest : public QObject {
    Q_OBJECT
  private slots:
    void pagesAreDrawnAndShownInDevicePixels() {
        Running r;
        QVERIFY(r.Start());
        QTest::keyClick(r.w, Qt::Key_Space);
        QCOMPARE(DeviceRatio(r.w->imgBase), 2.0);
        const int W = r.w->imgBase->width(), H = r.w->imgBase->height();
        QCOMPARE(r.w->Core().PictureWidth(), 2 * W);
        QCOMPARE(r.w->Core().PictureHeight(), 2 * H);

        // Twice the pixels of ratio 1 (up to the truncations of the layout), the same
        // logical size.
        const SpreadLayout one = LayoutSpread(W, H, kSpreadHeightRatio, false);
        const Bitmap& left = r.w->Core().LeftPage();
        const Bitmap& right = r.w->Core().RightPage();
        QVERIFY(std::abs(left.Width() - 2 * one.leftImage.Width()) <= 2);
        QVERIFY(std::abs(left.Height() - 2 * one.leftImage.Height()) <= 1);
        QVERIFY(std::abs(r.w->imgLeftPage->width() - one.leftImage.Width()) <= 1);
        QVERIFY(std::abs(r.w->imgRightPage->height() - one.rightImage.Height()) <= 1);
        QVERIFY(std::abs(r.w->ntbBase->width() - one.bookArea.Width()) <= 1);
        QVERIFY(std::abs(r.w->ntbBase->x() - one.bookArea.left) <= 1);

        // Shown pixel for pixel: the pictures as the core drew them, each fore-edge stripe
        // one device pixel wide, the gutter shading of the two pages meeting unbroken.
        for (PictureWidget* page : {r.w->imgLeftPage, r.w->imgRightPage}) {
            const Bitmap& picture = page == r.w->imgLeftPage ? left : right;
            const QPoint at = page->PicturePixelAt(QPointF(0, 0)) * -1;
            const QImage shown = Shown(page, QRect(at, QSize(picture.Width(), picture.Height())));
            QVERIFY(shown == WrapBitmap(picture).convertToFormat(QImage::Format_RGB888));
        }
        const QImage edge = Shown(r.w->imgLeftPage, QRect(0, 100, 8, 1));
        for (int x = 0; x < 8; ++x) {
            const bool dark = qGray(edge.pixel(x, 0)) < 160;
            QCOMPARE(dark, x % 2 == 0);
        }
        const QImage spread = r.w->ntbBase->grab().toImage();
        const int gutter = static_cast<int>(std::lround(r.w->imgRightPage->x() * 2.0)) +
                           r.w->imgRightPage->PicturePixelAt(QPointF(0, 0)).x() * -1;
        QCOMPARE(qGray(spread.pixel(gutter, 200)), 0);       // the right page's black edge line
        QVERIFY(qGray(spread.pixel(gutter - 1, 200)) < 40);  // the left page's darkest line

        // The contents columns span the book area in the same coordinates.
        r.w->msiCont->trigger();
        QApplication::processEvents();
        int columns = 0;
        for (int c = 0; c < 3; ++c) columns += r.w->stgPageList->columnWidth(c);
        QVERIFY(std::abs(columns - r.w->ntbBase->width()) <= 1);
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
