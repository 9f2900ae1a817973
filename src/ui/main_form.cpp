#include "ui/main_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMoveEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include "app/file_commands.h"
#include "format/cp932.h"
#include "ui/alert.h"
#include "ui/application.h"
#include "ui/comment.h"
#include "ui/file_dialogs.h"
#include "ui/message_boxes.h"
#include "ui/option.h"
#include "ui/page_image.h"
#include "ui/request_queue.h"
#include "ui/sound.h"
#include "ui/window_font.h"
#include "ui/window_frame.h"
#include "viewer/page_turn.h"

namespace mirvo::ui {
namespace {

// Text for the screen; paths in it may be bytes that are not UTF-8.
QString Q(const std::string& text) {
    const std::string utf8 = ReadableUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QRectF ToQRectF(const Rect& r) {
    return QRectF(r.left, r.top, r.Width(), r.Height());
}

constexpr int kScrollPanelWidth = 185;

// The page keys by name.
ReaderKey ToReaderKey(int key) {
    switch (key) {
        case Qt::Key_Space:
            return ReaderKey::Space;
        case Qt::Key_Backspace:
            return ReaderKey::Backspace;
        case Qt::Key_Left:
            return ReaderKey::Left;
        case Qt::Key_Right:
            return ReaderKey::Right;
        case Qt::Key_PageUp:
            return ReaderKey::PageUp;
        case Qt::Key_PageDown:
            return ReaderKey::PageDown;
        case Qt::Key_Home:
            return ReaderKey::Home;
        case Qt::Key_End:
            return ReaderKey::End;
        default:
            return ReaderKey::Other;
    }
}

}  // namespace

TfrmMirvoMainForm::TfrmMirvoMainForm(ProgramFolders folders, QWidget* parent)
    : QMainWindow(parent), core_(*this, std::move(folders)) {
    setObjectName("TfrmMirvoMainForm");
    setWindowTitle(QStringLiteral("Mirvo"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));
    BuildMenus();
    BuildWindowMenu();
    BuildToolBars();
    BuildCentralArea();
    BuildPopupMenus();
    frame_ = new WindowFrame(this);
    dialogs_ = std::make_unique<FileDialogs>(this, [this] {
        return core_.DocumentPath().empty() ? std::string() : FolderOf(core_.DocumentPath());
    });
    std::string wav = core_.Folders().FindShippedFile("Change.WAV");
    if (wav.empty()) wav = JoinPath(core_.Folders().ExecutableFolder, "Change.WAV");
    sound_ = std::make_unique<PageTurnSound>(Q(wav));
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    requests_ = new RequestQueue(
        {.coreBusy = [this] { return InCoreStep(); },
         .openHandedOver =
             [this](const std::string& path) { Guarded([&] { core_.ReceiveHandOff(path); }); },
         .openDropped = [this](const std::string& path) { DropFile(path); },
         .save = [this] { Guarded([this] { core_.FormClose(); }); },
         .quit =
             [this] {
                 close();
                 QCoreApplication::exit(0);
             }},
        this);
    // Client area 600 x 432 below the menu bar.
    resize(600, 432 + mmnMainManu->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

TfrmMirvoMainForm::~TfrmMirvoMainForm() {
    qApp->removeEventFilter(this);
    core_.FormDestroy();
}

void TfrmMirvoMainForm::BuildMenus() {
    mmnMainManu = menuBar();
    mmnMainManu->setObjectName("mmnMainManu");

    mniFile = mmnMainManu->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    mniFile->setObjectName("mniFile");
    mmiOpen = mniFile->addAction(QStringLiteral("ﾃｷｽﾄﾌｧｲﾙを開く(&O)"));
    mmiOpen->setObjectName("mmiOpen");
    msiBKOpen = mniFile->addAction(QStringLiteral("本(棚)を開く(&B)"));
    msiBKOpen->setObjectName("msiBKOpen");
    mniFile->addSeparator();
    msBKNew = mniFile->addAction(QStringLiteral("本の新規作成(&N)"));
    msBKNew->setObjectName("msBKNew");
    mniFile->addSeparator();
    // The dialogs run inside the step, so that nothing from outside opens a book meanwhile.
    connect(mmiOpen, &QAction::triggered, this,
            [this] { Guarded([this] { msiOpenClick(core_, *dialogs_); }); });
    connect(msiBKOpen, &QAction::triggered, this,
            [this] { Guarded([this] { msiBKOpenClick(core_, *dialogs_); }); });
    connect(msBKNew, &QAction::triggered, this,
            [this] { Guarded([this] { msBKNewClick(core_, *dialogs_, ExecutablePath()); }); });
    mmiExit = mniFile->addAction(QStringLiteral("Mirvoの終了(&X)"));
    mmiExit->setObjectName("mmiExit");
    connect(mmiExit, &QAction::triggered, this, &QWidget::close);

    mniView = mmnMainManu->addMenu(QStringLiteral("表示(&V)"));
    mniView->setObjectName("mniView");
    msiView = mniView->addAction(QStringLiteral("ビュー(&V)"));
    msiView->setObjectName("msiView");
    msiView->setCheckable(true);
    msiView->setChecked(true);
    msiCont = mniView->addAction(QStringLiteral("目次(&T)"));
    msiCont->setObjectName("msiCont");
    msiCont->setCheckable(true);
    connect(msiView, &QAction::triggered, this,
            [this] { Guarded([this] { core_.msiViewClick(); }); });
    connect(msiCont, &QAction::triggered, this,
            [this] { Guarded([this] { core_.msiContentsClick(); }); });
    mniView->addSeparator();
    mmiReView = mniView->addAction(QStringLiteral("再表示(&R)"));
    mmiReView->setObjectName("mmiReView");
    mmiReView->setShortcut(QKeySequence(Qt::Key_F5));
    mmiReView->setEnabled(false);
    addAction(mmiReView);  // F5 also when the menu bar is hidden
    connect(mmiReView, &QAction::triggered, this,
            [this] { Guarded([this] { core_.mmiReViewClick(); }); });

    mniMove = mmnMainManu->addMenu(QStringLiteral("移動(&M)"));
    mniMove->setObjectName("mniMove");
    msiPageNext = mniMove->addAction(QStringLiteral("次ページ(&N)  SPACE"));
    msiPageNext->setObjectName("msiPageNext");
    msiPagePrev = mniMove->addAction(QStringLiteral("前ページ(&P)  BS"));
    msiPagePrev->setObjectName("msiPagePrev");
    connect(msiPageNext, &QAction::triggered, this,
            [this] { Guarded([this] { core_.PageClick(PageRequester::LeftPage); }); });
    connect(msiPagePrev, &QAction::triggered, this,
            [this] { Guarded([this] { core_.PageClick(PageRequester::RightPage); }); });
    mniMove->addSeparator();
    msiClip = mniMove->addMenu(QStringLiteral("しおり(&C)"));
    msiClip->setObjectName("msiClip");
    msiClipIns = msiClip->addAction(QStringLiteral("はさむ(&I)"));
    msiClipIns->setObjectName("msiClipIns");
    msiClipDel = msiClip->addAction(QStringLiteral("削除(&D)"));
    msiClipDel->setObjectName("msiClipDel");
    msiClipDel->setEnabled(false);
    connect(msiClipIns, &QAction::triggered, this,
            [this] { Guarded([this] { core_.pmiClipClick(); }); });
    connect(msiClipDel, &QAction::triggered, this,
            [this] { Guarded([this] { core_.pmiDelClipClick(SelectedContentsRow()); }); });

    mniOther = mmnMainManu->addMenu(QStringLiteral("その他(&O)"));
    mniOther->setObjectName("mniOther");
    msiConfig = mniOther->addAction(QStringLiteral("環境設定(&C)"));
    msiConfig->setObjectName("msiConfig");
    connect(msiConfig, &QAction::triggered, this,
            [this] { Guarded([this] { core_.msiConfigClick(); }); });
}

void TfrmMirvoMainForm::BuildWindowMenu() {
    mniWindow = mmnMainManu->addMenu(QStringLiteral("ｳｨﾝﾄﾞｳ(&W)"));
    mniWindow->setObjectName("mniWindow");
    msiAllDisp = mniWindow->addAction(QStringLiteral("全画面表示(&A)"));
    msiAllDisp->setObjectName("msiAllDisp");
    mniWindow->addSeparator();
    msiHideTLBar = mniWindow->addAction(QStringLiteral("ﾂｰﾙﾊﾞｰを隠す(&T)"));
    msiHideTLBar->setObjectName("msiHideTLBar");
    msiHideStBar = mniWindow->addAction(QStringLiteral("ｽﾃｰﾀｽﾊﾞｰを隠す(&S)"));
    msiHideStBar->setObjectName("msiHideStBar");
    for (QAction* item : {msiAllDisp, msiHideTLBar, msiHideStBar}) item->setCheckable(true);
    connect(msiAllDisp, &QAction::triggered, this, [this] {
        Guarded([this] { modes_.msiAllDispClick(core_, *frame_); });
        ShowModeChecks();
    });
    connect(msiHideTLBar, &QAction::triggered, this, [this] {
        Guarded([this] { modes_.msiHideTLBarClick(*frame_); });
        ShowModeChecks();
    });
    connect(msiHideStBar, &QAction::triggered, this, [this] {
        Guarded([this] { modes_.msiHideStBarClick(*frame_); });
        ShowModeChecks();
    });
}

void TfrmMirvoMainForm::ShowModeChecks() {
    msiAllDisp->setChecked(modes_.AllDisp());
    msiHideTLBar->setChecked(modes_.HideTLBar());
    msiHideStBar->setChecked(modes_.HideStBar());
}

void TfrmMirvoMainForm::BuildPopupMenus() {
    ppmPage = new QMenu(this);
    ppmPage->setObjectName("ppmPage");
    pmiClip = ppmPage->addAction(QStringLiteral("しおりをはさむ"));
    pmiClip->setObjectName("pmiClip");
    connect(pmiClip, &QAction::triggered, this,
            [this] { Guarded([this] { core_.pmiClipClick(); }); });
    for (PictureWidget* page : {imgLeftPage, imgRightPage}) {
        page->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(page, &QWidget::customContextMenuRequested, this,
                [this, page](const QPoint& at) { ppmPage->popup(page->mapToGlobal(at)); });
    }

    ppmCont = new QMenu(this);
    ppmCont->setObjectName("ppmCont");
    pmiDelClip = ppmCont->addAction(QStringLiteral("しおりを削除"));
    pmiDelClip->setObjectName("pmiDelClip");
    connect(pmiDelClip, &QAction::triggered, this,
            [this] { Guarded([this] { core_.pmiDelClipClick(SelectedContentsRow()); }); });
    stgPageList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(stgPageList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ppmCont->popup(stgPageList->viewport()->mapToGlobal(at)); });
}

void TfrmMirvoMainForm::BuildToolBars() {
    tlbBookStand = new QToolBar(this);
    tlbBookStand->setObjectName("tlbBookStand");
    tlbBookStand->setMovable(false);
    addToolBar(Qt::TopToolBarArea, tlbBookStand);
    BuildBookStand();
    tlbBasic = new QToolBar(this);
    tlbBasic->setObjectName("tlbBasic");
    tlbBasic->setMovable(false);
    addToolBar(Qt::TopToolBarArea, tlbBasic);

    auto makeButton = [this](const char* name, const QString& caption) {
        auto* b = new QToolButton(tlbBasic);
        b->setObjectName(name);
        b->setText(caption);
        b->setAutoRaise(true);
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        tlbBasic->addWidget(b);
        return b;
    };
    spbView = makeButton("spbView", QStringLiteral("ビュー"));
    spbContents = makeButton("spbContents", QStringLiteral("目次"));
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    group->addButton(spbView);
    group->addButton(spbContents);
    spbView->setChecked(true);
    connect(spbView, &QToolButton::clicked, this,
            [this] { Guarded([this] { core_.msiViewClick(); }); });
    connect(spbContents, &QToolButton::clicked, this,
            [this] { Guarded([this] { core_.msiContentsClick(); }); });

    spbConfig = new QToolButton(tlbBasic);
    spbConfig->setObjectName("spbConfig");
    spbConfig->setText(QStringLiteral("設定"));
    spbConfig->setToolTip(QStringLiteral("各種設定を行います。"));
    spbConfig->setAutoRaise(true);
    spbConfig->setFocusPolicy(Qt::NoFocus);
    tlbBasic->addWidget(spbConfig);
    connect(spbConfig, &QToolButton::clicked, msiConfig, &QAction::trigger);
}

void TfrmMirvoMainForm::BuildBookStand() {
    auto makeButton = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QToolButton(tlbBookStand);
        b->setObjectName(name);
        b->setText(caption);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    spbFileOpen = makeButton("spbFileOpen", QStringLiteral("ﾃｷｽﾄﾌｧｲﾙを開く"),
                             QStringLiteral("ﾃｷｽﾄﾌｧｲﾙを開きます。"));
    spbBookStand =
        makeButton("spbBookStand", QString(), QStringLiteral("本棚関連のﾎﾞﾀﾝを表示します。"));
    spbBookStand->setIcon(BookStandIcon());
    spbBookStand->setCheckable(true);
    spbBKOpen = makeButton("spbBKOpen", QStringLiteral("本(棚)を開く"), QString());
    spbBKNew = makeButton("spbBKNew", QStringLiteral("本の作成"), QString());
    tlbBookStand->addWidget(spbFileOpen);
    tlbBookStand->addSeparator();
    tlbBookStand->addWidget(spbBookStand);
    spbBKOpenItem_ = tlbBookStand->addWidget(spbBKOpen);
    spbBKNewItem_ = tlbBookStand->addWidget(spbBKNew);
    connect(spbFileOpen, &QToolButton::clicked, mmiOpen, &QAction::trigger);
    connect(spbBKOpen, &QToolButton::clicked, msiBKOpen, &QAction::trigger);
    connect(spbBKNew, &QToolButton::clicked, msBKNew, &QAction::trigger);
    connect(spbBookStand, &QToolButton::toggled, this,
            [this](bool down) { spbBookStandClick(down); });
    FormShow();  // hidden from the first showing on
}

void TfrmMirvoMainForm::spbBookStandClick(bool down) {
    spbBKOpenItem_->setVisible(down);
    spbBKNewItem_->setVisible(down);
}

void TfrmMirvoMainForm::FormShow() {
    spbBKOpenItem_->setVisible(false);
    spbBKNewItem_->setVisible(false);
}

void TfrmMirvoMainForm::BuildCentralArea() {
    auto* central = new QWidget(this);
    central->setObjectName("central");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pnlBase = new QWidget(central);
    pnlBase->setObjectName("pnlBase");
    auto* baseLayout = new QVBoxLayout(pnlBase);
    baseLayout->setContentsMargins(1, 1, 1, 1);
    imgBase = new PictureWidget(core_.BaseImage(), pnlBase);
    imgBase->setObjectName("imgBase");
    baseLayout->addWidget(imgBase);
    connect(imgBase, &PictureWidget::resized, this, [this] {
        ++resizes_;
        PictureAreaResized();
    });

    lblRightPageNo = new QLabel(imgBase);
    lblRightPageNo->setObjectName("lblRightPageNo");
    lblLeftPageNo = new QLabel(imgBase);
    lblLeftPageNo->setObjectName("lblLeftPageNo");

    ntbBase = new QStackedWidget(imgBase);
    ntbBase->setObjectName("ntbBase");
    Panel1 = new QWidget;
    Panel1->setObjectName("Panel1");
    Panel1->setWindowTitle(QStringLiteral("ビュー"));
    imgLeftPage = new PictureWidget(core_.LeftPage(), Panel1);
    imgLeftPage->setObjectName("imgLeftPage");
    imgRightPage = new PictureWidget(core_.RightPage(), Panel1);
    imgRightPage->setObjectName("imgRightPage");
    for (PictureWidget* page : {imgLeftPage, imgRightPage}) {
        page->setCursor(Qt::PointingHandCursor);
        page->setMouseTracking(true);
    }
    connect(imgLeftPage, &PictureWidget::clicked, this,
            [this] { Guarded([this] { core_.PageClick(PageRequester::LeftPage); }); });
    connect(imgRightPage, &PictureWidget::clicked, this,
            [this] { Guarded([this] { core_.PageClick(PageRequester::RightPage); }); });
    connect(imgLeftPage, &PictureWidget::mouseMoved, this,
            [this](const QPointF& at, const QPointF& global) {
                imgRightPageMouseMove(PageRequester::LeftPage, at, global);
            });
    connect(imgRightPage, &PictureWidget::mouseMoved, this,
            [this](const QPointF& at, const QPointF& global) {
                imgRightPageMouseMove(PageRequester::RightPage, at, global);
            });
    ntbBase->addWidget(Panel1);

    stgPageList = new QTableWidget(0, 3);
    stgPageList->setObjectName("stgPageList");
    stgPageList->setWindowTitle(QStringLiteral("目次"));
    stgPageList->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("目 次"), QStringLiteral("ページ")});
    stgPageList->verticalHeader()->hide();
    stgPageList->setShowGrid(false);
    stgPageList->setSelectionBehavior(QAbstractItemView::SelectRows);
    stgPageList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    stgPageList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The mark and page columns keep their widths; the text column takes the rest of the
    // book area's width, so the three always fit it and nothing scrolls sideways.
    QHeaderView* columns = stgPageList->horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(1);
    columns->setSectionResizeMode(0, QHeaderView::Fixed);
    columns->setSectionResizeMode(1, QHeaderView::Stretch);
    columns->setSectionResizeMode(2, QHeaderView::Fixed);
    stgPageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stgPageList->setFrameShape(QFrame::NoFrame);
    connect(stgPageList, &QTableWidget::cellDoubleClicked, this, [this] { stgPageListDblClick(); });
    ntbBase->addWidget(stgPageList);
    ntbBase->setCurrentIndex(0);

