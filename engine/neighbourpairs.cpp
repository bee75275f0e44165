#include "neighbourpairs.h"

#include <algorithm>
#include <array>
#include <optional>

#include "registration/registration.h"
#include "registration/subpixel.h"

namespace {

int64_t Area(const Rect& r) { return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height(); }

Rect Common(const Rect& a, const Rect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

struct Cell {
  int Column = -1;
  int Row = -1;
};

// As Panoram::TableToChain reads it: the last cell in column-major order counts.
std::vector<Cell> CellsOf(const MontageTable& table, int count) {
  std::vector<Cell> cells(static_cast<size_t>(count));
  for (int c = 0; c < kTableColumns; ++c) {
    for (int r = 0; r < kTableRows; ++r) {
      const int32_t k = table.At(c, r);
      if (k >= 0 && k < count) cells[static_cast<size_t>(k)] = {c, r};
    }
  }
  return cells;
}

bool Neighbouring(const Cell& a, const Cell& b) {
  return a.Column >= 0 && b.Column >= 0 &&
         std::abs(a.Column - b.Column) + std::abs(a.Row - b.Row) == 1;
}

// The median of each coordinate; the upper one of an even count.
std::optional<Offset> Median(std::vector<Offset> steps) {
  if (steps.empty()) return std::nullopt;
  const auto mid = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), mid, steps.end(),
                   [](const Offset& a, const Offset& b) { return a.X < b.X; });
  const int x = mid->X;
  std::nth_element(steps.begin(), mid, steps.end(),
                   [](const Offset& a, const Offset& b) { return a.Y < b.Y; });
  return Offset{x, mid->Y};
}

// Pixels either way within which a match bears its prediction out.
constexpr int kBorneOut = 2;

int ZoneDepth(int size, int zonePct) {
  return static_cast<int>(int64_t{size} * std::clamp(zonePct, 0, 100) / 100);
}

}  // namespace

bool PlacesOverlap(const Rect& a, const Rect& b) {
  const int64_t field = std::min(Area(a), Area(b));
  return field > 0 && Area(Common(a, b)) * 10 >= field;
}

std::vector<NeighbourPair> OverlappingPairs(const Panoram& engine) {
  std::vector<NeighbourPair> pairs;
  for (int a = 0; a < engine.Count(); ++a) {
    for (int b = a + 2; b < engine.Count(); ++b) {
      const Rect& pa = engine.Place(a);
      const Rect& pb = engine.Place(b);
      if (!PlacesOverlap(pa, pb)) continue;
      pairs.push_back({a, b, {pb.Left - pa.Left, pb.Top - pa.Top}});
    }
  }
  return pairs;
}

std::vector<NeighbourPair> TablePairs(const Panoram& engine, const MontageTable& table) {
  const int count = engine.Count();
  const std::vector<Cell> cells = CellsOf(table, count);
  // Steps one column right and one row down, from the chain links across them.
  std::vector<Offset> across, down;
  const std::vector<ImageLink> chain = engine.ChainLinks();
  for (const ImageLink& l : chain) {
    const Cell& a = cells[static_cast<size_t>(l.From)];
    const Cell& b = cells[static_cast<size_t>(l.To)];
    if (l.Score < kWeakLinkScore || !Neighbouring(a, b)) continue;
    const int sign = (b.Column - a.Column) + (b.Row - a.Row);
    const Offset step{static_cast<int>(sign * l.DX), static_cast<int>(sign * l.DY)};
    (a.Column != b.Column ? across : down).push_back(step);
  }
  const std::optional<Offset> column = Median(across);
  const std::optional<Offset> row = Median(down);
  std::vector<NeighbourPair> pairs;
  for (int a = 0; a < count; ++a) {
    for (int b = a + 2; b < count; ++b) {
      const Cell& ca = cells[static_cast<size_t>(a)];
      const Cell& cb = cells[static_cast<size_t>(b)];
      if (!Neighbouring(ca, cb)) continue;
      const Bitmap& from = engine.ImageBitmap(a);
      const Offset stepX =
          column.value_or(Offset{from.Width() - ZoneDepth(from.Width(), engine.ZoneWidthPct()), 0});
      const Offset stepY =
          row.value_or(Offset{0, from.Height() - ZoneDepth(from.Height(), engine.ZoneHeightPct())});
      const int dc = cb.Column - ca.Column, dr = cb.Row - ca.Row;
      pairs.push_back({a, b, {dc * stepX.X + dr * stepY.X, dc * stepX.Y + dr * stepY.Y}});
    }
  }
  return pairs;
}

