#include "phasesurface.h"

#include <fftw3.h>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <tuple>
#include <utility>

#include "engine/parallel.h"
#include "engine/registration/rowintensities.h"

namespace {

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

// FFTW ends the program when one of its own allocations fails (its plans,
// and buffers some of its solvers take while they run). Room for them is tried
// first, so that short memory is refused as such and the program lives on.
void EnsureRoomForFftw(size_t realSize) {
  const size_t bytes = (size_t{1} << 20) + 4 * sizeof(float) * realSize;
  void* p = std::malloc(bytes);
  if (p == nullptr) throw std::bad_alloc();
  std::free(p);
}

// Sizes FFTW transforms fastest: only the factors 2, 3 and 5.
int GoodSize(int n) {
  for (int m = std::max(n, 1);; ++m) {
    int r = m;
    for (int f : {2, 3, 5}) {
      while (r % f == 0) r /= f;
    }
    if (r == 1) return m;
  }
}

}  // namespace

int TransformSizeAtMost(int n) {
  int best = 1;
  for (int64_t two = 1; two <= n; two *= 2) {
    for (int64_t m = two; m <= n; m *= 3) best = std::max(best, static_cast<int>(m));
  }
  return best;
}

namespace {

// A Gaussian fall-off above bandHigh cycles per surface step, as one factor
// per axis: the finest detail is mostly sensor noise. Bins of 0 or 1 cycle per
// zone both ways are dropped: that is the shading that differs between fields.
struct Band {
  std::vector<float> Gain;
  std::vector<bool> Lowest;
};
Band BandOf(int n, int count, double bandHigh) {
  Band b{std::vector<float>(static_cast<size_t>(count)),
         std::vector<bool>(static_cast<size_t>(count))};
  for (int k = 0; k < count; ++k) {
    const int signedK = k <= n / 2 ? k : k - n;
    const double f = static_cast<double>(signedK) / n;
    b.Gain[k] = static_cast<float>(std::exp(-f * f / (bandHigh * bandHigh)));
    b.Lowest[k] = std::abs(signedK) <= 1;
  }
  return b;
}

// A forward and a backward plan of one size, made once on buffers of FFTW's
// own alignment and then run on any such buffers, with the band of that size.
class Plans {
 public:
  Plans(int width, int height, double bandHigh)
      : bandX_(BandOf(width, width / 2 + 1, bandHigh)), bandY_(BandOf(height, height, bandHigh)) {
    const size_t real = static_cast<size_t>(width) * height;
    const size_t spectrum = (static_cast<size_t>(width) / 2 + 1) * height;
    FftwBuffer<float> r = Allocate<float>(real);
    FftwBuffer<fftwf_complex> c = Allocate<fftwf_complex>(spectrum);
    forward_ = fftwf_plan_dft_r2c_2d(height, width, r.get(), c.get(), FFTW_ESTIMATE);
    backward_ = fftwf_plan_dft_c2r_2d(height, width, c.get(), r.get(), FFTW_ESTIMATE);
    if (forward_ == nullptr || backward_ == nullptr) {
      Destroy();
      throw std::bad_alloc();
    }
  }
  ~Plans() { Destroy(); }
  Plans(const Plans&) = delete;
  Plans& operator=(const Plans&) = delete;
  fftwf_plan Forward() const { return forward_; }
  fftwf_plan Backward() const { return backward_; }
  const Band& BandX() const { return bandX_; }
  const Band& BandY() const { return bandY_; }

