// The table of registration methods. Each method tries the query's
// directions in order; a later direction replaces the kept one only with a
// strictly better score, so ties go to the earlier (lower) code.
#include "registration.h"

#include <algorithm>
#include <limits>

#include "engine/registration/linkconfidence.h"
#include "engine/registration/linkscore.h"
#include "engine/registration/phase/phasecorrelation.h"
#include "engine/registration/template/templatematch.h"

namespace {

Rect IntersectionWith(const Rect& r, const Bitmap& b) {
  return {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, b.Width()),
          std::min(r.Bottom, b.Height())};
}

Rect Grown(const Rect& r, int by) { return {r.Left - by, r.Top - by, r.Right + by, r.Bottom + by}; }

// Where a predicted pair is compared: the predicted overlap in the source,
// and in the searched image the same grown by the reach on every side.
struct PredictedZones {
  Rect Source;
  Rect Searched;
};
PredictedZones ZonesAround(const PairQuery& q) {
  const Offset o = *q.Around;
  const Rect a = OverlapRect(q.Source, q.Searched, o);
  const Rect b{a.Left - o.X, a.Top - o.Y, a.Right - o.X, a.Bottom - o.Y};
  return {a, Grown(b, q.Reach)};
}

// A shift of up to reach shows in zones a few times the reach across; more
// of the overlap than that only costs time.
constexpr int kSidePerReach = 4;
constexpr int kSideMargin = 128;

// The part of r at most side pixels across each way, around r's middle.
Rect Middle(const Rect& r, int side) {
  const int w = std::min(r.Width(), side), h = std::min(r.Height(), side);
  const int left = r.Left + (r.Width() - w) / 2, top = r.Top + (r.Height() - h) / 2;
  return {left, top, left + w, top + h};
}

// The part of r that stays in the true overlap however the prediction is off
// within reach: r shrunk by the reach on every side, as far as that leaves
// room for a template of half-size radius.
Rect AwayFromEdges(const Rect& r, int reach, int radius) {
  const int x = std::clamp((r.Width() - 2 * radius - 2) / 2, 0, reach);
  const int y = std::clamp((r.Height() - 2 * radius - 2) / 2, 0, reach);
  return {r.Left + x, r.Top + y, r.Right - x, r.Bottom - y};
}

// The best of the query's directions by the match's own score; a predicted
// pair is asked once, with direction kDirNone. A match that scores ceiling
// cannot be beaten, since a later direction must score strictly better: the
// directions left are not tried, but still told as tried.
template <typename Match>
PairLink BestDirection(const PairQuery& q, const Match& match, double ceiling) {
  PairLink best;
  if (q.Around != nullptr) return {match(0), 0};
  for (const int d : q.Directions) {
    if (best.Match.Score < ceiling) {
      const PairMatch m = match(d);
      if (m.Score > best.Match.Score) best = {m, d};
    }
    if (q.Tried) q.Tried();
  }
  return best;
}

// The query's weigher, or one of the call's own.
class WeigherOf {
 public:
  explicit WeigherOf(const PairQuery& q) : own_(q.Source, q.Searched), used_(q.Weigher) {
    if (used_ == nullptr) used_ = &own_;
  }
  WeigherOf(const WeigherOf&) = delete;
  WeigherOf& operator=(const WeigherOf&) = delete;
  LinkWeigher& operator*() const { return *used_; }

 private:
  LinkWeigher own_;
  LinkWeigher* used_;
};