    layout->addWidget(pnlBase, 1);
    BuildStatusArea();
    layout->addWidget(pnlStatus);
    setCentralWidget(central);
}

void TfrmMirvoMainForm::BuildStatusArea() {
    pnlStatus = new QWidget;
    pnlStatus->setObjectName("pnlStatus");
    pnlStatus->setFixedHeight(kStatusAreaHeight);
    auto* layout = new QHBoxLayout(pnlStatus);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* scrollPanel = new QWidget(pnlStatus);
    scrollPanel->setObjectName("pnlScroll");
    scrollPanel->setFixedWidth(kScrollPanelWidth);
    auto* scrollLayout = new QHBoxLayout(scrollPanel);
    scrollLayout->setContentsMargins(2, 2, 2, 2);
    scbStatus = new QScrollBar(Qt::Horizontal, scrollPanel);
    scbStatus->setObjectName("scbStatus");
    scbStatus->setToolTip(QStringLiteral("クイックジャンプできます"));
    scbStatus->setRange(1, 9999);
    scbStatus->setValue(1);
    scbStatus->setSingleStep(2);
    scbStatus->setPageStep(2);
    scbStatus->setFocusPolicy(Qt::NoFocus);
    scrollLayout->addWidget(scbStatus);
    connect(scbStatus, &QScrollBar::valueChanged, this, [this](int position) {
        if (!settingScroll_) Guarded([&] { core_.scbStatusScroll(position); });
    });
    connect(scbStatus, &QScrollBar::sliderReleased, this,
            [this] { Guarded([this] { core_.scbStatusScroll(scbStatus->value()); }); });

    stbStatus = new QStatusBar(pnlStatus);
    stbStatus->setObjectName("stbStatus");
    stbStatus->setSizeGripEnabled(false);
    stbPanel0 = new QLabel(stbStatus);
    stbPanel0->setObjectName("stbPanel0");
    stbPanel0->setFixedWidth(100);
    stbPanel1 = new QLabel(stbStatus);
    stbPanel1->setObjectName("stbPanel1");
    stbPanel1->setMinimumWidth(50);
    stbStatus->addWidget(stbPanel0);
    stbStatus->addWidget(stbPanel1, 1);
    layout->addWidget(scrollPanel);
    layout->addWidget(stbStatus, 1);
}

void TfrmMirvoMainForm::PictureAreaResized() {
    // The core lays out and draws in device pixels.
    const qreal ratio = DeviceRatio(imgBase);
    const int w = qRound(imgBase->width() * ratio), h = qRound(imgBase->height() * ratio);
    if (!core_.Destroying()) Guarded([&] { core_.FormResize(w, h); });
}

void TfrmMirvoMainForm::showEvent(QShowEvent* event) {
    // The window's own showing, not the window system's restoring of a minimised window.
    if (!event->spontaneous()) FormShow();
    QMainWindow::showEvent(event);
    // A move to a screen of another device pixel ratio keeps the logical size: lay the
    // book out again for the new pixels.
    if (QWindow* window = windowHandle(); window && !screenWatched_) {
        screenWatched_ = true;
        connect(window, &QWindow::screenChanged, this, [this] { PictureAreaResized(); });
    }
}

void TfrmMirvoMainForm::FormCreate(const std::vector<std::string>& arguments) {
    core_.FormCreate(arguments);
    if (!core_.LogError().empty()) ReportException(core_.LogError());
}

void TfrmMirvoMainForm::FormResize() {
    const int before = resizes_;
    // The toolbars and the status area changed; place them now rather than later.
    for (QLayout* l : {layout(), centralWidget()->layout(), pnlBase->layout()})
        if (l) l->activate();
    if (resizes_ == before) PictureAreaResized();
}

int TfrmMirvoMainForm::ContentsRowHeight() const {
    return QFontInfo(stgPageList->font()).pixelSize() + 4;
}

void TfrmMirvoMainForm::Guarded(const std::function<void()>& work) {
    // The general error report: whatever a step does not handle itself is shown, and the
    // window goes on with the state it had.
    ++coreDepth_;
    try {
        work();
    } catch (const std::exception& e) {
        ReportException(e.what());
    }
    --coreDepth_;
}

// ReaderHost ---------------------------------------------------------------------------

void TfrmMirvoMainForm::ReportError(const std::string& message) {
    if (!alert_) alert_ = new TfrmAlert(this);
    alert_->Report(message);
}

void TfrmMirvoMainForm::ReportException(const std::string& message) {
    MirvoApplication::ShowException(Q(message));
}

void TfrmMirvoMainForm::PlayTurnSound() {
    sound_->Play();
}

void TfrmMirvoMainForm::Repaint(bool left, bool right) {
    if (right) imgRightPage->repaint();
    if (left) imgLeftPage->repaint();
}

void TfrmMirvoMainForm::WaitMilliseconds(int ms) {
    mirvo::WaitMilliseconds(ms);
}

void TfrmMirvoMainForm::SetStatusText(const std::string& text) {
    const QString t = Q(text);
    if (t == stbPanel1->text()) return;
    stbPanel1->setText(t);
    stbPanel1->repaint();
}

void TfrmMirvoMainForm::SetPageIndicator(const std::string& text) {
    stbPanel0->setText(Q(text));
}

void TfrmMirvoMainForm::SetScrollBar(int min, int max, int position) {
    settingScroll_ = true;
    scbStatus->setRange(min, max);
    scbStatus->setValue(position);
    settingScroll_ = false;
}

void TfrmMirvoMainForm::BookLayoutChanged() {
    // The core's rectangles are device pixels: the book area in the picture area, the
    // page images in the book area.
    const qreal ratio = DeviceRatio(imgBase);
    const Rect& book = core_.BookArea();
    ntbBase->setGeometry(CoveringLogicalRect(ToQRectF(book), ratio));
    const QPointF bookInNotebook = ToQRectF(book).topLeft() - QPointF(ntbBase->pos()) * ratio;
    imgLeftPage->PlaceOnDevicePixels(ToQRectF(core_.LeftImage()).translated(bookInNotebook));
    imgRightPage->PlaceOnDevicePixels(ToQRectF(core_.RightImage()).translated(bookInNotebook));
    lblLeftPageNo->clear();
    lblRightPageNo->clear();
}

void TfrmMirvoMainForm::BaseChanged() {
    imgBase->update();
}

void TfrmMirvoMainForm::ContentsChanged() {
    const auto& rows = core_.Contents();
    stgPageList->clearContents();
    // The entries, then the empty row that always ends the grid.
    stgPageList->setRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const PageListRow& row = rows[static_cast<std::size_t>(r)];
        stgPageList->setItem(r, 0, new QTableWidgetItem(Q(row.Mark)));
        stgPageList->setItem(r, 1, new QTableWidgetItem(Q(row.Caption)));
        stgPageList->setItem(r, 2, new QTableWidgetItem(Q(row.PageText)));
    }
    const int h = ContentsRowHeight();
    stgPageList->verticalHeader()->setDefaultSectionSize(h);
    stgPageList->setColumnWidth(0, h);
    stgPageList->setColumnWidth(2, 3 * h);
}

