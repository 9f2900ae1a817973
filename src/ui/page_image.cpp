#include "ui/page_image.h"

#include <QMouseEvent>
#include <QPainter>

namespace mirvo::ui {

QImage WrapBitmap(const Bitmap& bitmap) {
    if (bitmap.Empty()) return {};
    return QImage(bitmap.Data(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                  QImage::Format_BGR888);
}

PictureWidget::PictureWidget(const Bitmap& picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage image = WrapBitmap(picture_);
    // What the picture does not cover shows the window's face colour.
    const QRegion uncovered = QRegion(rect()) - QRegion(image.rect());
    for (const QRect& r : uncovered) painter.fillRect(r, palette().window());
    if (!image.isNull()) painter.drawImage(event->rect().topLeft(), image, event->rect());
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void PictureWidget::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->position(), event->globalPosition());
}

void PictureWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(width(), height());
}

}  // namespace mirvo::ui
