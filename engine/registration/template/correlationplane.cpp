#include "correlationplane.h"

#include <algorithm>

#include "correlationkernel.h"
#include "engine/parallel.h"

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
  sums_.reset(new double[static_cast<size_t>(planeRows_) * columns_]);
  squares_.reset(new double[static_cast<size_t>(planeRows_) * columns_]);
  const ConstRowTable scan = ScanRows(searched);
  ParallelFor(planeRows_, GrainFor(int64_t{width_} * (phases_ + 8), int64_t{1} << 20),
              [&](int begin, int end) {
                std::vector<int32_t> in;
                std::vector<uint64_t> prefix;
                for (int y = begin; y < end; ++y) {
                  BuildRow(scan.Rows[static_cast<size_t>(top) + static_cast<size_t>(y)] +
                               3 * static_cast<size_t>(left),
                           y, in, prefix);
                }
              });
  AccumulateColumns();
}

void CorrelationPlane::AccumulateColumns() {
  const int k = step_;
  ParallelFor(columns_, GrainFor(int64_t{planeRows_} * 4, int64_t{1} << 20, 64),
              [&](int begin, int end) {
                for (int y = k; y < planeRows_; ++y) {
                  double* s = sums_.get() + static_cast<size_t>(y) * columns_;
                  double* q = squares_.get() + static_cast<size_t>(y) * columns_;
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
                                std::vector<uint64_t>& prefix) {
  const int k = step_;
  // Intensities, then zeros as far as the last pair of any phase reaches;
  // the columns past the plane only ever meet a 0 in the template.
  const size_t reach = static_cast<size_t>(phases_) + static_cast<size_t>(k) * pairStride_;
  in.resize(std::max(reach, static_cast<size_t>(width_)));
  // Running sums k apart, the samples in the low 32 bits and their squares
  // above (neither half can carry: at most 65535 terms of 255 and of 255^2),
  // so that countU samples k apart sum to a difference of two entries.
  prefix.resize(static_cast<size_t>(width_));
  for (int x = 0; x < width_; ++x) {
    const uint64_t v = static_cast<uint64_t>(Intensity(pixels + 3 * static_cast<size_t>(x)));
    in[x] = static_cast<int32_t>(v);
    prefix[x] = (v * v << 32) + v + (x >= k ? prefix[x - k] : 0);
  }
  std::fill(in.begin() + width_, in.end(), 0);

  // Decimated columns of each phase, paired with their right neighbour.
  for (int p = 0; p < phases_; ++p) {
    uint32_t* out = pairs_.get() + (static_cast<size_t>(y) * phases_ + p) * pairStride_;
    const int32_t* d = in.data() + p;
    for (size_t j = 0; j < pairStride_; ++j) {
      out[j] = static_cast<uint32_t>(d[k * j]) | static_cast<uint32_t>(d[k * (j + 1)]) << 16;
    }
  }

  double* sums = sums_.get() + static_cast<size_t>(y) * columns_;
  double* squares = squares_.get() + static_cast<size_t>(y) * columns_;
  const int span = k * (countU_ - 1);
  for (int x = 0; x < columns_; ++x) {
    const uint64_t both = prefix[x + span] - (x >= k ? prefix[x - k] : 0);
    sums[x] = static_cast<double>(both & 0xFFFFFFFF);
    squares[x] = static_cast<double>(both >> 32);
  }
}
