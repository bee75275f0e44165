// Phase correlation between the facing zones of a pair. The correlation
// surface's strongest peaks give translations modulo the transform size; each
// reading of each peak is an offset of the whole images, and the overlap
// score decides among them.
#include "phasecorrelation.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "engine/parallel.h"
#include "engine/registration/linkscore.h"
#include "engine/registration/zones.h"

namespace {

constexpr int kPeaks = 8;          // peaks of the surface that are read
constexpr int kPeakSpacing = 4;    // pixels around a taken peak that are skipped
constexpr int kExactlyScored = 2;  // best quick-ranked offsets scored in full
// A reading must make the two zones share at least this part of the smaller
// one: the template search, too, only finds overlaps that reach into both
// zones, and readings with a sliver of overlap correlate by chance.
constexpr int kZoneShareDivisor = 4;

// FFTW's planner is not thread-safe; executing plans is.
std::mutex& PlannerLock() {
  static std::mutex lock;
  return lock;
}

struct FftwFree {
  void operator()(void* p) const { fftwf_free(p); }
};
template <typename T>
using FftwBuffer = std::unique_ptr<T[], FftwFree>;

template <typename T>
FftwBuffer<T> Allocate(size_t count) {
  auto* p = static_cast<T*>(fftwf_malloc(sizeof(T) * std::max<size_t>(count, 1)));
  if (p == nullptr) throw std::bad_alloc();
  return FftwBuffer<T>(p);
}

// Sizes FFTW transforms fastest: only the factors 2, 3, 5 and 7.
int GoodSize(int n) {
  for (int m = std::max(n, 1);; ++m) {
    int r = m;
    for (int f : {2, 3, 5, 7}) {
      while (r % f == 0) r /= f;
    }
    if (r == 1) return m;
  }
}

class Plans {
 public:
  Plans(int width, int height, float* real, fftwf_complex* spectrum) {
    const std::lock_guard<std::mutex> hold(PlannerLock());
    forward_ = fftwf_plan_dft_r2c_2d(height, width, real, spectrum, FFTW_ESTIMATE);
    backward_ = fftwf_plan_dft_c2r_2d(height, width, spectrum, real, FFTW_ESTIMATE);
    if (forward_ == nullptr || backward_ == nullptr) {
      Destroy();
      throw std::bad_alloc();
    }
  }
  ~Plans() {
    const std::lock_guard<std::mutex> hold(PlannerLock());
    Destroy();
  }
  Plans(const Plans&) = delete;
  Plans& operator=(const Plans&) = delete;
  fftwf_plan Forward() const { return forward_; }
  fftwf_plan Backward() const { return backward_; }

