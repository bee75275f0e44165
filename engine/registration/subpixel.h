#pragma once
// Where between whole pixels a link's overlap agrees best: the vertex of a
// parabola through the overlap's correlation at the offset and one pixel to
// either side, per axis.

#include "engine/registration/linkscore.h"

struct SubpixelShift {
  double X = 0;  // added to the offset, each within half a pixel
  double Y = 0;
};

// The part of a pixel to add to offset (second's origin in first's pixels);
// 0 along an axis where the correlation does not peak at offset.
SubpixelShift SubpixelShiftAt(const Bitmap& first, const Bitmap& second, Offset offset);