namespace {

// The chain's typical step each way: the median of its confident links in
// that direction; none for a direction none of them takes.
constexpr size_t kWays = kDirAbove - kDirRight + 1;

std::array<std::optional<Offset>, kWays> TypicalSteps(const Panoram& engine) {
  std::array<std::vector<Offset>, kWays> ways;
  for (const ImageLink& l : engine.ChainLinks()) {
    const int32_t d = engine.Direction(l.To);
    if (l.Score < kWeakLinkScore || d < kDirRight || d > kDirAbove) continue;
    ways[static_cast<size_t>(d - kDirRight)].push_back(
        {static_cast<int>(l.DX), static_cast<int>(l.DY)});
  }
  std::array<std::optional<Offset>, kWays> steps;
  for (size_t k = 0; k < ways.size(); ++k) steps[k] = Median(ways[k]);
  return steps;
}

// A sum of typical steps, and how many of them go the way the chain says
// its images lie.
struct Guess {
  Offset Sum;
  int AsTheChainSays = 0;
};

// Every sum of a typical step per image from + 1 .. root, each sum once
// (with the most steps as the chain says), those most as it says first.
std::vector<Guess> StepGuesses(const Panoram& engine, int from, int root) {
  const std::array<std::optional<Offset>, kWays> steps = TypicalSteps(engine);
  std::vector<Guess> guesses{{}};
  for (int image = from + 1; image <= root; ++image) {
    std::vector<Guess> longer;
    for (const Guess& g : guesses) {
      for (size_t k = 0; k < steps.size(); ++k) {
        if (!steps[k]) continue;
        const Guess next{{g.Sum.X + steps[k]->X, g.Sum.Y + steps[k]->Y},
                         g.AsTheChainSays +
                             (engine.Direction(image) == kDirRight + static_cast<int>(k) ? 1 : 0)};
        const auto same = std::find_if(longer.begin(), longer.end(),
                                       [&](const Guess& o) { return o.Sum == next.Sum; });
        if (same == longer.end()) {
          longer.push_back(next);
        } else {
          same->AsTheChainSays = std::max(same->AsTheChainSays, next.AsTheChainSays);
        }
      }
    }
    guesses = std::move(longer);
  }
  std::stable_sort(guesses.begin(), guesses.end(), [](const Guess& a, const Guess& b) {
    return a.AsTheChainSays > b.AsTheChainSays;
  });
  return guesses;
}

}  // namespace

std::vector<std::vector<NeighbourPair>> PairsIfTypicalSteps(const Panoram& engine,
                                                            const std::vector<Rect>& places,
                                                            int from, int root,
                                                            const std::vector<int>& moved,
                                                            const std::vector<int>& anchored) {
  std::vector<std::vector<NeighbourPair>> guesses;
  const Rect& before = places[static_cast<size_t>(from)];
  const Rect& now = places[static_cast<size_t>(root)];
  for (const Guess& guess : StepGuesses(engine, from, root)) {
    const int dx = before.Left + guess.Sum.X - now.Left, dy = before.Top + guess.Sum.Y - now.Top;
    // Where the chain put it, its pairs were looked for already.
    if (dx == 0 && dy == 0) continue;
    std::vector<NeighbourPair> pairs;
    for (const int b : moved) {
      const Rect& p = places[static_cast<size_t>(b)];
      const Rect shifted{p.Left + dx, p.Top + dy, p.Right + dx, p.Bottom + dy};
      for (const int a : anchored) {
        const Rect& q = places[static_cast<size_t>(a)];
        if (!PlacesOverlap(q, shifted)) continue;
        pairs.push_back(a < b ? NeighbourPair{a, b, {shifted.Left - q.Left, shifted.Top - q.Top}}
                              : NeighbourPair{b, a, {q.Left - shifted.Left, q.Top - shifted.Top}});
      }
    }
    if (!pairs.empty()) guesses.push_back(std::move(pairs));
  }
  return guesses;
}

