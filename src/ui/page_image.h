// Picture controls of the main window: a widget that shows one of the core's pictures
// unscaled from its top-left corner (cut at the widget's edges), as an image control does.
//
// The core draws in device pixels: on a screen whose device pixel ratio is above 1 the
// pictures have ratio times the widget's logical size and are shown with that ratio, so
// that Qt never scales a page. A picture may lie at a device position that is no whole
// logical pixel; the widget then covers it and shows the picture at its exact place.
#pragma once

#include <QWidget>

#include "render/bitmap.h"

namespace mirvo::ui {

// Wraps the rows of `bitmap` (B, G, R bytes) in a QImage without copying.
QImage WrapBitmap(const Bitmap& bitmap);

// Device pixels per logical pixel of the screen `widget` shows on.
qreal DeviceRatio(const QWidget* widget);

// The smallest rectangle of whole logical pixels that covers `device` (device pixels
// counted from the same origin).
QRect CoveringLogicalRect(const QRectF& device, qreal ratio);

class PictureWidget : public QWidget {
    Q_OBJECT
  public:
    PictureWidget(const Bitmap& picture, QWidget* parent);

    // Places the widget so that its picture covers `device`, a rectangle in device pixels
    // counted from the parent widget's top-left corner.
    void PlaceOnDevicePixels(const QRectF& device);
    // Where `position` (the widget's own logical coordinates) lies on the picture, in the
    // picture's pixels. The one place that maps the mouse onto the pictures.
    QPointF PicturePixelAt(const QPointF& position) const;
    // Shows `banded` (the picture with a band over it, same size) in place of the picture
    // until set back to null.
    void SetBanded(const Bitmap* banded);

  signals:
    // A left press and release without a drag between them.
    void clicked();
    // The left button went down at `position`, or the pointer dragged with it held farther
    // than the system's drag distance (then no click follows): `global` on the screen.
    void pressed(const QPointF& position);
    void dragged(const QPointF& global);
    void resized(int width, int height);
    // The mouse moved over the picture (with mouse tracking on, also with no button held):
    // `position` in the widget, `globalPosition` on the screen.
    void mouseMoved(const QPointF& position, const QPointF& globalPosition);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    const Bitmap& picture_;
    const Bitmap* banded_ = nullptr;
    QPointF pressedAt_;
    bool pressed_ = false;
    bool dragging_ = false;
    // Where the picture's device rectangle lies in the widget, in logical pixels; an
    // empty size means the whole widget.
    QRectF place_;
};

}  // namespace mirvo::ui
