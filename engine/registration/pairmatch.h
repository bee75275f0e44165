#pragma once
// One pair's link as a search finds it.

#include "imagefiles/bitmap.h"

struct PairMatch {
  Point Out;         // in the source image (i - 1)
  Point In;          // in the searched image (i)
  double Score = 0;  // 0: no match, both points unset
  bool Found() const { return Score > 0; }
};
