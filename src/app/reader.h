// The reader core: the commands of the main window and the state it shows, over four
// parts: the book opened (OpenedBook), which book the reader holds (BookSession), what the
// book area shows (SpreadPresenter) and the settings files (SettingsStore). The window is a
// thin shell that turns events into calls and shows what the core holds; whatever only a
// window can do the core asks of its ReaderHost.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/book_finder.h"
#include "app/book_session.h"
#include "app/folders.h"
#include "app/global_settings.h"
#include "app/opened_book.h"
#include "app/reader_host.h"
#include "app/settings_store.h"
#include "app/settings_table.h"
#include "app/spread_presenter.h"
#include "viewer/footnote_hit.h"
#include "viewer/navigation.h"

namespace mirvo {

enum class NotebookPage { View = 0, Contents = 1 };

// The notebook page, and the checks and enables of the commands that follow it.
struct MenuState {
    NotebookPage Page = NotebookPage::View;
    bool ViewChecked = true;       // msiView
    bool ContentsChecked = false;  // msiCont
    bool PagingEnabled = true;     // msiPageNext, msiPagePrev
    bool ClipInsEnabled = true;    // msiClipIns
    bool ClipDelEnabled = false;   // msiClipDel
    bool KeyPreview = true;        // SPACE and BS turn pages
    bool ReViewEnabled = false;    // mmiReView: a book has been opened
    // mniRecent: the recent books, newest first. Every book opened and formatted, by any
    // route, goes first (app/recent_books.h); saved with the global settings at the close.
    std::vector<std::string> Recent;
};

// How a path reached OpenBook.
enum class BookRoute { Given, Recent };

class Reader {
  public:
    Reader(ReaderHost& host, ProgramFolders folders);

    // Window creation: reads the global settings, decides the first document (the first
    // argument, else the last document, else the read-me book), empties the page list. A
    // log file that cannot be opened is told (general error report).
    void FormCreate(const std::vector<std::string>& arguments);
    // Closing: one save of the global settings (the last book: the one held, see
    // BookSession) and one of the held book's state. A refused write is reported (general
    // error report) and the closing goes on.
    void FormClose();
    void FormDestroy();
    // The picture area got `width` x `height` pixels: re-tiles the background and lays out
    // the contents page or shows the spread again.
    void FormResize(int width, int height);

    // Opens DocumentPath (the start's book): book state, textures, load and format,
    // contents and bookmarks, scroll bar, first display. A file that is missing or cannot
    // be loaded is reported and changes nothing else: the book on show stays.
    void OpenDocument();
    // Every way to another book (a hand-off, a dropped file, the Open command, the recent
    // books): the book held is saved first (a refused write is reported and the new book
    // still opens), then the book opens. An empty path does nothing. A recent book no longer
    // there is taken off the list and the reader is told (general error report); nothing
    // else changes.
    void OpenBook(const std::string& path, BookRoute route = BookRoute::Given);
    // The same, with the path asked of `choose` after the save (nothing: no book opens).
    void OpenChosenBook(const std::function<std::optional<std::string>()>& choose);

    // Shows `page` (FrontCoverPage and BackCoverPage for the covers) without a turn.
    void ShowPage(int page);
    // Moves one spread: the left page (SPACE, next-page command) forward, the right page
    // (BS, previous-page command) backward.
    void PageClick(PageRequester sender);
    // A scroll event with the thumb at `position`: sets CurrentPage, draws nothing.
    void scbStatusScroll(int position);
    void msiViewClick();
    void msiContentsClick();
    // The settings command: key preview off (until the view page is selected again), the
    // settings dialog on copies of the settings and textures, and after OK those taken
    // back, the page fonts and a resize, which redraws the spread with the new look; the
    // formatting settings wait for the next formatting.
    void msiConfigClick();

    // Reading aids (reader_aids.cpp). Entries are numbered from the first one (0);
    // Book().Entries().size() is the empty row that ends the grid.
    // Re-display (F5): reloads and formats the book with the settings in force, rebuilds the
    // contents keeping the bookmarks' pages, and shows CurrentPage again. A file that can no
    // longer be read leaves everything as it was (general error report).
    void mmiReViewClick();
    // Opens the spread of entry `row` on the view page, without a turn.
    void stgPageListDblClick(int row);
    // Adds a bookmark for the spread on show: the text drawn in its first row, its right
    // page. Does nothing while a cover is shown.
    void pmiClipClick();
    // Removes entry `row` when it is a bookmark.
    void pmiDelClipClick(int row);
    // Find (reader_find.cpp): searches the book for `query` (UTF-8) from the spread on show,
    // or on from the last hit while that is on show, wrapping at the ends; shows the hit's
    // spread on the view page without a turn. The status bar says when the search wrapped
    // or found nothing, else shows the book's path.
    // The hit it returns stays until the next search or formatting: its cells are for the
    // window to mark.
    const FindHit& FindText(const std::string& query, FindDirection direction);
    // The mouse at pixel (x, y) of a page image: what the footnote pop-up should do. Only a
    // spread on the view page has marks, and only with UseComment.
    FootnoteHit imgRightPageMouseMove(PageRequester sender, double x, double y) const;

