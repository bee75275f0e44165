#include "linkscore.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "correlationtemplate.h"
#include "parallel.h"

namespace {

struct Sums {
  int64_t N = 0, A = 0, B = 0, AA = 0, BB = 0, AB = 0;
  void Add(const Sums& o) {
    N += o.N;
    A += o.A;
    B += o.B;
    AA += o.AA;
    BB += o.BB;
    AB += o.AB;
  }
};

// One row of the overlap (every step-th pixel of it).
Sums RowSums(const uint8_t* a, const uint8_t* b, int count, int step) {
  Sums s;
  const size_t stride = static_cast<size_t>(step) * Bitmap::kBytesPerPixel;
  uint64_t sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  for (int x = 0; x < count; x += step, a += stride, b += stride) {
    const uint32_t ia = static_cast<uint32_t>(Intensity(a));
    const uint32_t ib = static_cast<uint32_t>(Intensity(b));
    sa += ia;
    sb += ib;
    saa += ia * ia;
    sbb += ib * ib;
    sab += ia * ib;
  }
  s.N = (count + step - 1) / step;
  s.A = static_cast<int64_t>(sa);
  s.B = static_cast<int64_t>(sb);
  s.AA = static_cast<int64_t>(saa);
  s.BB = static_cast<int64_t>(sbb);
  s.AB = static_cast<int64_t>(sab);
  return s;
}

}  // namespace

Rect OverlapRect(const Bitmap& first, const Bitmap& second, Offset offset) {
  const Rect r{
      std::max(0, offset.X), std::max(0, offset.Y),
      static_cast<int>(std::min<int64_t>(first.Width(), int64_t{offset.X} + second.Width())),
      static_cast<int>(std::min<int64_t>(first.Height(), int64_t{offset.Y} + second.Height()))};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return {};
  return r;
}

double OverlapScore(const Bitmap& first, const Bitmap& second, Offset offset, int step) {
  step = std::max(step, 1);
  const Rect r = OverlapRect(first, second, offset);
  const int w = r.Width();
  const int h = r.Height();
  if (w < kMinOverlapSide || h < kMinOverlapSide || int64_t{w} * h < kMinOverlapPixels) return 0;
  const int rows = (h + step - 1) / step;
  std::vector<Sums> perRow(static_cast<size_t>(rows));
  ParallelFor(rows, GrainFor(w, int64_t{1} << 18, 8), [&](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      const int y = r.Top + i * step;
      perRow[i] =
          RowSums(first.Pixel(r.Left, y), second.Pixel(r.Left - offset.X, y - offset.Y), w, step);
    }
  });
  Sums t;
  for (const Sums& s : perRow) t.Add(s);
  // n * sum of products - product of sums, exactly: the score is the same
  // however the rows were split.
  const Int128 covariance = Int128{t.N} * t.AB - Int128{t.A} * t.B;
  const Int128 varianceA = Int128{t.N} * t.AA - Int128{t.A} * t.A;
  const Int128 varianceB = Int128{t.N} * t.BB - Int128{t.B} * t.B;
  if (covariance <= 0 || varianceA == 0 || varianceB == 0) return 0;
  const double score = static_cast<double>(covariance) /
                       std::sqrt(static_cast<double>(varianceA) * static_cast<double>(varianceB));
  return std::min(score, 1.0);
}
