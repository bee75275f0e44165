// The weight map of an overlap and the five seam methods. Every method works
// row by row through row pointers and stays byte-exact to its rule.
#include "seams.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace {

void SeedWeights(WeightMap& v, const Rect& a, const Rect& c) {
  // 0 strictly inside the new image's outermost ring, 1 on and outside it.
  for (int y = 0; y < v.Height(); ++y) {
    const int64_t gy = int64_t{c.Top} + y;
    const bool rowInside = a.Top < gy && gy < int64_t{a.Bottom} - 1;
    for (int x = 0; x < v.Width(); ++x) {
      const int64_t gx = int64_t{c.Left} + x;
      const bool inside = rowInside && a.Left < gx && gx < int64_t{a.Right} - 1;
      v.At(x, y) = inside ? 0.0f : 1.0f;
    }
  }
}

// Seed border values are exactly 0 or 1; any other reads as truncated.
int Side(float value) { return static_cast<int>(value) != 0 ? 1 : 0; }

void FillInterior(WeightMap& v, bool horizontal, bool vertical) {
  const int W = v.Width();
  const int H = v.Height();
  for (int y = 1; y <= H - 2; ++y) {
    const int left = Side(v.At(0, y));
    const int right = Side(v.At(W - 1, y));
    for (int x = 1; x <= W - 2; ++x) {
      double d[2] = {100000.0, 100000.0};
      if (horizontal) {
        d[left] = std::min(d[left], static_cast<double>(x));
        d[right] = std::min(d[right], static_cast<double>(W - x));
      }
      if (vertical) {
        const int top = Side(v.At(x, 0));
        const int bottom = Side(v.At(x, H - 1));
        d[top] = std::min(d[top], static_cast<double>(y));
        d[bottom] = std::min(d[bottom], static_cast<double>(H - y));
      }
      v.At(x, y) = static_cast<float>(d[0] / (d[0] + d[1]));
    }
  }
}

// The border rows (without a vertical seam) and then the border columns
// (without a horizontal one) become linear ramps between their end values.
void RampBorders(WeightMap& v, bool horizontal, bool vertical) {
  const int W = v.Width();
  const int H = v.Height();
  if (!vertical) {
    const double l = v.At(0, H / 2);
    const double r = v.At(W - 1, H / 2);
    for (int x = 1; x <= W - 2; ++x) {
      const float ramp = static_cast<float>(((W - x) * l + x * r) / W);
      v.At(x, 0) = ramp;
      v.At(x, H - 1) = ramp;
    }
  }
  if (!horizontal) {
    // Reads the row ends that the step above may just have written.
    const double t = v.At(W / 2, 0);
    const double b = v.At(W / 2, H - 1);
    for (int y = 1; y <= H - 2; ++y) {
      const float ramp = static_cast<float>(((H - y) * t + y * b) / H);
      v.At(0, y) = ramp;
      v.At(W - 1, y) = ramp;
    }
  }
}

void CheckSizes([[maybe_unused]] const Bitmap& r, [[maybe_unused]] const Bitmap& n,
                [[maybe_unused]] const WeightMap& w) {
  assert(r.Width() == n.Width() && r.Height() == n.Height());
  assert(w.Width() == r.Width() && w.Height() == r.Height());
}

std::vector<int> Intensities(const Bitmap& b) {
  std::vector<int> out(static_cast<size_t>(b.Width()) * b.Height());
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.Row(y);
    int* dst = out.data() + static_cast<size_t>(y) * b.Width();
    for (int x = 0; x < b.Width(); ++x) dst[x] = Intensity(row + 3 * x);
  }
  return out;
}

// Sum of absolute deviations from the mean over the window, in row-major order.
double Spread(const std::vector<int>& values, int width, int x0, int x1, int y0, int y1) {
  int64_t sum = 0;
  for (int y = y0; y < y1; ++y) {
    const int* row = values.data() + static_cast<size_t>(y) * width;
    for (int x = x0; x < x1; ++x) sum += row[x];
  }
  const double mean = static_cast<double>(sum) / ((x1 - x0) * (y1 - y0));
  double spread = 0;
  for (int y = y0; y < y1; ++y) {
    const int* row = values.data() + static_cast<size_t>(y) * width;
    for (int x = x0; x < x1; ++x) spread += std::fabs(mean - row[x]);
  }
  return spread;
}

