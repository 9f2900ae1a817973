// The settings dialog under the offscreen platform, driven as a reader drives it: opened
// from the menu or the tool bar, its controls changed, its colour, file and folder
// choosers answered, OK or Cancel pressed.
#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "app/profile_file.h"
#include "render/color.h"
#include "render/font_list.h"
#include "render/picture_samples.h"
#include "support/test_support.h"
#include "ui/application.h"
#include "ui/main_form.h"
#include "ui/option.h"
#include "ui/page_image.h"
#include "ui/startup.h"
#include "ui_test_support.h"

namespace mirvo::ui {
namespace {

using test::Sjis;
using test::TempDir;
using test::WriteFileBytes;

// Runs `act` on the next modal window of type W, once it shows. A window that `act` leaves
// open (a check in it failed) is closed, so that a failure never hangs the test.
template <class W>
void OnNextModal(std::function<void(W*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(w);
        if (w->isVisible()) w->close();
    });
    timer->start();
}

// A reader started on a book of 115 lines (12 pages) at page 3, drawn without texture.
struct Running {
    TempDir dir;
    ReaderWindows windows;
    TfrmMirvoMainForm* w = nullptr;
    TdlgOption* d = nullptr;

    Running() {
        std::string text = Sjis("吾輩は猫である\r\n夏目漱石\r\n");
        for (int i = 2; i < 115; ++i) text += Sjis("本文の行です。") + "\r\n";
        WriteFileBytes(dir.File("book.txt"), text);
        MakeFolders(dir.File("MirvoKs"));
        WriteFileBytes(dir.File("MirvoKs/book.INI"),
                       "[Mirvo]\r\nCurrentPage=3\r\n[Config]\r\nUseTexture=0\r\n");
        ProgramFolders f;
        f.ExecutableFolder = f.SettingsFolder = dir.Path();
        f.ShippedFolders = {dir.Path()};
        StartReader(windows, f, {dir.File("book.txt")}, false);
        w = windows.main.get();
        d = windows.option.get();
        w->Core().ChangeSettings([&](Settings& s) { s.ChangeSpeed = 200; });
    }
    const Settings& S() const { return w->Core().GetSettings(); }
    // Opens the dialog from the menu; `act` runs on it while it is shown.
    void Dialog(const std::function<void(TdlgOption*)>& act) {
        OnNextModal<TdlgOption>(act);
        Part<QAction>(w, "msiConfig")->trigger();
    }
};

// A control of the dialog, found by the name the settings table gives it.
template <class W>
W* Find(TdlgOption* d, const char* name) {
    W* w = d->findChild<W*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
}

void Ok(TdlgOption* d) {
    QTest::mouseClick(d->OKBtn, Qt::LeftButton);
}
void Cancel(TdlgOption* d) {
    QTest::mouseClick(d->CancelBtn, Qt::LeftButton);
}
void Type(QSpinBox* spin, const QString& text) {
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
}

class OptionDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void fromTheMenuNewRowsSpacingColourAndSpeedRedrawAndReachTheSettingsFile() {
        Running r;
        QCOMPARE(Part<QMenu>(r.w, "mniOther")->title(), QString("その他(&O)"));
        QCOMPARE(Part<QAction>(r.w, "msiConfig")->text(), QString("環境設定(&C)"));
        QCOMPARE(Part<QLabel>(r.w, "stbPanel0")->text(), QString("3/12"));
        const QColor chosen(0x40, 0x80, 0xC0);
        r.Dialog([&](TdlgOption* d) {
            QCOMPARE(d->windowTitle(), QString("ﾀﾞｲｱﾛｸﾞ"));
            QCOMPARE(d->size(), QSize(541, 424));
            QCOMPARE(Find<QSpinBox>(d, "speRowCountInPage")->value(), 10);
            Type(Find<QSpinBox>(d, "speRowCountInPage"), "12");
            Type(Find<QSpinBox>(d, "speCharCountInRow"), "x");  // not a number: read as 0
            Find<QSpinBox>(d, "speCharSpace")->setFocus();
            for (int k = 0; k < 3; ++k)
                QTest::keyClick(Find<QSpinBox>(d, "speCharSpace"), Qt::Key_Up);
            OnNextModal<QColorDialog>([&](QColorDialog* c) {
                c->setCurrentColor(chosen);
                c->accept();
            });
            QTest::mouseClick(Find<ColorPanel>(d, "pnlPageColor"), Qt::LeftButton);
            Find<QSlider>(d, "trbChangeSpeed")->setFocus();
            QTest::keyClick(Find<QSlider>(d, "trbChangeSpeed"), Qt::Key_Home);
            Ok(d);
        });
        const Settings& s = r.S();
        QCOMPARE(s.RowCount, 12);
        QCOMPARE(s.RowBytes, 0);
        QCOMPARE(s.FontSpace, 3);
        QCOMPARE(s.PageColor, std::string("$00C08040"));
        QCOMPARE(s.ChangeSpeed, 0);
        // The spread on screen is redrawn in the new colour; the pages stay as formatted.
        const QImage shown = Part<PictureWidget>(r.w, "imgRightPage")->grab().toImage();
        QCOMPARE(shown.pixelColor(shown.width() / 2, 2), chosen);
        QCOMPARE(Part<QLabel>(r.w, "stbPanel0")->text(), QString("3/12"));
        // The keys no longer turn pages; a click does, at once (speed 0).
        QTest::keyClick(r.w, Qt::Key_Space);
        QCOMPARE(Part<QLabel>(r.w, "stbPanel0")->text(), QString("3/12"));
        QTest::mouseClick(Part<PictureWidget>(r.w, "imgLeftPage"), Qt::LeftButton);
        QCOMPARE(Part<QLabel>(r.w, "stbPanel0")->text(), QString("5/12"));
        // Re-display formats the book with the new layout: 12 rows of one character a page.
        Part<QAction>(r.w, "mmiReView")->trigger();
        QCOMPARE(r.w->Core().Book().PageCount(),
                 (static_cast<int>(r.w->Core().Book().Rows().size()) - 2) / 12 + 1);
        QVERIFY(r.w->Core().Book().PageCount() > 50);
        QCOMPARE(r.w->Core().Spread().Texts().RightPageText[0].size(), 2u);

