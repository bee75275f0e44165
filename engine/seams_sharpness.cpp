// The sharpness seam: each canvas pixel takes the new image's pixel where the
// new image is busier around it. Windows are 4 x 4 (two before, one after) and
// the canvas changes in place, so the canvas side runs strictly in row-major
// order; the new image's side never changes and is worked out beforehand.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "parallel.h"
#include "seams.h"

namespace {

constexpr int kBefore = 2;  // window columns/rows before the pixel
constexpr int kSide = 4;    // a full window

std::vector<int32_t> Intensities(const Bitmap& b) {
  const int W = b.Width();
  std::vector<int32_t> out(static_cast<size_t>(W) * b.Height());
  ParallelFor(b.Height(), GrainFor(W, 1 << 17), [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const uint8_t* row = b.Row(y);
      int32_t* dst = out.data() + static_cast<size_t>(y) * W;
      for (int x = 0; x < W; ++x) dst[x] = Intensity(row + 3 * x);
    }
  });
  return out;
}

// Sum of absolute deviations from the mean over a window, in double and in
// row-major order, as the rule reads. Used where the window is cut by the edge.
double Spread(const std::vector<int32_t>& values, int width, int x0, int x1, int y0, int y1) {
  int64_t sum = 0;
  for (int y = y0; y < y1; ++y) {
    const int32_t* row = values.data() + static_cast<size_t>(y) * width;
    for (int x = x0; x < x1; ++x) sum += row[x];
  }
  const double mean = static_cast<double>(sum) / ((x1 - x0) * (y1 - y0));
  double spread = 0;
  for (int y = y0; y < y1; ++y) {
    const int32_t* row = values.data() + static_cast<size_t>(y) * width;
    for (int x = x0; x < x1; ++x) spread += std::fabs(mean - row[x]);
  }
  return spread;
}

// 16 x the spread of the full 4 x 4 window whose top-left value is at `first`.
// Over 16 values the mean is a multiple of 1/16 below 4096, so the rule's
// double sums are exact and equal this integer divided by 16: comparing the
// integers decides exactly as comparing the doubles would.
int32_t FullSpread16(const int32_t* first, size_t stride, int32_t windowSum) {
  int32_t spread = 0;
  for (int v = 0; v < kSide; ++v) {
    const int32_t* row = first + v * stride;
    for (int u = 0; u < kSide; ++u) spread += std::abs(16 * row[u] - windowSum);
  }
  return spread;
}

int32_t WindowSum(const int32_t* first, size_t stride) {
  int32_t sum = 0;
  for (int v = 0; v < kSide; ++v)
    for (int u = 0; u < kSide; ++u) sum += first[v * stride + u];
  return sum;
}

bool FullWindow(int x, int y, int W, int H) {
  return x >= kBefore && y >= kBefore && x + 2 <= W && y + 2 <= H;
}

// 16 x the new image's spread for every pixel with a full window.
std::vector<int32_t> FullSpreads(const std::vector<int32_t>& iN, int W, int H) {
  std::vector<int32_t> out(iN.size(), 0);
  ParallelFor(H, GrainFor(int64_t{W} * 40, 1 << 18), [&](int begin, int end) {
    for (int y = std::max(begin, kBefore); y < end && y + 2 <= H; ++y) {
      for (int x = kBefore; x + 2 <= W; ++x) {
        const int32_t* first = iN.data() + static_cast<size_t>(y - kBefore) * W + (x - kBefore);
        out[static_cast<size_t>(y) * W + x] = FullSpread16(first, W, WindowSum(first, W));
      }
    }
  });
  return out;
}

}  // namespace

void BlendSharpness(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSeamSizes(r, n, weights);
  const int W = r.Width();
  const int H = r.Height();
  std::vector<int32_t> iR = Intensities(r);
  const std::vector<int32_t> iN = Intensities(n);
  const std::vector<int32_t> spreadN = FullSpreads(iN, W, H);
  for (int y = 0; y < H; ++y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    const int y0 = std::max(0, y - kBefore);
    const int y1 = std::min(y + 2, H);
    for (int x = 0; x < W; ++x) {
      const size_t at = static_cast<size_t>(y) * W + x;
      bool takeNew;
      if (FullWindow(x, y, W, H)) {
        // A still new image can never be busier than the canvas.
        if (spreadN[at] == 0) continue;
        const int32_t* first = iR.data() + static_cast<size_t>(y - kBefore) * W + (x - kBefore);
        takeNew = spreadN[at] > FullSpread16(first, W, WindowSum(first, W));
      } else {
        const int x0 = std::max(0, x - kBefore);
        const int x1 = std::min(x + 2, W);
        takeNew = Spread(iN, W, x0, x1, y0, y1) > Spread(iR, W, x0, x1, y0, y1);
      }
      if (takeNew) {
        // In place: later windows see the replaced pixel.
        std::memcpy(rr + 3 * x, nr + 3 * x, 3);
        iR[at] = iN[at];
      }
    }
  }
}
