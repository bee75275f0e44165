#pragma once
// How the two match images of a connection are arranged: the side on which
// the parent view is docked and where both views are scrolled, so that the
// edges where the images overlap face each other.

#include <QSize>
#include <optional>

#include "widgets/dockpanel.h"

// The parent view lies on the side of the child view on which the parent
// image lies in the scene. direction is the child's code (1 right .. 4
// above); other codes leave the docking as it is (no value).
std::optional<DockPanel::Side> ParentDockSide(int direction);

// Scroll positions (horizontal, vertical) of both views; a scroll box limits
// a position beyond its range to its maximum.
struct ConnectionScroll {
  int ParentX = 0;
  int ParentY = 0;
  int ChildX = 0;
  int ChildY = 0;
  friend bool operator==(const ConnectionScroll&, const ConnectionScroll&) = default;
};

// Sizes are those of the parent and child images; other codes leave the
// scroll positions as they are (no value).
std::optional<ConnectionScroll> ConnectionScrollFor(int direction, QSize parent, QSize child);