void TfrmMirvoMainForm::ViewStateChanged() {
    const MenuState& m = core_.Menus();
    ntbBase->setCurrentIndex(static_cast<int>(core_.ViewPage()));
    msiView->setChecked(m.ViewChecked);
    msiCont->setChecked(m.ContentsChecked);
    msiPageNext->setEnabled(m.PagingEnabled);
    msiPagePrev->setEnabled(m.PagingEnabled);
    msiClipIns->setEnabled(m.ClipInsEnabled);
    msiClipDel->setEnabled(m.ClipDelEnabled);
    mmiReView->setEnabled(m.ReViewEnabled);
    // The pop-up belongs to the pages, which the contents page covers.
    if (core_.ViewPage() != NotebookPage::View) HideComment();
}

// Reading aids ---------------------------------------------------------------------------

void TfrmMirvoMainForm::SetComment(TfrmComment* comment) {
    comment_ = comment;
}

TfrmComment* TfrmMirvoMainForm::Comment() {
    if (!comment_) comment_ = new TfrmComment(this);
    return comment_;
}

void TfrmMirvoMainForm::HideComment() {
    if (comment_) comment_->hide();
}

int TfrmMirvoMainForm::SelectedContentsRow() const {
    return stgPageList->currentRow();
}

void TfrmMirvoMainForm::stgPageListDblClick() {
    Guarded([this] { core_.stgPageListDblClick(SelectedContentsRow()); });
}

