#include "stitchflow.h"

#include <algorithm>
#include <chrono>

#include "neighbourpairs.h"
#include "parallel.h"
#include "registration/subpixel.h"

namespace {

using Clock = std::chrono::steady_clock;

// Adds the time from its start to its end to one stage of times, if given.
class StageTimer {
 public:
  explicit StageTimer(double* stage) : stage_(stage), start_(Clock::now()) {}
  ~StageTimer() {
    if (stage_ != nullptr) {
      *stage_ += std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
    }
  }
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

 private:
  double* stage_;
  Clock::time_point start_;
};

double* Stage(StitchTimes* times, double StitchTimes::*stage) {
  return times != nullptr ? &(times->*stage) : nullptr;
}

template <typename Search>
bool SearchThenPlace(Panoram& engine, StitchTimes* times, const Search& search) {
  {
    const StageTimer timer(Stage(times, &StitchTimes::Search));
    if (!search()) return false;
  }
  const StageTimer timer(Stage(times, &StitchTimes::Place));
  engine.PlaceChain();
  return true;
}

}  // namespace

bool StitchAlongDirections(Panoram& engine, ProgressIndicator* progress, StitchTimes* times) {
  engine.ResetPlaces();
  return SearchThenPlace(engine, times, [&] { return engine.SearchLinks(progress); });
}

bool StitchAutomatically(Panoram& engine, ProgressIndicator* progress, StitchTimes* times) {
  engine.ResetPlaces();
  return SearchThenPlace(engine, times, [&] { return engine.AutoSearchLinks(progress); });
}

CanvasResult AssembleMosaic(Panoram& engine, bool smoothing, StitchTimes* times) {
  CanvasResult canvas;
  {
    const StageTimer timer(Stage(times, &StitchTimes::Place));
    canvas = engine.BuildCanvas();
  }
  if (!canvas) return canvas;
  const StageTimer timer(Stage(times, &StitchTimes::Compose));
  if (!engine.Compose(smoothing)) return {CanvasResult::OutOfMemory};
  return canvas;
}

std::optional<Rect> ShownPart(const Panoram& engine, const MontageTable& table, bool crop) {
  if (!crop) return std::nullopt;
  return engine.CommonRect(table);
}

bool ShowMosaic(const Panoram& engine, const MontageTable& table, bool crop, Picture& picture) {
  const std::optional<Rect> part = ShownPart(engine, table, crop);
  return part ? engine.ShowResultPart(picture, *part) : engine.ShowResult(picture);
}

Bitmap TakeMosaic(Panoram& engine, const MontageTable& table, bool crop) {
  const std::optional<Rect> part = ShownPart(engine, table, crop);
  return engine.TakeResult(part ? &*part : nullptr);
}

