#include <gtest/gtest.h>

#include "imagefiles/bitmap.h"

TEST(Bitmap, RowsArePaddedAndCopiesAreDeep) {
  Bitmap a(5, 2);
  EXPECT_EQ(a.Stride(), 16u);  // 15 bytes rounded up to 4
  a.Pixel(4, 1)[2] = 200;
  Bitmap b = a;
  b.Pixel(4, 1)[2] = 7;
  EXPECT_EQ(a.Pixel(4, 1)[2], 200);
  EXPECT_FALSE(a == b);
  b.Pixel(4, 1)[2] = 200;
  EXPECT_TRUE(a == b);
  RowTable rows = ScanRows(a);
  ASSERT_EQ(rows.Rows.size(), 2u);
  EXPECT_EQ(rows.Rows[1], a.Row(1));
  EXPECT_EQ(rows.Width, 5);
}

TEST(Bitmap, ACopyOfTheSameByteCountGoesIntoTheStorageHeld) {
  Bitmap a(640, 480, 9);
  a.Pixel(639, 479)[1] = 77;
  Bitmap b(480, 640, 1);  // as many bytes, laid out otherwise
  const uint8_t* storage = b.Data();
  b = a;
  EXPECT_EQ(b.Data(), storage);
  EXPECT_EQ(b.Width(), 640);
  EXPECT_EQ(b.Stride(), a.Stride());
  EXPECT_EQ(b.Pixel(639, 479)[1], 77);
  EXPECT_TRUE(a == b);
  Bitmap c(3, 3);  // another size: a copy of its own
  c = a;
  EXPECT_TRUE(c == a);
  EXPECT_NE(c.Data(), a.Data());
}

TEST(Bitmap, AbsurdSizesAreRefusedNotAllocated) {
  EXPECT_FALSE(Bitmap::TryCreate(100000, 10).has_value());
  EXPECT_FALSE(Bitmap::TryCreate(30000, 30000).has_value());
  EXPECT_FALSE(Bitmap::TryCreate(-1, 10).has_value());
  EXPECT_THROW(Bitmap(70000, 1), std::length_error);
  auto ok = Bitmap::TryCreate(3, 3);
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->Pixel(2, 2)[0], 0);  // new bitmaps are black
}

TEST(Bitmap, IntensityIsTruncatedMean) {
  const uint8_t px[3] = {255, 255, 254};
  EXPECT_EQ(Intensity(px), 254);
  const uint8_t px2[3] = {1, 1, 0};
  EXPECT_EQ(Intensity(px2), 0);
}