// The template's own correlation picks the direction, as the settings
// describe; the link is then given its confidence.
PairLink ByTemplate(const PairQuery& q) {
  const auto match = [&](int d) {
    if (q.Around != nullptr) {
      const Rect s = Middle(ZonesAround(q).Source, kSidePerReach * q.Reach + kSideMargin);
      return TemplateMatchAround(q.Source, q.Searched, AwayFromEdges(s, q.Reach, q.Radius),
                                 *q.Around, q.Reach, q.Radius, q.Step);
    }
    return TemplateMatchPair(q.Source, q.Searched, d, q.ZoneHeightPct, q.ZoneWidthPct, q.Radius,
                             q.Step);
  };
  // The template's own score has no ceiling: every direction is tried.
  PairLink best = BestDirection(q, match, std::numeric_limits<double>::infinity());
  PairMatch& m = best.Match;
  if (m.Found()) m.Score = (*WeigherOf(q)).Confidence(OffsetOfLink(m.Out, m.In));
  return best;
}

PairLink ByPhase(const PairQuery& q) {
  const WeigherOf weigher(q);
  const auto match = [&](int d) {
    if (q.Around != nullptr) {
      // Both zones grown: phase correlation finds any shift the two share.
      const Offset o = *q.Around;
      const Rect s = Middle(ZonesAround(q).Source, kSidePerReach * q.Reach + kSideMargin);
      const Rect a = IntersectionWith(Grown(s, q.Reach), q.Source);
      const Rect b = IntersectionWith(
          Grown({s.Left - o.X, s.Top - o.Y, s.Right - o.X, s.Bottom - o.Y}, q.Reach), q.Searched);
      return PhaseMatchZones(*weigher, a, b);
    }
    return PhaseMatchPair(*weigher, d, q.ZoneHeightPct, q.ZoneWidthPct);
  };
  return BestDirection(q, match, kFullLinkScore);
}

// The link moved to where its own evidence peaks, within a pixel or two: a
// sampled search can land there on blurred detail.
// The search has mostly weighed the link already: the weigher knows it.
PairMatch Polished(LinkWeigher& weigher, PairMatch m) {
  if (!m.Found()) return m;
  const Offset at = OffsetOfLink(m.Out, m.In);
  const LinkEvidence e = weigher.Weigh(at);
  if (e.Peak == at) return m;
  const double moved = weigher.Confidence(e.Peak);
  if (moved < m.Score) return m;
  m.Score = moved;
  m.In = {m.Out.X - e.Peak.X, m.Out.Y - e.Peak.Y};
  // Moving the searched point could land it on (0, 0), which reads as unset.
  if (m.In == Point{}) {
    ++m.Out.X;
    ++m.In.X;
  }
  return m;
}

// The first method's link; where it is weak the second method is asked too
// (without progress: it runs only for some pairs) and the better-scoring
// link is kept, the first on a tie. The kept link is then polished.
template <RegistrationMethod First, RegistrationMethod Second>
PairLink WhereWeakAsk(const PairQuery& q) {
  const WeigherOf weigher(q);
  PairQuery shared = q;
  shared.Weigher = &*weigher;
  PairLink kept = First(shared);
  if (kept.Match.Score < kWeakLinkScore) {
    PairQuery quiet = shared;
    quiet.Tried = nullptr;
    const PairLink other = Second(quiet);
    if (other.Match.Score > kept.Match.Score) kept = other;
  }
  kept.Match = Polished(*weigher, kept.Match);
  return kept;
}

struct MethodRow {
  SearchMethod Method;
  RegistrationMethod Register;
  bool EndsAtConfidencePeak;
};

constexpr MethodRow kMethods[] = {
    {SearchMethod::Template, &ByTemplate, false},
    {SearchMethod::Phase, &ByPhase, true},
    {SearchMethod::TemplatePhase, &WhereWeakAsk<&ByTemplate, &ByPhase>, true},
};

const MethodRow& RowOf(SearchMethod method) {
  for (const MethodRow& row : kMethods) {
    if (row.Method == method) return row;
  }
  return kMethods[0];
}

}  // namespace

RegistrationMethod RegistrationFor(SearchMethod method) { return RowOf(method).Register; }

bool EndsAtConfidencePeak(SearchMethod method) { return RowOf(method).EndsAtConfidencePeak; }
