// Picture controls of the main window: a widget that shows one of the core's pictures
// unscaled from its top-left corner (cut at the widget's edges), as an image control does.
#pragma once

#include <QWidget>

#include "render/bitmap.h"

namespace mirvo::ui {

// Wraps the rows of `bitmap` (B, G, R bytes) in a QImage without copying.
QImage WrapBitmap(const Bitmap& bitmap);

class PictureWidget : public QWidget {
    Q_OBJECT
  public:
    PictureWidget(const Bitmap& picture, QWidget* parent);

  signals:
    void clicked();
    void resized(int width, int height);
    // The mouse moved over the picture (with mouse tracking on, also with no button held):
    // `position` in the widget, `globalPosition` on the screen.
    void mouseMoved(const QPointF& position, const QPointF& globalPosition);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    const Bitmap& picture_;
};

}  // namespace mirvo::ui
