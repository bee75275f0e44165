#include "linkconfidence.h"

#include <algorithm>
#include <cmath>

#include "engine/registration/phase/phasesurface.h"

namespace {

// The evidence is read over at most this many pixels a side, from the middle
// of the overlap: plenty to tell one shift from all others, and it bounds the
// time on large images.
constexpr int kEvidenceSide = 512;
// The patches are read as means of kShrink x kShrink pixels, so the surface
// has a quarter of the shifts to transform: a right link still peaks at no
// shift, and the finest detail the fall-off leaves is mostly noise anyway.
constexpr int kShrink = 2;
// The most pixels a side of the patches whose full-size surface tells
// which pixel is nearest a peak off the link.
constexpr int kFullPeakSide = 256;
// Shifts within this many pixels of the link are its own peak's skirt
// (interpolation, blur); the rest cannot be right if the link is.
constexpr int kSkirt = 3;
// The link's peak is looked for within this reach.
constexpr int kPeakReach = 2;
// The margin over the best other shift, in spreads, that scores 1. A surface
// of a quarter the shifts, with the same fall-off in image pixels, has about
// 0.85 times the margin of the full-size one, which scored 1 at 20.
constexpr double kFullEvidence = 17.0;
// Within this part of a surface step of no shift, the peak at full size is
// at no shift too; further off, the full-size surface tells where. Means of
// pixels draw a peak's vertex towards the middle of its step, so a wider
// margin leaves links a pixel off that the chain then adds up.
constexpr double kCentredSteps = 0.1;

// A side of at most n pixels whose shrunk size FFTW transforms quickly: a
// power of two, or three times one.
int PatchSide(int n) {
  const int steps = std::max(n / kShrink, 1);
  int best = 1;
  for (int two = 1; two <= steps; two *= 2) {
    best = std::max(best, two);
    if (3 * two <= steps) best = std::max(best, 3 * two);
  }
  return best * kShrink;
}

// The middle of r, its sides cut to quick transform sizes of at most side.
Rect Centred(const Rect& r, int side) {
  const int w = PatchSide(std::min(r.Width(), side));
  const int h = PatchSide(std::min(r.Height(), side));
  const int left = r.Left + (r.Width() - w) / 2;
  const int top = r.Top + (r.Height() - h) / 2;
  return {left, top, left + w, top + h};
}

// The patches of first and second compared for a link at offset; false when
// the overlap is too small to tell anything.
bool PatchesAt(const Bitmap& first, const Bitmap& second, Offset offset, int side, Rect& a,
               Rect& b) {
  const Rect r = OverlapRect(first, second, offset);
  if (r.Width() < kMinOverlapSide || r.Height() < kMinOverlapSide ||
      int64_t{r.Width()} * r.Height() < kMinOverlapPixels)
    return false;
  a = Centred(r, side);
  b = {a.Left - offset.X, a.Top - offset.Y, a.Right - offset.X, a.Bottom - offset.Y};
  return true;
}

// The surface of the patches, transposed where they are taller than wide:
// FFTW transforms long rows quicker than long columns.
void Correlate(const Bitmap& first, const Rect& a, const Bitmap& second, const Rect& b, int shrink,
               PhaseSurface& s) {
  const PhaseOptions options{shrink, kPhaseBandHigh * shrink, a.Height() > a.Width()};
  CorrelatePhases(first, a, second, b, options, s);
}

// The surface's value at shift (x, y) in the patches' own axes.
float ValueAt(const PhaseSurface& s, int x, int y) {
  return s.Transposed ? s.At(y, x) : s.At(x, y);
}

// How far the highest shift near none stands above every shift beyond the
// skirt, in units of the spread over those, and scaled to 0..1; other is
// where the best of those lies, in image pixels along the patches' axes.
double ScoreOf(const PhaseSurface& s, Offset& other) {
  const int skirt = (kSkirt + s.Shrink - 1) / s.Shrink;
  const int reach = (kPeakReach + s.Shrink - 1) / s.Shrink;
  float peak = -1;
  for (int dy = -reach; dy <= reach; ++dy) {
    for (int dx = -reach; dx <= reach; ++dx) peak = std::max(peak, s.At(dx, dy));
  }
  double squares = 0;
  float best = -1;
  int bestX = 0, bestY = 0;
  int64_t count = 0;
  for (int y = 0; y < s.Height; ++y) {
    const float* row = s.Values.data() + static_cast<size_t>(y) * s.Width;
    if (std::min(y, s.Height - y) > skirt) {
      // Rows clear of the skirt: every shift there is another one.
      float rowSquares = 0;
      float rowHighest = -1;
      for (int x = 0; x < s.Width; ++x) {
        rowSquares += row[x] * row[x];
        rowHighest = std::max(rowHighest, row[x]);
      }
      if (rowHighest > best) {
        best = rowHighest;
        bestX = static_cast<int>(std::find(row, row + s.Width, rowHighest) - row);
        bestY = y;
      }
      squares += rowSquares;
      count += s.Width;
      continue;
    }
    for (int x = 0; x < s.Width; ++x) {
      if (std::min(x, s.Width - x) <= skirt) continue;
      squares += static_cast<double>(row[x]) * row[x];
      if (row[x] > best) best = row[x], bestX = x, bestY = y;
      ++count;
    }
  }
  // Shifts past half the surface read as the other way round.
  const int sx = (bestX > s.Width / 2 ? bestX - s.Width : bestX) * s.Shrink;
  const int sy = (bestY > s.Height / 2 ? bestY - s.Height : bestY) * s.Shrink;
  other = s.Transposed ? Offset{sy, sx} : Offset{sx, sy};
  if (count == 0 || !(squares > 0)) return 0;
  const double spread = std::sqrt(squares / static_cast<double>(count));
  return std::clamp((peak - best) / spread / kFullEvidence, 0.0, kFullLinkScore);
}

// Where between surface steps a peak at step 0 of an axis lies, from the
// parabola through it and its two neighbours: within half a step.
double Vertex(float before, float at, float after) {
  const double curve = 2.0 * at - before - after;
  if (!(curve > 0)) return 0;
  return std::clamp((after - before) / (2.0 * curve), -0.5, 0.5);
}

// The shift within the reach where s, of full size, peaks.
Offset FullSizePeak(const PhaseSurface& s) {
  Offset at;
  float peak = -1;
  for (int dy = -kPeakReach; dy <= kPeakReach; ++dy) {
    for (int dx = -kPeakReach; dx <= kPeakReach; ++dx) {
      if (ValueAt(s, dx, dy) > peak) {
        peak = ValueAt(s, dx, dy);
        at = {dx, dy};
      }
    }
  }
  return at;
}

// WeighLink, looking for the peak near by only where wanted.
LinkEvidence Weighed(const Bitmap& first, const Bitmap& second, Offset offset, bool whenBeaten) {
  LinkEvidence e{0, offset, offset};
  Rect a, b;
  if (!PatchesAt(first, second, offset, kEvidenceSide, a, b)) return e;
  // Links are weighed often, so each thread keeps its surfaces' storage.
  thread_local PhaseSurface s;
  Correlate(first, a, second, b, kShrink, s);
  Offset other;
  e.Score = ScoreOf(s, other);
  e.Other = {offset.X + other.X, offset.Y + other.Y};
  if (e.Score <= 0 && !whenBeaten) return e;
  // Even with another shift ahead, the peak near by tells where the link's
  // own evidence lies: a search moved there may find it convincing.
  // The highest step within the reach, and where about it the peak lies.
  const int reach = (kPeakReach + kShrink - 1) / kShrink;
  int px = 0, py = 0;
  for (int dy = -reach; dy <= reach; ++dy) {
    for (int dx = -reach; dx <= reach; ++dx) {
      if (ValueAt(s, dx, dy) > ValueAt(s, px, py)) px = dx, py = dy;
    }
  }
  const float at = ValueAt(s, px, py);
  const double x = px + Vertex(ValueAt(s, px - 1, py), at, ValueAt(s, px + 1, py));
  const double y = py + Vertex(ValueAt(s, px, py - 1), at, ValueAt(s, px, py + 1));
  if (std::abs(x) < kCentredSteps && std::abs(y) < kCentredSteps) return e;
  // Off the link by a fifth of a pixel or more: which pixel is nearest, the
  // full-size surface tells.
  thread_local PhaseSurface full;
  PatchesAt(first, second, offset, kFullPeakSide, a, b);
  Correlate(first, a, second, b, 1, full);
  const Offset d = FullSizePeak(full);
  // The patch of first at u + d shows what second shows at u.
  e.Peak = {offset.X + d.X, offset.Y + d.Y};
  return e;
}

}  // namespace

LinkEvidence WeighLink(const Bitmap& first, const Bitmap& second, Offset offset) {
  return Weighed(first, second, offset, true);
}

LinkEvidence WeighLinkUnlessBeaten(const Bitmap& first, const Bitmap& second, Offset offset) {
  return Weighed(first, second, offset, false);
}

bool CorrelateEvidence(const Bitmap& first, const Bitmap& second, Offset offset, int shrink,
                       int side, PhaseSurface& s) {
  Rect a, b;
  if (!PatchesAt(first, second, offset, std::min(side, kEvidenceSide), a, b)) return false;
  Correlate(first, a, second, b, shrink, s);
  return true;
}

double LinkConfidence(const Bitmap& first, const Bitmap& second, Offset offset) {
  Rect a, b;
  if (!PatchesAt(first, second, offset, kEvidenceSide, a, b)) return 0;
  thread_local PhaseSurface s;
  Correlate(first, a, second, b, kShrink, s);
  Offset other;
  return ScoreOf(s, other);
}
