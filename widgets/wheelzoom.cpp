#include "widgets/wheelzoom.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

class WheelZoomFilter : public QObject {
 public:
  WheelZoomFilter(QObject* parent, std::function<void(bool, QPoint)> onZoom)
      : QObject(parent), onZoom_(std::move(onZoom)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
    // Touchpads send many small steps: a notch is 120 eighths of a degree.
    pending_ += wheel->angleDelta().y();
    auto* area = static_cast<QScrollArea*>(parent());
    // The watched widget may be the picture inside the viewport: map through the screen.
    const QPoint position = area->viewport()->mapFromGlobal(
        static_cast<QWidget*>(watched)->mapToGlobal(wheel->position().toPoint()));
    while (pending_ >= kNotch || pending_ <= -kNotch) {
      const bool in = pending_ > 0;
      pending_ += in ? -kNotch : kNotch;
      onZoom_(in, position);
    }
    return true;
  }

 private:
  static constexpr int kNotch = 120;
  std::function<void(bool, QPoint)> onZoom_;
  int pending_ = 0;
};

}  // namespace

void WatchWheelZoom(QScrollArea* area, std::function<void(bool in, QPoint position)> onZoom) {
  auto* filter = new WheelZoomFilter(area, std::move(onZoom));
  area->viewport()->installEventFilter(filter);
  if (area->widget() != nullptr) area->widget()->installEventFilter(filter);
}

void ScrollPointTo(QScrollArea* area, QWidget* content, QPoint point, QPoint position) {
  const QPoint now = content->mapTo(area->viewport(), point);
  const QPoint shift = now - position;
  area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->value() + shift.x());
  area->verticalScrollBar()->setValue(area->verticalScrollBar()->value() + shift.y());
}
