// The link score: the correlation over the whole overlap against a plain
// double-precision sum, on offsets known from cutting one scene.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/linkscore.h"
#include "engine/parallel.h"
#include "support/testimages.h"

namespace {

// The plain formula over every overlap pixel, in double precision.
double PlainScore(const Bitmap& a, const Bitmap& b, int dx, int dy) {
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, n = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      const int u = x - dx, v = y - dy;
      if (u < 0 || v < 0 || u >= b.Width() || v >= b.Height()) continue;
      const double ia = Intensity(a.Pixel(x, y));
      const double ib = Intensity(b.Pixel(u, v));
      sa += ia, sb += ib, saa += ia * ia, sbb += ib * ib, sab += ia * ib, n += 1;
    }
  }
  const double cov = sab - sa * sb / n;
  return cov / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
}

Bitmap Mapped(const Bitmap& b, int (*f)(int)) {
  Bitmap out = b;
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* p = out.Row(y);
    for (int i = 0; i < out.Width() * 3; ++i) p[i] = static_cast<uint8_t>(f(p[i]));
  }
  return out;
}

TEST(OverlapRect, ClipsToBothImages) {
  const Bitmap a(100, 80), b(60, 50);
  EXPECT_EQ(OverlapRect(a, b, {70, 10}), (Rect{70, 10, 100, 60}));
  EXPECT_EQ(OverlapRect(a, b, {-20, -30}), (Rect{0, 0, 40, 20}));
  EXPECT_EQ(OverlapRect(a, b, {100, 0}), Rect{});
  EXPECT_EQ(OverlapRect(a, b, {0, -50}), Rect{});
}

TEST(OverlapScore, TrueOffsetScoresOneAndAWrongOneLow) {
  const Bitmap scene = TexturedBitmap(400, 300, 11);
  const Bitmap a = CropBitmap(scene, 0, 0, 240, 200);
  const Bitmap b = CropBitmap(scene, 170, 40, 230, 160);
  EXPECT_DOUBLE_EQ(OverlapScore(a, b, {170, 40}), 1.0);
  EXPECT_LT(OverlapScore(a, b, {120, 40}), kWeakLinkScore);
  EXPECT_LT(OverlapScore(a, b, {170, -10}), kWeakLinkScore);
}

TEST(OverlapScore, AgreesWithThePlainFormulaOnAnyThreadCount) {
  const Bitmap a = TexturedBitmap(300, 220, 5);
  const Bitmap b = TexturedBitmap(260, 240, 6);
  std::mt19937 rng(3);
  for (int k = 0; k < 12; ++k) {
    const int dx = static_cast<int>(rng() % 400) - 200;
    const int dy = static_cast<int>(rng() % 300) - 150;
    const Rect r = OverlapRect(a, b, {dx, dy});
    SetEngineThreads(1);
    const double one = OverlapScore(a, b, {dx, dy});
    SetEngineThreads(0);
    EXPECT_EQ(one, OverlapScore(a, b, {dx, dy})) << dx << "," << dy;
    if (r.Width() * r.Height() >= kMinOverlapPixels && r.Width() >= 8 && r.Height() >= 8) {
      EXPECT_NEAR(one, std::max(0.0, PlainScore(a, b, dx, dy)), 1e-9) << dx << "," << dy;
    } else {
      EXPECT_EQ(one, 0) << dx << "," << dy;
    }
  }
}

TEST(OverlapScore, GainAndOffsetKeepItInversionAndFlatnessZeroIt) {
  const Bitmap scene = TexturedBitmap(300, 200, 9);
  const Bitmap a = CropBitmap(scene, 0, 0, 200, 200);
  const Bitmap b = CropBitmap(scene, 120, 0, 180, 200);
  EXPECT_GT(OverlapScore(a, Mapped(b, [](int v) { return v * 2 / 3 + 60; }), {120, 0}), 0.99);
  EXPECT_EQ(OverlapScore(a, Mapped(b, [](int v) { return 255 - v; }), {120, 0}), 0);
  EXPECT_EQ(OverlapScore(a, FlatBitmap(180, 200, 90, 90, 90), {120, 0}), 0);
}

TEST(OverlapScore, TooSmallAnOverlapScoresZero) {
  const Bitmap scene = TexturedBitmap(300, 300, 2);
  const Bitmap a = CropBitmap(scene, 0, 0, 200, 200);
  const Bitmap b = CropBitmap(scene, 193, 0, 100, 200);  // a 7-pixel strip
  EXPECT_EQ(OverlapScore(a, b, {193, 0}), 0);
  const Bitmap c = CropBitmap(scene, 170, 170, 100, 100);  // 30 x 30 < 1024 pixels
  EXPECT_EQ(OverlapScore(a, c, {170, 170}), 0);
  const Bitmap d = CropBitmap(scene, 160, 160, 100, 100);  // 40 x 40
  EXPECT_DOUBLE_EQ(OverlapScore(a, d, {160, 160}), 1.0);
}

}  // namespace