    // Window modes: the share of the picture area's height the book takes (full-screen mode
    // sets 1.0; the next display or resize lays the book out with it), and the window's
    // bounds kept in the global file while full screen is on (StoreWindowBounds throws
    // ProfileWriteError).
    void SetSpreadHeightRatio(double ratio);
    void StoreWindowBounds(const WindowBounds& bounds);
    WindowBounds StoredWindowBounds() const;
    // Changes the settings in force through `change` (as the settings dialog's OK does,
    // without the redraw).
    void ChangeSettings(const std::function<void(Settings&)>& change);

    // State. The settings in force (what a display draws with: these, the formatting ones
    // as the book was formatted).
    const Settings& GetSettings() const { return settings_; }
    // The book asked for last (it may have failed to open).
    const std::string& DocumentPath() const { return documentPath_; }
    int CurrentPage() const { return currentPage_; }
    // The last formatting or drawing failed.
    bool FormatFailed() const { return session_.FormatFailed(); }
    const MenuState& Menus() const { return menus_; }
    const OpenedBook& Book() const { return book_; }
    const SpreadPresenter& Spread() const { return spread_; }

  private:
    class FormatterAdapter;

    void ShowSpread(PageRequester requester);
    // The closed book, front or back (the back cover needs rows; without them the front
    // cover shows). Neither animated nor heard; CurrentPage and the page indicator are left
    // to ShowSpread.
    void ShowCoverPage(int page);
    // Draws what `page` shows into the page buffers; nothing reaches the screen yet.
    SpreadOutcome Draw(int page);
    SpreadStyle Style() const;
    // Loads DocumentPath into `lines` in the book's encoding. Panel 1 names the encoding
    // used, and goes on naming it beside the progress until the book is open; characters
    // that had to be replaced are reported once, and the book opens all the same. A file
    // that cannot be read is reported the `kind` way: false. The book's extra characters
    // wait in loadedExtras_ for FormatLines.
    bool LoadDocumentLines(RowList& lines, TextEncoding encoding, ReportKind kind);
    // A progress text while the book opens, with the encoding it was read in.
    std::string Progress(const std::string& text) const;
    std::function<void(const std::string&)> ProgressToStatus();
    // Formats the loaded lines of DocumentPath, with the extra characters loaded beside
    // them, with the settings in force.
    bool FormatLines(RowList lines);
    void LoadTextures();
    // The rest of an opening once the book has loaded: formatting, contents, first display.
    void ShowOpenedBook(RowList lines, const StoredBook& stored);
    // The contents and the scroll bar after a formatting, then CurrentPage on show.
    void ShowFormatted();
    // Saves the held book's state (nothing when none is held). Throws ProfileWriteError.
    void SaveHeldBook();
    // Runs a save; a refused write goes to the general error report, once only for a file
    // too large to be touched.
    void Attempt(const std::function<void()>& save);
    void ReportWriteError(const ProfileWriteError& e);
    void SetScroll(int min, int max, int position);
    void SetViewPage(NotebookPage page);

    ReaderHost& host_;
    SettingsStore store_;
    BookSession session_;
    OpenedBook book_;
    SpreadPresenter spread_;
    BookFinder finder_;

    Settings settings_;
    std::string documentPath_;
    ExtraChars loadedExtras_;   // of the lines loaded last, until they are formatted
    std::string encodingNote_;  // "（UTF-8）": the encoding the book on show was read in
    int currentPage_ = FrontCoverPage;
    bool destroying_ = false;
    MenuState menus_;
    int scrollMin_ = 1, scrollMax_ = 9999, scrollPosition_ = 1;
};

// Go to page: whether it can run (a book with pages is open and the view page shows), and
// the spread holding `page` (clamped to 1 .. the page count) shown without a turn, an even
// page opening the spread of the odd page before it, as the scroll bar maps its positions.
bool CanGoToPage(const Reader& reader);
void GoToPage(Reader& reader, int page);

}  // namespace mirvo
