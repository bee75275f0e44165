#include "scrollbox.h"

#include <QEvent>
#include <QScrollBar>

int CentredStart(int client, int picture) { return (client - picture) / 2; }

void CenterInBox(QScrollArea* box, QWidget* picture) {
  box->horizontalScrollBar()->setValue(0);
  box->verticalScrollBar()->setValue(0);
  picture->move(0, 0);
  const QSize client = box->viewport()->size();
  const int left = CentredStart(client.width(), picture->width());
  const int top = CentredStart(client.height(), picture->height());
  if (left < 0) box->horizontalScrollBar()->setValue(-left);
  if (top < 0) box->verticalScrollBar()->setValue(-top);
  // The box itself moves a larger picture by its scroll position (as far as its range allows).
  picture->move(left > 0 ? left : -box->horizontalScrollBar()->value(),
                top > 0 ? top : -box->verticalScrollBar()->value());
}

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
  if (picture->width() < client.width()) {
    position.setX(CentredStart(client.width(), picture->width()));
  }
  if (picture->height() < client.height()) {
    position.setY(CentredStart(client.height(), picture->height()));
  }
  if (position != picture->pos()) picture->move(position);
}
