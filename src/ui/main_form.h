// The main window TfrmMirvoMainForm: menus, tool bars, the picture area with the book
// area (view page and contents page), the status area. A thin shell over the reader
// core: it turns events into calls and shows what the core holds.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/page_keys.h"
#include "app/reader.h"
#include "app/reader_host.h"
#include "app/window_modes.h"
#include "ui/main_actions.h"

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;

namespace mirvo::ui {

class BookArea;
class FileDialogs;
class FindBar;
class PageSelection;
class PageTurnSound;
class RequestQueue;
class StatusArea;
class TfrmAlert;
class TfrmComment;
class WindowFrame;
class TdlgOption;

class TfrmMirvoMainForm : public QMainWindow, public ReaderHost {
    Q_OBJECT
  public:
    explicit TfrmMirvoMainForm(ProgramFolders folders, QWidget* parent = nullptr);
    ~TfrmMirvoMainForm() override;

    // Window creation: reads the global settings and decides the first document.
    void FormCreate(const std::vector<std::string>& arguments);
    void SetAlert(TfrmAlert* alert) { alert_ = alert; }
    void SetComment(TfrmComment* comment);
    // The footnote pop-up (made on first use when none was given).
    TfrmComment* Comment();
    void SetOptionDialog(TdlgOption* option) { option_ = option; }
    Reader& Core() { return core_; }

    // Events from outside. A path handed over by a later start (the file system's bytes;
    // empty: only come to the front): the window comes to the front at once, the book is
    // opened once the reader is free, then `done` runs. A file dropped on the window is
    // offered once the drop has returned and the reader is free (DropFile asks and opens).
    // The session's requests: save now, close now (see RequestQueue).
    void ReceiveHandOff(const std::string& path, std::function<void()> done = {});
    void DropFile(const std::string& path);
    void CommitSession();
    void RequestQuit();
    RequestQueue& Requests() { return *requests_; }
    // A step of the core runs (possibly waiting in a modal window).
    bool InCoreStep() const { return coreDepth_ > 0; }
    // Runs a step of the core and shows any failure it leaves in the general error report.
    void Guarded(const std::function<void()>& work);

    // ReaderHost.
    void Report(ReportKind kind, const std::string& message) override;
    // The two ways of Report: the error window and the general error report.
    void ReportError(const std::string& message);
    void ReportException(const std::string& message);
    void PlayTurnSound() override;
    void Repaint(bool left, bool right) override;
    void WaitMilliseconds(int ms) override;
    void SetStatusText(const std::string& text) override;
    void SetPageIndicator(const std::string& text) override;
    void SetScrollBar(int min, int max, int position) override;
    void BookLayoutChanged() override;
    void BaseChanged() override;
    void ContentsChanged() override;
    void ViewStateChanged() override;
    bool ShowOptionDialog(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture) override;

    bool KeyPreview() const { return core_.Menus().KeyPreview; }
    // Height of a page-list row: the window font's pixel height + 4.
    int ContentsRowHeight() const;
    // Lays the window out for its present size; the picture area's resize handling runs
    // then, or here when its size stayed (the window modes change the ratio and the chrome).
    void FormResize();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // No menu of toolbars: they are shown and hidden by the window menu only.
    QMenu* createPopupMenu() override { return nullptr; }

  private:
    void BuildMenus();
    void BuildActions();
    void BuildToolBars();
    void AddToolButton(const ToolButtonRow& row);
    void BuildCentralArea();
    // Runs an item of the menus or the toolbars.
    void Run(Command command);
    // Checks and enables the items as the view and the window modes stand.
    void UpdateActions();
    bool RuleHolds(Rule rule) const;
    // Each time the window is shown: the bookshelf buttons hidden.
    void FormShow();
    // A page key (SPACE, BS and the keys readers expect); false for other keys.
    bool FormKeyDown(int key);
    // The wheel over the view page: a spread a notch.
    void WheelTurn(int angleDelta);
    // Hands the picture area's size in device pixels to the core (FormResize).
    void PictureAreaResized();
    void stgPageListDblClick();
    // The mouse at `position` of a page image (`globalPosition` on the screen): shows,
    // hides or keeps the footnote pop-up.
    void imgRightPageMouseMove(PageRequester sender, const QPointF& position,
                               const QPointF& globalPosition);
    void HideComment();
    // The find bar's text searched for, forward or back (an empty text opens the bar).
    void FindText(bool forward);

    Reader core_;
    TfrmAlert* alert_ = nullptr;
    QPointer<TfrmComment> comment_;
    PageSelection* selection_ = nullptr;
    TdlgOption* option_ = nullptr;
    std::unique_ptr<PageTurnSound> sound_;
    bool screenWatched_ = false;
    WindowModes modes_;
    WindowFrame* frame_ = nullptr;
    std::unique_ptr<FileDialogs> dialogs_;
    QMenuBar* menuBar_ = nullptr;
    // The items by object name, as the tables build them.
    std::map<std::string, QMenu*> menus_;
    std::vector<std::pair<const ActionRow*, QAction*>> actions_;
    std::vector<QToolBar*> toolBars_;
    std::vector<QAction*> hiddenAtShow_;  // toolbar places of buttons hidden at each showing
    BookArea* book_ = nullptr;
    StatusArea* status_ = nullptr;
    FindBar* find_ = nullptr;
    WheelTurns wheel_;
    int resizes_ = 0;  // resize handlings of the picture area so far
    int coreDepth_ = 0;
    RequestQueue* requests_ = nullptr;
};

}  // namespace mirvo::ui