 private:
  void Destroy() {
    if (forward_ != nullptr) fftwf_destroy_plan(forward_);
    if (backward_ != nullptr) fftwf_destroy_plan(backward_);
    forward_ = backward_ = nullptr;
  }
  Band bandX_, bandY_;
  fftwf_plan forward_ = nullptr;
  fftwf_plan backward_ = nullptr;
};

// FFTW's planner is not thread-safe, so plans are made and dropped under one
// lock; running them is. Making a plan takes longer than running it many
// times over, and a placement over all neighbours weighs overlaps of a
// hundred sizes or more (and the confidence its own fall-off): past kKeptSizes only the plan used
// longest ago is dropped, and callers still holding a plan keep it alive.
constexpr size_t kKeptSizes = 256;
std::shared_ptr<const Plans> PlansFor(int width, int height, double bandHigh) {
  struct Kept {
    std::shared_ptr<const Plans> Plan;
    uint64_t Used = 0;
  };
  static std::mutex lock;
  static std::map<std::tuple<int, int, double>, Kept> cache;
  static uint64_t uses = 0;
  const std::lock_guard<std::mutex> hold(lock);
  const std::tuple<int, int, double> size{width, height, bandHigh};
  // Other entries' erasure leaves this one in place.
  Kept& slot = cache[size];
  slot.Used = ++uses;
  if (!slot.Plan) {
    if (cache.size() > kKeptSizes) {
      cache.erase(std::min_element(cache.begin(), cache.end(), [](const auto& a, const auto& b) {
        return a.second.Used < b.second.Used;
      }));
    }
    try {
      slot.Plan = std::make_shared<const Plans>(width, height, bandHigh);
    } catch (...) {
      cache.erase(size);
      throw;
    }
  }
  return slot.Plan;
}

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

// The tapers of a zone of w x h, kept per thread for the last few sizes
// asked: a search's zones and the overlaps it weighs take turns.
struct Tapers {
  int W = -1, H = -1;
  std::vector<float> X, Y;
};
const Tapers& TapersOf(int w, int h) {
  constexpr size_t kKept = 4;
  thread_local std::array<Tapers, kKept> kept;
  thread_local size_t next = 0;
  for (const Tapers& t : kept) {
    if (t.W == w && t.H == h) return t;
  }
  Tapers& t = kept[next];
  next = (next + 1) % kKept;
  t = {w, h, Taper(w), Taper(h)};
  return t;
}

// The zone's intensities at full size less their mean, tapered; the rows of
// out are width apart. The intensities are read once, many at a time.
void FillFullSize(const Bitmap& bitmap, const Rect& zone, int width, const Tapers& t, float* out) {
  const int w = zone.Width();
  const int h = zone.Height();
  thread_local std::vector<int16_t> grey;
  grey.resize(static_cast<size_t>(w) * h);
  double total = 0;
  for (int v = 0; v < h; ++v) {
    int16_t* g = grey.data() + static_cast<size_t>(v) * w;
    RowIntensities(bitmap.Pixel(zone.Left, zone.Top + v), w, g);
    // A row of fewer than eight million pixels sums within 32 bits.
    int32_t sum = 0;
    for (int u = 0; u < w; ++u) sum += g[u];
    total += static_cast<double>(sum);
  }
  const auto mean = static_cast<float>(total / (static_cast<double>(w) * h));
  for (int v = 0; v < h; ++v) {
    const int16_t* g = grey.data() + static_cast<size_t>(v) * w;
    float* row = out + static_cast<size_t>(v) * width;
    const float wy = t.Y[v];
    for (int u = 0; u < w; ++u) row[u] = (static_cast<float>(g[u]) - mean) * t.X[u] * wy;
  }
}

// Row v of the sums of shrink x shrink pixels into row, any shrink; returns
// the row's total. The sums are whole numbers, so their order does not matter.
int64_t SumRow(const Bitmap& bitmap, const Rect& zone, int shrink, int v, float* row) {
  const int w = zone.Width() / shrink;
  const int top = zone.Top + v * shrink;
  // Squares of 2 x 2, the confidence's own, straight from the two rows.
  if (shrink == 2)
    return SquareSums(bitmap.Pixel(zone.Left, top), bitmap.Pixel(zone.Left, top + 1), w, row);
  thread_local std::vector<int16_t> grey;
  thread_local std::vector<int32_t> sums;
  grey.resize(static_cast<size_t>(w) * shrink);
  sums.assign(static_cast<size_t>(w), 0);
  for (int dy = 0; dy < shrink; ++dy) {
    RowIntensities(bitmap.Pixel(zone.Left, top + dy), w * shrink, grey.data());
    for (int u = 0; u < w; ++u) {
      for (int dx = 0; dx < shrink; ++dx) sums[u] += grey[static_cast<size_t>(u) * shrink + dx];
    }
  }
  int64_t total = 0;
  for (int u = 0; u < w; ++u) {
    row[u] = static_cast<float>(sums[u]);
    total += sums[u];
  }
  return total;
}

// The same for sums of shrink x shrink pixels, each row's intensities read
// many at a time.
void FillShrunk(const Bitmap& bitmap, const Rect& zone, int shrink, int width, const Tapers& t,
                float* out) {
  const int w = zone.Width() / shrink;
  const int h = zone.Height() / shrink;
  double total = 0;
  // A zone's rows lie far apart in the image and are read a few hundred
  // bytes each, too short for the hardware to see the pattern: the rows a
  // few steps on are asked for while these are summed.
  constexpr int kAhead = 2;
  const int bytes = w * shrink * 3;
  for (int v = 0; v < h; ++v) {
    if (v + kAhead < h) {
      for (int dy = 0; dy < shrink; ++dy) {
        const auto* p = bitmap.Pixel(zone.Left, zone.Top + (v + kAhead) * shrink + dy);
        for (int b = 0; b < bytes; b += 64) __builtin_prefetch(p + b);
      }
    }
    total +=
        static_cast<double>(SumRow(bitmap, zone, shrink, v, out + static_cast<size_t>(v) * width));
  }
  const auto mean = static_cast<float>(total / (static_cast<double>(w) * h));
  for (int v = 0; v < h; ++v) {
    float* row = out + static_cast<size_t>(v) * width;
    for (int u = 0; u < w; ++u) row[u] = (row[u] - mean) * t.X[u] * t.Y[v];
  }
}

// The w x h values of in (rows w apart) with their axes swapped into out,
// width x height and zero beyond them; in tiles, which stay in the cache
// both as read and as written.
void TransposeInto(const float* in, int w, int h, float* out, int width, int height) {
  constexpr int kTile = 16;
  for (int u0 = 0; u0 < w; u0 += kTile) {
    const int u1 = std::min(u0 + kTile, w);
    for (int v0 = 0; v0 < h; v0 += kTile) {
      const int v1 = std::min(v0 + kTile, h);
      for (int u = u0; u < u1; ++u) {
        float* column = out + static_cast<size_t>(u) * width;
        for (int v = v0; v < v1; ++v) column[v] = in[static_cast<size_t>(v) * w + u];
      }
    }
  }
  for (int u = 0; u < w; ++u) {
    float* row = out + static_cast<size_t>(u) * width;
    std::fill(row + h, row + width, 0.0f);
  }
  std::fill(out + static_cast<size_t>(w) * width, out + static_cast<size_t>(width) * height, 0.0f);
}

// The zone's intensities (means of shrink x shrink pixels) less their mean,
// tapered to zero at its edges so the zone's borders do not read as a strong
// edge; zero beyond the zone. Transposed, the zone's columns are out's rows.
void FillZone(const Bitmap& bitmap, const Rect& zone, int shrink, int width, int height,
              bool transposed, float* out) {
  const int w = zone.Width() / shrink;
  const int h = zone.Height() / shrink;
  const Tapers& t = TapersOf(w, h);
  if (transposed) {
    thread_local std::vector<float> rows;
    rows.resize(static_cast<size_t>(w) * h);
    if (shrink == 1) {
      FillFullSize(bitmap, zone, w, t, rows.data());
    } else {
      FillShrunk(bitmap, zone, shrink, w, t, rows.data());
    }
    TransposeInto(rows.data(), w, h, out, width, height);
    return;
  }
  if (shrink == 1) {
    FillFullSize(bitmap, zone, width, t, out);
  } else {
    FillShrunk(bitmap, zone, shrink, width, t, out);
  }
  for (int v = 0; v < h; ++v) {
    float* row = out + static_cast<size_t>(v) * width;
    std::fill(row + w, row + width, 0.0f);
  }
  std::fill(out + static_cast<size_t>(h) * width, out + static_cast<size_t>(width) * height, 0.0f);
}

// The transforms' buffers of one thread, kept between calls: buffers this
// large come from the system afresh on every allocation, and their pages
// fault in again each time.
struct Workspace {
  size_t RealSize = 0, SpectrumSize = 0;
  FftwBuffer<float> RealA, RealB;
  FftwBuffer<fftwf_complex> SpecA, SpecB;
  void Reserve(size_t real, size_t spectrum) {
    if (real > RealSize) {
      RealA = Allocate<float>(real);
      RealB = Allocate<float>(real);
      RealSize = real;
    }
    if (spectrum > SpectrumSize) {
      SpecA = Allocate<fftwf_complex>(spectrum);
      SpecB = Allocate<fftwf_complex>(spectrum);
      SpectrumSize = spectrum;
    }
  }
};

// a[u] * conj(b[u]) * gain[u] * gy / |a[u] * conj(b[u])| into a[u], 0 where the
// product is 0, four bins at a time with the plain path's operations in its
// order, so the values are the same to the bit; returns the bins done.
size_t CrossPowerQuads(fftwf_complex* a, const fftwf_complex* b, const float* gain, float gy,
                       size_t count) {
  size_t u = 0;
#if defined(__SSE2__)
  const __m128 g = _mm_set1_ps(gy);
  const __m128 zero = _mm_setzero_ps();
  for (; u + 4 <= count; u += 4) {
    const __m128 a01 = _mm_loadu_ps(a[u]);
    const __m128 a23 = _mm_loadu_ps(a[u + 2]);
    const __m128 b01 = _mm_loadu_ps(b[u]);
    const __m128 b23 = _mm_loadu_ps(b[u + 2]);
    const __m128 ar = _mm_shuffle_ps(a01, a23, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 ai = _mm_shuffle_ps(a01, a23, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 br = _mm_shuffle_ps(b01, b23, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 bi = _mm_shuffle_ps(b01, b23, _MM_SHUFFLE(3, 1, 3, 1));
    const __m128 re = _mm_add_ps(_mm_mul_ps(ar, br), _mm_mul_ps(ai, bi));
    const __m128 im = _mm_sub_ps(_mm_mul_ps(ai, br), _mm_mul_ps(ar, bi));
    const __m128 norm = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(re, re), _mm_mul_ps(im, im)));
    const __m128 weight = _mm_and_ps(_mm_cmpgt_ps(norm, zero),
                                     _mm_div_ps(_mm_mul_ps(_mm_loadu_ps(gain + u), g), norm));
    const __m128 outRe = _mm_mul_ps(re, weight);
    const __m128 outIm = _mm_mul_ps(im, weight);
    _mm_storeu_ps(a[u], _mm_unpacklo_ps(outRe, outIm));
    _mm_storeu_ps(a[u + 2], _mm_unpackhi_ps(outRe, outIm));
  }
#endif
  return u;
}

}  // namespace

PhaseSurface CorrelatePhases(const Bitmap& first, const Rect& a, const Bitmap& second,
                             const Rect& b, int shrink) {
  PhaseSurface s;
  CorrelatePhases(first, a, second, b, shrink, s);
  return s;
}

void CorrelatePhases(const Bitmap& first, const Rect& a, const Bitmap& second, const Rect& b,
                     int shrink, PhaseSurface& s) {
  CorrelatePhases(first, a, second, b, PhaseOptions{shrink}, s);
}

void CorrelatePhases(const Bitmap& first, const Rect& a, const Bitmap& second, const Rect& b,
                     const PhaseOptions& options, PhaseSurface& s) {
  const int shrink = std::max(options.Shrink, 1);
  const bool transposed = options.Transposed;
  s.Shrink = shrink;
  s.Transposed = transposed;
  const int across = GoodSize(std::max(a.Width(), b.Width()) / shrink);
  const int down = GoodSize(std::max(a.Height(), b.Height()) / shrink);
  s.Width = transposed ? down : across;
  s.Height = transposed ? across : down;
  const int width = s.Width, height = s.Height;
  const size_t realSize = static_cast<size_t>(width) * height;
  const size_t half = static_cast<size_t>(width / 2) + 1;
  const size_t spectrumSize = half * height;

  EnsureRoomForFftw(realSize);
  const std::shared_ptr<const Plans> plans = PlansFor(width, height, options.BandHigh);
  thread_local Workspace work;
  work.Reserve(realSize, spectrumSize);
  float* realA = work.RealA.get();
  float* realB = work.RealB.get();
  fftwf_complex* specA = work.SpecA.get();
  fftwf_complex* specB = work.SpecB.get();
  const auto transform = [&](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      float* real = i == 0 ? realA : realB;
      fftwf_complex* spec = i == 0 ? specA : specB;
      FillZone(i == 0 ? first : second, i == 0 ? a : b, shrink, width, height, transposed, real);
      fftwf_execute_dft_r2c(plans->Forward(), real, spec);
    }
  };
  // Small zones take less time than handing one to another thread.
  constexpr size_t kSplitSize = size_t{1} << 18;
  if (realSize < kSplitSize) {
    transform(0, 2);
  } else {
    ParallelFor(2, 1, transform);
  }
  // The normalised cross-power spectrum A * conj(B), weighted by the band and
  // by 1 / size so that values do not grow with the zones.
  const Band& bandX = plans->BandX();
  const Band& bandY = plans->BandY();
  const float scale = 1.0f / static_cast<float>(realSize);
  for (int v = 0; v < height; ++v) {
    const float gy = bandY.Gain[v] * scale;
    fftwf_complex* p = specA + static_cast<size_t>(v) * half;
    const fftwf_complex* q = specB + static_cast<size_t>(v) * half;
    size_t u = 0;
    // Rows of the lowest bins both ways take the plain path.
    if (!bandY.Lowest[v]) u = CrossPowerQuads(p, q, bandX.Gain.data(), gy, half);
    for (; u < half; ++u) {
      const float re = p[u][0] * q[u][0] + p[u][1] * q[u][1];
      const float im = p[u][1] * q[u][0] - p[u][0] * q[u][1];
      const float norm = std::sqrt(re * re + im * im);
      const bool lowest = bandX.Lowest[u] && bandY.Lowest[v];
      const float weight = norm > 0 && !lowest ? bandX.Gain[u] * gy / norm : 0;
      p[u][0] = re * weight;
      p[u][1] = im * weight;
    }
  }
  // Straight into the surface where FFTW can run the plan there: a reused
  // surface then costs no copy.
  s.Values.resize(realSize);
  float* out = s.Values.data();
  if (fftwf_alignment_of(out) == fftwf_alignment_of(realA)) {
    fftwf_execute_dft_c2r(plans->Backward(), specA, out);
  } else {
    fftwf_execute_dft_c2r(plans->Backward(), specA, realA);
    std::copy(realA, realA + realSize, out);
  }
}
