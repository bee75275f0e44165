#include "linkconfidence.h"

#include <algorithm>
#include <cmath>

#include "engine/registration/phase/phasesurface.h"

namespace {

// The evidence is read over at most this many pixels a side, from the middle
// of the overlap: plenty to tell one shift from all others, and it bounds the
// time on large images.
constexpr int kEvidenceSide = 512;
// Shifts within this many pixels of the link are its own peak's skirt
// (interpolation, blur); the rest cannot be right if the link is.
constexpr int kSkirt = 3;
// The link's peak is looked for within this reach.
constexpr int kPeakReach = 2;
// The margin over the best other shift, in spreads, that scores 1.
constexpr double kFullEvidence = 20.0;

// The middle of r, its sides cut to transform sizes of at most side.
Rect Centred(const Rect& r, int side) {
  const int w = TransformSizeAtMost(std::min(r.Width(), side));
  const int h = TransformSizeAtMost(std::min(r.Height(), side));
  const int left = r.Left + (r.Width() - w) / 2;
  const int top = r.Top + (r.Height() - h) / 2;
  return {left, top, left + w, top + h};
}

}  // namespace

LinkEvidence WeighLink(const Bitmap& first, const Bitmap& second, Offset offset) {
  LinkEvidence e{0, offset, {}, offset};
  const Rect r = OverlapRect(first, second, offset);
  if (r.Width() < kMinOverlapSide || r.Height() < kMinOverlapSide ||
      int64_t{r.Width()} * r.Height() < kMinOverlapPixels)
    return e;
  const Rect a = Centred(r, kEvidenceSide);
  const Rect b{a.Left - offset.X, a.Top - offset.Y, a.Right - offset.X, a.Bottom - offset.Y};
  // Links are weighed often, so each thread keeps its surface's storage.
  thread_local PhaseSurface s;
  CorrelatePhases(first, a, second, b, 1, s);
  e.Between = SubpixelShiftOn(s);
  // The two patches show the same at no shift when the link is right.
  float peak = -1;
  for (int dy = -kPeakReach; dy <= kPeakReach; ++dy) {
    for (int dx = -kPeakReach; dx <= kPeakReach; ++dx) {
      if (s.At(dx, dy) > peak) {
        peak = s.At(dx, dy);
        // The patch of first at u + d shows what second shows at u.
        e.Peak = {offset.X + dx, offset.Y + dy};
      }
    }
  }
  double squares = 0;
  float other = -1;
  int otherX = 0, otherY = 0;
  int64_t count = 0;
  for (int y = 0; y < s.Height; ++y) {
    const float* row = s.Values.data() + static_cast<size_t>(y) * s.Width;
    if (std::min(y, s.Height - y) > kSkirt) {
      // Rows clear of the skirt: every shift there is another one.
      float rowSquares = 0;
      float rowHighest = -1;
      for (int x = 0; x < s.Width; ++x) {
        rowSquares += row[x] * row[x];
        rowHighest = std::max(rowHighest, row[x]);
      }
      if (rowHighest > other) {
        other = rowHighest;
        otherX = static_cast<int>(std::find(row, row + s.Width, rowHighest) - row);
        otherY = y;
      }
      squares += rowSquares;
      count += s.Width;
      continue;
    }
    for (int x = 0; x < s.Width; ++x) {
      if (std::min(x, s.Width - x) <= kSkirt) continue;
      squares += static_cast<double>(row[x]) * row[x];
      if (row[x] > other) other = row[x], otherX = x, otherY = y;
      ++count;
    }
  }
  // Shifts past half the surface read as the other way round.
  e.Other = {offset.X + (otherX > s.Width / 2 ? otherX - s.Width : otherX),
             offset.Y + (otherY > s.Height / 2 ? otherY - s.Height : otherY)};
  if (count == 0 || !(squares > 0)) return e;
  const double spread = std::sqrt(squares / static_cast<double>(count));
  e.Score = std::clamp((peak - other) / spread / kFullEvidence, 0.0, kFullLinkScore);
  return e;
}

double LinkConfidence(const Bitmap& first, const Bitmap& second, Offset offset) {
  return WeighLink(first, second, offset).Score;
}
