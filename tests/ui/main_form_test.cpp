// The reader window under the offscreen platform: start-up, opening, keys, the scroll bar,
// the view switch, dropped files and the error windows.
#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
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

using test::Sjis;
using test::TempDir;
using test::WriteFileBytes;

ProgramFolders Folders(const TempDir& dir) {
    ProgramFolders f;
    f.ExecutableFolder = dir.Path();
    f.SettingsFolder = dir.Path();
    f.ShippedFolders = {dir.Path()};
    return f;
}

std::string MakeBook(const TempDir& dir, const std::string& name, int lines) {
    std::string text = Sjis("吾輩は猫である\r\n夏目漱石\r\n");
    for (int i = 2; i < lines; ++i) text += Sjis("本文の行です。") + "\r\n";
    WriteFileBytes(dir.File(name), text);
    return dir.File(name);
}

void WriteState(const TempDir& dir, const std::string& base, const std::string& body) {
    MakeFolders(dir.File("MirvoKs"));
    WriteFileBytes(dir.File("MirvoKs/" + base + ".INI"), body);
}

// A started reader on a book (or none), turning pages without pauses.
struct Running {
    TempDir dir;
    ReaderWindows windows;
    TfrmMirvoMainForm* w = nullptr;

    bool Start(const std::vector<std::string>& args) {
        const bool ok = StartReader(windows, Folders(dir), args, false);
        w = windows.main.get();
        w->Core().ChangeSettings([&](Settings& s) { s.ChangeSpeed = 200; });
        return ok;
    }
    QString Panel0() const { return w->stbPanel0->text(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(w, key, mods);
    }
};

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
        QCOMPARE(w->mmiExit->text(), QString("Mirvoの終了(&X)"));
        QCOMPARE(w->msiPageNext->text(), QString("次ページ(&N)  SPACE"));
        QCOMPARE(w->msiPagePrev->text(), QString("前ページ(&P)  BS"));
        QCOMPARE(w->msiView->text(), QString("ビュー(&V)"));
        QCOMPARE(w->msiCont->text(), QString("目次(&T)"));
        QCOMPARE(w->scbStatus->toolTip(), QString("クイックジャンプできます"));
        QCOMPARE(w->stbPanel0->width(), 100);
        QCOMPARE(w->pnlStatus->height(), 27);
        QVERIFY(w->findChild<QWidget*>("imgLeftPage"));
        QVERIFY(w->findChild<QWidget*>("stgPageList"));
        QVERIFY(w->spbView->isChecked());
        QCOMPARE(w->stgPageList->horizontalHeaderItem(1)->text(), QString("目 次"));
        QCOMPARE(w->stgPageList->horizontalHeaderItem(2)->text(), QString("ページ"));
        QCOMPARE(w->stgPageList->rowCount(), 1);  // the empty last row
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
        const QRect area = r.w->ntbBase->geometry();
        QCOMPARE(area.height(), static_cast<int>(0.94 * r.w->imgBase->height()));
        QVERIFY(r.w->imgLeftPage->width() > r.w->imgRightPage->width());
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
        QCOMPARE(r.w->scbStatus->maximum(), 12);
        QCOMPARE(r.w->scbStatus->value(), 12 - 6);
        QCOMPARE(r.w->stbPanel1->text(), QString::fromStdString(book));
        // What is on screen is the core's right page, at the page image's size.
        QCOMPARE(r.w->imgRightPage->width(), r.w->Core().Spread().RightPage().Width());
        const QImage shown = r.w->imgRightPage->grab().toImage();
        QCOMPARE(shown.width(), r.w->imgRightPage->width());
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
        r.w->msiPageNext->trigger();
        QCOMPARE(r.Panel0(), QString("1/2"));
        QTest::mouseClick(r.w->imgRightPage, Qt::LeftButton);
        QCOMPARE(r.Panel0(), QString("表紙"));
    }

    void scrollBarSetsThePageWithoutRedrawing() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 115);
        WriteState(r.dir, "book", "[Mirvo]\r\nCurrentPage=1\r\n");
        QVERIFY(r.Start({book}));
        const Bitmap before = r.w->Core().Spread().RightPage();
        r.w->scbStatus->setValue(5);
        QCOMPARE(r.w->Core().CurrentPage(), 7);
        r.w->scbStatus->setValue(6);
        QCOMPARE(r.w->Core().CurrentPage(), 7);
        QCOMPARE(r.Panel0(), QString("1/12"));
        QVERIFY(r.w->Core().Spread().RightPage() == before);
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("9/12"));
        QCOMPARE(r.w->scbStatus->value(), 4);
    }

    void viewSwitchSetsMenusAndKeyPreview() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        QVERIFY(r.Start({book}));
        r.Key(Qt::Key_Space);
        QCOMPARE(r.Panel0(), QString("1/4"));
        r.w->msiCont->trigger();
        QCOMPARE(r.w->ntbBase->currentIndex(), 1);
        QVERIFY(r.w->msiCont->isChecked());
        QVERIFY(!r.w->msiView->isChecked());
        QVERIFY(!r.w->msiPageNext->isEnabled());
        QVERIFY(!r.w->msiPagePrev->isEnabled());
        QVERIFY(r.w->spbView->isChecked());  // the tool buttons stay as they were
        r.Key(Qt::Key_Space);                // SPACE acts in the grid now
        QCOMPARE(r.w->Core().CurrentPage(), 1);
        const int h = r.w->ContentsRowHeight();
        QCOMPARE(r.w->stgPageList->columnWidth(0), h);
        QCOMPARE(r.w->stgPageList->columnWidth(2), 3 * h);
        QCOMPARE(r.w->stgPageList->columnWidth(1), r.w->ntbBase->width() - 4 * h);
        r.w->spbView->click();
        QCOMPARE(r.w->ntbBase->currentIndex(), 0);
        QVERIFY(r.w->msiView->isChecked());
        QVERIFY(r.w->msiPageNext->isEnabled());
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
        QCOMPARE(r.w->stbPanel1->text(), QString::fromStdString(r.dir.File("吾輩.txt")));
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
        QTableWidget* grid = w->stgPageList;
        auto entries = [grid] {  // mark, caption and page of each row but the empty last one
            QStringList out;
            for (int i = 0; i + 1 < grid->rowCount(); ++i)
                out << grid->item(i, 0)->text() + grid->item(i, 1)->text() +
                           grid->item(i, 2)->text();
            return out;
        };

        w->pmiClip->trigger();  // on the front cover: nothing to mark
        r.Key(Qt::Key_Space);   // page 1, marked twice with the text drawn in its first row
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10),
                               w->imgRightPage->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(w->imgRightPage, &menu);
        QVERIFY(w->ppmPage->isVisible());
        w->ppmPage->hide();
        w->pmiClip->trigger();
        w->msiClipIns->trigger();
        r.Key(Qt::Key_Space);
        r.Key(Qt::Key_Space);
        w->scbStatus->setValue(w->scbStatus->maximum());  // page 1, but page 5 is on show
        w->msiClipIns->trigger();

        w->msiCont->trigger();
        QVERIFY(!w->msiClipIns->isEnabled() && w->msiClipDel->isEnabled());
        QCOMPARE(entries(), QStringList({"⇒｜本文の行1", "⇒｜本文の行1", "◎第一章2", "◎第二章4",
                                         "⇒本文の行です。5"}));
        // The three columns fill the book area's width; nothing scrolls sideways.
        QCOMPARE(grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2),
                 grid->viewport()->width());
        QCOMPARE(grid->viewport()->width(), w->ntbBase->width());
        QCOMPARE(grid->columnWidth(2), 3 * w->ContentsRowHeight());
        for (const int row : {2, 5}) {  // a heading, the empty row: nothing
            grid->setCurrentCell(row, 1);
            w->pmiDelClip->trigger();
        }
        grid->setCurrentCell(0, 1);
        w->msiClipDel->trigger();
        QCOMPARE(grid->rowCount(), 5);

        // Twenty rows a page: page 1 keeps its bookmark, labelled now with its first row as
        // stored and placed after the heading of its page; page 5 is gone, and its bookmark.
        w->Core().ChangeSettings([&](Settings& s) { s.RowCount = 20; });
        QTest::keyClick(grid, Qt::Key_F5);
        QCOMPARE(entries(), QStringList({"◎第一章1", "⇒｜本文《ほんぶん》の行1", "◎第二章2"}));
        QCOMPARE(w->scbStatus->maximum(), 3);

        // Enter on the bookmark, a double-click on the second heading.
        grid->setCurrentCell(1, 1);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(w->ntbBase->currentIndex(), 0);
        QCOMPARE(r.Panel0(), QString("1/3"));
        w->msiCont->trigger();
        const QRect second = grid->visualItemRect(grid->item(2, 1));
        // A double-click: press and release, then the second press.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(w->ntbBase->currentIndex(), 0);
        QCOMPARE(r.Panel0(), QString("2/3"));  // the even page on the right, 3 on the left
        QCOMPARE(w->Core().Spread().Texts().LeftPageText[0], w->Core().Book().Rows()[40]);

        // The footnote in row 6 of the left page (page 3): the spread's third mark.
        TfrmComment* popup = r.windows.comment.get();
        QWidget* active = QApplication::activeWindow();
        const int pw = w->imgLeftPage->width(), ph = w->imgLeftPage->height();
        const QPoint mark(static_cast<int>(0.05 * pw + 0.9 * (pw - 6.5 * pw / 21.0)),
                          static_cast<int>(0.05 * ph + 0.9 * 4.5 * ph / 51.0));
        QTest::mouseMove(w->imgLeftPage, mark);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->lblComment->text(), QString("左の注"));
        QCOMPARE(popup->width(), 45);  // 6 bytes x 13 / 1.7
        QCOMPARE(popup->pos(), w->imgLeftPage->mapToGlobal(mark) - QPoint(0, 10));
        QCOMPARE(QApplication::activeWindow(), active);  // the pop-up takes no focus
        QTest::mouseMove(w->imgLeftPage, mark + QPoint(0, 2 * ph / 51));  // the mark's lower half
        QTRY_VERIFY(!popup->isVisible());
        QTest::mouseMove(w->imgLeftPage, mark);
        QTRY_VERIFY(popup->isVisible());
        w->showMinimized();
        QTRY_VERIFY(!popup->isVisible());
        w->showNormal();
        // Never with annotations off (a formatting setting: once the book is formatted so),
        // nor on a cover (whose face lies where the mark was and whose page texts are still
        // the last spread's).
        w->Core().ChangeSettings([&](Settings& s) { s.UseComment = false; });
        w->mmiReView->trigger();
        QTest::mouseMove(w->imgLeftPage, mark);
        QVERIFY(!popup->isVisible());
        w->Core().ChangeSettings([&](Settings& s) { s.UseComment = true; });
        w->mmiReView->trigger();
        r.Key(Qt::Key_Backspace);
        QCOMPARE(r.Panel0(), QString("表紙"));
        QTest::mouseMove(w->imgLeftPage, mark);
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
        QCOMPARE(Captions(w->mniWindow->actions()),
                 QStringList({"全画面表示(&A)", "-", "ﾂｰﾙﾊﾞｰを隠す(&T)", "ｽﾃｰﾀｽﾊﾞｰを隠す(&S)"}));
        QCOMPARE(w->mmnMainManu->actions().last()->menu(), w->mniWindow);
        QCOMPARE(w->mniWindow->title(), QString("ｳｨﾝﾄﾞｳ(&W)"));
        r.Key(Qt::Key_Space);
        w->setGeometry(120, 90, 700, 520);
        QTRY_COMPARE(w->geometry(), QRect(120, 90, 700, 520));
        const QRect normal = w->frameGeometry();
        w->showMaximized();
        QTRY_VERIFY(w->isMaximized() && w->frameGeometry() != normal);
        auto spreadTakes = [w](double ratio) {
            const int h = w->imgBase->height();
            return w->ntbBase->height() == static_cast<int>(ratio * h) &&
                   w->ntbBase->y() == static_cast<int>((1 - ratio) * h / 2) &&
                   w->ntbBase->x() == (w->imgBase->width() - w->ntbBase->width()) / 2;
        };

        // Without the stored bounds there is no way back: the window stays as it was.
        const QString ini = QString::fromStdString(r.dir.File("Mirvo.INI"));
        QVERIFY(QDir().mkdir(ini));
        auto error = test::AnswerNextModal("OK");
        w->msiAllDisp->trigger();
        QVERIFY(error->shown && error->text == ini + " に書き込めません");
        QVERIFY(!w->msiAllDisp->isChecked() && !w->isFullScreen());
        QTRY_VERIFY(w->isMaximized() && spreadTakes(0.94));
        QVERIFY(QDir().rmdir(ini));

        w->msiAllDisp->trigger();
        QVERIFY(w->msiAllDisp->isChecked());
        QTRY_VERIFY(w->isFullScreen());
        ProfileFile file(ini.toStdString());
        QCOMPARE(
            QRect(file.ReadInteger("PosSize", "Left", -1), file.ReadInteger("PosSize", "Top", -1),
                  file.ReadInteger("PosSize", "Width", -1),
                  file.ReadInteger("PosSize", "Height", -1)),
            normal);
        QTRY_VERIFY(spreadTakes(1.0));
        const int fullHeight = w->imgBase->height();
        w->msiHideTLBar->trigger();
        QVERIFY(!w->tlbBasic->isVisible() && !w->tlbBookStand->isVisible());
        QVERIFY(w->imgBase->height() > fullHeight);  // laid out at once
        QVERIFY(spreadTakes(1.0));

        w->msiAllDisp->trigger();
        QVERIFY(!w->msiAllDisp->isChecked());
        QTRY_COMPARE(w->frameGeometry(), normal);
        QVERIFY(!w->isMaximized() && !w->isFullScreen());
        QVERIFY(w->msiHideTLBar->isChecked() && !w->tlbBasic->isVisible());
        QTRY_VERIFY(spreadTakes(0.94));
        QCOMPARE(r.Panel0(), QString("1/4"));

        w->msiHideStBar->trigger();
        QVERIFY(w->msiHideStBar->isChecked());
        QCOMPARE(w->pnlStatus->height(), 1);
        QVERIFY(spreadTakes(0.94));
        w->msiHideStBar->trigger();
        QCOMPARE(w->pnlStatus->height(), 27);

        // The keys deleted while full screen was on: the top-left corner at 600 x 460.
        w->msiAllDisp->trigger();
        QTRY_VERIFY(w->isFullScreen());
        QFile::remove(ini);
        w->msiAllDisp->trigger();
        QTRY_COMPARE(w->frameGeometry(), QRect(0, 0, 600, 460));
    }

    // The file menu and the bookshelf toolbar: opening a file (cancelled, then chosen),
    // creating a book, opening the shelf.
    void fileCommandsThroughTheWindow() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        const std::string other = MakeBook(r.dir, "other.txt", 80);
        QVERIFY(r.Start({book}));
        TfrmMirvoMainForm* w = r.w;
        QCOMPARE(Captions(w->mniFile->actions()),
                 QStringList({"ﾃｷｽﾄﾌｧｲﾙを開く(&O)", "本(棚)を開く(&B)", "-", "本の新規作成(&N)",
                              "-", "Mirvoの終了(&X)"}));
        QCOMPARE(w->spbFileOpen->text(), QString("ﾃｷｽﾄﾌｧｲﾙを開く"));
        QCOMPARE(w->spbFileOpen->toolTip(), QString("ﾃｷｽﾄﾌｧｲﾙを開きます。"));
        QCOMPARE(w->spbBookStand->toolTip(), QString("本棚関連のﾎﾞﾀﾝを表示します。"));
        QVERIFY(!w->spbBookStand->icon().isNull());
        QCOMPARE(w->spbBKOpen->text(), QString("本(棚)を開く"));
        QCOMPARE(w->spbBKNew->text(), QString("本の作成"));
        QCOMPARE(w->tlbBookStand->actions().size(), 5);  // four buttons and a separator
        QVERIFY(!w->spbBKOpen->isVisible() && !w->spbBKNew->isVisible());
        w->spbBookStand->click();
        QTRY_VERIFY(w->spbBKOpen->isVisible() && w->spbBKNew->isVisible());
        w->spbBookStand->click();
        QTRY_VERIFY(!w->spbBKOpen->isVisible() && !w->spbBKNew->isVisible());

        // Cancelled: the book on show is saved all the same.
        r.Key(Qt::Key_Space);
        r.Key(Qt::Key_Space);
        AnswerFileDialog(QString());
        w->spbFileOpen->click();
        QCOMPARE(ProfileFile(r.dir.File("MirvoKs/book.INI")).ReadInteger("Mirvo", "CurrentPage", 0),
                 3);
        AnswerFileDialog(QString::fromStdString(other));
        w->mmiOpen->trigger();
        QCOMPARE(w->scbStatus->maximum(), 8);  // the other book

        // A book on a shelf chosen in the settings.
        const std::string shelf = r.dir.File("shelf");
        MakeFolders(shelf);
        w->Core().ChangeSettings([&](Settings& s) { s.BKStandFolder = shelf; });
        auto yes = test::AnswerNextModal("はい(&Y)");
        std::shared_ptr<test::ModalSeen> ok;
        QTimer::singleShot(0, [&] { ok = test::AnswerNextModal("OK"); });
        w->msBKNew->trigger();
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
        w->msiBKOpen->trigger();
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
        wheel(r.w->imgRightPage, -120);
        QCOMPARE(r.Panel0(), QString("1/4"));
        wheel(r.w->imgBase, -240);
        QCOMPARE(r.Panel0(), QString("裏表紙"));  // two notches: 3, then past the end
        wheel(r.w->imgLeftPage, 120);
        QCOMPARE(r.Panel0(), QString("3/4"));
        r.w->msiCont->trigger();
        r.Key(Qt::Key_Home);
        wheel(r.w->stgPageList->viewport(), -120);
        QCOMPARE(r.w->Core().CurrentPage(), 3);
    }

    void resizeLaysTheSpreadOutAgain() {
        Running r;
        const std::string book = MakeBook(r.dir, "book.txt", 40);
        QVERIFY(r.Start({book}));
        r.Key(Qt::Key_Space);
        r.w->resize(900, 700);
        QApplication::processEvents();
        const int h = r.w->imgBase->height();
        QCOMPARE(r.w->ntbBase->height(), static_cast<int>(0.94 * h));
        QCOMPARE(r.w->imgLeftPage->height(), r.w->Core().Spread().LeftPage().Height());
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
