#include "correlationplane.h"

#include <algorithm>

#include "correlationkernel.h"
#include "parallel.h"

CorrelationPlane::CorrelationPlane(const Bitmap& searched, const SampledTemplate& templ, int left,
                                   int top, int columns, int rows)
    : step_(templ.Step),
      countU_(templ.CountU),
      columns_(columns),
      width_(columns + templ.Step * (templ.CountU - 1)),
      countV_(templ.CountV),
      planeRows_(rows + templ.Step * (templ.CountV - 1)),
      phases_(std::min(templ.Step, columns)) {
  const int pairCount = (countU_ + 1) / 2;
  const int longest = PhaseCount(0);
  pairStride_ = static_cast<size_t>((longest + kCrossBlock - 1) / kCrossBlock * kCrossBlock) +
                2 * static_cast<size_t>(pairCount) + 1;
  pairs_.reset(new uint32_t[static_cast<size_t>(planeRows_) * phases_ * pairStride_]);
  sums_.resize(static_cast<size_t>(planeRows_) * columns_);
  squares_.resize(static_cast<size_t>(planeRows_) * columns_);
  const ConstRowTable scan = ScanRows(searched);
  ParallelFor(planeRows_, GrainFor(int64_t{width_} * (phases_ + 8), int64_t{1} << 20), [&](int begin, int end) {
    std::vector<int32_t> in;
    std::vector<int64_t> prefixSq;
    for (int y = begin; y < end; ++y) {
      BuildRow(scan.Rows[static_cast<size_t>(top + y)] + 3 * static_cast<size_t>(left), y, in,
               prefixSq);
    }
  });
  AccumulateColumns();
}

void CorrelationPlane::AccumulateColumns() {
  const int k = step_;
  ParallelFor(columns_, GrainFor(int64_t{planeRows_} * 4, int64_t{1} << 20, 64), [&](int begin, int end) {
    for (int y = k; y < planeRows_; ++y) {
      double* s = sums_.data() + static_cast<size_t>(y) * columns_;
      double* q = squares_.data() + static_cast<size_t>(y) * columns_;
      const double* sAbove = s - static_cast<size_t>(k) * columns_;
      const double* qAbove = q - static_cast<size_t>(k) * columns_;
      for (int x = begin; x < end; ++x) {
        s[x] += sAbove[x];
        q[x] += qAbove[x];
      }
    }
  });
}

void CorrelationPlane::CandidateSums(int y, double* sums, double* squares) const {
  const int k = step_;
  const double* s = Sums(y + k * (countV_ - 1));
  const double* q = Squares(y + k * (countV_ - 1));
  if (y < k) {
    std::copy(s, s + columns_, sums);
    std::copy(q, q + columns_, squares);
    return;
  }
  const double* sAbove = Sums(y - k);
  const double* qAbove = Squares(y - k);
  for (int x = 0; x < columns_; ++x) {
    sums[x] = s[x] - sAbove[x];
    squares[x] = q[x] - qAbove[x];
  }
}

void CorrelationPlane::BuildRow(const uint8_t* pixels, int y, std::vector<int32_t>& in,
                                std::vector<int64_t>& prefixSq) {
  const int k = step_;
  // Intensities, then zeros as far as the last pair of any phase reaches;
  // the columns past the plane only ever meet a 0 in the template.
  const size_t reach = static_cast<size_t>(phases_) + static_cast<size_t>(k) * pairStride_;
  in.resize(std::max(reach, static_cast<size_t>(width_)));
  for (int x = 0; x < width_; ++x) in[x] = Intensity(pixels + 3 * static_cast<size_t>(x));
  std::fill(in.begin() + width_, in.end(), 0);

  // Decimated columns of each phase, paired with their right neighbour.
  for (int p = 0; p < phases_; ++p) {
    uint32_t* out = pairs_.get() + (static_cast<size_t>(y) * phases_ + p) * pairStride_;
    const int32_t* d = in.data() + p;
    for (size_t j = 0; j < pairStride_; ++j) {
      out[j] = static_cast<uint32_t>(d[k * j]) | static_cast<uint32_t>(d[k * (j + 1)]) << 16;
    }
  }

  // Sums over countU samples k apart, from running sums k apart; in place
  // over the intensities for the plain sums (they fit in 32 bits).
  prefixSq.resize(static_cast<size_t>(width_));
  for (int x = 0; x < width_; ++x) prefixSq[x] = int64_t{in[x]} * in[x];
  for (int x = k; x < width_; ++x) {
    in[x] += in[x - k];
    prefixSq[x] += prefixSq[x - k];
  }
  double* sums = sums_.data() + static_cast<size_t>(y) * columns_;
  double* squares = squares_.data() + static_cast<size_t>(y) * columns_;
  const int span = k * (countU_ - 1);
  const int head = std::min(k, columns_);
  for (int x = 0; x < head; ++x) {
    sums[x] = in[x + span];
    squares[x] = static_cast<double>(prefixSq[x + span]);
  }
  for (int x = head; x < columns_; ++x) {
    sums[x] = in[x + span] - in[x - k];
    squares[x] = static_cast<double>(prefixSq[x + span] - prefixSq[x - k]);
  }
}
