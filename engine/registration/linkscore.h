#pragma once
// The confidence of a link: the normalised cross-correlation of two images'
// intensities over their whole overlap, the same measure whichever search
// found the link. Each intensity is taken less the mean of its block of
// kScoreBlock x kScoreBlock pixels, so that vignetting and uneven light,
// which differ between two fields of one scene, do not read as disagreement.

#include "imagefiles/bitmap.h"

// Links whose confidence (linkconfidence.h) is below this are weak: probably
// wrong. They do not place images, the user is told of them, and the
// template-then-phase search asks phase correlation too.
constexpr double kWeakLinkScore = 0.8;

// Overlaps smaller than this (pixels, or pixels per side) score 0: a few
// pixels correlate by chance.
constexpr int64_t kMinOverlapPixels = 1024;
constexpr int kMinOverlapSide = 8;
constexpr int kScoreBlock = 32;

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
// side is uniform there, or when the two run against each other. Each block's
// sums are exact integers and blocks are added in a fixed order, so the
// result does not depend on the thread count. With a step above 1 only every
// step-th row and column is read (a quick ranking).
double OverlapScore(const Bitmap& first, const Bitmap& second, Offset offset, int step = 1);

// A step for OverlapScore that reads about that many pixel pairs of the
// overlap: enough to rank candidate offsets, far quicker on large images.
int QuickScoreStep(const Bitmap& first, const Bitmap& second, Offset offset,
                   double samples = 16384);

// The offset moved a pixel at a time to whichever of its eight neighbours
// scores highest, while that beats the current score (given in score, and
// updated); a peak of the score one or two pixels away is reached.
Offset PolishOffset(const Bitmap& first, const Bitmap& second, Offset offset, double& score);
