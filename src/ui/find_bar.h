// The find bar under the toolbar: a text field, 次 and 前. Enter and 次 ask for the next hit,
// Shift+Enter and 前 for the previous one; Escape closes the bar.
#pragma once

#include <QWidget>

class QLineEdit;

namespace mirvo::ui {

class FindBar : public QWidget {
    Q_OBJECT
  public:
    explicit FindBar(QWidget* parent);
    // Shows the bar with its text selected, the focus in the field.
    void Open();
    QString Text() const;

  signals:
    void findRequested(bool forward);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLineEdit* field_ = nullptr;
};

}  // namespace mirvo::ui
