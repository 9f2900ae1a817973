// What only the reader window can do for the reader core. The window implements it with
// Qt; tests fake it.
#pragma once

#include <string>

#include "app/settings_table.h"
#include "render/bitmap.h"
#include "viewer/page_turn.h"

namespace mirvo {

// The two ways a failure is shown.
enum class ReportKind {
    ErrorWindow,  // the error window, modal: what a step tells of its own failure
    MessageBox,   // the general error report: a message box for failures no step handles
};

class ReaderHost : public PageTurnHost {
  public:
    // PlayTurnSound, Repaint, WaitMilliseconds (PageTurnHost): sound, an immediate repaint
    // of the visible page pictures, a busy wait.

    // Shows `message` (UTF-8, lines separated by "\r\n") the `kind` way, and returns when
    // the reader has closed it.
    virtual void Report(ReportKind kind, const std::string& message) = 0;
    // Status panel 1: progress while formatting and building the contents, otherwise the
    // document path. Panel 0: the page indicator.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetPageIndicator(const std::string& text) = 0;
    // The quick-jump scroll bar (the window keeps it from calling back for these changes).
    virtual void SetScrollBar(int min, int max, int position) = 0;
    // The book area and the page images were moved or resized (Reader::Spread).
    virtual void BookLayoutChanged() = 0;
    // The picture area's background picture was replaced (Reader::Spread().BaseImage()).
    virtual void BaseChanged() = 0;
    // The entries of the contents page changed (Reader::Book().Contents()).
    virtual void ContentsChanged() = 0;
    // The notebook page, the menu checks and enables or the key preview changed
    // (Reader::Menus).
    virtual void ViewStateChanged() = 0;
    // Shows the settings dialog modally on copies of the settings in force and of the two
    // texture pictures. True when it closed with OK: it has then stored its values into
    // them, and the reader takes them.
    virtual bool ShowOptionDialog(Settings& settings, Bitmap& baseTexture, Bitmap& pageTexture) = 0;
};

}  // namespace mirvo
