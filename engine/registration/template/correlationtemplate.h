#pragma once
// The template as the correlation search sees it: the intensities at every
// step-th pixel in both directions, with the sums its scores need.

#include <cstdint>
#include <vector>

#include "imagefiles/bitmap.h"

// Exact products of sums for templates of any size.
__extension__ using Int128 = __int128;

struct SampledTemplate {
  int Step = 1;   // sampling step, at least 1
  int Width = 0;  // template size in pixels
  int Height = 0;
  int CountU = 0;  // samples per row and per column
  int CountV = 0;
  int64_t N = 0;                  // CountU * CountV
  std::vector<int> Values;        // CountV rows of CountU intensities
  std::vector<double> Deviation;  // Values - Mean, in the same order
  int64_t Sum = 0;
  int64_t SumSquares = 0;
  double Mean = 0;
  double Sigma = 0;  // root of the summed squared deviations (no division by N)

  static SampledTemplate From(const Bitmap& templ, int step);
  // n * sum of squares - sum^2: zero exactly when all samples are equal.
  Int128 ScaledVariance() const { return Int128{N} * SumSquares - Int128{Sum} * Sum; }
};

// The score of the candidate with origin (x0, y0) evaluated by the plain
// floating-point formula, operation for operation: |cross / (sigmaS * sigmaT)|,
// or -1 when the candidate or the template is uniform. The candidate's samples
// must lie inside the searched bitmap.
double LiteralScore(const SampledTemplate& templ, const ConstRowTable& searched, int x0, int y0);
