#include "ui/page_image.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace mirvo::ui {

QImage WrapBitmap(const Bitmap& bitmap) {
    if (bitmap.Empty()) return {};
    return QImage(bitmap.Data(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                  QImage::Format_BGR888);
}

qreal DeviceRatio(const QWidget* widget) {
    const qreal ratio = widget->devicePixelRatioF();
    return ratio > 0 ? ratio : 1.0;
}

QRect CoveringLogicalRect(const QRectF& device, qreal ratio) {
    const int left = static_cast<int>(std::floor(device.left() / ratio));
    const int top = static_cast<int>(std::floor(device.top() / ratio));
    const int right = static_cast<int>(std::ceil(device.right() / ratio));
    const int bottom = static_cast<int>(std::ceil(device.bottom() / ratio));
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

PictureWidget::PictureWidget(const Bitmap& picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::PlaceOnDevicePixels(const QRectF& device) {
    const qreal ratio = DeviceRatio(this);
    const QRect logical = CoveringLogicalRect(device, ratio);
    place_ = QRectF(device.left() / ratio - logical.left(), device.top() / ratio - logical.top(),
                    device.width() / ratio, device.height() / ratio);
    // Where the picture leaves a strip of the widget (less than a logical pixel), what
    // lies below shows through.
    setAttribute(Qt::WA_OpaquePaintEvent, place_ == QRectF(QPointF(0, 0), QSizeF(logical.size())));
    setGeometry(logical);
}

QPointF PictureWidget::PicturePixelAt(const QPointF& position) const {
    return (position - place_.topLeft()) * DeviceRatio(this);
}

void PictureWidget::SetBanded(const Bitmap* banded) {
    if (banded == banded_ && !banded) return;
    banded_ = banded;
    update();
}

void PictureWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const bool banded =
        banded_ && banded_->Width() == picture_.Width() && banded_->Height() == picture_.Height();
    QImage image = WrapBitmap(banded ? *banded_ : picture_);
    const qreal ratio = DeviceRatio(this);
    image.setDevicePixelRatio(ratio);
    const QRectF area = place_.isEmpty() ? QRectF(rect()) : place_;
    const QRectF shown(area.topLeft(), image.isNull() ? QSizeF() : image.deviceIndependentSize());
    // What the picture does not cover shows the window's face colour.
    const QRectF uncovered[] = {
        QRectF(shown.right(), area.top(), area.right() - shown.right(), area.height()),
        QRectF(area.left(), shown.bottom(), shown.width(), area.bottom() - shown.bottom())};
    for (const QRectF& r : uncovered) {
        if (r.width() > 0 && r.height() > 0) painter.fillRect(r, palette().window());
    }
    if (image.isNull()) return;
    // Never past its own place: a neighbouring picture may share the widget's edge pixel.
    painter.setClipRect(area.intersected(QRectF(event->rect())));
    painter.drawImage(shown.topLeft(), image);
}

void PictureWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        dragging_ = false;
        pressedAt_ = event->position();
        emit pressed(event->position());
    }
    QWidget::mousePressEvent(event);
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool dragged = dragging_;
    pressed_ = dragging_ = false;
    if (!dragged && rect().contains(event->position().toPoint())) emit clicked();
}

void PictureWidget::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->position(), event->globalPosition());
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return;
    if (!dragging_ &&
        (event->position() - pressedAt_).manhattanLength() < QApplication::startDragDistance())
        return;
    dragging_ = true;
    emit dragged(event->globalPosition());
}

void PictureWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(width(), height());
}

}  // namespace mirvo::ui
