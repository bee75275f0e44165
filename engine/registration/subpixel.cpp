#include "subpixel.h"

#include <algorithm>
#include <cmath>

#include "engine/registration/linkconfidence.h"
#include "engine/registration/phase/phasesurface.h"

namespace {

// Vertices this near a whole pixel are the estimate's own noise: a link
// that is exact stays exact.
constexpr double kNoise = 0.05;
// The most pixels a side read. Half that is four times quicker, but its
// noise moves places of exact links by a pixel on blurred and sparse fields.
constexpr int kBetweenSide = 128;

// The vertex of the parabola through (-1, before), (0, at), (1, after): the
// surface's peak is smoothed over a few pixels, and is round at its top.
double Between(float before, float at, float after) {
  const double bend = double{before} - 2.0 * at + after;
  if (!(bend < 0)) return 0;
  return std::clamp((double{before} - after) / (2 * bend), -0.5, 0.5);
}

}  // namespace

SubpixelShift SubpixelShiftAt(const Bitmap& first, const Bitmap& second, Offset offset) {
  // Read at full size: means of a few pixels blur where between them it
  // peaks. The middle of the overlap is enough to place a peak already found.
  thread_local PhaseSurface s;
  if (!CorrelateEvidence(first, second, offset, 1, kBetweenSide, s)) return {};
  return SubpixelShiftOn(s);
}

SubpixelShift SubpixelShiftOn(const PhaseSurface& s) {
  // Read along the patches' own axes.
  const auto at = [&s](int x, int y) { return s.Transposed ? s.At(y, x) : s.At(x, y); };
  // The highest of the link's step and its eight neighbours.
  int px = 0, py = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (at(dx, dy) > at(px, py)) px = dx, py = dy;
    }
  }
  const float top = at(px, py);
  // Steps of a shrunk surface span Shrink pixels; the noise is in pixels.
  const auto pixels = [&s](int step, double vertex) {
    const double v = vertex * s.Shrink;
    return step * s.Shrink + (std::abs(v) < kNoise ? 0.0 : v);
  };
  return {pixels(px, Between(at(px - 1, py), top, at(px + 1, py))),
          pixels(py, Between(at(px, py - 1), top, at(px, py + 1)))};
}
