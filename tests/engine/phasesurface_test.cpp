// The phase correlation surface on views cut from one scene at known shifts:
// a surface whose storage is reused, after another size, reads as a fresh one,
// and every surface is the one a literal reading of its definition gives.
#include <fftw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "engine/registration/linkscore.h"
#include "engine/registration/phase/phasesurface.h"
#include "support/testimages.h"

namespace {

// The shift of the surface's highest value, each coordinate in -size/2..size/2.
Offset Highest(const PhaseSurface& s) {
  const auto at =
      static_cast<int>(std::max_element(s.Values.begin(), s.Values.end()) - s.Values.begin());
  const int x = at % s.Width, y = at / s.Width;
  return {x > s.Width / 2 ? x - s.Width : x, y > s.Height / 2 ? y - s.Height : y};
}

TEST(PhaseSurface, AReusedSurfacePeaksAtTheCutShiftAsAFreshOneDoes) {
  const Bitmap scene = TexturedBitmap(400, 300, 7);
  PhaseSurface reused;
  // Larger, then smaller, then larger again: the kept storage must not leak
  // one size's values into another's.
  for (const auto& [side, shift] : {std::pair{256, Offset{9, -5}}, std::pair{96, Offset{-4, 3}},
                                    std::pair{200, Offset{13, 0}}}) {
    const Rect a{40, 40, 40 + side, 40 + side / 2};
    // Zone b at u shows what zone a shows at u + shift.
    const Rect b{a.Left + shift.X, a.Top + shift.Y, a.Right + shift.X, a.Bottom + shift.Y};
    CorrelatePhases(scene, a, scene, b, 1, reused);
    const PhaseSurface fresh = CorrelatePhases(scene, a, scene, b);
    EXPECT_EQ(Highest(reused), shift) << side;
    EXPECT_EQ(reused.Width, fresh.Width);
    EXPECT_EQ(reused.Values, fresh.Values) << side;
  }
}

// A transposed surface is the plain one with its axes swapped, whatever
// the rounding of the other transform order, and peaks at the cut shift read
// the other way round.
TEST(PhaseSurface, TransposedIsThePlainSurfaceWithItsAxesSwapped) {
  const Bitmap scene = TexturedBitmap(400, 420, 8);
  const Offset shift{4, -6};  // whole steps at both shrinks
  const Rect a{30, 40, 30 + 96, 40 + 288};
  const Rect b{a.Left + shift.X, a.Top + shift.Y, a.Right + shift.X, a.Bottom + shift.Y};
  for (const int shrink : {1, 2}) {
    const PhaseOptions plainWay{shrink, 0.4, false};
    const PhaseOptions swapped{shrink, 0.4, true};
    PhaseSurface plain, t;
    CorrelatePhases(scene, a, scene, b, plainWay, plain);
    CorrelatePhases(scene, a, scene, b, swapped, t);
    ASSERT_TRUE(t.Transposed);
    ASSERT_EQ(t.Width, plain.Height);
    ASSERT_EQ(t.Height, plain.Width);
    float worst = 0;
    for (int y = 0; y < plain.Height; ++y) {
      for (int x = 0; x < plain.Width; ++x)
        worst = std::max(worst, std::abs(plain.At(x, y) - t.At(y, x)));
    }
    EXPECT_LT(worst, 1e-5f) << shrink;
    EXPECT_EQ(Highest(t), (Offset{shift.Y / shrink, shift.X / shrink})) << shrink;
  }
}

// The surface read literally: intensities pixel by pixel (sums of shrink x
// shrink pixels) less their mean, a cosine taper over the outer fifth of each
// side, FFTW's transforms planned as the engine plans them, and the cross-power
// spectrum bin by bin under a Gaussian fall-off above 0.2 cycles per pixel
// without the bins of 0 or 1 cycle both ways.
std::vector<float> LiteralTaper(int n) {
  std::vector<float> w(static_cast<size_t>(n), 1.0f);
  const double ramp = std::max(1.0, 0.2 * n);
  for (int i = 0; i < n; ++i) {
    const double d = std::min(i + 0.5, n - i - 0.5);
    if (d < ramp) w[i] = static_cast<float>(0.5 - 0.5 * std::cos(M_PI * d / ramp));
  }
  return w;
}

std::vector<float> LiteralZone(const Bitmap& bitmap, const Rect& zone, int shrink, int width,
                               int height) {
  const int w = zone.Width() / shrink, h = zone.Height() / shrink;
  std::vector<float> out(static_cast<size_t>(width) * height, 0.0f);
  double total = 0;
  for (int v = 0; v < h; ++v) {
    for (int u = 0; u < w; ++u) {
      int sum = 0;
      for (int dy = 0; dy < shrink; ++dy)
        for (int dx = 0; dx < shrink; ++dx)
          sum += Intensity(bitmap.Pixel(zone.Left + u * shrink + dx, zone.Top + v * shrink + dy));
      out[static_cast<size_t>(v) * width + u] = static_cast<float>(sum);
    }
  }
  for (int v = 0; v < h; ++v)
    for (int u = 0; u < w; ++u) total += out[static_cast<size_t>(v) * width + u];
  const auto mean = static_cast<float>(total / (static_cast<double>(w) * h));
  const std::vector<float> wx = LiteralTaper(w), wy = LiteralTaper(h);
  for (int v = 0; v < h; ++v)
    for (int u = 0; u < w; ++u) {
      float& x = out[static_cast<size_t>(v) * width + u];
      x = (x - mean) * wx[u] * wy[v];
    }
  return out;
}

float Gain(int k, int n) {
  const int s = k <= n / 2 ? k : k - n;
  const double f = static_cast<double>(s) / n;
  return static_cast<float>(std::exp(-f * f / (0.2 * 0.2)));
}

std::vector<float> LiteralSurface(const Bitmap& first, const Rect& a, const Bitmap& second,
                                  const Rect& b, int shrink, int width, int height) {
  const int half = width / 2 + 1;
  const size_t real = static_cast<size_t>(width) * height;
  float* in = fftwf_alloc_real(real);
  fftwf_complex* specA = fftwf_alloc_complex(static_cast<size_t>(half) * height);
  fftwf_complex* specB = fftwf_alloc_complex(static_cast<size_t>(half) * height);
  const fftwf_plan forward = fftwf_plan_dft_r2c_2d(height, width, in, specA, FFTW_ESTIMATE);
  const fftwf_plan backward = fftwf_plan_dft_c2r_2d(height, width, specA, in, FFTW_ESTIMATE);
  std::vector<float> zone = LiteralZone(first, a, shrink, width, height);
  std::copy(zone.begin(), zone.end(), in);
  fftwf_execute_dft_r2c(forward, in, specA);
  zone = LiteralZone(second, b, shrink, width, height);
  std::copy(zone.begin(), zone.end(), in);
  fftwf_execute_dft_r2c(forward, in, specB);
  const float scale = 1.0f / static_cast<float>(real);
  for (int v = 0; v < height; ++v) {
    for (int u = 0; u < half; ++u) {
      const size_t i = static_cast<size_t>(v) * half + u;
      const float re = specA[i][0] * specB[i][0] + specA[i][1] * specB[i][1];
      const float im = specA[i][1] * specB[i][0] - specA[i][0] * specB[i][1];
      const float norm = std::sqrt(re * re + im * im);
      const int sv = v <= height / 2 ? v : v - height;
      const bool lowest = u <= 1 && std::abs(sv) <= 1;
      const float weight =
          norm > 0 && !lowest ? Gain(u, width) * (Gain(v, height) * scale) / norm : 0;
      specA[i][0] = re * weight;
      specA[i][1] = im * weight;
    }
  }
  fftwf_execute_dft_c2r(backward, specA, in);
  std::vector<float> out(in, in + real);
  fftwf_destroy_plan(forward);
  fftwf_destroy_plan(backward);
  fftwf_free(in);
  fftwf_free(specA);
  fftwf_free(specB);
  return out;
}

// The engine's surface, read many pixels and bins at a time, is the literal
// one to the bit: the link scores must not change with how they are computed.
TEST(PhaseSurface, IsTheLiteralSurfaceToTheBit) {
  const Bitmap scene = TexturedBitmap(420, 330, 11);
  struct Case {
    Rect A, B;
    int Shrink;
  };
  // Sides that fill the transform, that leave a tail of bins and pixels, and
  // a shrunk pair of unequal zones padded with zeros.
  for (const Case& c : {Case{{10, 20, 202, 164}, {14, 17, 206, 161}, 1},
                        Case{{3, 5, 3 + 157, 5 + 93}, {9, 1, 9 + 157, 1 + 93}, 1},
                        Case{{0, 0, 400, 310}, {12, 6, 406, 300}, 2}}) {
    const PhaseSurface s = CorrelatePhases(scene, c.A, scene, c.B, c.Shrink);
    EXPECT_EQ(s.Values, LiteralSurface(scene, c.A, scene, c.B, c.Shrink, s.Width, s.Height))
        << c.A.Width() << " x " << c.A.Height();
  }
}

}  // namespace
