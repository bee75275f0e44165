#include "widgets/matchmarker.h"

#include <gtest/gtest.h>

#include "support/testimages.h"
#include "widgets/picturecontrol.h"

namespace {

struct PenCase {
  double Scale;
  int Width;
};

class MarkerPenTest : public ::testing::TestWithParam<PenCase> {};

TEST_P(MarkerPenTest, WidthIsTheWholePartOfOneOverK) {
  EXPECT_EQ(MarkerPenWidth(GetParam().Scale), GetParam().Width) << GetParam().Scale;
}

INSTANTIATE_TEST_SUITE_P(Scales, MarkerPenTest,
                         ::testing::Values(PenCase{1.0, 2}, PenCase{4.0, 2}, PenCase{0.5, 2},
                                           PenCase{0.75, 1}, PenCase{0.3, 3}, PenCase{0.25, 4},
                                           PenCase{0.125, 8},
                                           // No usable scale: drawn as at 1:1.
                                           PenCase{0.0, 2}, PenCase{-1.0, 2},
                                           // Absurdly small: a bounded band.
                                           PenCase{1e-9, 1000}));

bool Changed(const Bitmap& a, const Bitmap& b, int x, int y) {
  const uint8_t* p = a.Pixel(x, y);
  const uint8_t* q = b.Pixel(x, y);
  return p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
}

int CountChanged(const Bitmap& a, const Bitmap& b) {
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) n += Changed(a, b, x, y);
  return n;
}

TEST(MatchMarker, InvertsBlueAndGreenAndKeepsRed) {
  const Bitmap before = FlatBitmap(100, 80, 10, 20, 30);
  Bitmap picture = before;
  DrawMatchMarker(picture, 50, 40, 1.0);
  // A 2-pixel band around the one-pixel square of columns 40..59, rows 30..49.
  const uint8_t* p = picture.Pixel(39, 40);
  EXPECT_EQ(p[0], 245);
  EXPECT_EQ(p[1], 235);
  EXPECT_EQ(p[2], 30);
  EXPECT_EQ(CountChanged(before, picture), 21 * 21 - 17 * 17);
}

TEST(MatchMarker, OutlineIsASquareOfSideTwentyAroundThePoint) {
  const Bitmap before = TexturedBitmap(100, 80, 3);
  Bitmap picture = before;
  DrawMatchMarker(picture, 50, 40, 1.0);
  // Left edge: columns 39 and 40; right edge: 58 and 59; the centre untouched.
  for (int x : {39, 40, 58, 59}) EXPECT_TRUE(Changed(before, picture, x, 40)) << x;
  for (int x : {38, 41, 50, 57, 60}) EXPECT_FALSE(Changed(before, picture, x, 40)) << x;
  for (int y : {29, 30, 48, 49}) EXPECT_TRUE(Changed(before, picture, 50, y)) << y;
  for (int y : {28, 31, 40, 47, 50}) EXPECT_FALSE(Changed(before, picture, 50, y)) << y;
}

TEST(MatchMarker, WiderPenAtSmallerScale) {
  const Bitmap before = FlatBitmap(100, 80, 10, 20, 30);
  Bitmap picture = before;
  DrawMatchMarker(picture, 50, 40, 0.25);                       // pen 4
  EXPECT_EQ(CountChanged(before, picture), 23 * 23 - 15 * 15);  // side 19 + pen
  EXPECT_FALSE(Changed(before, picture, 50, 40));
}

struct RestoreCase {
  int X, Y;
  double Scale;
};

class MarkerRestoreTest : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(MarkerRestoreTest, DrawingTwiceRestoresThePicture) {
  const RestoreCase& c = GetParam();
  const Bitmap before = TexturedBitmap(123, 77, 11);
  Bitmap picture = before;
  DrawMatchMarker(picture, c.X, c.Y, c.Scale);
  EXPECT_GT(CountChanged(before, picture), 0);
  DrawMatchMarker(picture, c.X, c.Y, c.Scale);
  EXPECT_TRUE(picture == before);
}

INSTANTIATE_TEST_SUITE_P(
    Places, MarkerRestoreTest,
    ::testing::Values(RestoreCase{60, 40, 1.0}, RestoreCase{60, 40, 0.3},
                      RestoreCase{60, 40, 0.05},  // the band fills the whole square
                      RestoreCase{1, 1, 1.0},     // clipped at the top left
                      RestoreCase{0, 5, 1.0}, RestoreCase{122, 76, 1.0},
                      RestoreCase{130, 40, 1.0},  // centre outside, edge inside
                      RestoreCase{-5, -5, 1.0}));

TEST(MatchMarker, TwoMarkersEraseInAnyOrder) {
  const Bitmap before = TexturedBitmap(120, 90, 5);
  Bitmap picture = before;
  // Overlapping squares: each pixel is toggled once per marker.
  DrawMatchMarker(picture, 50, 40, 1.0);
  DrawMatchMarker(picture, 55, 45, 1.0);
  DrawMatchMarker(picture, 50, 40, 1.0);
  Bitmap only = before;
  DrawMatchMarker(only, 55, 45, 1.0);
  EXPECT_TRUE(picture == only);
}

TEST(MatchMarker, UnsetPointOrFarAwayDrawsNothing) {
  const Bitmap before = TexturedBitmap(50, 50, 2);
  Bitmap picture = before;
  DrawMatchMarker(picture, 0, 0, 1.0);
  DrawMatchMarker(picture, 500, 500, 1.0);
  EXPECT_TRUE(picture == before);
  Bitmap empty;
  DrawMatchMarker(empty, 10, 10, 1.0);
  EXPECT_TRUE(empty.Empty());
}

TEST(MatchMarker, PictureControlHoldsTheMarkedBitmap) {
  PictureControl control;
  const Bitmap before = TexturedBitmap(80, 60, 9);
  control.Assign(before);
  DrawMatchMarker(control, 30, 30, 1.0);
  Bitmap expected = before;
  DrawMatchMarker(expected, 30, 30, 1.0);
  EXPECT_TRUE(control.Held() == expected);
  EXPECT_EQ(control.size(), QSize(80, 60));
  DrawMatchMarker(control, 30, 30, 1.0);
  EXPECT_TRUE(control.Held() == before);
}

}  // namespace
