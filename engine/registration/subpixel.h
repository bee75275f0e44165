#pragma once
// Where between whole pixels a link's overlap agrees best: the vertex of a
// parabola through the overlap's correlation at the offset and one pixel to
// either side, per axis.

#include "engine/registration/linkscore.h"

struct PhaseSurface;

struct SubpixelShift {
  double X = 0;  // added to the offset: at most a pixel and a half
  double Y = 0;
};

// What to add to offset (second's origin in first's pixels) to reach the
// peak within a pixel of it; 0 along an axis where the peak is flat or within
// a twentieth of a pixel of a whole one. Read from the full-size surface of
// the link confidence's own patches.
SubpixelShift SubpixelShiftAt(const Bitmap& first, const Bitmap& second, Offset offset);

// The same read from the surface of the two overlaps laid at the offset.
SubpixelShift SubpixelShiftOn(const PhaseSurface& surface);