void TfrmMirvoMainForm::imgRightPageMouseMove(PageRequester sender, const QPointF& position,
                                              const QPointF& globalPosition) {
    // The pictures are drawn in device pixels, at their device places.
    const QPointF pixel =
        (sender == PageRequester::LeftPage ? imgLeftPage : imgRightPage)->PicturePixelAt(position);
    const FootnoteHit hit = core_.imgRightPageMouseMove(sender, pixel.x(), pixel.y());
    if (hit.action == FootnoteAction::Hide) HideComment();
    if (hit.action != FootnoteAction::Show) return;
    const std::string& note = core_.Texts().FootnoteList[hit.index];
    TfrmComment* comment = Comment();
    const QPoint at = globalPosition.toPoint();
    comment->ShowNote(Q(Cp932ToUtf8(note)), FootnotePopupWidth(note.size(), comment->FontHeight()),
                      QPoint(at.x(), at.y() - 10));
}

bool TfrmMirvoMainForm::ShowOptionDialog() {
    Settings settings = core_.GetSettings();
    Bitmap base = core_.BaseTexture(), page = core_.PageTexture();
    if (!option_ || !option_->Execute(settings, base, page)) return false;
    core_.GetSettings() = settings;
    core_.StoreTextures(base, page);
    return true;
}

