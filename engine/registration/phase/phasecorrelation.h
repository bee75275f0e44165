#pragma once
// Registration by phase correlation: the link of a pair from the spectra of
// two facing zones.

#include "engine/registration/linkweigher.h"
#include "engine/registration/pairmatch.h"
#include "imagefiles/bitmap.h"

// The link by phase correlation of the two facing zones (neither shrunk) of
// the pair along direction 1..4; its Score is the link's confidence
// (linkconfidence.h), and 0 when no peak overlaps enough to be weighed.
PairMatch PhaseMatchPair(const Bitmap& source, const Bitmap& searched, int direction, int heightPct,
                         int widthPct);
// The same, weighing links through weigher (of source and searched).
PairMatch PhaseMatchPair(LinkWeigher& weigher, int direction, int heightPct, int widthPct);

// The same for any two zones: zone a of source and zone b of searched, each
// in its own image's pixels. Readings that leave the zones sharing less than
// a quarter of the smaller one are not taken.
PairMatch PhaseMatchZones(LinkWeigher& weigher, const Rect& a, const Rect& b);
