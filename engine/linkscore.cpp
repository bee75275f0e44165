#include "linkscore.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "correlationtemplate.h"
#include "parallel.h"

namespace {

// Exact sums over one block's pixel pairs.
struct Sums {
  int64_t N = 0, A = 0, B = 0, AA = 0, BB = 0, AB = 0;
};

// The block's covariance and variances (sums of products of deviations from
// the block's own means), formed exactly before the one division.
struct Moments {
  double Cross = 0, VarA = 0, VarB = 0;
  void Add(const Sums& s) {
    if (s.N == 0) return;
    const double n = static_cast<double>(s.N);
    Cross += static_cast<double>(Int128{s.N} * s.AB - Int128{s.A} * s.B) / n;
    VarA += static_cast<double>(Int128{s.N} * s.AA - Int128{s.A} * s.A) / n;
    VarB += static_cast<double>(Int128{s.N} * s.BB - Int128{s.B} * s.B) / n;
  }
};

// One row of the overlap (every step-th pixel of it) added to the row's blocks.
void AddRow(const uint8_t* a, const uint8_t* b, int count, int step, std::vector<Sums>& blocks) {
  const size_t stride = static_cast<size_t>(step) * Bitmap::kBytesPerPixel;
  for (int x = 0; x < count; x += step, a += stride, b += stride) {
    Sums& s = blocks[static_cast<size_t>(x / kScoreBlock)];
    const int64_t ia = Intensity(a);
    const int64_t ib = Intensity(b);
    ++s.N;
    s.A += ia;
    s.B += ib;
    s.AA += ia * ia;
    s.BB += ib * ib;
    s.AB += ia * ib;
  }
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
  std::vector<Moments> perRow(static_cast<size_t>(blockRows));
  ParallelFor(blockRows, GrainFor(int64_t{w} * kScoreBlock, int64_t{1} << 18),
              [&](int begin, int end) {
                std::vector<Sums> blocks(static_cast<size_t>(blockColumns));
                for (int j = begin; j < end; ++j) {
                  std::fill(blocks.begin(), blocks.end(), Sums{});
                  const int last = std::min(h, (j + 1) * kScoreBlock);
                  // Rows on the same sampling grid as the whole overlap's.
                  const int first_ = (j * kScoreBlock + step - 1) / step * step;
                  for (int v = first_; v < last; v += step) {
                    const int y = r.Top + v;
                    AddRow(first.Pixel(r.Left, y), second.Pixel(r.Left - offset.X, y - offset.Y), w,
                           step, blocks);
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
  constexpr double kClimbSamples = 65536;
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
