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
#include "ui/book_area.h"
#include "ui/comment.h"
#include "ui/file_dialogs.h"
#include "ui/find_bar.h"
#include "ui/message_boxes.h"
#include "ui/option.h"
#include "ui/page_image.h"
#include "ui/page_selection.h"
#include "ui/reader_tools.h"
#include "ui/request_queue.h"
#include "ui/sound.h"
#include "ui/status_area.h"
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
    : QMainWindow(parent), core_(*this, folders) {
    setObjectName("TfrmMirvoMainForm");
    setWindowTitle(QStringLiteral("Mirvo"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));
    BuildMenus();
    BuildToolBars();
    BuildCentralArea();
    BuildActions();
    AttachRecentMenu(menus_.at("mniFile"), menus_.at("mniRecent"), core_,
                     [this](const std::string& path) {
                         Guarded([&] { core_.OpenBook(path, BookRoute::Recent); });
                     });
    UpdateActions();
    book_->SetMenus(menus_.at("ppmPage"), menus_.at("ppmCont"));
    frame_ = new WindowFrame(
        this, QList<QToolBar*>(toolBars_.begin(), toolBars_.end()), status_,
        [this] { FormResize(); }, [this](const std::string& m) { ReportException(m); });
    dialogs_ = std::make_unique<FileDialogs>(this, [this] {
        return core_.DocumentPath().empty() ? std::string() : FolderOf(core_.DocumentPath());
    });
    std::string wav = folders.FindShippedFile("Change.WAV");
    if (wav.empty()) wav = JoinPath(folders.ExecutableFolder, "Change.WAV");
    sound_ = std::make_unique<PageTurnSound>(Q(wav));
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    requests_ = new RequestQueue(
        {.coreBusy = [this] { return InCoreStep(); },
         .openHandedOver =
             [this](const std::string& path) { Guarded([&] { core_.OpenBook(path); }); },
         .openDropped = [this](const std::string& path) { DropFile(path); },
         .save = [this] { Guarded([this] { core_.FormClose(); }); },
         .quit =
             [this] {
                 close();
                 QCoreApplication::exit(0);
             }},
        this);
    // Client area 600 x 432 below the menu bar.
    resize(600, 432 + menuBar_->sizeHint().height());
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
    menuBar_ = menuBar();
    menuBar_->setObjectName("mmnMainManu");
    for (const MenuRow& row : MenuTable()) {
        const QString caption = QString::fromUtf8(row.caption);
        // A menu inside another one takes its place there with its first item.
        QMenu* menu = !row.parent ? menuBar_->addMenu(caption) : new QMenu(caption, this);
        menu->setObjectName(row.name);
        menus_[row.name] = menu;
    }
}

void TfrmMirvoMainForm::BuildActions() {
    for (const ActionRow& row : ActionTable()) {
        QMenu* menu = menus_.at(row.menu);
        const MenuRow* parent = nullptr;
        for (const MenuRow& m : MenuTable())
            if (row.menu == std::string(m.name) && m.parent && *m.parent) parent = &m;
        if (parent && menu->actions().isEmpty()) menus_.at(parent->parent)->addMenu(menu);
        if (!row.name) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(row.caption));
        action->setObjectName(row.name);
        action->setCheckable(row.checkable);
        if (row.shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
            addAction(action);
        }
        const Command command = row.command;
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
        actions_.emplace_back(&row, action);
    }
}

void TfrmMirvoMainForm::BuildToolBars() {
    for (const ToolBarRow& row : ToolBarTable()) {
        auto* bar = new QToolBar(this);
        bar->setObjectName(row.name);
        bar->setMovable(false);
        addToolBar(Qt::TopToolBarArea, bar);
        toolBars_.push_back(bar);
    }
    auto* views = new QButtonGroup(this);
    views->setExclusive(true);
    for (const ToolButtonRow& row : ToolButtonTable()) {
        AddToolButton(row);
        if (row.kind == ButtonKind::Exclusive)
            views->addButton(findChild<QToolButton*>(QString::fromUtf8(row.name)));
    }
    if (!views->buttons().isEmpty()) views->buttons().first()->setChecked(true);
    FormShow();  // hidden from the first showing on
}

