#pragma once
// The contact-zone overlay: the strip of the last frame that the next frame
// must show again, blended shifted into the live picture so the user can see
// when the two meet. Drawn on screen only, never into stored frames.

#include "imagefiles/bitmap.h"

// Shift of the last frame against the live picture, in pixels: the last
// frame's pixel (x, y) lands on the live pixel (x + Dx, y + Dy).
struct OverlayOffset {
  int Dx = 0;
  int Dy = 0;
  friend bool operator==(const OverlayOffset&, const OverlayOffset&) = default;
};

// The check boxes and track bar that steer the overlay.
struct OverlayOptions {
  bool Shown = true;     // "Показать зону контакта"
  bool Negative = true;  // "Негатив"
  int Density = 5;       // weight of the live picture, in sixteenths (1..16)
};

// The shift that leaves zonePct percent of a width x height frame overlapping,
// for the pressed direction button (1 right, 2 below, 3 left, 4 above). Any
// other code gives no shift; zonePct is limited to 0..100.
OverlayOffset OverlayShift(int zonePct, int width, int height, int directionCode);

// Blends the previous frame, shifted by (dx, dy), into live: each byte becomes
// trunc(live * a/16 + p * (1 - a/16)), p being the previous frame's byte or
// 255 minus it when negative. density is limited to 1..16. Pixels outside the
// strip keep their values.
void BlendContactZone(Bitmap& live, const Bitmap& previous, int density, bool negative, int dx,
                      int dy);

// One live frame's overlay step: blends lastFrame into live when an overlay
// frame exists, the overlay is shown and a direction is pressed; the shift is
// taken from the overlay frame's size. True when something was blended.
bool RefreshOverlay(Bitmap& live, const Bitmap* overlayFrame, const Bitmap& lastFrame,
                    const OverlayOptions& options, int zonePct, int directionCode);
