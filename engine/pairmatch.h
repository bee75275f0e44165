#pragma once
// One pair's link as a search finds it, and the zones the searches compare.

#include "imagefiles/bitmap.h"

struct PairMatch {
  Point Out;         // in the source image (i - 1)
  Point In;          // in the searched image (i)
  double Score = 0;  // 0: no match, both points unset
  bool Found() const { return Score > 0; }
};

// Zone codes per direction 1..4: the source zone in image i - 1 and the
// searched zone in image i.
inline int SourceZoneCode(int direction) {
  constexpr int kCodes[5] = {0, 6, 8, 4, 2};
  return kCodes[direction];
}
inline int SearchedZoneCode(int direction) {
  constexpr int kCodes[5] = {0, 4, 2, 6, 8};
  return kCodes[direction];
}

// The link by phase correlation of the two facing zones (neither shrunk) of
// the pair along direction 1..4; its Score is the overlap score of the best
// of the correlation's peaks, and 0 when none overlaps enough to be scored.
PairMatch PhaseMatchPair(const Bitmap& source, const Bitmap& searched, int direction, int heightPct,
                         int widthPct);
