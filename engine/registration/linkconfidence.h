#pragma once
// The confidence that a link is right, the same measure whichever search
// found it or when it was set by hand: the phase correlation of the two
// images over the link's overlap, which peaks at no shift when the link is
// right, against what every other shift of the same two images gives there.

#include "imagefiles/bitmap.h"
#include "linkscore.h"

// The highest confidence: no link scores above it.
constexpr double kFullLinkScore = 1.0;

struct LinkEvidence {
  // 0..1: how far the correlation at the link stands above the best other
  // shift, in units of the correlation's spread over shifts that cannot be
  // right; 0 when the overlap is too small or another shift does better.
  double Score = 0;
  // Where the correlation peaks within a pixel or two of the link: the
  // offset (second's origin in first's pixels) that would be better.
  Offset Peak;
  // The offset of the best other shift, to within a pixel: where the two
  // agree better when the link is off by more than a pixel or two. The link
  // itself when unweighed.
  Offset Other;
};

struct PhaseSurface;

LinkEvidence WeighLink(const Bitmap& first, const Bitmap& second, Offset offset);

// The surface WeighLink reads, of the middle of the link's overlap (at most
// side pixels a side) as means of shrink x shrink pixels, into s; false
// where the overlap is too small to weigh.
bool CorrelateEvidence(const Bitmap& first, const Bitmap& second, Offset offset, int shrink,
                       int side, PhaseSurface& s);

// WeighLink, but where another shift beats the offset (score 0) the peak
// near by is not looked for, Peak is the offset: where nothing moves to that
// peak, most of the work is then saved.
LinkEvidence WeighLinkUnlessBeaten(const Bitmap& first, const Bitmap& second, Offset offset);

// WeighLink's score alone.
double LinkConfidence(const Bitmap& first, const Bitmap& second, Offset offset);

// The same read over the link's whole evidence at once, where LinkConfidence
// and WeighLink first read the middle of it and mostly stop there: for
// checking that the two agree, and what the shortcut saves.
double WholePatchConfidence(const Bitmap& first, const Bitmap& second, Offset offset);
