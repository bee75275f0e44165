#pragma once
// The pairs a placement over all neighbours registers besides the chain's
// own, each with the offset its search starts from.

#include <optional>
#include <vector>

#include "montagetable.h"
#include "panoram.h"
#include "registration/linkscore.h"

// Image To's origin is expected Around pixels right of and below image From's.
struct NeighbourPair {
  int From = 0;
  int To = 0;
  Offset Around;
};

// Every two images, not next to each other in the chain, whose places
// overlap by at least a tenth of the smaller; expected where the places are.
std::vector<NeighbourPair> OverlappingPairs(const Panoram& engine);

// Every two images in neighbouring cells of table, not next to each other
// in the chain. The table is read as a lattice: one step per column and one
// per row, each the median of the confident chain links across it (a wrong
// or missing link moves no prediction), or the zone's depth without one.
std::vector<NeighbourPair> TablePairs(const Panoram& engine, const MontageTable& table);

// The pairs that would join the images moved (image root and those placed
// with it) to the anchored ones if root lay a typical chain step per image
// from + 1 .. root on from image from, in any directions; a typical step is
// the median of the chain's confident links that way. One list per guess
// that pairs any, each pair expected where the steps put it; the guesses
// whose steps go most as the chain says its images lie come first, and none
// leaves root where it is.
std::vector<std::vector<NeighbourPair>> PairsIfTypicalSteps(const Panoram& engine,
                                                            const std::vector<Rect>& places,
                                                            int from, int root,
                                                            const std::vector<int>& moved,
                                                            const std::vector<int>& anchored);

// The pair's link around its offset with the engine's method: the
// prediction borne out by the confidence (LinkConfirmed), else searched
// (LinkSearched). Score 0 and the predicted offset when nothing matched; a
// confident link carries its shift between pixels (SubX, SubY).
ImageLink LinkAround(const Panoram& engine, const NeighbourPair& pair);

// The link the confidence's peak near the prediction gives: the confidence
// weighed there, or at the shift of the same overlaps that agrees best
// within a zone's depth, and moved to its peak. Where the method ends at
// that peak (the phase search, and template then phase, which is polished
// to it) the link is there; the template search is run within two pixels
// of it. Empty unless confident.
std::optional<ImageLink> LinkConfirmed(const Panoram& engine, const NeighbourPair& pair);

// The pair searched within the search radius of its offset. Settled: a
// confident link, or a weak match just where predicted.
struct NearLink {
  ImageLink Link;
  bool Settled = false;
};
NearLink LinkNear(const Panoram& engine, const NeighbourPair& pair);

// The pair searched within a zone's depth of its offset.
ImageLink LinkWide(const Panoram& engine, const NeighbourPair& pair);

// LinkNear, then LinkWide where that did not settle the pair.
ImageLink LinkSearched(const Panoram& engine, const NeighbourPair& pair);

// Whether two places overlap by at least a tenth of the smaller: the
// pairs OverlappingPairs takes.
bool PlacesOverlap(const Rect& a, const Rect& b);
