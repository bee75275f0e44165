#include "capture/run/livelink.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/panoram.h"
#include "engine/registration/linkconfidence.h"
#include "engine/registration/phase/phasecorrelation.h"
#include "engine/registration/template/matching.h"

namespace {

constexpr int kCandidateParts = 3;
// Above this the two frames agree but for noise and light.
constexpr double kExactLinkScore = 0.97;  // templates cut along the overlap's longer side

Rect Shrunk(const Rect& r, int by) {
  return {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by};
}

Rect Clipped(const Rect& r, int width, int height) {
  return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, width),
          std::min(r.Bottom, height)};
}

// The overlap cut into parts along its longer side, one template each, so
// that a flat stretch of the overlap cannot leave the search without one.
std::vector<Rect> Parts(const Rect& r) {
  std::vector<Rect> parts;
  for (int k = 0; k < kCandidateParts; ++k) {
    if (r.Width() >= r.Height()) {
      parts.push_back({r.Left + r.Width() * k / kCandidateParts, r.Top,
                       r.Left + r.Width() * (k + 1) / kCandidateParts, r.Bottom});
    } else {
      parts.push_back({r.Left, r.Top + r.Height() * k / kCandidateParts, r.Right,
                       r.Top + r.Height() * (k + 1) / kCandidateParts});
    }
  }
  return parts;
}

// Offsets the templates cut from earlier's overlap find in next near the travel.
std::vector<Offset> TemplateCandidates(const Bitmap& earlier, const Bitmap& next, Point travel,
                                       const LiveLinkSettings& s) {
  std::vector<Offset> found{{travel.X, travel.Y}};
  const int r = std::max(s.Radius, 1);
  // A template must find its match inside next however far off the travel is.
  const Rect overlap = Shrunk(OverlapRect(earlier, next, {travel.X, travel.Y}), kLiveLinkSlack + 1);
  if (overlap.IsEmpty()) return found;
  for (const Rect& part : Parts(overlap)) {
    if (LargestFeatureHalfSize(part, earlier.Width(), earlier.Height()) < r) continue;
    const Point p = FindFeaturePoint(earlier, part, r);
    if (p == Point{}) continue;
    const Bitmap templ = CopyRectBitmap(earlier, SquareAround(p.X, p.Y, r));
    const Rect window = Clipped(SquareAround(p.X - travel.X, p.Y - travel.Y, r + kLiveLinkSlack),
                                next.Width(), next.Height());
    Point q;
    if (CorrelationSearch(templ, next, window, std::max(s.Step, 1), q) > 0)
      found.push_back({p.X - q.X, p.Y - q.Y});
  }
  return found;
}

// The best of the candidates by the quick score, then polished and scored exactly.
LiveLink Best(const Bitmap& earlier, const Bitmap& next, const std::vector<Offset>& candidates) {
  LiveLink best;
  double quick = 0;
  for (const Offset& o : candidates) {
    const double s = OverlapScore(earlier, next, o, QuickScoreStep(earlier, next, o));
    if (s > quick) {
      quick = s;
      best.At = o;
    }
  }
  if (!(quick > 0)) return {};
  best.Agreement = OverlapScore(earlier, next, best.At);
  best.At = PolishOffset(earlier, next, best.At, best.Agreement);
  best.Score = LinkConfidence(earlier, next, best.At);
  return best;
}

LiveLink PhaseLink(const Bitmap& earlier, const Bitmap& next, int32_t direction, int zonePct) {
  std::vector<Offset> candidates;
  for (int d = kDirRight; d <= kDirAbove; ++d) {
    if (direction != kDirNone && d != direction) continue;
    const PairMatch m = PhaseMatchPair(earlier, next, d, zonePct, zonePct);
    if (m.Found()) candidates.push_back(OffsetOfLink(m.Out, m.In));
  }
  return Best(earlier, next, candidates);
}

}  // namespace

LiveLinkSettings LiveLinkSettingsOf(const Panoram& engine) {
  return {engine.Radius(), engine.Step(), engine.ZoneHeightPct(), engine.Method()};
}

LiveLink SearchLiveLink(const Bitmap& earlier, const Bitmap& next, std::optional<Point> travel,
                        int32_t direction, const LiveLinkSettings& settings) {
  LiveLink link;
  if (travel) {
    link = Best(earlier, next, TemplateCandidates(earlier, next, *travel, settings));
    // A perfect link needs no second opinion; anything less may be a smooth
    // texture matched off its place after the followed spot was mistaken.
    if (link.Agreement >= kExactLinkScore) return link;
    if (direction == kDirNone) direction = DirectionOfTravel(*travel, next.Width(), next.Height());
  }
  // The zone percentage of an all-zero settings file would leave no zone at all.
  const LiveLink phase = PhaseLink(earlier, next, direction, std::max(settings.ZonePct, 10));
  // The confidence decides: a shift along a one-way texture can agree better.
  if (phase.Score != link.Score) return phase.Score > link.Score ? phase : link;
  return phase.Agreement > link.Agreement ? phase : link;
}

PairMatch LinkPoints(const Bitmap& earlier, const Bitmap& next, const LiveLink& link) {
  if (!link.Found()) return {};
  const Rect r = OverlapRect(earlier, next, link.At);
  Point out{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  // (0, 0) reads as an unset point in either image.
  while (out == Point{} || (Point{out.X - link.At.X, out.Y - link.At.Y} == Point{})) ++out.X;
  return {out, {out.X - link.At.X, out.Y - link.At.Y}, link.Score};
}

int32_t DirectionOfTravel(Point travel, int width, int height) {
  if (travel == Point{}) return kDirNone;
  // |x| / width against |y| / height, without rounding.
  const int64_t across = int64_t{std::abs(travel.X)} * height;
  const int64_t down = int64_t{std::abs(travel.Y)} * width;
  if (across >= down) return travel.X > 0 ? kDirRight : kDirLeft;
  return travel.Y > 0 ? kDirBelow : kDirAbove;
}

int OverlapPercent(Point travel, int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const int64_t w = std::max(0, width - std::abs(travel.X));
  const int64_t h = std::max(0, height - std::abs(travel.Y));
  return static_cast<int>(w * h * 100 / (int64_t{width} * height));
}

bool FrameDueByOverlap(Point travel, int width, int height, int zonePct) {
  if (std::abs(travel.X) < kStraightWalkTolerance || std::abs(travel.Y) < kStraightWalkTolerance)
    return false;
  const int64_t w = std::max(0, width - std::abs(travel.X));
  const int64_t h = std::max(0, height - std::abs(travel.Y));
  return w * h * 100 < int64_t{std::clamp(zonePct, 0, 100)} * width * height;
}
