// The feature search. Cell values are computed once per rectangle; each row
// of windows then runs exactly the additions and subtractions of the plain
// sliding column sum, in the same order, so every window energy (and hence
// the chosen point, ties included) is bit-identical to the straightforward
// loop. Speed comes from not recomputing cells, from summing several window
// rows side by side, and from handing row batches to threads.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "correlationkernel.h"
#include "engine/parallel.h"
#include "matching.h"

namespace {

// Window rows summed side by side, one accumulator each: each lane's sums
// depend on one another, so enough lanes keep the adders busy while each
// waits on its last sum (eight vectors of four with AVX2).
constexpr int kLanes = 32;

// Cell values of the rectangle, column by column so that one column holds
// the values a batch of window rows needs next to each other.
class CellTable {
 public:
  CellTable(const Bitmap& bitmap, int left, int top, int columns, int rows)
      : stride_(static_cast<size_t>(rows) + kLanes),
        values_(static_cast<size_t>(columns) * stride_, 0.0) {
    const ConstRowTable scan = ScanRows(bitmap);
    // Intensities of the (columns + 1) x (rows + 1) pixels the cells read.
    const size_t pw = static_cast<size_t>(columns) + 1;
    std::vector<int> in(pw * (static_cast<size_t>(rows) + 1));
    for (int v = 0; v <= rows; ++v) {
      const uint8_t* px = scan.Rows[static_cast<size_t>(top) + static_cast<size_t>(v)] +
                          3 * static_cast<size_t>(left);
      for (size_t u = 0; u < pw; ++u) in[v * pw + u] = Intensity(px + 3 * u);
    }
    ParallelFor(columns, GrainFor(int64_t{rows} * 40, int64_t{1} << 20, 16),
                [&](int begin, int end) {
                  for (int u = begin; u < end; ++u) {
                    double* column = values_.data() + static_cast<size_t>(u) * stride_;
                    for (int v = 0; v < rows; ++v) {
                      const int* p = in.data() + static_cast<size_t>(v) * pw + u;
                      const int i00 = p[0], i10 = p[1], i01 = p[pw], i11 = p[pw + 1];
                      const int a = i10 - i00, b = i01 - i00, c = i10 - i11, d = i01 - i11;
                      // Each sum under a root is an exact integer before the root is taken.
                      column[v] = std::sqrt(static_cast<double>(1 + a * a + b * b)) +
                                  std::sqrt(static_cast<double>(1 + c * c + d * d));
                    }
                  }
                });
  }

  const double* Column(int u) const { return values_.data() + static_cast<size_t>(u) * stride_; }

 private:
  size_t stride_;
  std::vector<double> values_;
};

struct RowBest {
  double Energy = 0;
  int X = 0;
};

// Window rows y .. y + kLanes - 1 (relative to the rectangle), each summed in
// the plain loop's order: first window row by row, then one column out and
// one column in for every v, top to bottom.
[[gnu::always_inline]] inline void ScanWindowRowsBody(const CellTable& cells, int y,
                                                      int windowsPerRow, int side, RowBest* out) {
  double e[kLanes] = {};
  double best[kLanes] = {};
  int bestX[kLanes] = {};
  for (int v = 0; v < side; ++v) {
    for (int u = 0; u < side; ++u) {
      const double* col = cells.Column(u) + y + v;
      for (int k = 0; k < kLanes; ++k) e[k] += col[k];
    }
  }
  for (int x = 0; x < windowsPerRow; ++x) {
    if (x > 0) {
      const double* leaving = cells.Column(x - 1) + y;
      const double* entering = cells.Column(x + side - 1) + y;
      for (int v = 0; v < side; ++v) {
        for (int k = 0; k < kLanes; ++k) {
          e[k] -= leaving[v + k];
          e[k] += entering[v + k];
        }
      }
    }
    for (int k = 0; k < kLanes; ++k) {
      if (e[k] > best[k]) {
        best[k] = e[k];
        bestX[k] = x;
      }
    }
  }
  for (int k = 0; k < kLanes; ++k) out[k] = {best[k], bestX[k]};
}

void ScanWindowRowsPlain(const CellTable& cells, int y, int windowsPerRow, int side, RowBest* out) {
  ScanWindowRowsBody(cells, y, windowsPerRow, side, out);
}

#if defined(__x86_64__)
// AVX2 without FMA: each lane's additions stay separate, so the sums are the
// same to the bit.
__attribute__((target("avx2"))) void ScanWindowRowsAvx2(const CellTable& cells, int y,
                                                        int windowsPerRow, int side, RowBest* out) {
  ScanWindowRowsBody(cells, y, windowsPerRow, side, out);
}
#endif

// As the correlation search's kernel is chosen, so tests run both paths.
void ScanWindowRows(const CellTable& cells, int y, int windowsPerRow, int side, RowBest* out) {
#if defined(__x86_64__)
  if (ChosenCorrelationKernel() == CorrelationKernel::Avx2)
    return ScanWindowRowsAvx2(cells, y, windowsPerRow, side, out);
#endif
  ScanWindowRowsPlain(cells, y, windowsPerRow, side, out);
}

}  // namespace

Point FindFeaturePoint(const Bitmap& bitmap, const Rect& rect, int halfSize) {
  const int64_t c = std::max(halfSize, 0);
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int right = std::min(rect.Right, bitmap.Width());
  const int bottom = std::min(rect.Bottom, bitmap.Height());
  // Window origins run while x < right - 2c - 1; with c = 0 every energy is 0.
  const int64_t windowsPerRow = right - 2 * c - 1 - left;
  const int64_t windowRows = bottom - 2 * c - 1 - top;
  if (c == 0 || windowsPerRow <= 0 || windowRows <= 0) return {};
  const int side = static_cast<int>(2 * c - 1);
  const int nx = static_cast<int>(windowsPerRow);
  const int ny = static_cast<int>(windowRows);

  const CellTable cells(bitmap, left, top, nx + side - 1, ny + side - 1);
  const int batches = (ny + kLanes - 1) / kLanes;
  std::vector<RowBest> rows(static_cast<size_t>(batches) * kLanes);
  // A batch costs about two additions per lane, window and column.
  const int grain = GrainFor(int64_t{nx} * 2 * side * kLanes, int64_t{1} << 20);
  ParallelFor(batches, grain, [&](int begin, int end) {
    for (int b = begin; b < end; ++b) {
      ScanWindowRows(cells, b * kLanes, nx, side, rows.data() + static_cast<size_t>(b) * kLanes);
    }
  });

  // The first window in row-major order that beats everything before it.
  double best = 0;
  Point result{};
  for (int y = 0; y < ny; ++y) {
    if (rows[y].Energy > best) {
      best = rows[y].Energy;
      result = {static_cast<int32_t>(left + rows[y].X + c), static_cast<int32_t>(top + y + c)};
    }
  }
  return result;
}
