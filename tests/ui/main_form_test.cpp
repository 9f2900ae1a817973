// The reader window under the offscreen platform: start-up, opening, keys, the scroll bar,
// the view switch, dropped files and the error windows.
#include <QAction>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include "app/handoff_message.h"
#include "app/profile_file.h"
#include "reader_window_support.h"
#include "support/test_support.h"
#include "ui/application.h"
#include "ui/comment.h"
#include "ui/main_form.h"
#include "ui/option.h"
#include "ui/page_image.h"
#include "ui/single_instance.h"
#include "ui/startup.h"
#include "ui_test_support.h"

namespace mirvo::ui {
namespace {

using test::Folders;
using test::MakeBook;
using test::Sjis;
using test::TempDir;
using test::WriteFileBytes;

void WriteState(const TempDir& dir, const std::string& base, const std::string& body) {
    MakeFolders(dir.File("MirvoKs"));
    WriteFileBytes(dir.File("MirvoKs/" + base + ".INI"), body);
}

using Running = test::RunningReader;

// Answers the next modal file dialog: chooses `file`, or cancels when it is empty.
void AnswerFileDialog(const QString& file) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, file] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        if (file.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    });
    timer->start();
}

// Stands in for the desktop's file browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void Open(const QUrl& url) { urls << url; }
};

QStringList Captions(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << (a->isSeparator() ? "-" : a->text());
    return out;
}

