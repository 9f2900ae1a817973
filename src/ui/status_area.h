// The main window's status area (pnlStatus): the quick-jump scroll bar on the left, then
// the page indicator and the status text. The window modes collapse it to a line and
// bring it back; it paints its whole face each time, so nothing that was drawn where it
// lies while it was collapsed shows through.
#pragma once

#include <QWidget>

class QLabel;
class QScrollBar;

namespace mirvo::ui {

class StatusArea : public QWidget {
    Q_OBJECT
  public:
    explicit StatusArea(QWidget* parent = nullptr);

    // The status text; repainted at once (a long step may follow).
    void SetText(const QString& text);
    void SetPageIndicator(const QString& text);
    // The scroll bar's range and place, without a `scrolled` signal.
    void SetScrollBar(int min, int max, int position);

  signals:
    // The reader moved the scroll bar (or let go of its thumb) to `position`.
    void scrolled(int position);

  private:
    QScrollBar* scbStatus_;
    QLabel* stbPanel0_;
    QLabel* stbPanel1_;
    bool settingScroll_ = false;
};

}  // namespace mirvo::ui
