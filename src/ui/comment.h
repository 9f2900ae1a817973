// The footnote pop-up TfrmComment: a borderless window with one label that shows a note
// beside the mouse pointer. Created once at start-up, hidden until the first note; it never
// takes the focus from the main window.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace mirvo::ui {

class TfrmComment : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmComment(QWidget* parent = nullptr);

    // Height of the label's font in pixels (13): the width rule of the pop-up uses it.
    int FontHeight() const;
    // Shows `text` in a pop-up `width` pixels wide whose top-left corner is at `topLeft`
    // (screen coordinates); the height stays.
    void ShowNote(const QString& text, int width, const QPoint& topLeft);

    QFrame* Panel1;
    QLabel* lblComment;
};

}  // namespace mirvo::ui
