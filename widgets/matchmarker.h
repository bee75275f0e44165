#pragma once
// The square marker around a match point. It is drawn by inverting pixels
// (a red pen in not-XOR mode: blue and green inverted, red kept), so drawing
// the same marker again restores the picture exactly; that is how an old
// marker is removed.

#include "imagefiles/bitmap.h"

class PictureControl;

constexpr int kMarkerHalfSide = 10;

// Pen width for a picture shown at scale (1.0 = 1:1): 2 at 1:1 and above,
// 1 / scale below, so the outline stays visible when shrunk.
int MarkerPenWidth(double scale);

// The band of pixels the outline covers: (outer, inner) rectangles with
// exclusive Right and Bottom; inner may be empty.
struct MarkerBand {
  Rect Outer;
  Rect Inner;
};
MarkerBand MatchMarkerBand(int x, int y, int penWidth);

// Toggles the marker centred on (x, y) in picture pixels, clipped to the
// picture. (0, 0) is an unset point and draws nothing.
void DrawMatchMarker(Bitmap& picture, int x, int y, double scale);
// The same on a picture control's held bitmap, which is then repainted.
void DrawMatchMarker(PictureControl& picture, int x, int y, double scale);
