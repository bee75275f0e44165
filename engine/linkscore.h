#pragma once
// The confidence of a link: the normalised cross-correlation of two images'
// intensities over their whole overlap, the same measure whichever search
// found the link.

#include "imagefiles/bitmap.h"

// Links scoring below this are weak: the mosaic may well be wrong there.
constexpr double kWeakLinkScore = 0.5;

// Overlaps smaller than this (pixels, or pixels per side) score 0: a few
// pixels correlate by chance.
constexpr int64_t kMinOverlapPixels = 1024;
constexpr int kMinOverlapSide = 8;

// Where the second image's origin lies in the first image's pixels.
struct Offset {
  int X = 0;
  int Y = 0;
  bool operator==(const Offset&) const = default;
};

// The offset that makes linkOut (a pixel of first) meet linkIn (of second).
inline Offset OffsetOfLink(const Point& linkOut, const Point& linkIn) {
  return {linkOut.X - linkIn.X, linkOut.Y - linkIn.Y};
}

// The overlap of second placed at offset, in first's pixels; empty when none.
Rect OverlapRect(const Bitmap& first, const Bitmap& second, Offset offset);

// The correlation over the overlap, 0..1: 0 when it is too small, when either
// side is uniform there, or when the two run against each other. Sums are
// exact integers, so the result does not depend on the thread count. With a
// step above 1 only every step-th row and column is read (a quick ranking).
double OverlapScore(const Bitmap& first, const Bitmap& second, Offset offset, int step = 1);