void TfrmMirvoMainForm::AddToolButton(const ToolButtonRow& row) {
    QToolBar* bar = nullptr;
    for (QToolBar* b : toolBars_)
        if (b->objectName() == QLatin1String(row.toolBar)) bar = b;
    if (row.kind == ButtonKind::Separator) {
        bar->addSeparator();
        return;
    }
    auto* button = new QToolButton(bar);
    button->setObjectName(row.name);
    button->setText(QString::fromUtf8(row.caption));
    if (*row.tip) button->setToolTip(QString::fromUtf8(row.tip));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCheckable(row.kind != ButtonKind::Push);
    if (row.command == Command::BookStand) button->setIcon(BookStandIcon());
    QAction* place = bar->addWidget(button);
    if (row.hiddenAtShow) hiddenAtShow_.push_back(place);
    const Command command = row.command;
    if (row.kind == ButtonKind::Toggle)
        connect(button, &QToolButton::toggled, this, [this, command] { Run(command); });
    else
        connect(button, &QToolButton::clicked, this, [this, command] { Run(command); });
}

void TfrmMirvoMainForm::Run(Command command) {
    switch (command) {
        // The dialogs run inside the step, so that nothing from outside opens a book meanwhile.
        case Command::OpenText:
            return Guarded([this] { msiOpenClick(core_, *dialogs_); });
        case Command::OpenBook:
            return Guarded([this] { msiBKOpenClick(core_, *dialogs_); });
        case Command::NewBook:
            return Guarded([this] { msBKNewClick(core_, *dialogs_, ExecutablePath()); });
        case Command::Exit:
            close();
            return;
        case Command::View:
            return Guarded([this] { core_.msiViewClick(); });
        case Command::Contents:
            return Guarded([this] { core_.msiContentsClick(); });
        case Command::ReView:
            return Guarded([this] { core_.mmiReViewClick(); });
        case Command::PageNext:
            return Guarded([this] { core_.PageClick(PageRequester::LeftPage); });
        case Command::PagePrev:
            return Guarded([this] { core_.PageClick(PageRequester::RightPage); });
        case Command::ClipIns:
            return Guarded([this] { core_.pmiClipClick(); });
        case Command::ClipDel:
            return Guarded([this] { core_.pmiDelClipClick(book_->SelectedContentsRow()); });
        case Command::Config:
            return Guarded([this] { core_.msiConfigClick(); });
        case Command::AllDisp:
            Guarded([this] { modes_.msiAllDispClick(core_, *frame_); });
            return UpdateActions();
        case Command::HideTLBar:
            Guarded([this] { modes_.msiHideTLBarClick(*frame_); });
            return UpdateActions();
        case Command::HideStBar:
            Guarded([this] { modes_.msiHideStBarClick(*frame_); });
            return UpdateActions();
        case Command::BookStand: {
            const bool down = findChild<QToolButton*>("spbBookStand")->isChecked();
            for (QAction* place : hiddenAtShow_) place->setVisible(down);
            return;
        }
        case Command::Find:
            return find_->Open();
        case Command::FindNext:
            return FindText(true);
        case Command::FindPrev:
            return FindText(false);
        case Command::GoToPage:
            return Guarded([this] { AskGoToPage(this, core_); });
        case Command::Copy:
            selection_->Copy();
            return;
        case Command::None:
            return;
    }
}

void TfrmMirvoMainForm::FindText(bool forward) {
    const QString text = find_->Text();
    if (text.isEmpty()) return find_->Open();
    Guarded([&] {
        selection_->ShowHit(core_.FindText(
            text.toStdString(), forward ? FindDirection::Next : FindDirection::Previous));
    });
}

