// The link score: the correlation over the whole overlap against a plain
// double-precision sum, on offsets known from cutting one scene.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/parallel.h"
#include "engine/registration/linkscore.h"
#include "support/testimages.h"

namespace {

// The plain formula in double precision: over every block of 32 x 32 pixels
// of the overlap (from its top-left corner), the deviations from the block's
// means, their products and squares summed over all blocks.
double PlainScore(const Bitmap& a, const Bitmap& b, int dx, int dy) {
  const int left = std::max(0, dx), top = std::max(0, dy);
  const int right = std::min(a.Width(), dx + b.Width());
  const int bottom = std::min(a.Height(), dy + b.Height());
  double cross = 0, va = 0, vb = 0;
  for (int by = top; by < bottom; by += 32) {
    for (int bx = left; bx < right; bx += 32) {
      const int ex = std::min(right, bx + 32), ey = std::min(bottom, by + 32);
      double ma = 0, mb = 0, n = 0;
      for (int y = by; y < ey; ++y)
        for (int x = bx; x < ex; ++x) {
          ma += Intensity(a.Pixel(x, y));
          mb += Intensity(b.Pixel(x - dx, y - dy));
          n += 1;
        }
      ma /= n;
      mb /= n;
      for (int y = by; y < ey; ++y)
        for (int x = bx; x < ex; ++x) {
          const double da = Intensity(a.Pixel(x, y)) - ma;
          const double db = Intensity(b.Pixel(x - dx, y - dy)) - mb;
          cross += da * db, va += da * da, vb += db * db;
        }
    }
  }
  return cross / std::sqrt(va * vb);
}

Bitmap Mapped(const Bitmap& b, int (*f)(int)) {
  Bitmap out = b;
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* p = out.Row(y);
    for (int i = 0; i < out.Width() * 3; ++i) p[i] = static_cast<uint8_t>(f(p[i]));
  }
  return out;
}

TEST(OverlapScore, VignettingDoesNotCountAsDisagreement) {
  // A pale view twice, darkened towards opposite sides as two fields' lenses
  // do: over the whole overlap the two shadings alone run against each other.
  const Bitmap scene = Mapped(TexturedBitmap(300, 200, 13), [](int v) { return 150 + v / 4; });
  Bitmap left = scene, right = scene;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      for (int c = 0; c < 3; ++c) {
        left.Pixel(x, y)[c] = static_cast<uint8_t>(left.Pixel(x, y)[c] * (1.0 - 0.25 * x / 300));
        right.Pixel(x, y)[c] = static_cast<uint8_t>(right.Pixel(x, y)[c] * (0.75 + 0.25 * x / 300));
      }
  EXPECT_GT(OverlapScore(left, right, {0, 0}), kWeakLinkScore);
  // Without the blocks' means the shading would decide: the case is a real one.
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  const double n = 300.0 * 200;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      const double ia = Intensity(left.Pixel(x, y)), ib = Intensity(right.Pixel(x, y));
      sa += ia, sb += ib, saa += ia * ia, sbb += ib * ib, sab += ia * ib;
    }
  EXPECT_LT((sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n)), 0.5);
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
