// Mirroring in place: each pixel must land where the mirror puts it,
// including rows with padding and the middle column of an odd width.
#include "capture/video/flipbitmap.h"

#include <gtest/gtest.h>

namespace {

// Pixel (x, y) holds x in blue and y in green.
Bitmap Coordinates(int width, int height) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* pixel = bitmap.Pixel(x, y);
      pixel[0] = static_cast<uint8_t>(x);
      pixel[1] = static_cast<uint8_t>(y);
      pixel[2] = 7;
    }
  }
  return bitmap;
}

struct FlipCase {
  bool Horizontal, Vertical;
};

class FlipBitmapTest : public ::testing::TestWithParam<FlipCase> {};

TEST_P(FlipBitmapTest, EveryPixelGoesToItsMirrorPlace) {
  const auto [horizontal, vertical] = GetParam();
  constexpr int kWidth = 5;  // odd, and rows padded to four bytes
  constexpr int kHeight = 3;
  Bitmap bitmap = Coordinates(kWidth, kHeight);
  FlipBitmap(bitmap, horizontal, vertical);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* pixel = bitmap.Pixel(x, y);
      EXPECT_EQ(pixel[0], horizontal ? kWidth - 1 - x : x) << x << "," << y;
      EXPECT_EQ(pixel[1], vertical ? kHeight - 1 - y : y) << x << "," << y;
      EXPECT_EQ(pixel[2], 7);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Directions, FlipBitmapTest,
                         ::testing::Values(FlipCase{false, false}, FlipCase{true, false},
                                           FlipCase{false, true}, FlipCase{true, true}));

TEST(FlipBitmap, TwiceGivesTheOriginalBack) {
  Bitmap bitmap = Coordinates(6, 4);
  FlipBitmap(bitmap, true, true);
  FlipBitmap(bitmap, true, true);
  EXPECT_TRUE(bitmap == Coordinates(6, 4));
}

}  // namespace