namespace {

// Only confident links place images; a weak one keeps its whole pixels.
// Read here, across the threads, not in the chain's search, which takes one
// link at a time.
void RefineBetweenPixels(const Panoram& engine, ImageLink& link) {
  if (link.Score < kWeakLinkScore) return;
  const Offset at{static_cast<int>(link.DX), static_cast<int>(link.DY)};
  const SubpixelShift s =
      SubpixelShiftAt(engine.ImageBitmap(link.From), engine.ImageBitmap(link.To), at);
  link.SubX = s.X;
  link.SubY = s.Y;
}

// The chain's links, then one per pair, across the threads: each pair
// writes only its own link, so the links do not depend on the threads.
// First every prediction is weighed, which bears most out. The places those
// links give then predict the rest again where they place both images: a
// pair they no longer show overlapping by a tenth is no neighbour (a wrong
// chain link made it look one) and is not searched, and one they move is
// taken around where they put it. The rest are searched.
AllNeighbourPlaces PlaceOverPairs(Panoram& engine, const std::vector<NeighbourPair>& pairs,
                                  StitchTimes* times) {
  const StageTimer timer(Stage(times, &StitchTimes::Place));
  AllNeighbourPlaces out;
  out.Links = engine.ChainLinks();
  const size_t chain = out.Links.size();
  out.Links.resize(chain + pairs.size());
  std::vector<char> confirmed(pairs.size(), 0);
  ParallelFor(static_cast<int>(chain + pairs.size()), 1, [&](int begin, int end) {
    for (int k = begin; k < end; ++k) {
      ImageLink& link = out.Links[static_cast<size_t>(k)];
      if (static_cast<size_t>(k) < chain) {
        RefineBetweenPixels(engine, link);
        continue;
      }
      const size_t p = static_cast<size_t>(k) - chain;
      const NeighbourPair& pair = pairs[p];
      if (std::optional<ImageLink> borne = LinkConfirmed(engine, pair)) {
        link = *borne;
        confirmed[p] = 1;
      } else {
        link = {pair.From, pair.To, pair.Around.X, pair.Around.Y, 0};
      }
    }
  });
  std::vector<int> rest;
  for (size_t p = 0; p < pairs.size(); ++p) {
    if (!confirmed[p]) rest.push_back(static_cast<int>(p));
  }
  if (!rest.empty()) {
    const Placement so = PlaceOverNeighbours(engine.Places(), out.Links);
    std::vector<char> anchored(so.Places.size(), 1);
    for (const int i : so.Unanchored) anchored[static_cast<size_t>(i)] = 0;
    ParallelFor(static_cast<int>(rest.size()), 1, [&](int begin, int end) {
      for (int r = begin; r < end; ++r) {
        const size_t p = static_cast<size_t>(rest[static_cast<size_t>(r)]);
        const NeighbourPair& pair = pairs[p];
        const auto from = static_cast<size_t>(pair.From), to = static_cast<size_t>(pair.To);
        if (!anchored[from] || !anchored[to]) {
          out.Links[chain + p] = LinkSearched(engine, pair);
          continue;
        }
        const Rect& a = so.Places[from];
        const Rect& b = so.Places[to];
        if (!PlacesOverlap(a, b)) continue;
        const Offset again{b.Left - a.Left, b.Top - a.Top};
        out.Links[chain + p] = again == pair.Around
                                   ? LinkSearched(engine, pair)
                                   : LinkAround(engine, {pair.From, pair.To, again});
      }
    });
  }
  out.Result = PlaceOverNeighbours(engine.Places(), out.Links);
  engine.SetPlaces(out.Result.Places);
  return out;
}

// At most this many chain steps are guessed between a placed image and an
// unplaced group: one for a wrong or missing link, two where an image
// between them has no usable overlap at all. Each more is four times the guesses.
constexpr int kGuessedSteps = 2;

// The placed image (in anchor's group) at most kGuessedSteps before image
// root in the chain with only unplaced images between; -1 if none.
int PlacedBefore(const std::vector<int>& groups, int anchor, int root) {
  for (int from = root - 1; from >= 0 && from >= root - kGuessedSteps; --from) {
    if (groups[static_cast<size_t>(from)] == anchor) return from;
  }
  return -1;
}

// Images that no confident link reaches from the first lie past a weak
// chain link whose guess put them where no neighbour of theirs was looked
// for. Each such group, once an image just before it is placed, is tried
// typical chain steps from that image, one way after another; the pairs
// that then overlap are searched near where that puts them, and the
// confident links found join the fit. Nothing is searched wide: the cost
// stays a few searches per group, and only where a mosaic would break.
void JoinPastWeakLinks(Panoram& engine, const std::vector<Rect>& chainPlaces,
                       AllNeighbourPlaces& placed) {
  std::vector<char> tried(static_cast<size_t>(engine.Count()), 0);
  for (;;) {
    const Placement& r = placed.Result;
    if (r.Unanchored.empty() || r.Groups.size() != tried.size()) return;
    const int anchor = r.Groups[0];
    int root = -1, from = -1;
    for (const int i : r.Unanchored) {
      if (tried[i] || r.Groups[i] != i) continue;
      from = PlacedBefore(r.Groups, anchor, i);
      if (from >= 0) {
        root = i;
        break;
      }
    }
    if (root < 0) return;
    tried[root] = 1;
    std::vector<int> moved, anchored;
    for (int i = 0; i < engine.Count(); ++i) {
      if (r.Groups[i] == root) moved.push_back(i);
      if (r.Groups[i] == anchor) anchored.push_back(i);
    }
    // The likeliest guess first; the first that any confident link bears out is taken.
    const size_t before = placed.Links.size();
    for (const std::vector<NeighbourPair>& pairs :
         PairsIfTypicalSteps(engine, r.Places, from, root, moved, anchored)) {
      std::vector<std::optional<ImageLink>> found(pairs.size());
      ParallelFor(static_cast<int>(pairs.size()), 1, [&](int begin, int end) {
        for (int p = begin; p < end; ++p)
          found[static_cast<size_t>(p)] = LinkConfirmed(engine, pairs[static_cast<size_t>(p)]);
      });
      for (const std::optional<ImageLink>& link : found) {
        if (link) placed.Links.push_back(*link);
      }
      if (placed.Links.size() > before) break;
    }
    if (placed.Links.size() == before) continue;
    placed.Result = PlaceOverNeighbours(chainPlaces, placed.Links);
    engine.SetPlaces(placed.Result.Places);
  }
}

bool AnyConfidentLink(const Panoram& engine) {
  const std::vector<ImageLink> links = engine.ChainLinks();
  return std::any_of(links.begin(), links.end(),
                     [](const ImageLink& l) { return l.Score >= kWeakLinkScore; });
}

}  // namespace

AllNeighbourPlaces PlaceAllNeighbours(Panoram& engine, StitchTimes* times) {
  const std::vector<Rect> chainPlaces = engine.Places();
  // Without one confident link every place is a guess, each image on the
  // one before it: every pair would overlap, none more a neighbour than
  // another, and searching them all would find nothing the chain did not.
  const std::vector<NeighbourPair> pairs =
      AnyConfidentLink(engine) ? OverlappingPairs(engine) : std::vector<NeighbourPair>{};
  AllNeighbourPlaces placed = PlaceOverPairs(engine, pairs, times);
  const StageTimer timer(Stage(times, &StitchTimes::Place));
  JoinPastWeakLinks(engine, chainPlaces, placed);
  return placed;
}

AllNeighbourPlaces PlaceTableNeighbours(Panoram& engine, const MontageTable& table,
                                        StitchTimes* times) {
  return PlaceOverPairs(engine, TablePairs(engine, table), times);
}

std::optional<AllNeighbourPlaces> PlaceAsChosen(Panoram& engine, const MontageTable* table,
                                                StitchTimes* times) {
  switch (engine.Placing()) {
    case PlacementMethod::Chain: return std::nullopt;
    case PlacementMethod::Neighbours:
      return table != nullptr ? PlaceTableNeighbours(engine, *table, times)
                              : PlaceAllNeighbours(engine, times);
  }
  return std::nullopt;
}

std::vector<size_t> DroppedLinks(const AllNeighbourPlaces& placed) {
  std::vector<size_t> dropped;
  for (size_t k = 0; k < placed.Links.size(); ++k) {
    if (!placed.Result.Fits[k].Used && placed.Links[k].Score >= kWeakLinkScore)
      dropped.push_back(k);
  }
  return dropped;
}
