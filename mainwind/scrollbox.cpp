#include "scrollbox.h"

#include <QEvent>

ScrollBox::ScrollBox(QWidget* parent) : QScrollArea(parent) {
  setAlignment(Qt::AlignCenter);
  setWidgetResizable(false);
}

bool ScrollBox::eventFilter(QObject* watched, QEvent* event) {
  const bool handled = QScrollArea::eventFilter(watched, event);
  if (watched == widget() && event->type() == QEvent::Resize) PlaceSmallPicture();
  return handled;
}

bool ScrollBox::event(QEvent* event) {
  const bool handled = QScrollArea::event(event);
  // The base class re-places its picture on these too.
  if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::StyleChange) {
    PlaceSmallPicture();
  }
  return handled;
}

void ScrollBox::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  PlaceSmallPicture();
}

void ScrollBox::scrollContentsBy(int dx, int dy) {
  QScrollArea::scrollContentsBy(dx, dy);
  PlaceSmallPicture();
}

void ScrollBox::PlaceSmallPicture() {
  QWidget* picture = widget();
  if (!picture) return;
  const QSize client = viewport()->size();
  QPoint position = picture->pos();
  if (picture->width() < client.width()) position.setX((client.width() - picture->width()) / 2);
  if (picture->height() < client.height()) {
    position.setY((client.height() - picture->height()) / 2);
  }
  if (position != picture->pos()) picture->move(position);
}
