#pragma once
// What the user is told after a stitch that left links unset, or that placed
// images over all neighbours without some links or images, in Russian.

#include <QString>

#include "engine/linkcheck.h"
#include "engine/registration/searchmethod.h"
#include "engine/stitchflow.h"

// One message naming the pairs by image number and the likely cause; empty
// when every link is set. method is the search that found the links: only
// another one is recommended.
QString UnsetLinksMessage(const UnsetLinks& links, SearchMethod method = SearchMethod::Template);

// The confident links a placement over all neighbours dropped, with how far
// each was off, and the images no confident link reached; empty when none.
QString NeighbourPlacementMessage(const AllNeighbourPlaces& placed);

// The links whose images the placement over all neighbours placed from other,
// confident links (UnsetLinks::MadeGood); empty when none. Said only beside
// another warning: on its own the mosaic there is as sound as elsewhere.
QString MadeGoodLinksMessage(const std::vector<int>& links);
