// The footnote pop-up TfrmComment: a frameless tool window that will show the note under
// the mouse. Created once at start-up, hidden until a note is shown.
#pragma once

#include <QWidget>

namespace mirvo::ui {

class TfrmComment : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmComment(QWidget* parent = nullptr);
};

}  // namespace mirvo::ui
