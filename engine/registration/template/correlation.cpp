// The correlation search.
//
// For every candidate the sums of the samples, of their squares and of their
// products with the template are formed exactly in integers, which gives the
// exact score |n*SST - SS*ST| / sqrt((n*SSS - SS^2)(n*STT - ST^2)). The plain
// formula (means, deviations, roots in double) differs from it only by
// rounding, by at most about 2n units of the last place; so the plain
// formula's winner is among the candidates whose exact score lies within a
// small margin of the best. Those few are scored again by the plain formula,
// operation for operation, and the first one with the highest plain score is
// the result: the same point and the same score as the plain loop gives.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "correlationkernel.h"
#include "correlationplane.h"
#include "correlationtemplate.h"
#include "engine/parallel.h"
#include "matching.h"

namespace {

// Work (multiply-adds) worth handing to another thread.
constexpr int64_t kMinThreadWork = int64_t{1} << 22;

struct Candidate {
  int X = 0;  // origin, relative to the searched area
  int Y = 0;
  double Score = 0;  // squared exact score while shortlisting, then the plain score
};

// Candidates of one row whose exact score is within the margin of the row's best.
struct RowShortlist {
  double Best = -1;  // squared; -1: every candidate of the row is uniform
  std::vector<Candidate> Near;
};

// Twice a generous bound on how far the plain formula can stray from the
// exact score (sums of n terms, roots, one division), plus the rounding of
// the exact score's own evaluation.
double Margin(int64_t n) { return std::ldexp(4.0 * static_cast<double>(n) + 256.0, -52); }

// Squared scores at or above this can be within the margin of the best one.
double ShortlistFloor(double bestSquared, int64_t n) {
  const double floor = std::sqrt(bestSquared) - Margin(n);
  return floor > 0 ? floor * floor : 0;
}

// Template pairs per sample row: samples 2m and 2m + 1 in the low and high halves.
std::vector<uint32_t> TemplatePairs(const SampledTemplate& t) {
  const int pairCount = (t.CountU + 1) / 2;
  std::vector<uint32_t> pairs(static_cast<size_t>(t.CountV) * pairCount, 0);
  for (int v = 0; v < t.CountV; ++v) {
    for (int u = 0; u < t.CountU; ++u) {
      const uint32_t value = static_cast<uint32_t>(t.Values[static_cast<size_t>(v) * t.CountU + u]);
      pairs[static_cast<size_t>(v) * pairCount + u / 2] |= value << (u % 2 ? 16 : 0);
    }
  }
  return pairs;
}

// Per-thread working rows, kept between calls.
struct RowScratch {
  std::vector<double> Sum, Squares, Numerator, Denominator;
  std::vector<int64_t> Cross;
  std::vector<const uint32_t*> Rows;
};

class RowScorer {
 public:
  RowScorer(const SampledTemplate& t, const CorrelationPlane& plane, int columns)
      : t_(t),
        plane_(plane),
        columns_(columns),
        pairs_(TemplatePairs(t)),
        pairCount_((t.CountU + 1) / 2),
        n_(static_cast<double>(t.N)),
        templateSum_(static_cast<double>(t.Sum)),
        templateVariance_(static_cast<double>(t.ScaledVariance())),
        // n * 255^2 * n stays below 2^53: every product below is an exact double.
        exactInDoubles_(t.N <= (int64_t{1} << 18)) {
    // Rows per kernel call so that one call's sums stay below 2^32.
    const int64_t perRow = int64_t{2} * pairCount_ * 255 * 255;
    rowsPerCall_ = static_cast<int>(std::max<int64_t>(1, (int64_t{1} << 32) / (perRow + 1)));
  }

