// The main window's frame as the window modes switch it (WindowModeHost): its state,
// border and bounds, the toolbars and the status area.
//
// The window's bounds in its normal state are followed as it moves and is resized, so
// that a maximised window can tell the bounds it returns to at once: the window system
// restores a window asynchronously, after the full-screen command has already written
// them. Full screen is the window system's full-screen state, which covers panels and
// docks; a merely maximised window leaves them on screen.
#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <functional>
#include <string>

#include "app/window_modes.h"

class QMainWindow;
class QToolBar;

namespace mirvo::ui {

// The outer bounds of a window in its normal state, followed from what the window system
// reports. The frame around the client area is learnt whenever the system tells it, and
// kept while it does not: a window that has just left full screen reports its client
// area as its frame for a while, and those bounds must never be taken for the outer ones.
class NormalBounds {
  public:
    // The window in its normal state at `client`, inside `frame` (equal when the window
    // system has not told the frame yet).
    void Follow(const QRect& frame, const QRect& client);
    // The window left its normal state for one that fills `available` (maximised, full
    // screen): bounds seen only because the system sized the window before saying so
    // were never the normal ones.
    void LeftNormalState(const QRect& frame, const QRect& client, const QRect& available);
    bool Known() const { return normal_.isValid(); }
    QRect Outer() const { return normal_; }
    const QMargins& Margins() const { return margins_; }

  private:
    QRect normal_;        // outer bounds last seen in the normal state
    QRect beforeNormal_;  // the ones before them
    QMargins margins_;    // the frame around the client area in the normal state
};

// Outer bounds as stored, brought onto `available` (the screen's area for windows, and the
// bounds the window had when they were stored): no wider or taller than it, at least `minimum`
// (itself bounded by it), and wholly on it. Stored numbers of any size give a window that fits.
QRect BoundedOuterBounds(const WindowBounds& stored, const QRect& available, const QSize& minimum);

class WindowFrame : public QObject, public WindowModeHost {
    Q_OBJECT
  public:
    // The parts the modes show and hide: `toolBars`, and `statusArea` whose height changes.
    WindowFrame(QMainWindow* window, QList<QToolBar*> toolBars, QWidget* statusArea,
                std::function<void()> formResize, std::function<void(const std::string&)> report);

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
    QMainWindow* w_;
    QList<QToolBar*> toolBars_;
    QWidget* statusArea_;
    std::function<void()> formResize_;
    std::function<void(const std::string&)> report_;
    NormalBounds normal_;
    QRect told_;  // the outer bounds OuterBounds last gave
};

}  // namespace mirvo::ui
