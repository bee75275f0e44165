// The link confidence on offsets known from cutting one scene: a shift along
// a one-way texture, which the overlap correlation rewards, is told as weak.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "engine/registration/linkconfidence.h"
#include "engine/registration/linkscore.h"
#include "support/testimages.h"

namespace {

// Strong stripes running down the picture over a faint grain of its own, and
// sensor noise of each view's own: only the faint grain tells one shift along
// the stripes from another.
Bitmap Stripes(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> level(0, 90);
  std::vector<int> columns(static_cast<size_t>(w));
  for (int& c : columns) c = level(rng);
  const Bitmap grain = TexturedBitmap(w, h, seed + 1);
  Bitmap out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int v = 80 + columns[x] + Intensity(grain.Pixel(x, y)) / 8;
      uint8_t* p = out.Pixel(x, y);
      p[0] = p[1] = p[2] = static_cast<uint8_t>(v);
    }
  return out;
}

Bitmap Noisy(Bitmap b, uint32_t seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, 3);
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* p = b.Row(y);
    for (int i = 0; i < b.Width() * 3; ++i)
      p[i] = static_cast<uint8_t>(std::clamp(p[i] + noise(rng), 0.0, 255.0));
  }
  return b;
}

TEST(LinkConfidence, AShiftAlongTheStripesIsWeakThoughItsOverlapCorrelates) {
  const Bitmap scene = Stripes(520, 400, 3);
  const Bitmap a = Noisy(CropBitmap(scene, 0, 0, 320, 300), 1);
  const Bitmap b = Noisy(CropBitmap(scene, 200, 60, 320, 300), 2);
  EXPECT_DOUBLE_EQ(LinkConfidence(a, b, {200, 60}), 1.0);
  const Offset along{200, 72};
  EXPECT_GT(OverlapScore(a, b, along), kWeakLinkScore);
  EXPECT_LT(LinkConfidence(a, b, along), kWeakLinkScore);
  EXPECT_LT(LinkConfidence(a, b, {206, 60}), kWeakLinkScore);
}

// The evidence is read from means of 2 x 2 pixels: a right link over an
// overlap a few dozen pixels across still scores full.
TEST(LinkConfidence, ANarrowOverlapOfARightLinkScoresFull) {
  const Bitmap scene = TexturedBitmap(400, 300, 21);
  const Bitmap a = CropBitmap(scene, 0, 0, 200, 150);
  EXPECT_EQ(LinkConfidence(a, CropBitmap(scene, 150, 0, 200, 150), {150, 0}), 1.0);
  EXPECT_EQ(LinkConfidence(a, CropBitmap(scene, 0, 120, 200, 150), {0, 120}), 1.0);
  EXPECT_LT(LinkConfidence(a, CropBitmap(scene, 150, 0, 200, 150), {150, 50}), kWeakLinkScore);
}

TEST(LinkConfidence, UnrelatedViewsAndSliversAreWeak) {
  const Bitmap a = TexturedBitmap(300, 240, 4);
  EXPECT_LT(LinkConfidence(a, TexturedBitmap(300, 240, 5), {200, 10}), kWeakLinkScore);
  const Bitmap scene = TexturedBitmap(400, 240, 6);
  const Bitmap left = CropBitmap(scene, 0, 0, 200, 240);
  EXPECT_EQ(LinkConfidence(left, CropBitmap(scene, 194, 0, 200, 240), {194, 0}), 0);
  EXPECT_EQ(LinkConfidence(left, FlatBitmap(200, 240, 90, 90, 90), {150, 0}), 0);
}

TEST(LinkConfidence, ThePeakNearbyPointsToTheTrueOffset) {
  const Bitmap scene = TexturedBitmap(500, 300, 7);
  const Bitmap a = CropBitmap(scene, 0, 0, 300, 300);
  const Bitmap b = CropBitmap(scene, 180, 0, 300, 300);
  for (const Offset off :
       {Offset{182, -1}, Offset{179, 2}, Offset{181, 0}, Offset{180, 1}, Offset{180, 0}}) {
    const LinkEvidence e = WeighLink(a, b, off);
    EXPECT_EQ(e.Peak, (Offset{180, 0})) << off.X << "," << off.Y;
    EXPECT_GT(e.Score, kWeakLinkScore);
  }
}

TEST(LinkConfidence, ALinkOffByMoreThanItsPeakTellsWhereTheBetterShiftLies) {
  const Bitmap scene = TexturedBitmap(500, 320, 7);
  const Bitmap a = CropBitmap(scene, 0, 10, 300, 300);
  const Bitmap b = CropBitmap(scene, 180, 0, 300, 300);  // at (180, -10) in a's pixels
  for (const Offset off : {Offset{192, -4}, Offset{169, -18}, Offset{183, -10}, Offset{180, -13}}) {
    const LinkEvidence e = WeighLink(a, b, off);
    EXPECT_EQ(e.Score, 0) << off.X << "," << off.Y;
    // Read from means of 2 x 2 pixels: within a pixel.
    EXPECT_LE(std::abs(e.Other.X - 180), 1) << off.X << "," << off.Y;
    EXPECT_LE(std::abs(e.Other.Y + 10), 1) << off.X << "," << off.Y;
  }
}

}  // namespace