        r.w->close();
        const ProfileFile ini(r.dir.File("Mirvo.INI"));
        QCOMPARE(ini.ReadInteger("Config", "RowCount", 0), 12);
        QCOMPARE(ini.ReadInteger("Config", "CharCount", -1), 0);
        QCOMPARE(ini.ReadInteger("Config", "FontSpace", 0), 3);
        QCOMPARE(ini.ReadString("Config", "PageColor", ""), std::string("$00C08040"));
        QCOMPARE(ini.ReadInteger("Config", "ChangeSpeed", -1), 0);
    }

    void okWithoutChangesKeepsEverySettingAndBothPicturePaths() {
        Running r;
        r.w->Core().ChangeSettings([](Settings& s) {
            s.RowCount = -3;
            s.RowBytes = 0;
            s.FontSpace = 20;
            s.IndexChar = "■";
            s.FontName = "@IPA明朝";
            s.FontBold = true;
            s.UseRuby = s.UseComment = s.Alias = false;
            s.PageColor = "clBtnFace";
            s.CoverColor = "$00123456";
            s.ChangeSpeed = 150;
            s.BKStandFolder = "/shelf";
            s.BaseBGTexture = "/pictures/base.bmp";
            s.PageBGTexture = "/pictures/page.bmp";
        });
        const Settings& s = r.S();
        const Settings before = s;
        const Bitmap baseTexture = r.w->Core().Spread().BaseTexture();
        // Through the tool bar button this time.
        QCOMPARE(Part<QToolButton>(r.w, "spbConfig")->text(), QString("設定"));
        QCOMPARE(Part<QToolButton>(r.w, "spbConfig")->toolTip(), QString("各種設定を行います。"));
        OnNextModal<TdlgOption>([](TdlgOption* d) {
            QCOMPARE(d->ChosenPageTexture(), std::string("/pictures/page.bmp"));
            Ok(d);
        });
        QTest::mouseClick(Part<QToolButton>(r.w, "spbConfig"), Qt::LeftButton);
        for (const SettingEntry& e : SettingsTable()) {
            if (std::holds_alternative<std::string FileSlots::*>(e.field) ||
                std::holds_alternative<int FileSlots::*>(e.field))
                continue;
            QVERIFY2(ShownValue(e, s) == ShownValue(e, before), e.key);
        }
        QVERIFY(r.w->Core().Spread().BaseTexture() == baseTexture);
    }

