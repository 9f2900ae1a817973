// The main window's frame as the window modes switch it (WindowModeHost): its state,
// border and bounds, the toolbars and the status area.
//
// The window's bounds in its normal state are followed as it moves and is resized, so
// that a maximised window can tell the bounds it returns to at once: the window system
// restores a window asynchronously, after the full-screen command has already written
// them. Full screen is the window system's full-screen state, which covers panels and
// docks; a merely maximised window leaves them on screen.
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

#include "app/window_modes.h"

namespace mirvo::ui {

class TfrmMirvoMainForm;

class WindowFrame : public QObject, public WindowModeHost {
    Q_OBJECT
  public:
    explicit WindowFrame(TfrmMirvoMainForm* window);

    bool ShowNormalState() override;
    WindowBounds OuterBounds() override;
    void ShowFullScreen() override;
    void ShowMaximised() override;
    void SetOuterBounds(const WindowBounds& bounds) override;
    void SetToolBarsVisible(bool visible) override;
    void SetStatusAreaHeight(int height) override;
    void FormResize() override;
    void ReportException(const std::string& message) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FollowNormalBounds();

    TfrmMirvoMainForm* w_;
    QRect normal_;        // outer bounds last seen in the normal state
    QRect beforeNormal_;  // the ones before them
    QMargins margins_;    // the frame around the client area in the normal state
};

}  // namespace mirvo::ui
