#pragma once
// The phase correlation surface of two zones: the inverse of their
// normalised cross-power spectrum, whose peaks are the shifts the two zones
// share. Both the phase search and the link confidence read it.

#include <vector>

#include "imagefiles/bitmap.h"

struct PhaseSurface {
  int Width = 0, Height = 0;  // the transform's size; shifts are modulo it
  int Shrink = 1;             // zone pixels per surface step
  bool Transposed = false;    // x runs down the zones, y across
  std::vector<float> Values;  // row by row; highest at a shift every detail shares
  // The value at shift (x, y), read cyclically.
  float At(int x, int y) const {
    x = ((x % Width) + Width) % Width;
    y = ((y % Height) + Height) % Height;
    return Values[static_cast<size_t>(y) * Width + x];
  }
};

// The largest transform size up to n (at least 1) with no factors but 2 and
// 3: zones cut to it share a few plans and transform quickly.
int TransformSizeAtMost(int n);

// Above this many cycles per surface step the correlation falls off.
constexpr double kPhaseBandHigh = 0.2;

struct PhaseOptions {
  int Shrink = 1;  // zone pixels averaged per surface step, each way
  double BandHigh = kPhaseBandHigh;
  // The surface transposed: quicker to transform for zones taller than wide.
  bool Transposed = false;
};

// The surface of zone a of first and zone b of second (each in its own
// image's pixels, neither empty), each shrunk by averaging shrink x shrink
// pixels. It peaks at s (in shrunk pixels) where zone b at u shows what zone
// a shows at u + s. Transforms of one size share their plans across calls
// and threads; throws std::bad_alloc when memory runs short.
PhaseSurface CorrelatePhases(const Bitmap& first, const Rect& a, const Bitmap& second,
                             const Rect& b, int shrink = 1);

// The same into s, whose storage is reused: for callers that correlate often.
void CorrelatePhases(const Bitmap& first, const Rect& a, const Bitmap& second, const Rect& b,
                     int shrink, PhaseSurface& s);

// The same with the options given.
void CorrelatePhases(const Bitmap& first, const Rect& a, const Bitmap& second, const Rect& b,
                     const PhaseOptions& options, PhaseSurface& s);
