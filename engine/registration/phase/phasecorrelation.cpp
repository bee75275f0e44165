// Phase correlation between the facing zones of a pair. The correlation
// surface's strongest peaks give translations modulo the transform size; the
// peaks are taken from the highest down, each at its likeliest reading, and
// the link confidence, which a shift along a one-way texture does not fool,
// decides among the first few.
#include "phasecorrelation.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "engine/registration/linkconfidence.h"
#include "engine/registration/linkscore.h"
#include "engine/registration/phase/phasesurface.h"
#include "engine/registration/zones.h"

namespace {

constexpr int kPeaks = 8;         // peaks of the surface that are read
constexpr int kPeakSpacing = 4;   // surface steps around a taken peak that are skipped
constexpr int kWeighedPeaks = 8;  // peaks weighed by the confidence, at most
// Zones are shrunk so that neither side exceeds this: the peak is then
// found again at full size by the confidence's own correlation.
constexpr int kMatchSide = 1024;
// The score of a guess that nothing confirms: set, but as weak as can be.
constexpr double kLeastScore = 0.01;
// A reading must make the two zones share at least this part of the smaller
// one: the template search, too, only finds overlaps that reach into both
// zones, and readings with a sliver of overlap correlate by chance.
constexpr int kZoneShareDivisor = 4;

struct Peak {
  int X = 0;
  int Y = 0;
};

// The first of the n highest values, as std::max_element finds it: the
// highest four lanes at a time, then where it first occurs.
size_t HighestAt(const float* v, size_t n) {
#if defined(__SSE2__)
  if (n >= 4) {
    __m128 lanes = _mm_loadu_ps(v);
    size_t i = 4;
    for (; i + 4 <= n; i += 4) lanes = _mm_max_ps(lanes, _mm_loadu_ps(v + i));
    float four[4];
    _mm_storeu_ps(four, lanes);
    float top = std::max(std::max(four[0], four[1]), std::max(four[2], four[3]));
    for (; i < n; ++i) top = std::max(top, v[i]);
    for (size_t j = 0; j < n; ++j) {
      if (v[j] == top) return j;
    }
  }
#endif
  return static_cast<size_t>(std::max_element(v, v + n) - v);
}

// The strongest peaks from the highest down, each at least kPeakSpacing
// (cyclically) from those before, found one at a time: the first is mostly
// the link.
class PeakFinder {
 public:
  PeakFinder(std::vector<float>& values, int width, int height)
      : values_(values), width_(width), height_(height) {}

  std::optional<Peak> Next() {
    if (taken_ == kPeaks || values_.empty()) return std::nullopt;
    float* surface = values_.data();
    const size_t at = HighestAt(surface, values_.size());
    if (!(surface[at] > 0)) return std::nullopt;
    ++taken_;
    const Peak p{static_cast<int>(at % width_), static_cast<int>(at / width_)};
    for (int dy = -kPeakSpacing; dy <= kPeakSpacing; ++dy) {
      for (int dx = -kPeakSpacing; dx <= kPeakSpacing; ++dx) {
        const int x = ((p.X + dx) % width_ + width_) % width_;
        const int y = ((p.Y + dy) % height_ + height_) % height_;
        surface[static_cast<size_t>(y) * width_ + x] = 0;
      }
    }
    return p;
  }

 private:
  std::vector<float>& values_;
  int width_, height_;
  int taken_ = 0;
};

struct Scored {
  Offset At;
  double Score = 0;
};

// Link points at the middle of the overlap, neither of them (0, 0), which
// would read as unset.
PairMatch LinkAt(const Bitmap& source, const Bitmap& searched, Offset offset, double score) {
  const Rect r = OverlapRect(source, searched, offset);
  Point out{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
  if (out == Point{} || out == Point{offset.X, offset.Y}) ++out.X;
  return {out, {out.X - offset.X, out.Y - offset.Y}, score};
}

// Pixels of zone a (source pixels) that zone b covers with the searched
// image's origin at offset.
int64_t SharedZoneArea(const Rect& a, const Rect& b, Offset offset) {
  const int64_t w =
      int64_t{std::min(a.Right, b.Right + offset.X)} - std::max(a.Left, b.Left + offset.X);
  const int64_t h =
      int64_t{std::min(a.Bottom, b.Bottom + offset.Y)} - std::max(a.Top, b.Top + offset.Y);
  return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

PairMatch PhaseMatchPair(const Bitmap& source, const Bitmap& searched, int direction, int heightPct,
                         int widthPct) {
  LinkWeigher weigher(source, searched);
  return PhaseMatchPair(weigher, direction, heightPct, widthPct);
}

PairMatch PhaseMatchPair(LinkWeigher& weigher, int direction, int heightPct, int widthPct) {
  return PhaseMatchZones(
      weigher, ZoneRect(weigher.First(), SourceZoneCode(direction), heightPct, widthPct, false),
      ZoneRect(weigher.Second(), SearchedZoneCode(direction), heightPct, widthPct, false));
}

PairMatch PhaseMatchZones(LinkWeigher& weigher, const Rect& a, const Rect& b) {
  const Bitmap& source = weigher.First();
  const Bitmap& searched = weigher.Second();
  if (std::min({a.Width(), a.Height(), b.Width(), b.Height()}) < kMinOverlapSide) return {};
  const int side = std::max({a.Width(), a.Height(), b.Width(), b.Height()});
  const int shrink = (side + kMatchSide - 1) / kMatchSide;
  PhaseSurface surface = CorrelatePhases(source, a, searched, b, shrink);
  const int width = surface.Width, height = surface.Height;
  const int64_t smallerZone =
      std::min(int64_t{a.Width()} * a.Height(), int64_t{b.Width()} * b.Height());
  Scored guess;
  double agreement = 0;  // the guess's quick overlap score
  int weighed = 0;
  PeakFinder peaks(surface.Values, width, height);
  while (const std::optional<Peak> next = peaks.Next()) {
    const Peak& p = *next;
    // Of the peak's readings as offsets of the searched image's origin in
    // the source image, the one whose overlap agrees best: readings differ
    // by a whole zone, never by a shift along the texture.
    Scored reading;
    bool any = false;
    for (int sx : {p.X, p.X - width}) {
      for (int sy : {p.Y, p.Y - height}) {
        const Offset o{a.Left + sx * shrink - b.Left, a.Top + sy * shrink - b.Top};
        if (SharedZoneArea(a, b, o) * kZoneShareDivisor < smallerZone) continue;
        const double quick = OverlapScore(source, searched, o, QuickScoreStep(source, searched, o));
        if (!any || quick > reading.Score) reading = {o, quick};
        any = true;
      }
    }
    if (!any) continue;
    LinkEvidence e = weigher.Weigh(reading.At);
    // The peak the confidence's own correlation sees nearby, at full size.
    for (int again = 0; again < 2 && e.Peak != reading.At; ++again) {
      reading.At = e.Peak;
      e = weigher.Weigh(reading.At);
    }
    if (e.Score >= kWeakLinkScore) return LinkAt(source, searched, reading.At, e.Score);
    // No peak convincing: the overlap that agrees best is the likeliest
    // guess, told as weak; it is more often near the truth than a noise peak.
    if (reading.Score > agreement) {
      agreement = reading.Score;
      guess = {reading.At, std::max(e.Score, kLeastScore)};
    }
    if (++weighed == kWeighedPeaks) break;
  }
  if (guess.Score <= 0) return {};
  return LinkAt(source, searched, guess.At, guess.Score);
}
