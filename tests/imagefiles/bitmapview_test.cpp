#include "imagefiles/bitmapview.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

namespace {

TEST(BitmapView, SharesTheRowsAndReadsBlueGreenRedAcrossPaddedRows) {
  // Width 5: 15 bytes of pixels in a 16-byte row, so a wrong stride shifts every later row.
  Bitmap bitmap(5, 3);
  uint8_t* last = bitmap.Pixel(4, 2);
  last[0] = 10;  // blue
  last[1] = 20;  // green
  last[2] = 30;  // red
  const QImage view = BitmapView(bitmap);
  EXPECT_EQ(view.size(), QSize(5, 3));
  EXPECT_EQ(view.constBits(), bitmap.Data());
  EXPECT_EQ(static_cast<size_t>(view.bytesPerLine()), bitmap.Stride());
  EXPECT_EQ(view.pixel(4, 2), qRgb(30, 20, 10));
  EXPECT_EQ(view.pixel(0, 2), qRgb(0, 0, 0));

  bitmap.Pixel(1, 1)[2] = 255;
  EXPECT_EQ(BitmapView(bitmap).pixel(1, 1), qRgb(255, 0, 0));
}

TEST(BitmapView, PaintingOnTheWritableViewChangesTheBitmapItself) {
  Bitmap bitmap(5, 3);
  {
    QImage view = WritableBitmapView(bitmap);
    QPainter painter(&view);
    painter.fillRect(QRect(2, 1, 1, 1), QColor(30, 20, 10));
  }
  const uint8_t* pixel = bitmap.Pixel(2, 1);
  EXPECT_EQ(pixel[0], 10);
  EXPECT_EQ(pixel[1], 20);
  EXPECT_EQ(pixel[2], 30);
  EXPECT_EQ(bitmap.Pixel(3, 1)[2], 0);
}

}  // namespace