    void cancelAfterAColourLeavesPageColorAndTheNextOpeningShowsTheOldOne() {
        Running r;
        const QColor red(0xFF, 0, 0);
        r.Dialog([&](TdlgOption* d) {
            OnNextModal<QColorDialog>([&](QColorDialog* c) {
                c->setCurrentColor(red);
                c->accept();
            });
            QTest::mouseClick(Find<ColorPanel>(d, "pnlPageColor"), Qt::LeftButton);
            QCOMPARE(Find<ColorPanel>(d, "pnlPageColor")->GetColor(), 0x0000FFu);
            Cancel(d);
        });
        QCOMPARE(r.S().PageColor, std::string("clWhite"));
        r.Dialog([&](TdlgOption* d) {
            QCOMPARE(Find<ColorPanel>(d, "pnlPageColor")->GetColor(), StringToColor("clWhite"));
            // The chooser opens with the colour last chosen in it, not the panel's.
            OnNextModal<QColorDialog>([&](QColorDialog* c) {
                QCOMPARE(c->currentColor(), red);
                c->reject();
            });
            QTest::mouseClick(Find<ColorPanel>(d, "pnlCoverColor"), Qt::LeftButton);
            QCOMPARE(Find<ColorPanel>(d, "pnlCoverColor")->GetColor(), StringToColor("clWhite"));
            Cancel(d);
        });
        QCOMPARE(r.S().CoverColor, std::string("clWhite"));
    }

    void fontListHoldsEachFamilyOnceHoweverOftenItOpens() {
        Running r;
        const std::vector<std::string> installed = VerticalFontNames();
        QVERIFY(!installed.empty());
        for (int opening = 0; opening < 3; ++opening) {
            r.Dialog([&](TdlgOption* d) {
                QSet<QString> names;
                for (int i = 0; i < Find<QComboBox>(d, "cmbFontList")->count(); ++i) {
                    QVERIFY(Find<QComboBox>(d, "cmbFontList")->itemText(i).startsWith('@'));
                    names.insert(Find<QComboBox>(d, "cmbFontList")->itemText(i));
                }
                QCOMPARE(Find<QComboBox>(d, "cmbFontList")->count(),
                         static_cast<int>(installed.size()));
                QCOMPARE(names.size(), Find<QComboBox>(d, "cmbFontList")->count());
                // The field keeps the applied face; the sample shows the face named there.
                QCOMPARE(Find<QComboBox>(d, "cmbFontList")->currentText(),
                         QString("@ＭＳ ゴシック"));
                Find<QComboBox>(d, "cmbFontList")
                    ->setEditText(Find<QComboBox>(d, "cmbFontList")->itemText(0));
                QCOMPARE(d->lblFontSample->font().family(),
                         Find<QComboBox>(d, "cmbFontList")->itemText(0).mid(1));
                QTest::mouseClick(Find<QToolButton>(d, "spbBold"), Qt::LeftButton);
                QVERIFY(d->lblFontSample->font().bold());
                Cancel(d);
            });
        }
        QCOMPARE(r.S().FontName, std::string("@ＭＳ ゴシック"));
        QVERIFY(!r.S().FontBold);
    }