bool TfrmMirvoMainForm::RuleHolds(Rule rule) const {
    const MenuState& m = core_.Menus();
    switch (rule) {
        case Rule::ViewChecked:
            return m.ViewChecked;
        case Rule::ContentsChecked:
            return m.ContentsChecked;
        case Rule::Paging:
            return m.PagingEnabled;
        case Rule::ClipIns:
            return m.ClipInsEnabled;
        case Rule::ClipDel:
            return m.ClipDelEnabled;
        case Rule::ReView:
            return m.ReViewEnabled;
        case Rule::AllDisp:
            return modes_.AllDisp();
        case Rule::HideTLBar:
            return modes_.HideTLBar();
        case Rule::HideStBar:
            return modes_.HideStBar();
        case Rule::GoToPage:
            return CanGoToPage(core_);
        case Rule::None:
            break;
    }
    return true;
}

void TfrmMirvoMainForm::UpdateActions() {
    for (const auto& [row, action] : actions_) {
        if (row->checked != Rule::None) action->setChecked(RuleHolds(row->checked));
        if (row->enabled != Rule::None) action->setEnabled(RuleHolds(row->enabled));
    }
}

void TfrmMirvoMainForm::FormShow() {
    for (QAction* place : hiddenAtShow_) place->setVisible(false);
}

void TfrmMirvoMainForm::BuildCentralArea() {
    auto* central = new QWidget(this);
    central->setObjectName("central");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    find_ = new FindBar(central);
    connect(find_, &FindBar::findRequested, this, &TfrmMirvoMainForm::FindText);
    layout->addWidget(find_);
    book_ = new BookArea(core_.Spread().BaseImage(), core_.Spread().LeftPage(),
                         core_.Spread().RightPage(), central);
    connect(book_, &BookArea::pictureAreaResized, this, [this] {
        ++resizes_;
        PictureAreaResized();
    });
    connect(book_, &BookArea::pageClicked, this,
            [this](PageRequester page) { Guarded([&] { core_.PageClick(page); }); });
    selection_ = new PageSelection(core_, book_, this);
    connect(book_, &BookArea::pageMouseMoved, this, &TfrmMirvoMainForm::imgRightPageMouseMove);
    connect(book_, &BookArea::contentsRowChosen, this, [this] { stgPageListDblClick(); });
    layout->addWidget(book_, 1);
    status_ = new StatusArea(central);
    connect(status_, &StatusArea::scrolled, this,
            [this](int position) { Guarded([&] { core_.scbStatusScroll(position); }); });
    layout->addWidget(status_);
    setCentralWidget(central);
}

void TfrmMirvoMainForm::PictureAreaResized() {
    const QSize size = book_->PictureSize();
    Guarded([&] { core_.FormResize(size.width(), size.height()); });
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
}

void TfrmMirvoMainForm::FormResize() {
    const int before = resizes_;
    // The toolbars and the status area changed; place them now rather than later.
    for (QLayout* l : {layout(), centralWidget()->layout(), book_->layout()})
        if (l) l->activate();
    if (resizes_ == before) PictureAreaResized();
}

