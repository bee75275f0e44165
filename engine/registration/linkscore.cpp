#include "linkscore.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/parallel.h"
#include "engine/registration/rowintensities.h"

namespace {

// Exact sums over one block's pixel pairs: at most kScoreBlock^2 pairs of
// values up to 255, so every sum fits 32 bits.
struct Sums {
  uint32_t N = 0, A = 0, B = 0, AA = 0, BB = 0, AB = 0;
};

// The block's covariance and variances (sums of products of deviations from
// the block's own means), formed exactly before the one division.
struct Moments {
  double Cross = 0, VarA = 0, VarB = 0;
  void Add(const Sums& s) {
    if (s.N == 0) return;
    const double n = s.N;
    const int64_t N = s.N;
    Cross += static_cast<double>(N * s.AB - int64_t{s.A} * s.B) / n;
    VarA += static_cast<double>(N * s.AA - int64_t{s.A} * s.A) / n;
    VarB += static_cast<double>(N * s.BB - int64_t{s.B} * s.B) / n;
  }
};

// Intensities of every step-th pixel of a row.
// Every pixel's is quicker to take in vectors and thin out than the samples'
// one by one; row holds the whole row's (count * step pixels at most).
void Intensities(const uint8_t* p, int count, int step, int16_t* out, std::vector<int16_t>& row) {
  if (step == 1) return RowIntensities(p, count, out);
  const int width = (count - 1) * step + 1;
  row.resize(static_cast<size_t>(width));
  RowIntensities(p, width, row.data());
  for (int j = 0; j < count; ++j) out[j] = row[static_cast<size_t>(j) * step];
}

// One row's samples added to the row's blocks; samples [begin[k], begin[k + 1])
// fall into block k.
// Sixteen-bit values and 32-bit sums of their products let the compiler use
// the multiply-add instructions; a block's sums stay below 2^31.
[[gnu::always_inline]] inline void AddRowBody(const int16_t* a, const int16_t* b, const int* begin,
                                              int blockCount, Sums* blocks) {
  for (int k = 0; k < blockCount; ++k) {
    int32_t sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (int j = begin[k]; j < begin[k + 1]; ++j) {
      sa += a[j];
      sb += b[j];
      saa += a[j] * a[j];
      sbb += b[j] * b[j];
      sab += a[j] * b[j];
    }
    Sums& s = blocks[k];
    s.N += static_cast<uint32_t>(begin[k + 1] - begin[k]);
    s.A += static_cast<uint32_t>(sa);
    s.B += static_cast<uint32_t>(sb);
    s.AA += static_cast<uint32_t>(saa);
    s.BB += static_cast<uint32_t>(sbb);
    s.AB += static_cast<uint32_t>(sab);
  }
}

void AddRowPlain(const int16_t* a, const int16_t* b, const int* begin, int blockCount,
                 Sums* blocks) {
  AddRowBody(a, b, begin, blockCount, blocks);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void AddRowAvx2(const int16_t* a, const int16_t* b,
                                                const int* begin, int blockCount, Sums* blocks) {
  AddRowBody(a, b, begin, blockCount, blocks);
}
#endif

// Chosen when first called, not by the loader: sanitizers cannot run code
// before they have started.
void AddRow(const int16_t* a, const int16_t* b, const int* begin, int blockCount, Sums* blocks) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return AddRowAvx2(a, b, begin, blockCount, blocks);
#endif
  AddRowPlain(a, b, begin, blockCount, blocks);
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
  // Blocks are laid from the overlap's corner, so the same pairs of pixels
  // always meet in the same blocks.
  const int blockColumns = (w + kScoreBlock - 1) / kScoreBlock;
  const int blockRows = (h + kScoreBlock - 1) / kScoreBlock;
  // Samples j of a row lie at x = j * step; block k holds x in [32k, 32k + 32).
  const int samples = (w + step - 1) / step;
  std::vector<int> begin(static_cast<size_t>(blockColumns) + 1);
  for (int k = 0; k <= blockColumns; ++k)
    begin[k] = std::min(samples, (k * kScoreBlock + step - 1) / step);
  std::vector<Moments> perRow(static_cast<size_t>(blockRows));
  ParallelFor(blockRows, GrainFor(int64_t{samples} * kScoreBlock / step, int64_t{1} << 18),
              [&](int from, int to) {
                std::vector<Sums> blocks(static_cast<size_t>(blockColumns));
                std::vector<int16_t> a(static_cast<size_t>(samples));
                std::vector<int16_t> b(static_cast<size_t>(samples));
                std::vector<int16_t> row;
                for (int j = from; j < to; ++j) {
                  std::fill(blocks.begin(), blocks.end(), Sums{});
                  const int last = std::min(h, (j + 1) * kScoreBlock);
                  // Rows on the same sampling grid as the whole overlap's.
                  for (int v = (j * kScoreBlock + step - 1) / step * step; v < last; v += step) {
                    const int y = r.Top + v;
                    Intensities(first.Pixel(r.Left, y), samples, step, a.data(), row);
                    Intensities(second.Pixel(r.Left - offset.X, y - offset.Y), samples, step,
                                b.data(), row);
                    AddRow(a.data(), b.data(), begin.data(), blockColumns, blocks.data());
                  }
                  Moments m;
                  for (const Sums& s : blocks) m.Add(s);
                  perRow[j] = m;
                }
              });
  // Summed in a fixed order: the score does not depend on the thread count.
  Moments t;
  for (const Moments& m : perRow) {
    t.Cross += m.Cross;
    t.VarA += m.VarA;
    t.VarB += m.VarB;
  }
  if (!(t.Cross > 0) || t.VarA <= 0 || t.VarB <= 0) return 0;
  return std::min(t.Cross / std::sqrt(t.VarA * t.VarB), 1.0);
}

int QuickScoreStep(const Bitmap& first, const Bitmap& second, Offset offset, double samples) {
  const Rect r = OverlapRect(first, second, offset);
  const double area = static_cast<double>(r.Width()) * r.Height();
  return std::max(1, static_cast<int>(std::sqrt(area / samples)));
}

Offset PolishOffset(const Bitmap& first, const Bitmap& second, Offset offset, double& score) {
  // Far more than a found link is ever off; bounds the work on a flat score.
  constexpr int kMaxMoves = 8;
  constexpr double kClimbSamples = 16384;
  // The climb reads a sample of the overlap; the exact score then decides.
  const int step = QuickScoreStep(first, second, offset, kClimbSamples);
  Offset at = offset;
  double climbed = OverlapScore(first, second, at, step);
  for (int move = 0; move < kMaxMoves; ++move) {
    Offset best = at;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if (dx == 0 && dy == 0) continue;
        const Offset o{at.X + dx, at.Y + dy};
        const double s = OverlapScore(first, second, o, step);
        if (s > climbed) {
          climbed = s;
          best = o;
        }
      }
    }
    if (best == at) break;
    at = best;
  }
  if (at == offset) return offset;
  const double exact = step == 1 ? climbed : OverlapScore(first, second, at);
  if (!(exact > score)) return offset;
  score = exact;
  return at;
}
