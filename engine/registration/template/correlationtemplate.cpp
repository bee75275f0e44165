#include "correlationtemplate.h"

#include <algorithm>
#include <cmath>

#include "formats/setupdata.h"

namespace {
int SampleCount(int size, int step) { return size > 0 ? (size - 1) / step + 1 : 0; }
}  // namespace

SampledTemplate SampledTemplate::From(const Bitmap& templ, int step) {
  SampledTemplate t;
  t.Step = UsableStep(step);
  t.Width = templ.Width();
  t.Height = templ.Height();
  t.CountU = SampleCount(t.Width, t.Step);
  t.CountV = SampleCount(t.Height, t.Step);
  t.N = int64_t{t.CountU} * t.CountV;
  if (t.N == 0) return t;
  t.Values.reserve(static_cast<size_t>(t.N));
  const ConstRowTable rows = ScanRows(templ);
  for (int v = 0; v < t.CountV; ++v) {
    const uint8_t* row = rows.Rows[static_cast<size_t>(v) * t.Step];
    for (int u = 0; u < t.CountU; ++u) {
      const int value = Intensity(row + 3 * static_cast<size_t>(u) * t.Step);
      t.Values.push_back(value);
      t.Sum += value;
      t.SumSquares += value * value;
    }
  }
  t.Mean = static_cast<double>(t.Sum) / static_cast<double>(t.N);
  double squares = 0;
  t.Deviation.reserve(t.Values.size());
  for (int value : t.Values) {
    const double dt = value - t.Mean;
    t.Deviation.push_back(dt);
    squares += dt * dt;
  }
  t.Sigma = std::sqrt(squares);
  return t;
}

double LiteralScore(const SampledTemplate& templ, const ConstRowTable& searched, int x0, int y0) {
  const int k = templ.Step;
  int64_t sum = 0;
  for (int v = 0; v < templ.CountV; ++v) {
    const uint8_t* row =
        searched.Rows[static_cast<size_t>(y0) + static_cast<size_t>(v) * static_cast<size_t>(k)] +
        3 * static_cast<size_t>(x0);
    for (int u = 0; u < templ.CountU; ++u) sum += Intensity(row + 3 * static_cast<size_t>(u) * k);
  }
  const double mean = static_cast<double>(sum) / static_cast<double>(templ.N);
  double cross = 0;
  double squares = 0;
  const double* dt = templ.Deviation.data();
  for (int v = 0; v < templ.CountV; ++v) {
    const uint8_t* row =
        searched.Rows[static_cast<size_t>(y0) + static_cast<size_t>(v) * static_cast<size_t>(k)] +
        3 * static_cast<size_t>(x0);
    for (int u = 0; u < templ.CountU; ++u) {
      const double ds = Intensity(row + 3 * static_cast<size_t>(u) * k) - mean;
      cross += ds * *dt++;
      squares += ds * ds;
    }
  }
  const double sigma = std::sqrt(squares);
  if (sigma == 0 || templ.Sigma == 0) return -1;
  return std::fabs(cross / (sigma * templ.Sigma));
}
