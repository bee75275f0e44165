#include "picturecontrol.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "imagefiles/bitmapview.h"

PictureControl::PictureControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureControl::Assign(const Bitmap& bitmap) {
  bitmap_ = bitmap;
  BitmapChanged();
}

bool PictureControl::Resize(int width, int height) {
  auto created = Bitmap::TryCreate(width, height);
  if (!created) return false;
  bitmap_ = std::move(*created);
  BitmapChanged();
  return true;
}

Bitmap& PictureControl::Canvas() { return bitmap_; }

void PictureControl::SetAutoSize(bool on) {
  autoSize_ = on;
  if (on) BitmapChanged();
}

void PictureControl::SetStretch(bool on) {
  stretch_ = on;
  update();
}

void PictureControl::BitmapChanged() {
  if (autoSize_) resize(bitmap_.Width(), bitmap_.Height());
  updateGeometry();
  update();
}

QSize PictureControl::sizeHint() const { return {bitmap_.Width(), bitmap_.Height()}; }

void PictureControl::paintEvent(QPaintEvent* event) {
  if (bitmap_.Empty() || width() <= 0 || height() <= 0) return;
  QPainter painter(this);
  const QImage image = BitmapView(bitmap_);
  const QRect exposed = event->rect();
  if (!stretch_) {
    painter.drawImage(exposed.topLeft(), image, exposed);
    return;
  }
  // Draw only the exposed part: a zoomed mosaic can be far larger than the screen.
  const double sx = static_cast<double>(bitmap_.Width()) / width();
  const double sy = static_cast<double>(bitmap_.Height()) / height();
  const QRectF source(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx,
                      exposed.height() * sy);
  painter.drawImage(QRectF(exposed), image, source);
}

void PictureControl::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->position().toPoint(), event->button());
}

void PictureControl::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(event->position().toPoint(), event->buttons());
}

void PictureControl::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(event->position().toPoint(), event->button());
}