  RowShortlist Score(int y) const {
    thread_local RowScratch s;
    const int k = t_.Step;
    const size_t columns = static_cast<size_t>(columns_);
    s.Sum.resize(columns);
    s.Squares.resize(columns);
    s.Numerator.resize(columns);
    s.Denominator.resize(columns);
    s.Rows.resize(static_cast<size_t>(t_.CountV));
    plane_.CandidateSums(y, s.Sum.data(), s.Squares.data());
    for (int p = 0; p < plane_.Phases(); ++p) {
      const int count = plane_.PhaseCount(p);
      s.Cross.assign(static_cast<size_t>(count), 0);
      for (int v = 0; v < t_.CountV; ++v) s.Rows[v] = plane_.Pairs(y + k * v, p);
      for (int v0 = 0; v0 < t_.CountV; v0 += rowsPerCall_) {
        const int n = std::min(rowsPerCall_, t_.CountV - v0);
        AddCrossSums(s.Rows.data() + v0, pairs_.data() + static_cast<size_t>(v0) * pairCount_, n,
                     pairCount_, count, s.Cross.data());
      }
      for (int j = 0; j < count; ++j) {
        const size_t x = static_cast<size_t>(p) + static_cast<size_t>(k) * j;
        SquaredScore(s.Sum[x], s.Squares[x], s.Cross[j], s.Numerator[x], s.Denominator[x]);
      }
    }
    // The best squared score as a fraction: no division per candidate.
    double bestNumerator = -1;
    double bestDenominator = 1;
    for (size_t x = 0; x < columns; ++x) {
      if (s.Numerator[x] * bestDenominator > bestNumerator * s.Denominator[x]) {
        bestNumerator = s.Numerator[x];
        bestDenominator = s.Denominator[x];
      }
    }
    RowShortlist list;
    if (bestNumerator < 0) return list;
    list.Best = bestNumerator / bestDenominator;
    const double floor = ShortlistFloor(list.Best, t_.N);
    for (size_t x = 0; x < columns; ++x) {
      if (s.Numerator[x] >= 0 && s.Numerator[x] >= floor * s.Denominator[x]) {
        list.Near.push_back({static_cast<int>(x), y, s.Numerator[x] / s.Denominator[x]});
      }
    }
    return list;
  }

 private:
  // The squared exact score as numerator / denominator; the numerator is -1
  // (and the denominator 1) when the candidate's samples are all equal: the
  // plain loop skips those.
  void SquaredScore(double sum, double squares, int64_t cross, double& numerator,
                    double& denominator) const {
    double covariance;
    double variance;
    if (exactInDoubles_) {
      variance = n_ * squares - sum * sum;
      covariance = n_ * static_cast<double>(cross) - sum * templateSum_;
    } else {
      const Int128 n = t_.N;
      const Int128 total = static_cast<int64_t>(sum);
      const Int128 v = n * static_cast<int64_t>(squares) - total * total;
      variance = static_cast<double>(v);
      covariance = static_cast<double>(n * cross - total * t_.Sum);
    }
    const bool uniform = variance == 0;
    numerator = uniform ? -1 : covariance * covariance;
    denominator = uniform ? 1 : variance * templateVariance_;
  }

  const SampledTemplate& t_;
  const CorrelationPlane& plane_;
  int columns_;
  std::vector<uint32_t> pairs_;
  int pairCount_;
  double n_;
  double templateSum_;
  double templateVariance_;
  bool exactInDoubles_;
  int rowsPerCall_ = 1;
};

}  // namespace

double CorrelationSearch(const Bitmap& templ, const Bitmap& searched, const Rect& rect, int step,
                         Point& point) {
  const SampledTemplate t = SampledTemplate::From(templ, step);
  // No samples, or a uniform template: no candidate can score.
  if (t.N == 0 || t.ScaledVariance() == 0) return 0;
  // Candidates whose template would leave the bitmap are not considered.
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int64_t columns = int64_t{std::min(rect.Right, searched.Width())} - t.Width - left;
  const int64_t rows = int64_t{std::min(rect.Bottom, searched.Height())} - t.Height - top;
  if (columns <= 0 || rows <= 0) return 0;

  const CorrelationPlane plane(searched, t, left, top, static_cast<int>(columns),
                               static_cast<int>(rows));
  const RowScorer scorer(t, plane, static_cast<int>(columns));
  std::vector<RowShortlist> lists(static_cast<size_t>(rows));
  // A row's cost is about one multiply-add per candidate and sample.
  const int grain = GrainFor(columns * t.N, kMinThreadWork, 4);
  ParallelFor(static_cast<int>(rows), grain, [&](int begin, int end) {
    for (int y = begin; y < end; ++y) lists[y] = scorer.Score(y);
  });

  double best = -1;
  for (const RowShortlist& l : lists) best = std::max(best, l.Best);
  if (best < 0) return 0;
  const double floor = ShortlistFloor(best, t.N);
  std::vector<Candidate> near;
  for (const RowShortlist& l : lists) {
    for (const Candidate& c : l.Near) {
      if (c.Score >= floor) near.push_back(c);
    }
  }

  // The plain formula decides among the near-equal ones, first one winning.
  const ConstRowTable scan = ScanRows(searched);
  ParallelFor(static_cast<int>(near.size()), GrainFor(2 * t.N, kMinThreadWork),
              [&](int begin, int end) {
                for (int i = begin; i < end; ++i) {
                  near[i].Score = LiteralScore(t, scan, left + near[i].X, top + near[i].Y);
                }
              });
  double plainBest = 0;
  for (const Candidate& c : near) {
    if (c.Score > plainBest) {
      plainBest = c.Score;
      point = {left + c.X + t.Width / 2, top + c.Y + t.Height / 2};
    }
  }
  return plainBest;
}
