// The sharpness seam: each canvas pixel takes the new image's pixel where the
// new image is busier around it. Windows are 4 x 4 (two before, one after) and
// the canvas changes in place, so the canvas side runs strictly in row-major
// order; the new image's side never changes and is worked out beforehand.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/parallel.h"
#include "seams.h"

namespace {

constexpr int kBefore = 2;  // window columns/rows before the pixel
constexpr int kSide = 4;    // a full window

// Intensities fit in 16 bits, and so does 16 x a value minus a window sum.
std::vector<int16_t> Intensities(const Bitmap& b) {
  const int W = b.Width();
  std::vector<int16_t> out(static_cast<size_t>(W) * b.Height());
  ParallelFor(b.Height(), GrainFor(W, 1 << 17), [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const uint8_t* row = b.Row(y);
      int16_t* dst = out.data() + static_cast<size_t>(y) * W;
      for (int x = 0; x < W; ++x) dst[x] = Intensity(row + 3 * x);
    }
  });
  return out;
}

// Sum of absolute deviations from the mean over a window, in double and in
// row-major order, as the rule reads. Used where the window is cut by the edge.
double Spread(const std::vector<int16_t>& values, int width, int x0, int x1, int y0, int y1) {
  int64_t sum = 0;
  for (int y = y0; y < y1; ++y) {
    const int16_t* row = values.data() + static_cast<size_t>(y) * width;
    for (int x = x0; x < x1; ++x) sum += row[x];
  }
  const double mean = static_cast<double>(sum) / ((x1 - x0) * (y1 - y0));
  double spread = 0;
  for (int y = y0; y < y1; ++y) {
    const int16_t* row = values.data() + static_cast<size_t>(y) * width;
    for (int x = x0; x < x1; ++x) spread += std::fabs(mean - row[x]);
  }
  return spread;
}

// 16 x the spread of the full 4 x 4 window whose top-left value is at `first`.
// Over 16 values the mean is a multiple of 1/16 below 4096, so the rule's
// double sums are exact and equal this integer divided by 16: comparing the
// integers decides exactly as comparing the doubles would.
[[maybe_unused]] int32_t FullSpread16(const int16_t* first, size_t stride, int32_t windowSum) {
  int32_t spread = 0;
  for (int v = 0; v < kSide; ++v) {
    const int16_t* row = first + v * stride;
    for (int u = 0; u < kSide; ++u) spread += std::abs(16 * row[u] - windowSum);
  }
  return spread;
}

[[maybe_unused]] int32_t WindowSum(const int16_t* first, size_t stride) {
  int32_t sum = 0;
  for (int v = 0; v < kSide; ++v)
    for (int u = 0; u < kSide; ++u) sum += first[v * stride + u];
  return sum;
}

#if defined(__SSE2__)
// The same on four rows of four 16-bit values at once; every lane stays within
// 16 bits (at most 4080 before the final 32-bit sums), so it is exact.
int32_t Spread16(const int16_t* first, size_t stride) {
  const __m128i top =
      _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)),
                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + stride)));
  const __m128i bottom =
      _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + 2 * stride)),
                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + 3 * stride)));
  const __m128i ones = _mm_set1_epi16(1);
  auto total = [](__m128i v) {  // sum of four 32-bit lanes
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_cvtsi128_si32(v);
  };
  const int32_t sum = total(_mm_madd_epi16(_mm_add_epi16(top, bottom), ones));
  const __m128i s = _mm_set1_epi16(static_cast<int16_t>(sum));
  const __m128i dTop = _mm_sub_epi16(_mm_slli_epi16(top, 4), s);
  const __m128i dBottom = _mm_sub_epi16(_mm_slli_epi16(bottom, 4), s);
  const __m128i zero = _mm_setzero_si128();
  const __m128i aTop = _mm_max_epi16(dTop, _mm_sub_epi16(zero, dTop));
  const __m128i aBottom = _mm_max_epi16(dBottom, _mm_sub_epi16(zero, dBottom));
  return total(_mm_add_epi32(_mm_madd_epi16(aTop, ones), _mm_madd_epi16(aBottom, ones)));
}
#else
int32_t Spread16(const int16_t* first, size_t stride) {
  return FullSpread16(first, stride, WindowSum(first, stride));
}
#endif

bool FullWindow(int x, int y, int W, int H) {
  return x >= kBefore && y >= kBefore && x + 2 <= W && y + 2 <= H;
}

// 16 x the new image's spread for every pixel with a full window.
std::vector<int32_t> FullSpreads(const std::vector<int16_t>& iN, int W, int H) {
  std::vector<int32_t> out(iN.size(), 0);
  ParallelFor(H, GrainFor(int64_t{W} * 40, 1 << 18), [&](int begin, int end) {
    for (int y = std::max(begin, kBefore); y < end && y + 2 <= H; ++y) {
      for (int x = kBefore; x + 2 <= W; ++x) {
        const int16_t* first = iN.data() + static_cast<size_t>(y - kBefore) * W + (x - kBefore);
        out[static_cast<size_t>(y) * W + x] = Spread16(first, W);
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
  std::vector<int16_t> iR = Intensities(r);
  const std::vector<int16_t> iN = Intensities(n);
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
        const int16_t* first = iR.data() + static_cast<size_t>(y - kBefore) * W + (x - kBefore);
        takeNew = spreadN[at] > Spread16(first, W);
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
