// What only the reader window can do for the reader core. The window implements it with
// Qt; tests fake it.
#pragma once

#include <string>

#include "format/error_reporter.h"
#include "viewer/page_turn.h"

namespace mirvo {

class ReaderHost : public ErrorReporter, public PageTurnHost {
  public:
    // ReportError (ErrorReporter): the error window, modal.
    // PlayTurnSound, Repaint, WaitMilliseconds (PageTurnHost): sound, an immediate repaint
    // of the visible page pictures, a busy wait.

    // The general error report: a message box for failures no step handles itself.
    virtual void ReportException(const std::string& message) = 0;
    // Status panel 1: progress while formatting and building the contents, otherwise the
    // document path. Panel 0: the page indicator.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetPageIndicator(const std::string& text) = 0;
    // The quick-jump scroll bar (the window keeps it from calling back for these changes).
    virtual void SetScrollBar(int min, int max, int position) = 0;
    // The book area and the page images were moved or resized (Reader::BookArea...).
    virtual void BookLayoutChanged() = 0;
    // The picture area's background picture was replaced (Reader::BaseImage).
    virtual void BaseChanged() = 0;
    // The rows of the page-list grid changed (Reader::Contents).
    virtual void ContentsChanged() = 0;
    // The notebook page, the menu checks and enables or the key preview changed
    // (Reader::Menus).
    virtual void ViewStateChanged() = 0;
    // Shows the settings dialog modally. True when it closed with OK: it has then stored
    // its values into the settings and the two texture pictures (Reader::StoreTextures).
    virtual bool ShowOptionDialog() = 0;
};

}  // namespace mirvo