constexpr SeamMethod kSeamMethods[kBlendModeCount] = {
    BlendFront, BlendDiffusion, BlendAverage, BlendBrightness, BlendSharpness,
};

}  // namespace

Intersection IntersectRects(const Rect& a, const Rect& b) {
  Intersection i;
  i.Area = {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
  i.Present = i.Area.Right > i.Area.Left && i.Area.Bottom > i.Area.Top;
  return i;
}

WeightMap SeamWeights(const Rect& a, const Rect& c) {
  const int W = std::max(0, c.Width());
  const int H = std::max(0, c.Height());
  WeightMap v(W, H);
  if (W == 0 || H == 0) return v;
  SeedWeights(v, a, c);
  const bool horizontal = v.At(W - 1, H / 2) != v.At(0, H / 2);
  const bool vertical = v.At(W / 2, H - 1) != v.At(W / 2, 0);
  FillInterior(v, horizontal, vertical);
  RampBorders(v, horizontal, vertical);
  return v;
}

void BlendFront(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSizes(r, n, weights);
  for (int y = 0; y < r.Height(); ++y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    const float* w = weights.Row(y);
    for (int x = 0; x < r.Width(); ++x) {
      if (w[x] < 0.5f) std::memcpy(rr + 3 * x, nr + 3 * x, 3);
    }
  }
}

void BlendDiffusion(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSizes(r, n, weights);
  for (int y = 0; y < r.Height(); ++y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    const float* w = weights.Row(y);
    for (int x = 0; x < r.Width(); ++x) {
      const double v = w[x];
      for (int ch = 0; ch < 3; ++ch) {
        const int i = 3 * x + ch;
        // Truncation toward zero; the weights lie in 0..1, so the result is a byte.
        rr[i] = static_cast<uint8_t>(static_cast<int>(rr[i] * v + (1.0 - v) * nr[i]));
      }
    }
  }
}

void BlendAverage(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSizes(r, n, weights);
  const size_t bytes = static_cast<size_t>(r.Width()) * 3;
  for (int y = 0; y < r.Height(); ++y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    for (size_t i = 0; i < bytes; ++i) rr[i] = static_cast<uint8_t>((rr[i] + nr[i]) / 2);
  }
}

void BlendBrightness(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSizes(r, n, weights);
  for (int y = 0; y < r.Height(); ++y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    for (int x = 0; x < r.Width(); ++x) {
      if (Intensity(nr + 3 * x) > Intensity(rr + 3 * x)) std::memcpy(rr + 3 * x, nr + 3 * x, 3);
    }
  }
}

void BlendSharpness(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSizes(r, n, weights);
  const int W = r.Width();
  const int H = r.Height();
  std::vector<int> iR = Intensities(r);
  const std::vector<int> iN = Intensities(n);
  for (int y = 0; y < H; ++y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    // Two pixels before and one after on each axis: at most 4 x 4.
    const int y0 = std::max(0, y - 2);
    const int y1 = std::min(y + 2, H);
    for (int x = 0; x < W; ++x) {
      const int x0 = std::max(0, x - 2);
      const int x1 = std::min(x + 2, W);
      const double aR = Spread(iR, W, x0, x1, y0, y1);
      const double aN = Spread(iN, W, x0, x1, y0, y1);
      if (aN > aR) {
        // In place: later windows see the replaced pixel.
        std::memcpy(rr + 3 * x, nr + 3 * x, 3);
        iR[static_cast<size_t>(y) * W + x] = iN[static_cast<size_t>(y) * W + x];
      }
    }
  }
}

SeamMethod SeamMethodFor(int blendMode) {
  if (blendMode < 0 || blendMode >= kBlendModeCount) return nullptr;
  return kSeamMethods[blendMode];
}