 private:
  void Destroy() {
    if (forward_ != nullptr) fftwf_destroy_plan(forward_);
    if (backward_ != nullptr) fftwf_destroy_plan(backward_);
    forward_ = backward_ = nullptr;
  }
  fftwf_plan forward_ = nullptr;
  fftwf_plan backward_ = nullptr;
};

// Flat over the middle, a cosine taper over the outer kTaper of each side:
// detail near a zone's edge still counts, the edge itself does not.
constexpr double kTaper = 0.2;
std::vector<float> Taper(int n) {
  std::vector<float> w(static_cast<size_t>(n), 1.0f);
  const double ramp = std::max(1.0, kTaper * n);
  for (int i = 0; i < n; ++i) {
    const double d = std::min(i + 0.5, n - i - 0.5);
    if (d < ramp) w[i] = static_cast<float>(0.5 - 0.5 * std::cos(M_PI * d / ramp));
  }
  return w;
}

// The zone's intensities less their mean, tapered to zero at its edges so the
// zone's borders do not read as a strong edge; zero beyond the zone.
void FillZone(const Bitmap& bitmap, const Rect& zone, int width, int height, float* out) {
  const int w = zone.Width();
  const int h = zone.Height();
  int64_t total = 0;
  for (int y = zone.Top; y < zone.Bottom; ++y) {
    const uint8_t* p = bitmap.Pixel(zone.Left, y);
    for (int x = 0; x < w; ++x, p += Bitmap::kBytesPerPixel) total += Intensity(p);
  }
  const float mean = static_cast<float>(static_cast<double>(total) / (int64_t{w} * h));
  const std::vector<float> wx = Taper(w);
  const std::vector<float> wy = Taper(h);
  std::fill(out, out + static_cast<size_t>(width) * height, 0.0f);
  for (int v = 0; v < h; ++v) {
    const uint8_t* p = bitmap.Pixel(zone.Left, zone.Top + v);
    float* row = out + static_cast<size_t>(v) * width;
    for (int u = 0; u < w; ++u, p += Bitmap::kBytesPerPixel) {
      row[u] = (static_cast<float>(Intensity(p)) - mean) * wx[u] * wy[v];
    }
  }
}

// A Gaussian fall-off above kBandHigh cycles per pixel, as one factor per
// axis; and per bin of a transform of size n (count bins kept) whether it is
// one of the lowest, 0 or 1 cycle per zone.
constexpr double kBandHigh = 0.2;
struct Band {
  std::vector<float> Gain;
  std::vector<bool> Lowest;
};
Band BandOf(int n, int count) {
  Band b{std::vector<float>(static_cast<size_t>(count)),
         std::vector<bool>(static_cast<size_t>(count))};
  for (int k = 0; k < count; ++k) {
    const int signedK = k <= n / 2 ? k : k - n;
    const double f = static_cast<double>(signedK) / n;
    b.Gain[k] = static_cast<float>(std::exp(-f * f / (kBandHigh * kBandHigh)));
    b.Lowest[k] = std::abs(signedK) <= 1;
  }
  return b;
}

float BandPass(const Band& x, size_t u, const Band& y, size_t v) {
  return x.Lowest[u] && y.Lowest[v] ? 0.0f : x.Gain[u] * y.Gain[v];
}

struct Peak {
  int X = 0;
  int Y = 0;
};

// The strongest peaks, each at least kPeakSpacing (cyclically) from the others.
std::vector<Peak> StrongestPeaks(float* surface, int width, int height) {
  std::vector<Peak> peaks;
  const size_t size = static_cast<size_t>(width) * height;
  for (int k = 0; k < kPeaks; ++k) {
    const float* best = std::max_element(surface, surface + size);
    if (!(*best > 0)) break;
    const auto at = static_cast<size_t>(best - surface);
    const Peak p{static_cast<int>(at % width), static_cast<int>(at / width)};
    peaks.push_back(p);
    for (int dy = -kPeakSpacing; dy <= kPeakSpacing; ++dy) {
      for (int dx = -kPeakSpacing; dx <= kPeakSpacing; ++dx) {
        const int x = ((p.X + dx) % width + width) % width;
        const int y = ((p.Y + dy) % height + height) % height;
        surface[static_cast<size_t>(y) * width + x] = 0;
      }
    }
  }
  return peaks;
}

struct Scored {
  Offset At;
  double Score = 0;
};

// Link points at the middle of the overlap, neither of them (0, 0), which
// would read as unset.
PairMatch LinkAt(const Bitmap& source, const Bitmap& searched, Offset offset, double score) {
  const Rect r = OverlapRect(source, searched, offset);
  Point out{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
  if (out == Point{} || out == Point{offset.X, offset.Y}) ++out.X;
  return {out, {out.X - offset.X, out.Y - offset.Y}, score};
}

// Pixels of zone a (source pixels) that zone b covers with the searched
// image's origin at offset.
int64_t SharedZoneArea(const Rect& a, const Rect& b, Offset offset) {
  const int64_t w =
      int64_t{std::min(a.Right, b.Right + offset.X)} - std::max(a.Left, b.Left + offset.X);
  const int64_t h =
      int64_t{std::min(a.Bottom, b.Bottom + offset.Y)} - std::max(a.Top, b.Top + offset.Y);
  return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

PairMatch PhaseMatchPair(const Bitmap& source, const Bitmap& searched, int direction, int heightPct,
                         int widthPct) {
  return PhaseMatchZones(
      source, searched, ZoneRect(source, SourceZoneCode(direction), heightPct, widthPct, false),
      ZoneRect(searched, SearchedZoneCode(direction), heightPct, widthPct, false));
}

PairMatch PhaseMatchZones(const Bitmap& source, const Bitmap& searched, const Rect& a,
                          const Rect& b) {
  if (std::min({a.Width(), a.Height(), b.Width(), b.Height()}) < kMinOverlapSide) return {};
  const int width = GoodSize(std::max(a.Width(), b.Width()));
  const int height = GoodSize(std::max(a.Height(), b.Height()));
  const size_t realSize = static_cast<size_t>(width) * height;
  const size_t half = static_cast<size_t>(width / 2) + 1;
  const size_t spectrumSize = half * height;

  FftwBuffer<float> realA = Allocate<float>(realSize);
  FftwBuffer<float> realB = Allocate<float>(realSize);
  FftwBuffer<fftwf_complex> specA = Allocate<fftwf_complex>(spectrumSize);
  FftwBuffer<fftwf_complex> specB = Allocate<fftwf_complex>(spectrumSize);
  const Plans plans(width, height, realA.get(), specA.get());
  ParallelFor(2, 1, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      float* real = i == 0 ? realA.get() : realB.get();
      fftwf_complex* spec = i == 0 ? specA.get() : specB.get();
      FillZone(i == 0 ? source : searched, i == 0 ? a : b, width, height, real);
      fftwf_execute_dft_r2c(plans.Forward(), real, spec);
    }
  });
  // The normalised cross-power spectrum A * conj(B): its inverse peaks at s
  // when zone b at u shows what zone a shows at u + s.
  // Weighted by a band-pass: the finest detail is mostly sensor noise, and the
  // coarsest is the shading that differs between two fields.
  const Band bandX = BandOf(width, static_cast<int>(half));
  const Band bandY = BandOf(height, height);
  for (int v = 0; v < height; ++v) {
    for (size_t u = 0; u < half; ++u) {
      const size_t i = static_cast<size_t>(v) * half + u;
      const float re = specA[i][0] * specB[i][0] + specA[i][1] * specB[i][1];
      const float im = specA[i][1] * specB[i][0] - specA[i][0] * specB[i][1];
      const float norm = std::sqrt(re * re + im * im);
      const float weight = norm > 0 ? BandPass(bandX, u, bandY, static_cast<size_t>(v)) / norm : 0;
      specA[i][0] = re * weight;
      specA[i][1] = im * weight;
    }
  }
  fftwf_execute_dft_c2r(plans.Backward(), specA.get(), realA.get());

  // Every reading of every peak as an offset of the searched image's origin
  // in the source image.
  std::vector<Scored> offsets;
  const int64_t smallerZone =
      std::min(int64_t{a.Width()} * a.Height(), int64_t{b.Width()} * b.Height());
  for (const Peak& p : StrongestPeaks(realA.get(), width, height)) {
    for (int sx : {p.X, p.X - width}) {
      for (int sy : {p.Y, p.Y - height}) {
        const Offset o{a.Left + sx - b.Left, a.Top + sy - b.Top};
        if (SharedZoneArea(a, b, o) * kZoneShareDivisor < smallerZone) continue;
        if (std::none_of(offsets.begin(), offsets.end(),
                         [&](const Scored& s) { return s.At == o; })) {
          offsets.push_back({o, 0});
        }
      }
    }
  }
  // A quick ranking on every few pixels, then the full score for the best few.
  for (Scored& s : offsets)
    s.Score = OverlapScore(source, searched, s.At, QuickScoreStep(source, searched, s.At));
  std::stable_sort(offsets.begin(), offsets.end(),
                   [](const Scored& x, const Scored& y) { return x.Score > y.Score; });
  Scored best;
  for (size_t i = 0; i < offsets.size() && i < kExactlyScored; ++i) {
    if (offsets[i].Score <= 0) break;
    const double exact = OverlapScore(source, searched, offsets[i].At);
    if (exact > best.Score) best = {offsets[i].At, exact};
  }
  if (best.Score <= 0) return {};
  best.At = PolishOffset(source, searched, best.At, best.Score);
  return LinkAt(source, searched, best.At, best.Score);
}
