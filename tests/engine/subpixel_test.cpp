// The part of a pixel a link's offset is off by, against crops resampled at
// known fractional places.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/neighbourpairs.h"
#include "engine/panoram.h"
#include "engine/registration/subpixel.h"
#include "engine/stitchflow.h"
#include "support/testimages.h"

namespace {

// width x height of source from (x, y), fractional: bilinear between pixels.
Bitmap CropBetweenPixels(const Bitmap& source, double x, double y, int width, int height) {
  Bitmap b(width, height);
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      for (int c = 0; c < 3; ++c) {
        const auto at = [&](int dx, int dy) {
          return static_cast<double>(source.Pixel(x0 + col + dx, y0 + row + dy)[c]);
        };
        const double v = (1 - fy) * ((1 - fx) * at(0, 0) + fx * at(1, 0)) +
                         fy * ((1 - fx) * at(0, 1) + fx * at(1, 1));
        b.Pixel(col, row)[c] = static_cast<uint8_t>(std::lround(v));
      }
    }
  }
  return b;
}

TEST(SubpixelShift, RecoversTheFractionOfAKnownOffset) {
  const Bitmap scene = TexturedBitmap(900, 700, 7);
  const Bitmap first = CropBetweenPixels(scene, 20, 30, 400, 300);
  for (const auto& [fx, fy] : {std::pair{0.3, -0.3}, {-0.4, 0.2}, {0.0, 0.0}, {0.1, 0.45}}) {
    // second's origin lies at (150 + fx, 40 + fy) in first's pixels.
    const Bitmap second = CropBetweenPixels(scene, 170 + fx, 70 + fy, 400, 300);
    const SubpixelShift s = SubpixelShiftAt(first, second, {150, 40});
    EXPECT_NEAR(s.X, fx, 0.15) << fx << ", " << fy;
    EXPECT_NEAR(s.Y, fy, 0.15) << fx << ", " << fy;
  }
}

TEST(SubpixelShift, NothingWhereTheOverlapIsTooSmallOrFlat) {
  const Bitmap scene = TexturedBitmap(400, 300, 3);
  const SubpixelShift sliver = SubpixelShiftAt(scene, scene, {396, 0});
  EXPECT_EQ(sliver.X, 0.0);
  EXPECT_EQ(sliver.Y, 0.0);
  const Bitmap flat = FlatBitmap(400, 300, 90, 90, 90);
  const SubpixelShift none = SubpixelShiftAt(flat, flat, {100, 50});
  EXPECT_EQ(none.X, 0.0);
  EXPECT_EQ(none.Y, 0.0);
}

// Three fields in a row, the second cut between pixels: its origin lies at
// kTruth[1] in the first's pixels, the third's at kTruth[2] in the second's.
constexpr double kTruth[3][2] = {{0, 0}, {300.3, 4.4}, {299.7, -4.4}};

class MeasuredBySearch : public ::testing::Test {
 protected:
  void SetUp() override {
    const Bitmap scene = TexturedBitmap(1100, 400, 11);
    double x = 20, y = 30;
    pan_.ApplySettings({30, 15, 0, {}, 5, 1, 3});
    pan_.SetSearchMethod(SearchMethod::Phase);
    // The fit over all neighbours is what reads shifts between pixels.
    pan_.SetPlacementMethod(PlacementMethod::Neighbours);
    for (const auto& [dx, dy] : kTruth) {
      x += dx, y += dy;
      pan_.AddImage(CropBetweenPixels(scene, x, y, 400, 300), dx == 0 ? kDirNone : kDirRight, "f");
    }
    ASSERT_TRUE(pan_.SearchLinks(nullptr));
  }
  Offset At(int link) const {
    return OffsetOfLink(pan_.GetLinkOut(link), pan_.GetLinkIn(link + 1));
  }
  Panoram pan_;
};

TEST_F(MeasuredBySearch, EachChainLinkOverNeighboursCarriesItsShiftBetweenPixels) {
  const AllNeighbourPlaces placed = PlaceAllNeighbours(pan_);
  ASSERT_GE(placed.Links.size(), 2u);
  for (int link = 0; link < 2; ++link) {
    const ImageLink& l = placed.Links[static_cast<size_t>(link)];
    ASSERT_GE(l.Score, kWeakLinkScore) << link;
    EXPECT_NEAR(l.DX + l.SubX, kTruth[link + 1][0], 0.15) << link;
    EXPECT_NEAR(l.DY + l.SubY, kTruth[link + 1][1], 0.15) << link;
  }
}

TEST_F(MeasuredBySearch, ANeighbourPairsLinkCarriesItsShiftBetweenPixels) {
  const ImageLink l = LinkAround(pan_, {1, 2, {300, -4}});
  ASSERT_GE(l.Score, kWeakLinkScore);
  EXPECT_NEAR(l.DX + l.SubX, kTruth[2][0], 0.15);
  EXPECT_NEAR(l.DY + l.SubY, kTruth[2][1], 0.15);
}

}  // namespace