    void cancellingTheFolderBrowserEmptiesTheField() {
        Running r;
        r.w->Core().ChangeSettings([](Settings& s) { s.BKStandFolder = "/shelf"; });
        auto browseAndCancel = [](TdlgOption* d) {
            OnNextModal<QFileDialog>([](QFileDialog* f) {
                QCOMPARE(f->windowTitle(), QString("お好きなﾌｫﾙﾀﾞを選択して下さい。"));
                f->reject();
            });
            QTest::mouseClick(d->btnBKStandSelect, Qt::LeftButton);
            QCOMPARE(Find<QLineEdit>(d, "edtBKStandFolder")->text(), QString());
        };
        r.Dialog([&](TdlgOption* d) {
            QCOMPARE(Find<QLineEdit>(d, "edtBKStandFolder")->text(), QString("/shelf"));
            browseAndCancel(d);
            Cancel(d);
        });
        QCOMPARE(r.S().BKStandFolder, std::string("/shelf"));
        r.Dialog([&](TdlgOption* d) {
            browseAndCancel(d);
            Ok(d);
        });
        QCOMPARE(r.S().BKStandFolder, std::string());
    }

    // 青空文庫の注記を使う: off for a book until ticked, laid out at re-display (F5), then
    // kept by the book and the global file.
    void aozoraNotesTakeEffectAtReDisplayAndStayWithTheBook() {
        TempDir dir;
        const std::string book = dir.File("kokoro.txt");
        WriteFileBytes(book, test::ReadFileBytes(std::string(MIRVO_CORPUS_DIR) + "/kokoro.txt"));
        MakeFolders(dir.File("MirvoKs"));
        WriteFileBytes(dir.File("MirvoKs/kokoro.INI"),
                       "[Mirvo]\r\nCurrentPage=1\r\n[Config]\r\nUseTexture=0\r\n");
        ProgramFolders f;
        f.ExecutableFolder = f.SettingsFolder = dir.Path();
        f.ShippedFolders = {dir.Path()};
        ReaderWindows windows;
        StartReader(windows, f, {book}, false);
        TfrmMirvoMainForm* w = windows.main.get();
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->rowCount(),
                 1);  // no row of the novel begins with ◎
        const std::string title = Sjis("上　先生と私");
        auto titleRow = [&] {
            const auto& left = w->Core().Spread().Texts().LeftPageText;
            for (const std::string& row : left)
                if (row.find(title) != std::string::npos) return row;
            return std::string();
        };
        QCOMPARE(titleRow(), Sjis("上　先生と私④"));  // the annotations as footnotes

