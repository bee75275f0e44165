#include "capture/run/contactoverlay.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/reference_overlay.h"
#include "support/testimages.h"

namespace {

constexpr int kRight = 1;
constexpr int kBelow = 2;
constexpr int kLeft = 3;
constexpr int kAbove = 4;

TEST(OverlayShift, KeepsTheFloatRoundingOfTheZoneAndPointsAwayFromThePressedSide) {
  // k = 0.7f is 0.699999988: 640 k = 447.99999, 480 k = 335.99999.
  EXPECT_EQ(OverlayShift(30, 640, 480, kRight), (OverlayOffset{-447, 0}));
  EXPECT_EQ(OverlayShift(30, 640, 480, kLeft), (OverlayOffset{447, 0}));
  EXPECT_EQ(OverlayShift(30, 640, 480, kAbove), (OverlayOffset{0, 335}));
  EXPECT_EQ(OverlayShift(30, 640, 480, kBelow), (OverlayOffset{0, -335}));
  EXPECT_EQ(OverlayShift(100, 640, 480, kRight), (OverlayOffset{0, 0}));
  EXPECT_EQ(OverlayShift(0, 640, 480, kBelow), (OverlayOffset{0, -480}));
  // Zones outside 0..100 act as the nearest end; unknown buttons do not shift.
  EXPECT_EQ(OverlayShift(150, 640, 480, kLeft), (OverlayOffset{0, 0}));
  EXPECT_EQ(OverlayShift(-20, 640, 480, kLeft), (OverlayOffset{640, 0}));
  EXPECT_EQ(OverlayShift(30, 640, 480, 0), (OverlayOffset{0, 0}));
  EXPECT_EQ(OverlayShift(30, 640, 480, 7), (OverlayOffset{0, 0}));
}

TEST(BlendContactZone, EqualsTheLiteralFloatBlendForEveryBytePairAndDensity) {
  // Live byte x against previous byte y: every pair of byte values once.
  Bitmap live(256, 256);
  Bitmap previous(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      for (int c = 0; c < 3; ++c) {
        live.Pixel(x, y)[c] = static_cast<uint8_t>(x);
        previous.Pixel(x, y)[c] = static_cast<uint8_t>(y);
      }
    }
  }
  for (int density = 1; density <= 16; ++density) {
    for (const bool negative : {false, true}) {
      Bitmap fast = live;
      Bitmap literal = live;
      BlendContactZone(fast, previous, density, negative, 0, 0);
      ReferenceBlendContactZone(literal, previous, density, negative, 0, 0);
      ASSERT_EQ(fast, literal) << "density " << density << " negative " << negative;
    }
  }
}

class BlendShiftTest : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(BlendShiftTest, EqualsTheLiteralBlendAndLeavesTheRestAlone) {
  const auto [dx, dy, density] = GetParam();
  // An odd width pads the rows, so a wrong stride would show.
  const Bitmap previous = TexturedBitmap(161, 97, 7);
  const Bitmap live = TexturedBitmap(161, 97, 8);
  Bitmap fast = live;
  Bitmap literal = live;
  BlendContactZone(fast, previous, density, true, dx, dy);
  ReferenceBlendContactZone(literal, previous, density, true, dx, dy);
  EXPECT_EQ(fast, literal);
}

INSTANTIATE_TEST_SUITE_P(Shifts, BlendShiftTest,
                         ::testing::Values(std::make_tuple(-112, 0, 5), std::make_tuple(112, 0, 5),
                                           std::make_tuple(0, 67, 1), std::make_tuple(0, -67, 9),
                                           std::make_tuple(-30, 20, 5), std::make_tuple(160, 0, 5),
                                           std::make_tuple(-161, 0, 5)));

// Two frames of one scene, the second taken 447 pixels further right.
struct AlignedPair {
  Bitmap Previous;
  Bitmap Live;
};

AlignedPair RightwardPair() {
  const Bitmap scene = TexturedBitmap(640 + 447, 480, 11);
  return {CropBitmap(scene, 0, 0, 640, 480), CropBitmap(scene, 447, 0, 640, 480)};
}

TEST(BlendContactZone, AlignedStripTurnsGreyInTheNegativeAndAveragesOtherwise) {
  const AlignedPair pair = RightwardPair();
  Bitmap negative = pair.Live;
  BlendContactZone(negative, pair.Previous, 8, true, -447, 0);
  Bitmap average = pair.Live;
  BlendContactZone(average, pair.Previous, 8, false, -447, 0);
  for (int y = 0; y < 480; y += 7) {
    for (int x = 0; x < 640; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int l = pair.Live.Pixel(x, y)[c];
        const bool inStrip = x < 640 - 447;
        ASSERT_EQ(negative.Pixel(x, y)[c], inStrip ? 127 : l) << x << "," << y;
        const int p = inStrip ? pair.Previous.Pixel(x + 447, y)[c] : 0;
        ASSERT_EQ(average.Pixel(x, y)[c], inStrip ? (l + p) / 2 : l) << x << "," << y;
      }
    }
  }
}

