// The reader core: the whole state of the main window (settings, the document, the current
// page, the page-list rows, the pictures) and the work of its events. The window is a thin
// shell that turns events into calls and shows what the core holds; whatever only a window
// can do the core asks of its ReaderHost.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/book_state.h"
#include "app/folders.h"
#include "app/global_settings.h"
#include "app/profile_file.h"
#include "app/reader_host.h"
#include "app/settings_table.h"
#include "format/document.h"
#include "render/bitmap.h"
#include "render/page_renderer.h"
#include "viewer/footnote_hit.h"
#include "viewer/navigation.h"
#include "viewer/spread_view.h"

namespace mirvo {

enum class NotebookPage { View = 0, Contents = 1 };

// Checks and enables of the commands that follow the view switch.
struct MenuState {
    bool ViewChecked = true;       // msiView
    bool ContentsChecked = false;  // msiCont
    bool PagingEnabled = true;     // msiPageNext, msiPagePrev
    bool ClipInsEnabled = true;    // msiClipIns
    bool ClipDelEnabled = false;   // msiClipDel
    bool KeyPreview = true;        // SPACE and BS turn pages
    bool ReViewEnabled = false;    // mmiReView: a book has been opened
};

class Reader {
  public:
    Reader(ReaderHost& host, ProgramFolders folders);
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Window creation: reads the global settings, decides the first document (the first
    // argument, else the last document, else the read-me book), empties the page list.
    void FormCreate(const std::vector<std::string>& arguments);
    // Closing: writes the global settings and the book's state. A refused write is reported
    // (general error report) and the closing goes on. A book whose formatting failed is
    // not stored as the last document (the last book that opened and has not failed since
    // is, or none), and no state is written for a book that failed to open (see
    // SaveShownBook).
    void FormClose();
    void FormDestroy();
    // The picture area got `width` x `height` pixels: re-tiles the background and lays out
    // the contents page or shows the spread again.
    void FormResize(int width, int height);

    // Opens DocumentPath: book state, textures, load and format, contents and bookmarks,
    // scroll bar, first display. Afterwards FormatFailed tells whether formatting failed.
    void OpenDocument();
    // Shows the spread (or cover) of CurrentPage; `requester` decides the turn animation.
    void ShowSpread(PageRequester requester);
    // The closed book, front or back (the back cover needs rows; without them the front
    // cover shows). Neither animated nor heard; CurrentPage and the page indicator are left
    // to ShowSpread.
    void ShowFrontCover();
    void ShowBackCover();
    // Moves one spread: the left page (SPACE, next-page command) forward, the right page
    // (BS, previous-page command) backward.
    void PageClick(PageRequester sender);
    // A scroll event with the thumb at `position`: sets CurrentPage, draws nothing.
    void scbStatusScroll(int position);
    void msiViewClick();
    void msiContentsClick();
    // A path handed over by a later start: the book on show is saved first (a refused
    // write is reported and the new book still opens).
    void ReceiveHandOff(const std::string& path);
    // A file dropped on the window (after the reader confirmed it).
    void OpenDroppedFile(const std::string& path);
    void SaveBookState();
    // Saves the state the reader holds under the book it belongs to: DocumentPath, except
    // after an opening that stopped early. A missing file leaves the book before it on show
    // and usable, so that book is saved; after a formatting failure the reader holds no
    // book (the page and bookmarks are not the failed book's), so nothing is saved.
    // Throws ProfileWriteError.
    void SaveShownBook();
    void ResetContents();
    // The settings command: key preview off (until the view page is selected again), the
    // settings dialog, and after OK the page fonts and a resize, which redraws the spread
    // with the new look; the formatting settings wait for the next formatting.
    void msiConfigClick();
    // The window background and page texture pictures, as the settings dialog hands them
    // back.
    void StoreTextures(const Bitmap& baseTexture, const Bitmap& pageTexture);

    // Reading aids (reader_aids.cpp). Grid rows are numbered from the first entry (0);
    // Contents().size() is the empty row that ends the grid.
    // Re-display (F5): reloads and formats the book with the settings in force, rebuilds the
    // contents keeping the bookmarks' pages, and shows CurrentPage again. A file that can no
    // longer be read leaves everything as it was (general error report).
    void mmiReViewClick();
    // Opens the spread of the entry in grid row `row` on the view page, without a turn.
    void stgPageListDblClick(int row);
    // Adds a bookmark for the spread on show: the text drawn in its first row, its right
    // page. Does nothing while a cover is shown.
    void pmiClipClick();
    // Removes grid row `row` when it is a bookmark.
    void pmiDelClipClick(int row);
    // The mouse at pixel (x, y) of a page image: what the footnote pop-up should do. Only a
    // spread on the view page has marks, and only with UseComment.
    FootnoteHit imgRightPageMouseMove(PageRequester sender, double x, double y) const;

    // State. The settings in force, and the settings the rows on show were formatted with:
    // a change of a formatting setting ("(*)" in the settings dialog) shows when the book is
    // formatted again.
    Settings& GetSettings() { return settings_; }
    const Settings& GetSettings() const { return settings_; }
    const Settings& FormattedSettings() const { return formatted_; }
    // What a display draws with: the settings in force, the formatting ones as formatted.
    SpreadStyle Style() const;
    const std::string& DocumentPath() const { return documentPath_; }
    void SetDocumentPath(const std::string& path) { documentPath_ = path; }
    const RowList& Rows() const { return rows_; }
    const PageTexts& Texts() const { return texts_; }
    int CurrentPage() const { return currentPage_; }
    void SetCurrentPage(int page) { currentPage_ = page; }
    int PageCount() const;
    bool FormatFailed() const { return formatFailed_; }
    bool Destroying() const { return destroying_; }
    double SpreadHeightRatio() const { return spreadHeightRatio_; }
    // The share of the picture area's height the book takes (full-screen mode sets 1.0); the
    // next display or resize lays the book out with it.
    void SetSpreadHeightRatio(double ratio) { spreadHeightRatio_ = ratio; }
    NotebookPage ViewPage() const { return viewPage_; }
    const MenuState& Menus() const { return menus_; }
    const std::vector<PageListRow>& Contents() const { return contents_; }
    int ScrollMin() const { return scrollMin_; }
    int ScrollMax() const { return scrollMax_; }
    int ScrollPosition() const { return scrollPosition_; }
    ProfileFile& SettingsFile() { return settingsFile_; }
    const ProgramFolders& Folders() const { return folders_; }
    const std::string& LogError() const { return logError_; }

    // Geometry: the book area in the picture area, the page images in the book area.
    const Rect& BookArea() const { return bookArea_; }
    const Rect& LeftImage() const { return leftImage_; }
    const Rect& RightImage() const { return rightImage_; }
    int PictureWidth() const { return pictureWidth_; }
    int PictureHeight() const { return pictureHeight_; }

    // Pictures: the visible pages, the background of the picture area.
    const Bitmap& LeftPage() const { return imgLeftPage_; }
    const Bitmap& RightPage() const { return imgRightPage_; }
    const Bitmap& BaseImage() const { return imgBase_; }
    const Bitmap& PageTexture() const { return imgPageTexture_; }
    const Bitmap& BaseTexture() const { return imgBaseTexture_; }

    SpreadView& View() { return view_; }

  private:
    class FormatterAdapter;

    // Loads DocumentPath into `lines` in the book's encoding. Panel 1 names the encoding
    // used, and goes on naming it beside the progress until the book is open; characters
    // that had to be replaced are reported once, and the book opens all the same. False
    // (with `error`) when the file cannot be read.
    bool LoadDocumentLines(RowList& lines, std::string& error, TextEncoding encoding);
    // A progress text while the book opens, with the encoding it was read in.
    std::string Progress(const std::string& text) const;
    // Takes the loaded lines as RowList and formats them with the settings in force
    // (FormatFailed tells how it went).
    void FormatLines(RowList lines);
    // Draws what `page` shows into the page buffers; nothing reaches the screen yet.
    SpreadOutcome RenderDisplay(int page);
    void ShowCoverPage(int page);
    void ShowCover();
    // Takes the geometry of a display; while the contents page shows, the book area keeps
    // the spread's size so that the grid does not take a cover's.
    void ApplyLayout(const SpreadOutcome& outcome);
    void SetScroll(int min, int max, int position);
    void SetViewPage(NotebookPage page);
    void LoadTexture(const std::string& path, Bitmap& texture);
    void TileBase();
    // The general error report for a refused write; a file too large to be touched is
    // reported once only, not at every save.
    void ReportWriteError(const ProfileWriteError& e);

    ReaderHost& host_;
    ProgramFolders folders_;
    ProfileFile settingsFile_;
    GlobalState globalState_;
    std::string logError_;

    Settings settings_;
    Settings formatted_;
    std::string documentPath_;
    std::string encodingNote_;  // "（UTF-8）": the encoding the book on show was read in
    RowList rows_;
    LayoutNotes layoutNotes_;  // what the layout annotations asked of rows_
    PageTexts texts_;
    int currentPage_ = FrontCoverPage;
    // What the pages on screen show: a cover, or the spread of page shownPage_ (the scroll
    // bar may have moved CurrentPage since).
    SpreadKind shownKind_ = SpreadKind::FrontCover;
    int shownPage_ = FrontCoverPage;
    bool formatFailed_ = false;
    bool destroying_ = false;
    // The book whose page, bookmarks and settings the reader holds (nothing after a
    // formatting failure), the last book that opened and has not failed formatting since,
    // and the book whose last formatting failed.
    std::optional<std::string> shownBook_;
    std::string lastGood_;
    std::optional<std::string> failedPath_;
    // The page the reader was on when a re-display of the book on show failed to format:
    // saved in place of the front cover, and shown again once the book formats again.
    std::optional<int> pageBeforeFailure_;
    std::set<std::string> reportedTooLarge_;
    double spreadHeightRatio_ = kSpreadHeightRatio;

    NotebookPage viewPage_ = NotebookPage::View;
    MenuState menus_;
    std::vector<PageListRow> contents_;
    int scrollMin_ = 1, scrollMax_ = 9999, scrollPosition_ = 1;

    int pictureWidth_ = 0, pictureHeight_ = 0;
    Rect bookArea_, leftImage_, rightImage_;

    Bitmap imgBase_;
    Bitmap imgLeftPage_, imgRightPage_;
    Bitmap imgLeftPageBuf_, imgRightPageBuf_;
    Bitmap imgTempBuf_;
    Bitmap imgPageTexture_, imgBaseTexture_;
    SpreadView view_;
};

}  // namespace mirvo
