#pragma once
// The pairs a placement over all neighbours registers besides the chain's
// own, each with the offset its search starts from.

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

// The pair's link searched around its offset with the engine's method:
// within the search radius, then, when that found no confident link, wide
// enough to correct a prediction a zone's depth off. Score 0 and the
// predicted offset when nothing matched; a confident link carries its
// shift between pixels (SubX, SubY).
ImageLink LinkAround(const Panoram& engine, const NeighbourPair& pair);