TEST(BlendContactZone, DensitySixteenAndOutOfRangeDensitiesAreSafe) {
  const AlignedPair pair = RightwardPair();
  Bitmap live = pair.Live;
  BlendContactZone(live, pair.Previous, 16, true, 0, 0);
  EXPECT_EQ(live, pair.Live);
  BlendContactZone(live, pair.Previous, 40, true, 0, 0);
  EXPECT_EQ(live, pair.Live);
  Bitmap zero = pair.Live;
  Bitmap one = pair.Live;
  BlendContactZone(zero, pair.Previous, -3, true, -447, 0);
  ReferenceBlendContactZone(one, pair.Previous, 1, true, -447, 0);
  EXPECT_EQ(zero, one);
}

TEST(BlendContactZone, ALiveFrameOfAnotherSizeGetsTheStripClippedToIt) {
  const Bitmap previous = TexturedBitmap(200, 150, 3);
  const Bitmap small = TexturedBitmap(90, 70, 4);
  for (const auto& [dx, dy] : {std::pair{-140, 0}, {140, 0}, {0, 100}, {0, -100}, {0, 0}}) {
    // The literal blend on a live picture as large as the previous frame,
    // with the small picture in its top-left corner, cut back to size.
    Bitmap large = TexturedBitmap(200, 150, 5);
    for (int y = 0; y < small.Height(); ++y) {
      for (int x = 0; x < small.Width(); ++x) {
        for (int c = 0; c < 3; ++c) large.Pixel(x, y)[c] = small.Pixel(x, y)[c];
      }
    }
    ReferenceBlendContactZone(large, previous, 5, true, dx, dy);
    Bitmap live = small;
    BlendContactZone(live, previous, 5, true, dx, dy);
    EXPECT_EQ(live, CropBitmap(large, 0, 0, 90, 70)) << dx << "," << dy;
  }
  // A larger live picture: the strip stays where the previous frame's size puts it.
  const Bitmap big = TexturedBitmap(260, 180, 6);
  Bitmap fast = big;
  Bitmap literal = big;
  BlendContactZone(fast, previous, 5, false, 60, 0);
  ReferenceBlendContactZone(literal, previous, 5, false, 60, 0);
  EXPECT_EQ(fast, literal);
  Bitmap empty;
  BlendContactZone(empty, previous, 5, true, 0, 0);
  Bitmap untouched = small;
  BlendContactZone(untouched, Bitmap(), 5, true, 0, 0);
  EXPECT_EQ(untouched, small);
}

TEST(RefreshOverlay, BlendsOnlyWithAFrameShownAndADirectionPressed) {
  const AlignedPair pair = RightwardPair();
  const OverlayOptions options{true, true, 5};
  Bitmap live = pair.Live;
  EXPECT_FALSE(RefreshOverlay(live, nullptr, pair.Previous, options, 30, kRight));
  EXPECT_FALSE(RefreshOverlay(live, &pair.Previous, pair.Previous, {false, true, 5}, 30, kRight));
  EXPECT_FALSE(RefreshOverlay(live, &pair.Previous, pair.Previous, options, 30, 0));
  EXPECT_EQ(live, pair.Live);

  ASSERT_TRUE(RefreshOverlay(live, &pair.Previous, pair.Previous, options, 30, kRight));
  Bitmap literal = pair.Live;
  ReferenceBlendContactZone(literal, pair.Previous, 5, true, -447, 0);
  EXPECT_EQ(live, literal);
}

TEST(RefreshOverlay, ZoneHundredBlendsTheWholeFrameAndZoneZeroNothing) {
  const Bitmap previous = FlatBitmap(64, 48, 0, 0, 0);
  const Bitmap live = FlatBitmap(64, 48, 160, 160, 160);
  Bitmap whole = live;
  RefreshOverlay(whole, &previous, previous, {true, true, 5}, 100, kAbove);
  // 160 * 5/16 + 255 * 11/16 = 225.3
  EXPECT_EQ(whole, FlatBitmap(64, 48, 225, 225, 225));
  for (const int code : {kRight, kBelow, kLeft, kAbove}) {
    Bitmap none = live;
    RefreshOverlay(none, &previous, previous, {true, true, 5}, 0, code);
    EXPECT_EQ(none, live) << code;
  }
}

}  // namespace