// Events -------------------------------------------------------------------------------

void TfrmMirvoMainForm::ReceiveHandOff(const std::string& path, std::function<void()> done) {
    // Come to the front, restored when minimised.
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (path.empty()) {
        if (done) done();
        return;
    }
    requests_->AddHandOff(path, std::move(done));
}

void TfrmMirvoMainForm::DropFile(const std::string& path) {
    if (!AskConfirmation(this, Q(path) + QStringLiteral("を開きますか？"))) return;
    Guarded([&] { core_.OpenDroppedFile(path); });
}

void TfrmMirvoMainForm::CommitSession() {
    requests_->AddSave();
}

void TfrmMirvoMainForm::RequestQuit() {
    requests_->RequestQuit();
}

void TfrmMirvoMainForm::closeEvent(QCloseEvent* event) {
    HideComment();
    Guarded([this] { core_.FormClose(); });
    event->accept();
}

void TfrmMirvoMainForm::changeEvent(QEvent* event) {
    // The pop-up never outlives the window's place on the screen or its activation.
    if ((event->type() == QEvent::WindowStateChange && isMinimized()) ||
        (event->type() == QEvent::ActivationChange && !isActiveWindow()))
        HideComment();
    QMainWindow::changeEvent(event);
}

void TfrmMirvoMainForm::moveEvent(QMoveEvent* event) {
    HideComment();
    QMainWindow::moveEvent(event);
}

