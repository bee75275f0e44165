#pragma once
// Zooming with Ctrl and the mouse wheel over a scrolled picture, about the
// spot under the mouse, as in other image programs; the wheel alone scrolls.

#include <QPoint>
#include <functional>

class QScrollArea;
class QWidget;

// onZoom(in, position in the area's viewport) for each Ctrl+wheel notch.
void WatchWheelZoom(QScrollArea* area, std::function<void(bool in, QPoint position)> onZoom);

// Scrolls area so that point of content (in content's coordinates) lies at
// position of the viewport, as far as the scroll bars reach.
void ScrollPointTo(QScrollArea* area, QWidget* content, QPoint point, QPoint position);
