#include "widgets/picturecontrol.h"

#include <gtest/gtest.h>
#include <QImage>

#include "support/testimages.h"

namespace {

TEST(PictureControl, AutoSizeFollowsTheBitmap) {
  PictureControl control;
  control.Assign(FlatBitmap(120, 80, 0, 0, 255));
  EXPECT_EQ(control.size(), QSize(120, 80));
  EXPECT_EQ(control.Held().Width(), 120);

  control.SetAutoSize(false);
  control.resize(30, 20);
  ASSERT_TRUE(control.Resize(64, 48));
  EXPECT_EQ(control.size(), QSize(30, 20));
  EXPECT_EQ(control.Canvas().Width(), 64);
  EXPECT_EQ(control.Canvas().Height(), 48);
}

TEST(PictureControl, RefusesImpossibleSizes) {
  PictureControl control;
  control.Assign(FlatBitmap(10, 10, 1, 2, 3));
  EXPECT_FALSE(control.Resize(-5, 10));
  EXPECT_FALSE(control.Resize(70000, 70000));
  EXPECT_EQ(control.Held().Width(), 10);
}

TEST(PictureControl, StretchesToItsSize) {
  // Left half red, right half blue, shown at a quarter of its size.
  Bitmap picture = FlatBitmap(400, 200, 0, 0, 255);
  for (int y = 0; y < 200; ++y)
    for (int x = 200; x < 400; ++x) {
      uint8_t* p = picture.Pixel(x, y);
      p[0] = 255, p[1] = 0, p[2] = 0;
    }
  PictureControl control;
  control.SetStretch(true);
  control.Assign(picture);
  control.SetAutoSize(false);
  control.resize(100, 50);
  const QImage shown = control.grab().toImage();
  ASSERT_EQ(shown.size(), QSize(100, 50));
  EXPECT_EQ(shown.pixelColor(10, 25), QColor(255, 0, 0));
  EXPECT_EQ(shown.pixelColor(90, 25), QColor(0, 0, 255));
  EXPECT_EQ(shown.pixelColor(48, 10), QColor(255, 0, 0));
  EXPECT_EQ(shown.pixelColor(52, 40), QColor(0, 0, 255));
}

}  // namespace