namespace {

PairQuery QueryAround(const Panoram& engine, const NeighbourPair& pair, LinkWeigher& weigher) {
  PairQuery q{engine.ImageBitmap(pair.From),
              engine.ImageBitmap(pair.To),
              {},
              engine.ZoneHeightPct(),
              engine.ZoneWidthPct(),
              engine.Radius(),
              engine.Step(),
              nullptr};
  q.Around = &pair.Around;
  q.Weigher = &weigher;
  return q;
}

int WideReach(const Panoram& engine, const NeighbourPair& pair) {
  const Bitmap& source = engine.ImageBitmap(pair.From);
  return ZoneDepth(std::max(source.Width(), source.Height()), engine.ZoneHeightPct());
}

// The link a search found, with its shift between pixels when confident.
ImageLink LinkOf(const NeighbourPair& pair, const PairMatch& m, const LinkWeigher& weigher) {
  if (!m.Found()) return {pair.From, pair.To, pair.Around.X, pair.Around.Y, 0};
  const Offset o = OffsetOfLink(m.Out, m.In);
  ImageLink link{pair.From, pair.To, o.X, o.Y, m.Score};
  if (m.Score >= kWeakLinkScore) {
    const SubpixelShift between = SubpixelShiftAt(weigher.First(), weigher.Second(), o);
    link.SubX = between.X;
    link.SubY = between.Y;
  }
  return link;
}

// The confidence weighed at an offset and moved to its peak near by, as the
// phase search moves its readings. A score of 0 means another shift beats
// every one within the peak's reach: there is no peak near by to move to.
LinkEvidence PeakNear(Offset& at, LinkWeigher& weigher) {
  LinkEvidence e = weigher.WeighUnlessBeaten(at);
  for (int again = 0; again < 2 && e.Score > 0 && e.Peak != at; ++again) {
    at = e.Peak;
    e = weigher.WeighUnlessBeaten(at);
  }
  return e;
}

// The prediction weighed, then, when another shift of the same overlaps
// agrees better within reach, that one: the phase correlation of the
// predicted overlap, its highest peak taken. Empty unless confident.
std::optional<PairMatch> Confirmed(const NeighbourPair& pair, int reach, LinkWeigher& weigher) {
  Offset at = pair.Around;
  LinkEvidence e = PeakNear(at, weigher);
  if (e.Score < kWeakLinkScore && std::abs(e.Other.X - pair.Around.X) <= reach &&
      std::abs(e.Other.Y - pair.Around.Y) <= reach) {
    at = e.Other;
    e = PeakNear(at, weigher);
  }
  if (e.Score < kWeakLinkScore) return std::nullopt;
  const Rect r = OverlapRect(weigher.First(), weigher.Second(), at);
  Point out{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
  // Neither point (0, 0), which reads as unset.
  if (out == Point{} || out == Point{at.X, at.Y}) ++out.X;
  return PairMatch{out, {out.X - at.X, out.Y - at.Y}, e.Score};
}

}  // namespace

std::optional<ImageLink> LinkConfirmed(const Panoram& engine, const NeighbourPair& pair) {
  LinkWeigher weigher(engine.ImageBitmap(pair.From), engine.ImageBitmap(pair.To));
  const std::optional<PairMatch> m = Confirmed(pair, WideReach(engine, pair), weigher);
  if (!m) return std::nullopt;
  if (EndsAtConfidencePeak(engine.Method())) return LinkOf(pair, *m, weigher);
  // The method settles the link itself, within a pixel or two of that peak:
  // its own search then costs little, where searched around a wrong
  // prediction it would cost the zone's depth.
  const NeighbourPair atPeak{pair.From, pair.To, OffsetOfLink(m->Out, m->In)};
  PairQuery q = QueryAround(engine, atPeak, weigher);
  q.Reach = kBorneOut;
  const PairMatch found = RegistrationFor(engine.Method())(q).Match;
  if (!found.Found() || found.Score < kWeakLinkScore) return std::nullopt;
  return LinkOf(atPeak, found, weigher);
}

NearLink LinkNear(const Panoram& engine, const NeighbourPair& pair) {
  LinkWeigher weigher(engine.ImageBitmap(pair.From), engine.ImageBitmap(pair.To));
  PairQuery q = QueryAround(engine, pair, weigher);
  q.Reach = std::min(std::max(engine.Radius(), 1), WideReach(engine, pair));
  const PairMatch m = RegistrationFor(engine.Method())(q).Match;
  // A weak match just where the prediction puts it bears the prediction
  // out (faint detail); around a prediction that is off, the best of
  // unrelated pixels lands there only by chance.
  bool settled = false;
  if (m.Found()) {
    const Offset o = OffsetOfLink(m.Out, m.In);
    settled = m.Score >= kWeakLinkScore || (std::abs(o.X - pair.Around.X) <= kBorneOut &&
                                            std::abs(o.Y - pair.Around.Y) <= kBorneOut);
  }
  return {LinkOf(pair, m, weigher), settled};
}

ImageLink LinkWide(const Panoram& engine, const NeighbourPair& pair) {
  LinkWeigher weigher(engine.ImageBitmap(pair.From), engine.ImageBitmap(pair.To));
  PairQuery q = QueryAround(engine, pair, weigher);
  q.Reach = WideReach(engine, pair);
  return LinkOf(pair, RegistrationFor(engine.Method())(q).Match, weigher);
}

ImageLink LinkSearched(const Panoram& engine, const NeighbourPair& pair) {
  // Most predictions are near: the search radius around them first, and the
  // zone's depth, many times the work, only where that did not settle it.
  const NearLink near = LinkNear(engine, pair);
  return near.Settled ? near.Link : LinkWide(engine, pair);
}

ImageLink LinkAround(const Panoram& engine, const NeighbourPair& pair) {
  if (std::optional<ImageLink> confirmed = LinkConfirmed(engine, pair)) return *confirmed;
  return LinkSearched(engine, pair);
}
