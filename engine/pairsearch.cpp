#include "pairsearch.h"

#include <new>
#include <span>
#include <vector>

#include "panoram.h"
#include "registration/registration.h"

namespace {

constexpr int kEverySide[] = {kDirRight, kDirBelow, kDirLeft, kDirAbove};

bool KnownSide(int d) { return d >= kDirRight && d <= kDirAbove; }

bool HasLink(const Panoram& engine, int link) { return link >= 0 && link + 1 < engine.Count(); }

// The chain laid out on a table of its own, when each image gets a cell of
// its own inside the table; a chain that folds onto itself does not.
bool LayChainOut(const Panoram& engine, MontageTable& laid) {
  if (!engine.ChainToTable(laid)) return false;
  std::vector<int> seen(static_cast<size_t>(engine.Count()), 0);
  for (const int32_t k : laid.Cells) {
    if (k >= 0 && k < engine.Count()) ++seen[static_cast<size_t>(k)];
  }
  for (const int n : seen) {
    if (n != 1) return false;
  }
  return true;
}

}  // namespace

PairLinkState LinkStateOf(const Panoram& engine, int link) {
  if (!HasLink(engine, link)) return {};
  return {engine.GetLinkOut(link), engine.GetLinkIn(link + 1), engine.Direction(link + 1),
          engine.LinkScore(link)};
}

PairSearch SearchPairAgain(const Panoram& engine, int link, SearchMethod method, int direction) {
  PairSearch search;
  search.Link = link;
  search.Method = method;
  search.AskedDirection = KnownSide(direction) ? direction : kDirNone;
  if (!HasLink(engine, link)) return search;
  search.Before = LinkStateOf(engine, link);
  const int asked = search.AskedDirection;
  const std::span<const int> sides =
      KnownSide(asked) ? std::span<const int>(&asked, 1) : std::span<const int>(kEverySide);
  const PairQuery query{engine.ImageBitmap(link),
                        engine.ImageBitmap(link + 1),
                        sides,
                        engine.ZoneHeightPct(),
                        engine.ZoneWidthPct(),
                        engine.Radius(),
                        engine.Step(),
                        nullptr};
  PairLink found;
  try {
    found = RegistrationFor(method)(query);
  } catch (const std::bad_alloc&) {
    search.Kind = PairSearch::OutOfMemory;
    return search;
  }
  if (!found.Match.Found() || !KnownSide(found.Direction)) {
    search.Kind = PairSearch::NotFound;
    return search;
  }
  search.Kind = PairSearch::Found;
  search.Result = {found.Match.Out, found.Match.In, found.Direction, found.Match.Score};
  return search;
}

KeptPairSearch KeepPairSearch(Panoram& engine, MontageTable& table, const PairSearch& search) {
  KeptPairSearch kept;
  if (search.Kind != PairSearch::Found || !HasLink(engine, search.Link)) return kept;
  // A result found for a link that has changed since would undo that change.
  if (!(LinkStateOf(engine, search.Link) == search.Before)) return kept;
  const PairLinkState& r = search.Result;
  engine.SetFoundLink(search.Link, r.Out, r.In, r.Score);
  kept.Kept = true;
  if (r.Direction == search.Before.Direction) return kept;
  engine.SetDirection(search.Link + 1, r.Direction);
  // The table shows the chain's layout, so it follows the new side where it can.
  MontageTable laid;
  if (LayChainOut(engine, laid)) {
    table = laid;
    kept.TableRedrawn = true;
  } else {
    kept.TableKept = true;
  }
  return kept;
}
