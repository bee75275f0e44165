#include "connectionview.h"

std::optional<DockPanel::Side> ParentDockSide(int direction) {
  switch (direction) {
    case 1: return DockPanel::Side::Left;
    case 2: return DockPanel::Side::Top;
    case 3: return DockPanel::Side::Right;
    case 4: return DockPanel::Side::Bottom;
    default: return std::nullopt;
  }
}

std::optional<ConnectionScroll> ConnectionScrollFor(int direction, QSize parent, QSize child) {
  switch (direction) {
    case 1: return ConnectionScroll{parent.width(), 0, 0, 0};
    case 2: return ConnectionScroll{0, parent.height(), 0, 0};
    case 3: return ConnectionScroll{0, 0, child.width(), 0};
    case 4: return ConnectionScroll{0, 0, 0, child.height()};
    default: return std::nullopt;
  }
}
