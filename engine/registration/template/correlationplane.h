#pragma once
// The searched area of a correlation search, prepared for the kernels: per
// row and column phase the intensity pairs, and the sums of every
// candidate's samples and of their squares.

#include <cstdint>
#include <memory>
#include <vector>

#include "correlationtemplate.h"
#include "imagefiles/bitmap.h"

class CorrelationPlane {
 public:
  // Candidates have origins (left + x, top + y), x < columns, y < rows; the
  // caller guarantees that every sample of every candidate lies in the bitmap.
  CorrelationPlane(const Bitmap& searched, const SampledTemplate& templ, int left, int top,
                   int columns, int rows);

  int Phases() const { return phases_; }
  // Candidates of phase p are the columns p, p + step, p + 2 step, ...
  int PhaseCount(int p) const { return (columns_ - p + step_ - 1) / step_; }
  // Pair array of plane row y (candidate row + step * template sample row).
  const uint32_t* Pairs(int y, int p) const {
    return pairs_.get() + (static_cast<size_t>(y) * phases_ + p) * pairStride_;
  }
  // For every candidate of row y: the sum of its samples and of their
  // squares (whole numbers, exact in double).
  void CandidateSums(int y, double* sums, double* squares) const;

 private:
  void BuildRow(const uint8_t* pixels, int y, std::vector<int32_t>& in,
                std::vector<uint64_t>& prefix);
  void AccumulateColumns();
  const double* Sums(int y) const { return sums_.get() + static_cast<size_t>(y) * columns_; }
  const double* Squares(int y) const { return squares_.get() + static_cast<size_t>(y) * columns_; }

  int step_;
  int countU_;
  int columns_;
  int width_;  // plane columns read by the candidates
  int countV_;
  int planeRows_;
  int phases_;
  size_t pairStride_;
  std::unique_ptr<uint32_t[]> pairs_;  // every element written by BuildRow
  // Row y: for each column, the sums over the samples of rows y, y - step,
  // y - 2 step, ... (running sums down the plane, step rows apart).
  std::unique_ptr<double[]> sums_;  // every element written by BuildRow
  std::unique_ptr<double[]> squares_;
};