class MainFormTest : public QObject {
    Q_OBJECT
  private slots:
    void windowHasItsDesignedPartsAndCaptions() {
        Running r;
        QVERIFY(r.Start({}));
        TfrmMirvoMainForm* w = r.w;
        QCOMPARE(w->objectName(), QString("TfrmMirvoMainForm"));
        QCOMPARE(w->windowTitle(), QString("Mirvo"));
        QCOMPARE(Part<QAction>(w, "mmiExit")->text(), QString("Mirvoの終了(&X)"));
        QCOMPARE(Part<QAction>(w, "msiPageNext")->text(), QString("次ページ(&N)  SPACE"));
        QCOMPARE(Part<QAction>(w, "msiPagePrev")->text(), QString("前ページ(&P)  BS"));
        QCOMPARE(Part<QAction>(w, "msiView")->text(), QString("ビュー(&V)"));
        QCOMPARE(Part<QAction>(w, "msiCont")->text(), QString("目次(&T)"));
        QCOMPARE(Part<QScrollBar>(w, "scbStatus")->toolTip(), QString("クイックジャンプできます"));
        QCOMPARE(Part<QLabel>(w, "stbPanel0")->width(), 100);
        QCOMPARE(Part<QWidget>(w, "pnlStatus")->height(), 27);
        QVERIFY(w->findChild<QWidget*>("imgLeftPage"));
        QVERIFY(w->findChild<QWidget*>("stgPageList"));
        QVERIFY(Part<QToolButton>(w, "spbView")->isChecked());
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->horizontalHeaderItem(1)->text(),
                 QString("目 次"));
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->horizontalHeaderItem(2)->text(),
                 QString("ページ"));
        QCOMPARE(Part<QTableWidget>(w, "stgPageList")->rowCount(), 1);  // the empty last row
        QCOMPARE(r.windows.alert->windowTitle(), QString("(・o・)/ < 確認してね"));
        QCOMPARE(r.windows.alert->objectName(), QString("TfrmAlert"));
        QCOMPARE(r.windows.comment->objectName(), QString("TfrmComment"));
        QCOMPARE(r.windows.option->objectName(), QString("TdlgOption"));
    }

    void firstStartWithNoSettingsShowsTheFrontCover() {
        Running r;
        QVERIFY(r.Start({}));
        QCOMPARE(r.Panel0(), QString("表紙"));
        QCOMPARE(r.w->Core().CurrentPage(), -1);
        // The book area and the cover face are laid out in the picture area.
        const QRect area = Part<QStackedWidget>(r.w, "ntbBase")->geometry();
        QCOMPARE(area.height(),
                 static_cast<int>(0.94 * Part<PictureWidget>(r.w, "imgBase")->height()));
        QVERIFY(Part<PictureWidget>(r.w, "imgLeftPage")->width() >
                Part<PictureWidget>(r.w, "imgRightPage")->width());
        QVERIFY(!r.w->Core().Spread().LeftPage().Empty());
        r.w->close();
        QVERIFY(QFile::exists(QString::fromStdString(r.dir.File("Mirvo.INI"))));
    }

    void storedPageSevenOpensThere() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 115);
        WriteState(r.dir, "book", "[Mirvo]\r\nCurrentPage=7\r\n");
        QVERIFY(r.Start({book}));
        QCOMPARE(r.w->Core().Book().PageCount(), 12);
        QCOMPARE(r.Panel0(), QString("7/12"));
        QCOMPARE(Part<QScrollBar>(r.w, "scbStatus")->maximum(), 12);
        QCOMPARE(Part<QScrollBar>(r.w, "scbStatus")->value(), 12 - 6);
        QCOMPARE(Part<QLabel>(r.w, "stbPanel1")->text(), QString::fromStdString(book));
        // What is on screen is the core's right page, at the page image's size.
        QCOMPARE(Part<PictureWidget>(r.w, "imgRightPage")->width(),
                 r.w->Core().Spread().RightPage().Width());
        const QImage shown = Part<PictureWidget>(r.w, "imgRightPage")->grab().toImage();
        QCOMPARE(shown.width(), Part<PictureWidget>(r.w, "imgRightPage")->width());
    }

    void spaceAndBackspaceThroughCoversAndPages() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 15);  // 2 pages
        QVERIFY(r.Start({book}));
        QCOMPARE(r.Panel0(), QString("表紙"));
        r.Key(Qt::Key_Backspace);
        QCOMPARE(r.Panel0(), QString("表紙"));
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("1/2"));
        r.Key(Qt::Key_Space, Qt::ShiftModifier);  // shift is ignored
        QCOMPARE(r.Panel0(), QString("裏表紙"));
        QCOMPARE(r.w->Core().CurrentPage(), 9999);
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("裏表紙"));
        r.Key(Qt::Key_Backspace);
        QCOMPARE(r.Panel0(), QString("1/2"));
        // Auto-repeat turns too.
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(r.w, &repeat);
        QCOMPARE(r.Panel0(), QString("表紙"));
        // Clicks on the pages and the menu commands do the same.
        Part<QAction>(r.w, "msiPageNext")->trigger();
        QCOMPARE(r.Panel0(), QString("1/2"));
        QTest::mouseClick(Part<PictureWidget>(r.w, "imgRightPage"), Qt::LeftButton);
        QCOMPARE(r.Panel0(), QString("表紙"));
    }

    void scrollBarSetsThePageWithoutRedrawing() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 115);
        WriteState(r.dir, "book", "[Mirvo]\r\nCurrentPage=1\r\n");
        QVERIFY(r.Start({book}));
        const Bitmap before = r.w->Core().Spread().RightPage();
        Part<QScrollBar>(r.w, "scbStatus")->setValue(5);
        QCOMPARE(r.w->Core().CurrentPage(), 7);
        Part<QScrollBar>(r.w, "scbStatus")->setValue(6);
        QCOMPARE(r.w->Core().CurrentPage(), 7);
        QCOMPARE(r.Panel0(), QString("1/12"));
        QVERIFY(r.w->Core().Spread().RightPage() == before);
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("9/12"));
        QCOMPARE(Part<QScrollBar>(r.w, "scbStatus")->value(), 4);
    }

    void viewSwitchSetsMenusAndKeyPreview() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        QVERIFY(r.Start({book}));
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("1/4"));
        Part<QAction>(r.w, "msiCont")->trigger();
        QCOMPARE(Part<QStackedWidget>(r.w, "ntbBase")->currentIndex(), 1);
        QVERIFY(Part<QAction>(r.w, "msiCont")->isChecked());
        QVERIFY(!Part<QAction>(r.w, "msiView")->isChecked());
        QVERIFY(!Part<QAction>(r.w, "msiPageNext")->isEnabled());
        QVERIFY(!Part<QAction>(r.w, "msiPagePrev")->isEnabled());
        QVERIFY(
            Part<QToolButton>(r.w, "spbView")->isChecked());  // the tool buttons stay as they were
        r.Key(Qt::Key_Space);                                 // SPACE acts in the grid now
        QCOMPARE(r.w->Core().CurrentPage(), 1);
        const int h = r.w->ContentsRowHeight();
        QCOMPARE(Part<QTableWidget>(r.w, "stgPageList")->columnWidth(0), h);
        QCOMPARE(Part<QTableWidget>(r.w, "stgPageList")->columnWidth(2), 3 * h);
        QCOMPARE(Part<QTableWidget>(r.w, "stgPageList")->columnWidth(1),
                 Part<QStackedWidget>(r.w, "ntbBase")->width() - 4 * h);
        Part<QToolButton>(r.w, "spbView")->click();
        QCOMPARE(Part<QStackedWidget>(r.w, "ntbBase")->currentIndex(), 0);
        QVERIFY(Part<QAction>(r.w, "msiView")->isChecked());
        QVERIFY(Part<QAction>(r.w, "msiPageNext")->isEnabled());
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("3/4"));
    }

    void missingFileShowsTheErrorWindowAndKeepsTheBook() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        QVERIFY(r.Start({book}));
        r.Key(Qt::Key_Space);
        const std::string missing = r.dir.File("gone.txt");
        auto yes = test::AnswerNextModal("はい(&Y)");
        auto ok = std::shared_ptr<test::ModalSeen>();
        QTimer::singleShot(0, [&] { ok = test::AnswerNextModal("OK"); });
        r.w->DropFile(missing);
        QVERIFY(yes->shown);
        QCOMPARE(yes->title, QString("確認"));
        QCOMPARE(yes->text, QString::fromStdString(missing) + "を開きますか？");
        QVERIFY(yes->buttons.contains("いいえ(&N)"));
        QVERIFY(ok && ok->shown);
        QCOMPARE(ok->title, QString("(・o・)/ < 確認してね"));
        QCOMPARE(ok->text, QString::fromStdString("ファイル:" + missing +
                                                  "は存在しないようです。上記ファイルの存在を"
                                                  "確認してみてください。"));
        QCOMPARE(r.Panel0(), QString("1/4"));
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("3/4"));
    }

    void droppedFilesAreOfferedAfterTheDropHasReturned() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        const std::string other = MakeBook(r.dir, "other.txt", 80);
        // A name from a Windows archive: CP932 bytes, not UTF-8.
        const std::string cp932 = MakeBook(r.dir, Sjis("吾輩.txt"), 20);
        QVERIFY(r.Start({book}));
        r.Key(Qt::Key_Space);
        auto drop = [&](const QList<QUrl>& urls) {
            QMimeData mime;
            mime.setUrls(urls);
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(r.w, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(r.w, &event);
        };
        // Three files dropped: only the first is offered, and not inside the drop (the
        // program the files come from would wait for the answer).
        auto no = test::AnswerNextModal("いいえ(&N)");
        drop({QUrl::fromLocalFile(QString::fromStdString(other)),
              QUrl::fromLocalFile(QString::fromStdString(book)),
              QUrl::fromLocalFile(QString::fromStdString(r.dir.File("third.txt")))});
        QVERIFY(!no->shown);
        QTRY_VERIFY(no->shown);
        QCOMPARE(no->title, QString("確認"));
        QCOMPARE(no->text, QString::fromStdString(other) + "を開きますか？");
        QCOMPARE(r.w->Core().DocumentPath(), book);
        QCOMPARE(r.Panel0(), QString("1/4"));

        // Yes opens the file by its bytes; the question shows the name readably.
        auto yes = test::AnswerNextModal("はい(&Y)");
        drop({QUrl::fromEncoded(QByteArray("file://") +
                                QByteArray::fromStdString(cp932).toPercentEncoding("/"))});
        QTRY_VERIFY(yes->shown);
        QCOMPARE(yes->text, QString::fromStdString(r.dir.File("吾輩.txt")) + "を開きますか？");
        QTRY_COMPARE(r.w->Core().DocumentPath(), cp932);
        QCOMPARE(r.w->Core().Book().Rows().size(), 21u);
        QCOMPARE(Part<QLabel>(r.w, "stbPanel1")->text(),
                 QString::fromStdString(r.dir.File("吾輩.txt")));
    }

    void handOffWaitsUntilTheOpeningInProgressHasReturned() {
        // The start-up book fails and its error window waits for the reader; a later copy
        // hands over a good book meanwhile. It must not be opened inside the failed opening
        // (which would then end the program): it waits, the later copy is answered only
        // once its book is open, and the reader keeps running with it.
        TempDir runtime;
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
        Running r;
        const std::string bad = r.dir.File("bad.txt");
        WriteFileBytes(bad, Sjis("。あいう\r\n"));
        const std::string good = MakeBook(r.dir, "good.txt", 40);
        QLocalSocket later;
        bool answered = false, openedWhileErrorShown = false, errorShown = false;
        QObject::connect(&later, &QLocalSocket::readyRead, [&] { answered = true; });
        QElapsedTimer sent;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* alert = qobject_cast<TfrmAlert*>(QApplication::activeModalWidget());
            if (!alert) return;
            errorShown = true;
            if (!sent.isValid()) {
                later.connectToServer(QString::fromStdString(SingleInstanceSocketPath()));
                later.write(QByteArray::fromStdString(EncodeHandOff(good)));
                sent.start();
            } else if (sent.elapsed() < 300) {
                openedWhileErrorShown |= answered || r.windows.main->Core().DocumentPath() == good;
            } else {
                watch.stop();
                alert->btnOK->click();
            }
        });
        watch.start();
        QVERIFY(StartReader(r.windows, Folders(r.dir), {bad}, true));
        r.w = r.windows.main.get();
        QVERIFY(errorShown);
        QVERIFY(!openedWhileErrorShown);
        QTRY_VERIFY(answered);
        QCOMPARE(r.w->Core().DocumentPath(), good);
        QVERIFY(!r.w->Core().FormatFailed());
        QCOMPARE(r.w->Core().Book().Rows().size(), 41u);
        r.windows.Destroy();
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
    }

    void sessionRequestsSaveWithoutClosing() {
        // The desktop session's commit-data request writes the settings and the book's
        // place, and the reader stays open.
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        QVERIFY(r.Start({book}));
        r.Key(Qt::Key_Space);
        r.Key(Qt::Key_Space);
        r.w->CommitSession();
        QTRY_VERIFY(QFile::exists(QString::fromStdString(r.dir.File("MirvoKs/book.INI"))));
        QCOMPARE(ProfileFile(r.dir.File("MirvoKs/book.INI")).ReadInteger("Mirvo", "CurrentPage", 0),
                 3);
        QCOMPARE(ProfileFile(r.dir.File("Mirvo.INI")).ReadString("Mirvo", "Last", ""), book);
        QVERIFY(r.w->isVisible());
    }

    void dialogCaptionsAreExactlyTheirOwn() {
        // Qt appends the application's display name to every caption once one is set; the
        // error window and the message boxes must read exactly as designed.
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName("probe");
        QCOMPARE(QGuiApplication::applicationDisplayName(), QString("probe"));
        QCoreApplication::setApplicationName(name);
    }

    void handOffWithoutPathRestoresAndKeepsTheBook() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        QVERIFY(r.Start({book}));
        r.w->showMinimized();
        r.w->ReceiveHandOff("");
        QVERIFY(!r.w->isMinimized());
        QCOMPARE(r.w->Core().DocumentPath(), book);
    }

    void alertShowsLinesSeparately() {
        TfrmAlert alert;
        QCOMPARE(TfrmAlert::MessageText("一行目\r\n二行目"), QString("一行目\n二行目"));
        auto ok = test::AnswerNextModal("OK");
        alert.Report("a\r\nb");
        QVERIFY(ok->shown);
        QCOMPARE(ok->text, QString("a\nb"));
        QVERIFY(alert.memErrMsg->isReadOnly());
        QCOMPARE(alert.memErrMsg->document()->blockCount(), 2);
    }

    void startUpDocumentThatFailsFormattingEndsWithoutWritingSettings() {
        Running r;
        const std::string bad = r.dir.File("bad.txt");
        WriteFileBytes(bad, Sjis("。あいう\r\n"));
        WriteFileBytes(r.dir.File("Mirvo.INI"),
                       "[Config]\nRowCount=12\n[Mirvo]\nLast=" + bad + "\n");
        auto ok = test::AnswerNextModal("OK");
        QVERIFY(!StartReader(r.windows, Folders(r.dir), {}, false));
        QVERIFY(ok->shown);
        r.windows.Destroy();
        ProfileFile ini(r.dir.File("Mirvo.INI"));
        QCOMPARE(ini.ReadString("Mirvo", "Last", "x"), std::string());
        QCOMPARE(ini.ReadInteger("Config", "RowCount", 0), 12);
        QVERIFY(!ini.ReadValue("Config", "FontSpace"));
        QVERIFY(!QFile::exists(QString::fromStdString(r.dir.File("MirvoKs/bad.INI"))));
    }

    void unreadableIllustrationIsReportedAndThePreviousSpreadStays() {
        Running r;
        std::string text;
        for (int i = 0; i < 12; ++i) text += Sjis("本文の行です。") + "\r\n";
        text += "<IMG SRC=\"missing.bmp\">\r\n";
        for (int i = 0; i < 12; ++i) text += Sjis("本文の行です。") + "\r\n";
        WriteFileBytes(r.dir.File("pic.txt"), text);
        QVERIFY(r.Start({r.dir.File("pic.txt")}));
        r.Key(Qt::Key_Space);
        const QString first = QString("1/%1").arg(r.w->Core().Book().PageCount());
        QCOMPARE(r.Panel0(), first);
        const Bitmap left = r.w->Core().Spread().LeftPage();
        auto ok = test::AnswerNextModal("OK");
        r.Key(Qt::Key_Space);  // through the general error report
        QVERIFY(ok->shown);
        QVERIFY(ok->text.contains("missing.bmp"));
        QVERIFY(r.w->Core().Spread().LeftPage() == left);
        QCOMPARE(r.Panel0(), first);
    }

    // Bookmarks through the real menu actions, re-display, the contents grid's jumps and the
    // footnote pop-up, then the bookmarks in the book's state file.
    void readingAidsThroughTheWindow() {
        Running r;
        std::string text;
        for (int i = 0; i < 60; ++i) {
            const char* line = i == 0    ? "｜本文《ほんぶん》の行"
                               : i == 12 ? "◎第一章"
                               : i == 35 ? "◎第二章"
                               : i == 22 ? "本文［＃一つ目の注］"
                               : i == 23 ? "本文［＃二つ目の注］"
                               : i == 45 ? "本文［＃左の注］"
                                         : "本文の行です。";
            text += Sjis(line) + "\r\n";
        }
        WriteFileBytes(r.dir.File("notes.txt"), text);
        QVERIFY(r.Start({r.dir.File("notes.txt")}));
        TfrmMirvoMainForm* w = r.w;
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTableWidget* grid = Part<QTableWidget>(w, "stgPageList");
        auto entries = [grid] {  // mark, caption and page of each row but the empty last one
            QStringList out;
            for (int i = 0; i + 1 < grid->rowCount(); ++i)
                out << grid->item(i, 0)->text() + grid->item(i, 1)->text() +
                           grid->item(i, 2)->text();
            return out;
        };

        Part<QAction>(w, "pmiClip")->trigger();  // on the front cover: nothing to mark
        r.Key(Qt::Key_Space);  // page 1, marked twice with the text drawn in its first row
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10),
                               Part<PictureWidget>(w, "imgRightPage")->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(Part<PictureWidget>(w, "imgRightPage"), &menu);
        QVERIFY(Part<QMenu>(w, "ppmPage")->isVisible());
        Part<QMenu>(w, "ppmPage")->hide();
        Part<QAction>(w, "pmiClip")->trigger();
        Part<QAction>(w, "msiClipIns")->trigger();
        r.Key(Qt::Key_Space);
        r.Key(Qt::Key_Space);
        Part<QScrollBar>(w, "scbStatus")
            ->setValue(
                Part<QScrollBar>(w, "scbStatus")->maximum());  // page 1, but page 5 is on show
        Part<QAction>(w, "msiClipIns")->trigger();

        Part<QAction>(w, "msiCont")->trigger();
        QVERIFY(!Part<QAction>(w, "msiClipIns")->isEnabled() &&
                Part<QAction>(w, "msiClipDel")->isEnabled());
        QCOMPARE(entries(), QStringList({"⇒｜本文の行1", "⇒｜本文の行1", "◎第一章2", "◎第二章4",
                                         "⇒本文の行です。5"}));
        // The three columns fill the book area's width; nothing scrolls sideways.
        QCOMPARE(grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2),
                 grid->viewport()->width());
        QCOMPARE(grid->viewport()->width(), Part<QStackedWidget>(w, "ntbBase")->width());
        QCOMPARE(grid->columnWidth(2), 3 * w->ContentsRowHeight());
        for (const int row : {2, 5}) {  // a heading, the empty row: nothing
            grid->setCurrentCell(row, 1);
            Part<QAction>(w, "pmiDelClip")->trigger();
        }
        grid->setCurrentCell(0, 1);
        Part<QAction>(w, "msiClipDel")->trigger();
        QCOMPARE(grid->rowCount(), 5);

        // Twenty rows a page: page 1 keeps its bookmark, labelled now with its first row as
        // stored and placed after the heading of its page; page 5 is gone, and its bookmark.
        w->Core().ChangeSettings([&](Settings& s) { s.RowCount = 20; });
        QTest::keyClick(grid, Qt::Key_F5);
        QCOMPARE(entries(), QStringList({"◎第一章1", "⇒｜本文《ほんぶん》の行1", "◎第二章2"}));
        QCOMPARE(Part<QScrollBar>(w, "scbStatus")->maximum(), 3);

        // Enter on the bookmark, a double-click on the second heading.
        grid->setCurrentCell(1, 1);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(Part<QStackedWidget>(w, "ntbBase")->currentIndex(), 0);
        QCOMPARE(r.Panel0(), QString("1/3"));
        Part<QAction>(w, "msiCont")->trigger();
        const QRect second = grid->visualItemRect(grid->item(2, 1));
        // A double-click: press and release, then the second press.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(Part<QStackedWidget>(w, "ntbBase")->currentIndex(), 0);
        QCOMPARE(r.Panel0(), QString("2/3"));  // the even page on the right, 3 on the left
        QCOMPARE(w->Core().Spread().Texts().LeftPageText[0], w->Core().Book().Rows()[40]);

        // The footnote in row 6 of the left page (page 3): the spread's third mark.
        TfrmComment* popup = r.windows.comment.get();
        QWidget* active = QApplication::activeWindow();
        const int pw = Part<PictureWidget>(w, "imgLeftPage")->width(),
                  ph = Part<PictureWidget>(w, "imgLeftPage")->height();
        const QPoint mark(static_cast<int>(0.05 * pw + 0.9 * (pw - 6.5 * pw / 21.0)),
                          static_cast<int>(0.05 * ph + 0.9 * 4.5 * ph / 51.0));
        QTest::mouseMove(Part<PictureWidget>(w, "imgLeftPage"), mark);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->lblComment->text(), QString("左の注"));
        QCOMPARE(popup->width(), 45);  // 6 bytes x 13 / 1.7
        QCOMPARE(popup->pos(),
                 Part<PictureWidget>(w, "imgLeftPage")->mapToGlobal(mark) - QPoint(0, 10));
        QCOMPARE(QApplication::activeWindow(), active);  // the pop-up takes no focus
        QTest::mouseMove(Part<PictureWidget>(w, "imgLeftPage"),
                         mark + QPoint(0, 2 * ph / 51));  // the mark's lower half
        QTRY_VERIFY(!popup->isVisible());
        QTest::mouseMove(Part<PictureWidget>(w, "imgLeftPage"), mark);
        QTRY_VERIFY(popup->isVisible());
        w->showMinimized();
        QTRY_VERIFY(!popup->isVisible());
        w->showNormal();
        // Never with annotations off (a formatting setting: once the book is formatted so),
        // nor on a cover (whose face lies where the mark was and whose page texts are still
        // the last spread's).
        w->Core().ChangeSettings([&](Settings& s) { s.UseComment = false; });
        Part<QAction>(w, "mmiReView")->trigger();
        QTest::mouseMove(Part<PictureWidget>(w, "imgLeftPage"), mark);
        QVERIFY(!popup->isVisible());
        w->Core().ChangeSettings([&](Settings& s) { s.UseComment = true; });
        Part<QAction>(w, "mmiReView")->trigger();
        r.Key(Qt::Key_Backspace);
        QCOMPARE(r.Panel0(), QString("表紙"));
        QTest::mouseMove(Part<PictureWidget>(w, "imgLeftPage"), mark);
        QVERIFY(!popup->isVisible());

        w->close();
        ProfileFile state(r.dir.File("MirvoKs/notes.INI"));
        QCOMPARE(state.ReadInteger("Mirvo", "ClipCount", -1), 1);
        QCOMPARE(state.ReadInteger("Mirvo", "Clip1", -1), 1);
    }

    // Full screen from a maximised window and back, with the toolbars hidden meanwhile, then
    // the status area; a refused store of the bounds, and bounds that went missing.
    void windowModesThroughTheWindow() {
        Running r;
        QVERIFY(r.Start({MakeBook(r.dir, "book.txt", 40)}));
        TfrmMirvoMainForm* w = r.w;
        QCOMPARE(Captions(Part<QMenu>(w, "mniWindow")->actions()),
                 QStringList({"全画面表示(&A)", "-", "ﾂｰﾙﾊﾞｰを隠す(&T)", "ｽﾃｰﾀｽﾊﾞｰを隠す(&S)"}));
        QCOMPARE(Part<QMenuBar>(w, "mmnMainManu")->actions().last()->menu(),
                 Part<QMenu>(w, "mniWindow"));
        QCOMPARE(Part<QMenu>(w, "mniWindow")->title(), QString("ｳｨﾝﾄﾞｳ(&W)"));
        r.Key(Qt::Key_Space);
        w->setGeometry(120, 90, 700, 520);
        QTRY_COMPARE(w->geometry(), QRect(120, 90, 700, 520));
        const QRect normal = w->frameGeometry();
        w->showMaximized();
        QTRY_VERIFY(w->isMaximized() && w->frameGeometry() != normal);
        auto spreadTakes = [w](double ratio) {
            const int h = Part<PictureWidget>(w, "imgBase")->height();
            return Part<QStackedWidget>(w, "ntbBase")->height() == static_cast<int>(ratio * h) &&
                   Part<QStackedWidget>(w, "ntbBase")->y() ==
                       static_cast<int>((1 - ratio) * h / 2) &&
                   Part<QStackedWidget>(w, "ntbBase")->x() ==
                       (Part<PictureWidget>(w, "imgBase")->width() -
                        Part<QStackedWidget>(w, "ntbBase")->width()) /
                           2;
        };

        // Without the stored bounds there is no way back: the window stays as it was.
        const QString ini = QString::fromStdString(r.dir.File("Mirvo.INI"));
        QVERIFY(QDir().mkdir(ini));
        auto error = test::AnswerNextModal("OK");
        Part<QAction>(w, "msiAllDisp")->trigger();
        QVERIFY(error->shown && error->text == ini + " に書き込めません");
        QVERIFY(!Part<QAction>(w, "msiAllDisp")->isChecked() && !w->isFullScreen());
        QTRY_VERIFY(w->isMaximized() && spreadTakes(0.94));
        QVERIFY(QDir().rmdir(ini));

        Part<QAction>(w, "msiAllDisp")->trigger();
        QVERIFY(Part<QAction>(w, "msiAllDisp")->isChecked());
        QTRY_VERIFY(w->isFullScreen());
        ProfileFile file(ini.toStdString());
        QCOMPARE(
            QRect(file.ReadInteger("PosSize", "Left", -1), file.ReadInteger("PosSize", "Top", -1),
                  file.ReadInteger("PosSize", "Width", -1),
                  file.ReadInteger("PosSize", "Height", -1)),
            normal);
        QTRY_VERIFY(spreadTakes(1.0));
        const int fullHeight = Part<PictureWidget>(w, "imgBase")->height();
        Part<QAction>(w, "msiHideTLBar")->trigger();
        QVERIFY(!Part<QToolBar>(w, "tlbBasic")->isVisible() &&
                !Part<QToolBar>(w, "tlbBookStand")->isVisible());
        QVERIFY(Part<PictureWidget>(w, "imgBase")->height() > fullHeight);  // laid out at once
        QVERIFY(spreadTakes(1.0));

        Part<QAction>(w, "msiAllDisp")->trigger();
        QVERIFY(!Part<QAction>(w, "msiAllDisp")->isChecked());
        QTRY_COMPARE(w->frameGeometry(), normal);
        QVERIFY(!w->isMaximized() && !w->isFullScreen());
        QVERIFY(Part<QAction>(w, "msiHideTLBar")->isChecked() &&
                !Part<QToolBar>(w, "tlbBasic")->isVisible());
        QTRY_VERIFY(spreadTakes(0.94));
        QCOMPARE(r.Panel0(), QString("1/4"));

        Part<QAction>(w, "msiHideStBar")->trigger();
        QVERIFY(Part<QAction>(w, "msiHideStBar")->isChecked());
        QCOMPARE(Part<QWidget>(w, "pnlStatus")->height(), 1);
        QVERIFY(spreadTakes(0.94));
        Part<QAction>(w, "msiHideStBar")->trigger();
        QCOMPARE(Part<QWidget>(w, "pnlStatus")->height(), 27);

        // The keys deleted while full screen was on: the top-left corner at 600 x 460.
        Part<QAction>(w, "msiAllDisp")->trigger();
        QTRY_VERIFY(w->isFullScreen());
        QFile::remove(ini);
        Part<QAction>(w, "msiAllDisp")->trigger();
        QTRY_COMPARE(w->frameGeometry(), QRect(0, 0, 600, 460));
    }

    // Stored bounds of any size give a window on the screen when full screen is left (a
    // huge PosSize once gave a crash or a 32767 px window).
    void hugeStoredBoundsGiveAWindowOnTheScreen() {
        Running r;
        QVERIFY(r.Start({MakeBook(r.dir, "book.txt", 40)}));
        TfrmMirvoMainForm* w = r.w;
        auto* fullScreen = Part<QAction>(w, "msiAllDisp");
        const QRect screen = w->screen()->availableGeometry();
        for (const char* number : {"1000000", "2147483647", "-2147483648"}) {
            fullScreen->trigger();
            QTRY_VERIFY(w->isFullScreen());
            ProfileFile file(r.dir.File("Mirvo.INI"));
            for (const char* key : {"Top", "Left", "Width", "Height"})
                file.WriteString("PosSize", key, number);
            fullScreen->trigger();
            QTRY_VERIFY(!w->isFullScreen());
            QTRY_VERIFY2(screen.contains(w->frameGeometry()), number);
            QVERIFY(w->width() >= 300 && w->height() >= 200);
            QCOMPARE(Part<QLabel>(w, "stbPanel0")->text(), QString("表紙"));
        }
    }

    // A name typed into the Open dialog with its completion list on screen, then Enter:
    // the book opens and no completion list stays over the window.
    void openDialogLeavesNoCompletionListBehind() {
        Running r;
        MakeBook(r.dir, "book.txt", 40);
        const std::string other = MakeBook(r.dir, "bother.txt", 80);
        QVERIFY(r.Start({r.dir.File("book.txt")}));
        QWidget* list = nullptr;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            auto* dialog = static_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            auto* files = dialog->findChild<QAbstractItemView*>("listView");
            QTRY_VERIFY(files->model()->rowCount(files->rootIndex()) >= 2);
            QTest::keyClicks(name, "bot");
            QTRY_VERIFY(name->completer() && name->completer()->popup()->isVisible());
            list = name->completer()->popup();
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
            if (dialog->isVisible()) QTest::keyClick(name, Qt::Key_Return);
        });
        Part<QAction>(r.w, "mmiOpen")->trigger();
        QCOMPARE(r.w->Core().DocumentPath(), other);
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!(top->isVisible() && top->windowType() == Qt::Popup),
                     qPrintable(top->metaObject()->className()));
    }

    // The file menu and the bookshelf toolbar: opening a file (cancelled, then chosen),
    // creating a book, opening the shelf.
    void fileCommandsThroughTheWindow() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        const std::string other = MakeBook(r.dir, "other.txt", 80);
        QVERIFY(r.Start({book}));
        TfrmMirvoMainForm* w = r.w;
        QCOMPARE(Captions(Part<QMenu>(w, "mniFile")->actions()),
                 QStringList({"ﾃｷｽﾄﾌｧｲﾙを開く(&O)", "本(棚)を開く(&B)", "最近使ったファイル(&R)",
                              "-", "本の新規作成(&N)", "-", "Mirvoの終了(&X)"}));
        QCOMPARE(Part<QToolButton>(w, "spbFileOpen")->text(), QString("ﾃｷｽﾄﾌｧｲﾙを開く"));
        QCOMPARE(Part<QToolButton>(w, "spbFileOpen")->toolTip(), QString("ﾃｷｽﾄﾌｧｲﾙを開きます。"));
        QCOMPARE(Part<QToolButton>(w, "spbBookStand")->toolTip(),
                 QString("本棚関連のﾎﾞﾀﾝを表示します。"));
        QVERIFY(!Part<QToolButton>(w, "spbBookStand")->icon().isNull());
        QCOMPARE(Part<QToolButton>(w, "spbBKOpen")->text(), QString("本(棚)を開く"));
        QCOMPARE(Part<QToolButton>(w, "spbBKNew")->text(), QString("本の作成"));
        QCOMPARE(Part<QToolBar>(w, "tlbBookStand")->actions().size(),
                 5);  // four buttons and a separator
        QVERIFY(!Part<QToolButton>(w, "spbBKOpen")->isVisible() &&
                !Part<QToolButton>(w, "spbBKNew")->isVisible());
        Part<QToolButton>(w, "spbBookStand")->click();
        QTRY_VERIFY(Part<QToolButton>(w, "spbBKOpen")->isVisible() &&
                    Part<QToolButton>(w, "spbBKNew")->isVisible());
        Part<QToolButton>(w, "spbBookStand")->click();
        QTRY_VERIFY(!Part<QToolButton>(w, "spbBKOpen")->isVisible() &&
                    !Part<QToolButton>(w, "spbBKNew")->isVisible());

        // Cancelled: the book on show is saved all the same.
        r.Key(Qt::Key_Space);
        r.Key(Qt::Key_Space);
        AnswerFileDialog(QString());
        Part<QToolButton>(w, "spbFileOpen")->click();
        QCOMPARE(ProfileFile(r.dir.File("MirvoKs/book.INI")).ReadInteger("Mirvo", "CurrentPage", 0),
                 3);
        AnswerFileDialog(QString::fromStdString(other));
        Part<QAction>(w, "mmiOpen")->trigger();
        QCOMPARE(Part<QScrollBar>(w, "scbStatus")->maximum(), 8);  // the other book

        // A book on a shelf chosen in the settings.
        const std::string shelf = r.dir.File("shelf");
        MakeFolders(shelf);
        w->Core().ChangeSettings([&](Settings& s) { s.BKStandFolder = shelf; });
        auto yes = test::AnswerNextModal("はい(&Y)");
        std::shared_ptr<test::ModalSeen> ok;
        QTimer::singleShot(0, [&] { ok = test::AnswerNextModal("OK"); });
        Part<QAction>(w, "msBKNew")->trigger();
        QVERIFY(yes->shown && ok && ok->shown);
        QCOMPARE(yes->title, QString("確認"));
        QCOMPARE(yes->text, QString::fromStdString("以下の条件で本(ショートカット)を作成します。\n"
                                                   "よろしいですか\n本のタイトル:other\n"
                                                   "本棚の場所  :" +
                                                   shelf + "/"));
        QCOMPARE(ok->title, QString("情報"));
        QCOMPARE(ok->text, QString("本(ショートカット)を作成しました。"));
        QVERIFY(QFileInfo(QString::fromStdString(shelf + "/other.desktop")).isExecutable());

        UrlCatcher browser;
        QDesktopServices::setUrlHandler("file", &browser, "Open");
        Part<QAction>(w, "msiBKOpen")->trigger();
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(browser.urls,
                 QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(shelf + "/"))}));
    }

    // The keys readers expect and the wheel, on the view page only.
    void readerKeysAndWheel() {
        Running r;
        QVERIFY(r.Start({MakeBook(r.dir, "book.txt", 40)}));  // 4 pages
        const struct {
            Qt::Key key;
            const char* shown;
        } steps[] = {{Qt::Key_Left, "1/4"},    {Qt::Key_PageDown, "3/4"}, {Qt::Key_Right, "1/4"},
                     {Qt::Key_PageUp, "表紙"}, {Qt::Key_End, "裏表紙"},   {Qt::Key_Home, "表紙"}};
        for (const auto& step : steps) {
            r.Key(step.key);
            QCOMPARE(r.Panel0(), QString(step.shown));
        }
        auto wheel = [&r](QWidget* over, int delta) {
            QWheelEvent e(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(over, &e);
        };
        wheel(Part<PictureWidget>(r.w, "imgRightPage"), -120);
        QCOMPARE(r.Panel0(), QString("1/4"));
        wheel(Part<PictureWidget>(r.w, "imgBase"), -240);
        QCOMPARE(r.Panel0(), QString("裏表紙"));  // two notches: 3, then past the end
        wheel(Part<PictureWidget>(r.w, "imgLeftPage"), 120);
        QCOMPARE(r.Panel0(), QString("3/4"));
        Part<QAction>(r.w, "msiCont")->trigger();
        r.Key(Qt::Key_Home);
        wheel(Part<QTableWidget>(r.w, "stgPageList")->viewport(), -120);
        QCOMPARE(r.w->Core().CurrentPage(), 3);
    }

    void resizeLaysTheSpreadOutAgain() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        QVERIFY(r.Start({book}));
        r.Key(Qt::Key_Space);
        r.w->resize(900, 700);
        QApplication::processEvents();
        const int h = Part<PictureWidget>(r.w, "imgBase")->height();
        QCOMPARE(Part<QStackedWidget>(r.w, "ntbBase")->height(), static_cast<int>(0.94 * h));
        QCOMPARE(Part<PictureWidget>(r.w, "imgLeftPage")->height(),
                 r.w->Core().Spread().LeftPage().Height());
        QCOMPARE(r.Panel0(), QString("1/4"));
    }
};

}  // namespace
}  // namespace mirvo::ui

int main(int argc, char** argv) {
    mirvo::ui::MirvoApplication app(argc, argv);
    mirvo::ui::MainFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_form_test.moc"
