#include "subpixel.h"

#include <algorithm>
#include <cmath>

#include "engine/registration/linkconfidence.h"
#include "engine/registration/phase/phasesurface.h"

namespace {

// Vertices this near a whole pixel are the estimate's own noise: a link
// that is exact stays exact.
constexpr double kNoise = 0.05;

// The vertex of the parabola through (-1, before), (0, at), (1, after): the
// surface's peak is smoothed over a few pixels, and is round at its top.
double Between(float before, float at, float after) {
  const double bend = double{before} - 2.0 * at + after;
  if (!(bend < 0)) return 0;
  const double vertex = std::clamp((double{before} - after) / (2 * bend), -0.5, 0.5);
  return std::abs(vertex) < kNoise ? 0 : vertex;
}

}  // namespace

SubpixelShift SubpixelShiftAt(const Bitmap& first, const Bitmap& second, Offset offset) {
  return WeighLink(first, second, offset).Between;
}

SubpixelShift SubpixelShiftOn(const PhaseSurface& s) {
  // The highest of the link's pixel and its eight neighbours.
  int px = 0, py = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (s.At(dx, dy) > s.At(px, py)) px = dx, py = dy;
    }
  }
  const float at = s.At(px, py);
  return {px + Between(s.At(px - 1, py), at, s.At(px + 1, py)),
          py + Between(s.At(px, py - 1), at, s.At(px, py + 1))};
}