void TfrmMirvoMainForm::hideEvent(QHideEvent* event) {
    HideComment();
    QMainWindow::hideEvent(event);
}

void TfrmMirvoMainForm::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void TfrmMirvoMainForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    // Only the first of several files is offered, and only after the drop has returned:
    // a question asked inside it would hold the program the file came from. The path is
    // taken as bytes (a name from a Windows archive is not UTF-8).
    requests_->AddDrop(
        QByteArray::fromPercentEncoding(urls.first().path(QUrl::FullyEncoded).toLatin1())
            .toStdString());
}

bool TfrmMirvoMainForm::FormKeyDown(int key) {
    const PageCommand command = PageCommandForKey(ToReaderKey(key));
    if (command == PageCommand::None) return false;
    Guarded([&] { RunPageCommand(core_, command); });
    return true;
}

void TfrmMirvoMainForm::WheelTurn(int angleDelta) {
    for (int turns = wheel_.Add(angleDelta); turns != 0; turns += turns > 0 ? -1 : 1)
        Guarded([&] {
            RunPageCommand(core_, turns > 0 ? PageCommand::Forward : PageCommand::Backward);
        });
}

bool TfrmMirvoMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a row of the contents opens its page, as a double-click does.
    if (event->type() == QEvent::KeyPress && watched == stgPageList) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            stgPageListDblClick();
            return true;
        }
    }
    // Key preview: while it is on, the window sees the page keys before its controls (the
    // menu bar keeps its own keys while it is being worked with).
    if (event->type() == QEvent::KeyPress && KeyPreview()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && widget != mmnMainManu &&
            FormKeyDown(static_cast<QKeyEvent*>(event)->key()))
            return true;
    }
    // The wheel over the view page turns pages where the keys do.
    if (event->type() == QEvent::Wheel && KeyPreview() && core_.ViewPage() == NotebookPage::View) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == imgBase || imgBase->isAncestorOf(widget))) {
            WheelTurn(static_cast<QWheelEvent*>(event)->angleDelta().y());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace mirvo::ui