        OnNextModal<TdlgOption>([](TdlgOption* d) {
            QCOMPARE(Find<QCheckBox>(d, "ckbAozoraNotes")->text(),
                     QString("青空文庫の注記を使う(*)"));
            QVERIFY(!Find<QCheckBox>(d, "ckbAozoraNotes")->isChecked());
            QTest::mouseClick(Find<QCheckBox>(d, "ckbAozoraNotes"), Qt::LeftButton);
            Ok(d);
        });
        Part<QAction>(w, "msiConfig")->trigger();
        QVERIFY(w->Core().GetSettings().UseAozoraNotes);
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->rowCount(),
                 1);  // the pages stay as formatted until F5
        QCOMPARE(titleRow(), Sjis("上　先生と私④"));

        Part<QAction>(w, "mmiReView")->trigger();
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->rowCount(),
                 114);  // 3 大見出し, 110 中見出し, the empty row
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->item(0, 1)->text(), QString("上　先生と私"));
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->item(0, 2)->text(), QString("2"));
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->item(1, 1)->text(), QString("一"));
        QCOMPARE(titleRow(), Sjis("　　上　先生と私"));  // two cells down, no marks

        w->close();
        QCOMPARE(
            ProfileFile(dir.File("MirvoKs/kokoro.INI")).ReadBool("Config", "UseAozoraNotes", false),
            true);
        QCOMPARE(ProfileFile(dir.File("Mirvo.INI")).ReadBool("Config", "UseAozoraNotes", false),
                 true);
    }

    void picturesAreLoadedFromBitmapFilesAndABrokenOneIsReported() {
        Running r;
        const Bitmap blue(8, 6, 0xCC6633);
        WriteFileBytes(r.dir.File("paper.bmp"), test::BmpBytes(blue));
        WriteFileBytes(r.dir.File("broken.bmp"), "BM not a picture");
        auto choose = [](TdlgOption* d, QWidget* picture, const std::string& path,
                         const std::function<void(QFileDialog*)>& check) {
            OnNextModal<QFileDialog>([&, path](QFileDialog* f) {
                check(f);
                // Typed as a reader types a path into the file name field.
                auto* name = f->findChild<QLineEdit*>("fileNameEdit");
                QVERIFY(name);
                name->setText(QString::fromStdString(path));
                static_cast<QDialog*>(f)->accept();
            });
            QTest::mouseClick(picture, Qt::LeftButton);
            (void)d;
        };
        QString error, startedIn;
        r.Dialog([&](TdlgOption* d) {
            choose(d, Find<PicturePanel>(d, "imgPageTexture"), r.dir.File("broken.bmp"),
                   [&](QFileDialog*) {
                       OnNextModal<QMessageBox>([&](QMessageBox* box) {
                           error = box->text();
                           box->accept();
                       });
                   });
            QCOMPARE(d->ChosenPageTexture(), std::string());
            // The chooser starts where it was left.
            choose(d, Find<PicturePanel>(d, "imgPageTexture"), r.dir.File("paper.bmp"),
                   [&](QFileDialog* f) { startedIn = f->directory().absolutePath(); });
            QCOMPARE(d->ChosenPageTexture(), r.dir.File("paper.bmp"));
            Ok(d);
        });
        QCOMPARE(startedIn, QString::fromStdString(r.dir.Path()));
        QVERIFY2(error.contains("broken.bmp"), qPrintable(error));
        QCOMPARE(r.S().PageBGTexture, r.dir.File("paper.bmp"));
        QCOMPARE(r.S().BaseBGTexture, std::string());
        QVERIFY(r.w->Core().Spread().PageTexture() == blue);
    }

    void firstOpeningIsCentredOnTheMainWindow() {
        Running r;
        r.w->setGeometry(100, 80, 900, 700);
        QPoint centre;
        r.Dialog([&](TdlgOption* d) {
            centre = d->frameGeometry().center();
            Cancel(d);
        });
        const QPoint expected = r.w->frameGeometry().center();
        QVERIFY2((centre - expected).manhattanLength() <= 2, qPrintable(QString("%1,%2 for %3,%4")
                                                                            .arg(centre.x())
                                                                            .arg(centre.y())
                                                                            .arg(expected.x())
                                                                            .arg(expected.y())));
    }

    // The bitmap chooser lists a picture whatever the case of its extension, and a name
    // completion it shows closes with it (left open, it took the next click).
    void bitmapChooserTakesAnyCaseAndClosesItsCompletion() {
        Running r;
        for (const char* name : {"a1.bmp", "a2.BMP", "a3.Bmp", "a4.txt"})
            WriteFileBytes(r.dir.File(name), "x");
        QPointer<QWidget> popup;
        int listed = -1;
        r.Dialog([&](TdlgOption* d) {
            OnNextModal<QFileDialog>([&](QFileDialog* f) {
                QCOMPARE(f->nameFilters(), QStringList{"ビットマップ(*.bmp *.BMP)"});
                f->setDirectory(QString::fromStdString(r.dir.Path()));
                auto* list = f->findChild<QListView*>("listView");
                QVERIFY(list);
                QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) > 0);
                QTest::qWait(50);
                listed = 0;
                for (int i = 0; i < list->model()->rowCount(list->rootIndex()); ++i)
                    if (list->model()
                            ->index(i, 0, list->rootIndex())
                            .data()
                            .toString()
                            .startsWith("a"))
                        ++listed;
                auto* name = f->findChild<QLineEdit*>("fileNameEdit");
                QVERIFY(name && name->completer());
                name->completer()->setCompletionPrefix("a");
                name->completer()->complete();
                popup = name->completer()->popup();
                QTRY_VERIFY(popup->isVisible());
                f->reject();
            });
            QTest::mouseClick(Find<PicturePanel>(d, "imgBaseTexture"), Qt::LeftButton);
            QVERIFY(popup);
            QVERIFY(!popup->isVisible());
            QVERIFY(!QApplication::activePopupWidget());
            Cancel(d);
        });
        QCOMPARE(listed, 3);
    }
};

}  // namespace
}  // namespace mirvo::ui

int main(int argc, char** argv) {
    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::OptionDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "option_test.moc"