int TfrmMirvoMainForm::ContentsRowHeight() const {
    return book_->ContentsRowHeight();
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

void TfrmMirvoMainForm::Report(ReportKind kind, const std::string& message) {
    if (kind == ReportKind::ErrorWindow)
        ReportError(message);
    else
        ReportException(message);
}

void TfrmMirvoMainForm::ReportError(const std::string& message) {
    if (!alert_) alert_ = new TfrmAlert(this);
    TfrmAlert* alert = alert_;
    ShowReport(TfrmAlert::MessageText(message), [alert, message] { alert->Report(message); });
}

void TfrmMirvoMainForm::ReportException(const std::string& message) {
    MirvoApplication::ShowException(Q(message));
}

void TfrmMirvoMainForm::PlayTurnSound() {
    sound_->Play();
}

void TfrmMirvoMainForm::Repaint(bool left, bool right) {
    if (selection_) selection_->PicturesChanged();
    book_->RepaintPages(left, right);
}

void TfrmMirvoMainForm::WaitMilliseconds(int ms) {
    mirvo::WaitMilliseconds(ms);
}

void TfrmMirvoMainForm::SetStatusText(const std::string& text) {
    status_->SetText(Q(text));
}

void TfrmMirvoMainForm::SetPageIndicator(const std::string& text) {
    status_->SetPageIndicator(Q(text));
}

void TfrmMirvoMainForm::SetScrollBar(int min, int max, int position) {
    status_->SetScrollBar(min, max, position);
}

void TfrmMirvoMainForm::BookLayoutChanged() {
    // The core's rectangles are device pixels: the book area in the picture area, the
    // page images in the book area.
    book_->PlaceBook(ToQRectF(core_.Spread().BookArea()), ToQRectF(core_.Spread().LeftImage()),
                     ToQRectF(core_.Spread().RightImage()));
}

void TfrmMirvoMainForm::BaseChanged() {
    book_->UpdateDesk();
}

void TfrmMirvoMainForm::ContentsChanged() {
    std::vector<ContentsLine> lines;
    for (const PageListRow& row : core_.Book().Contents())
        lines.push_back({Q(row.Mark), Q(row.Caption), Q(row.PageText)});
    book_->ShowContents(lines);
}

void TfrmMirvoMainForm::ViewStateChanged() {
    const MenuState& m = core_.Menus();
    book_->ShowPage(static_cast<int>(m.Page));
    if (selection_) selection_->PicturesChanged();
    UpdateActions();
    // The pop-up belongs to the pages, which the contents page covers.
    if (m.Page != NotebookPage::View) HideComment();
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

void TfrmMirvoMainForm::stgPageListDblClick() {
    Guarded([this] { core_.stgPageListDblClick(book_->SelectedContentsRow()); });
}

void TfrmMirvoMainForm::imgRightPageMouseMove(PageRequester sender, const QPointF& position,
                                              const QPointF& globalPosition) {
    // The pictures are drawn in device pixels, at their device places.
    const QPointF pixel = book_->PicturePixelAt(sender, position);
    const FootnoteHit hit = core_.imgRightPageMouseMove(sender, pixel.x(), pixel.y());
    if (hit.action == FootnoteAction::Hide) HideComment();
    if (hit.action != FootnoteAction::Show) return;
    const std::string& note = hit.note ? *hit.note : core_.Spread().Texts().FootnoteList[hit.index];
    TfrmComment* comment = Comment();
    const QPoint at = globalPosition.toPoint();
    comment->ShowNote(Q(BookTextUtf8(note, core_.Spread().Extras())),
                      FootnotePopupWidth(note.size(), comment->FontHeight()),
                      QPoint(at.x(), at.y() - 10));
}

bool TfrmMirvoMainForm::ShowOptionDialog(Settings& settings, Bitmap& baseTexture,
                                         Bitmap& pageTexture) {
    return option_ && option_->Execute(settings, baseTexture, pageTexture);
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
    Guarded([&] { core_.OpenBook(path); });
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
    // Key preview: while it is on, the window sees the page keys before its controls (the
    // menu bar keeps its own keys while it is being worked with).
    if (event->type() == QEvent::KeyPress && KeyPreview()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Escape on the pages drops what is marked on them.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && widget &&
            widget->window() == this && !find_->isAncestorOf(widget) && selection_->Clear())
            return true;
        if (widget && widget->window() == this && widget != menuBar_ &&
            !find_->isAncestorOf(widget) && FormKeyDown(static_cast<QKeyEvent*>(event)->key()))
            return true;
    }
    // The wheel over the view page turns pages where the keys do.
    if (event->type() == QEvent::Wheel && KeyPreview() &&
        core_.Menus().Page == NotebookPage::View &&
        book_->OnPictureArea(qobject_cast<QWidget*>(watched))) {
        WheelTurn(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace mirvo::ui
