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
// Patches of twice a square's area or more are first read over a square from
// their middle, half their shorter side or kFirstMost pixels, whichever is
// more, and at least kFirstLeast: where the square alone puts the link a full
// evidence above every other shift, or has another shift beat it by
// kBeatenSpreads or more, the whole patches have said the same on every
// held-out pair, and reading them costs two to six times as much. A smaller
// square tells too little.
constexpr int kFirstLeast = 96;
constexpr int kFirstMost = 128;
constexpr double kBeatenSpreads = 3.0;
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

// Where between surface steps a peak at step 0 of an axis lies, from the
// parabola through it and its two neighbours: within half a step.
double Vertex(float before, float at, float after) {
  const double curve = 2.0 * at - before - after;
  if (!(curve > 0)) return 0;
  return std::clamp((after - before) / (2.0 * curve), -0.5, 0.5);
}

// The surface about no shift: its highest step within the reach, where
// about that step the peak lies, and the highest step of the skirt past
// the reach, where a link a few pixels off has its peak.
struct NearNone {
  float Peak = -1;
  double X = 0, Y = 0;  // the peak's vertex, pixels along the surface's axes
  float Ring = -1;
  int RingX = 0, RingY = 0;  // steps
  // Off by more than the link's own peak: past the reach by half a pixel.
  bool Off() const { return Ring > Peak || std::max(std::abs(X), std::abs(Y)) > kPeakReach + 0.5; }
};

NearNone ReadNearNone(const PhaseSurface& s) {
  const int skirt = (kSkirt + s.Shrink - 1) / s.Shrink;
  const int reach = (kPeakReach + s.Shrink - 1) / s.Shrink;
  NearNone n;
  int px = 0, py = 0;
  n.Peak = s.At(0, 0);
  for (int dy = -skirt; dy <= skirt; ++dy) {
    for (int dx = -skirt; dx <= skirt; ++dx) {
      const float v = s.At(dx, dy);
      if (std::max(std::abs(dx), std::abs(dy)) > reach) {
        if (v > n.Ring) n.Ring = v, n.RingX = dx, n.RingY = dy;
      } else if (v > n.Peak) {
        n.Peak = v, px = dx, py = dy;
      }
    }
  }
  n.X = (px + Vertex(s.At(px - 1, py), n.Peak, s.At(px + 1, py))) * s.Shrink;
  n.Y = (py + Vertex(s.At(px, py - 1), n.Peak, s.At(px, py + 1))) * s.Shrink;
  return n;
}

// The best of the shifts beyond the skirt (in image pixels along the
// surface's axes) and the spread of the surface over them.
struct OtherShifts {
  float Best = -1;
  int X = 0, Y = 0;
  double Spread = 0;  // 0 when there are none, or all are 0
};

OtherShifts ReadOthers(const PhaseSurface& s) {
  const int skirt = (kSkirt + s.Shrink - 1) / s.Shrink;
  OtherShifts o;
  double squares = 0;
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
      if (rowHighest > o.Best) {
        o.Best = rowHighest;
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
      if (row[x] > o.Best) o.Best = row[x], bestX = x, bestY = y;
      ++count;
    }
  }
  // Shifts past half the surface read as the other way round.
  o.X = (bestX > s.Width / 2 ? bestX - s.Width : bestX) * s.Shrink;
  o.Y = (bestY > s.Height / 2 ? bestY - s.Height : bestY) * s.Shrink;
  if (count > 0 && squares > 0) o.Spread = std::sqrt(squares / static_cast<double>(count));
  return o;
}

// What a surface says of the link: about no shift, and over the others.
struct Reading {
  NearNone Near;
  OtherShifts Others;
};

Reading Read(const PhaseSurface& s) { return {ReadNearNone(s), ReadOthers(s)}; }

// How far the highest shift near none stands above every shift beyond the
// skirt, in units of the spread over those; negative where one beats it.
double Margin(const Reading& r) { return (r.Near.Peak - r.Others.Best) / r.Others.Spread; }

