// The main window's display modes: full screen, hidden toolbars and a collapsed status
// area, the three check marks of the window menu. None is stored; every start begins
// with all three off. Entering full screen writes the window's normal outer bounds to the
// section "PosSize" of the global settings file, and leaving it puts the window back there.
//
// The switching is a sequence of steps asked of a WindowModeHost, which the main window
// implements with its frame and tests fake. Bounds are in the window system's logical
// pixels (those the window is placed and sized in). The full-screen state is the window
// system's own: it covers panels and docks and draws no frame, so the border needs no step
// of its own (changing a shown window's border would unmap and map it again, which races
// with the change of state).
//
// Failures: a refused "PosSize" write (ProfileWriteError) is caught here, the switch is
// undone and the error goes to the host's general error report.
#pragma once

#include <string>

#include "app/global_settings.h"

namespace mirvo {

class Reader;

// Height of the status area when shown, and of the line that remains when it is collapsed.
inline constexpr int kStatusAreaHeight = 27;
inline constexpr int kCollapsedStatusAreaHeight = 1;

class WindowModeHost {
  public:
    virtual ~WindowModeHost() = default;
    // Puts the window into its normal state (neither maximised nor minimised). True when
    // it was maximised.
    virtual bool ShowNormalState() = 0;
    // The outer bounds (frame included) of the window in its normal state: for a window
    // that has just left the maximised state, those it returns to.
    virtual WindowBounds OuterBounds() = 0;
    // Fills the whole screen, over panels and docks, without a frame.
    virtual void ShowFullScreen() = 0;
    virtual void ShowMaximised() = 0;
    // Moves and sizes the window to outer bounds in one step.
    virtual void SetOuterBounds(const WindowBounds& bounds) = 0;
    // Both toolbars (tlbBasic and tlbBookStand).
    virtual void SetToolBarsVisible(bool visible) = 0;
    virtual void SetStatusAreaHeight(int height) = 0;
    // Lays the window out for its present size and runs the resize handling of the picture
    // area (re-tiling, and the spread or the contents laid out anew).
    virtual void FormResize() = 0;
    // The general error report.
    virtual void ReportException(const std::string& message) = 0;
};

class WindowModes {
  public:
    bool AllDisp() const { return allDisp_; }      // msiAllDisp: full screen
    bool HideTLBar() const { return hideTLBar_; }  // msiHideTLBar: toolbars hidden
    bool HideStBar() const { return hideStBar_; }  // msiHideStBar: status area collapsed

    // Full screen on or off. Entering: the spread takes the whole height, the window goes
    // to its normal state, its bounds are written to "PosSize" (Top, Left, Width, Height),
    // and it fills the screen without a frame. Leaving: the spread takes 94 %, the normal
    // state with its frame, and the bounds read from "PosSize" (600 x 460 at the top-left
    // corner when the keys are missing). A refused write undoes the entering: the
    // ratio and a maximised state come back, the mode stays off.
    void msiAllDispClick(Reader& reader, WindowModeHost& host);
    // Both toolbars hidden or shown; independent of full screen.
    void msiHideTLBarClick(WindowModeHost& host);
    // The status area collapsed to a 1-pixel line or back at its full height.
    void msiHideStBarClick(WindowModeHost& host);

  private:
    bool allDisp_ = false;
    bool hideTLBar_ = false;
    bool hideStBar_ = false;
};

}  // namespace mirvo
