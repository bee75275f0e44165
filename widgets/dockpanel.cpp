#include "dockpanel.h"

#include <algorithm>

DockPanel::DockPanel(QWidget* parent) : QWidget(parent) {}

void DockPanel::SetWidgets(QWidget* docked, QWidget* fill) {
  docked_ = docked;
  fill_ = fill;
  docked_->setParent(this);
  fill_->setParent(this);
  Arrange();
}

void DockPanel::SetDockSide(Side side) {
  side_ = side;
  Arrange();
}

void DockPanel::SetDockedSize(QSize size) {
  dockedSize_ = size;
  Arrange();
}

void DockPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Listeners may set a new docked size; arrange afterwards with it.
  emit Resized();
  Arrange();
}

void DockPanel::Arrange() {
  if (!docked_ || !fill_) return;
  const int w = width();
  const int h = height();
  const int dw = std::clamp(dockedSize_.width(), 0, w);
  const int dh = std::clamp(dockedSize_.height(), 0, h);
  switch (side_) {
    case Side::Left:
      docked_->setGeometry(0, 0, dw, h);
      fill_->setGeometry(dw, 0, w - dw, h);
      break;
    case Side::Right:
      docked_->setGeometry(w - dw, 0, dw, h);
      fill_->setGeometry(0, 0, w - dw, h);
      break;
    case Side::Top:
      docked_->setGeometry(0, 0, w, dh);
      fill_->setGeometry(0, dh, w, h - dh);
      break;
    case Side::Bottom:
      docked_->setGeometry(0, h - dh, w, dh);
      fill_->setGeometry(0, 0, w, h - dh);
      break;
  }
}