// The margin scaled to 0..1; other is where the better shift lies, in image
// pixels along the patches' axes: a link a few pixels off has it at its own
// peak near by, unless one further off does better still.
double ScoreOf(const PhaseSurface& s, const Reading& r, Offset& other) {
  const NearNone& near = r.Near;
  const OtherShifts& o = r.Others;
  int sx = o.X, sy = o.Y;
  if (near.Off() && std::max(near.Ring, near.Peak) >= o.Best) {
    const bool ring = near.Ring > near.Peak;
    sx = ring ? near.RingX * s.Shrink : static_cast<int>(std::lround(near.X));
    sy = ring ? near.RingY * s.Shrink : static_cast<int>(std::lround(near.Y));
  }
  other = s.Transposed ? Offset{sy, sx} : Offset{sx, sy};
  if (near.Off() || !(o.Spread > 0)) return 0;
  return std::clamp(Margin(r) / kFullEvidence, 0.0, kFullLinkScore);
}

enum class Verdict { Open, Right, Wrong };

// The square from the middle of patch a (and its match in second) read into
// s, and what it decides on its own; Open, s untouched, where the patch is
// too small for a square to tell or to save much.
Verdict FirstLook(const Bitmap& first, const Rect& a, const Bitmap& second, Offset offset,
                  PhaseSurface& s, Reading& r) {
  const int shorter = std::min(a.Width(), a.Height());
  const int side = std::min(shorter, std::max(kFirstMost, shorter / 2));
  if (side < kFirstLeast || int64_t{a.Width()} * a.Height() < int64_t{2} * side * side)
    return Verdict::Open;
  const Rect sa = Centred(a, side);
  const Rect sb{sa.Left - offset.X, sa.Top - offset.Y, sa.Right - offset.X, sa.Bottom - offset.Y};
  Correlate(first, sa, second, sb, kShrink, s);
  r = Read(s);
  if (r.Near.Off()) return Verdict::Wrong;
  if (!(r.Others.Spread > 0)) return Verdict::Open;
  const double margin = Margin(r);
  if (margin >= kFullEvidence) return Verdict::Right;
  return margin <= -kBeatenSpreads ? Verdict::Wrong : Verdict::Open;
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
  Reading r;
  // Where the square says wrong, the better shift is still read over the
  // whole patches: a search may move there.
  if (FirstLook(first, a, second, offset, s, r) != Verdict::Right) {
    Correlate(first, a, second, b, kShrink, s);
    r = Read(s);
  }
  const NearNone& near = r.Near;
  Offset other;
  e.Score = ScoreOf(s, r, other);
  e.Other = {offset.X + other.X, offset.Y + other.Y};
  if (e.Score <= 0 && !whenBeaten) return e;
  // Even with another shift ahead, the peak near by tells where the link's
  // own evidence lies: a search moved there may find it convincing.
  const double centred = kCentredSteps * kShrink;
  if (std::abs(near.X) < centred && std::abs(near.Y) < centred) return e;
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

namespace {

double Confidence(const Bitmap& first, const Bitmap& second, Offset offset, bool firstLook) {
  Rect a, b;
  if (!PatchesAt(first, second, offset, kEvidenceSide, a, b)) return 0;
  thread_local PhaseSurface s;
  Reading r;
  switch (firstLook ? FirstLook(first, a, second, offset, s, r) : Verdict::Open) {
    case Verdict::Right: return kFullLinkScore;
    case Verdict::Wrong: return 0;
    case Verdict::Open: break;
  }
  Correlate(first, a, second, b, kShrink, s);
  Offset other;
  return ScoreOf(s, Read(s), other);
}

}  // namespace

double LinkConfidence(const Bitmap& first, const Bitmap& second, Offset offset) {
  return Confidence(first, second, offset, true);
}

double WholePatchConfidence(const Bitmap& first, const Bitmap& second, Offset offset) {
  return Confidence(first, second, offset, false);
}
