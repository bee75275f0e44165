#include "imagefiles/pngwriter.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>

#include "support/testimages.h"

namespace {

QByteArray Encoded(const Bitmap& picture, unsigned threads) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(WritePng(buffer, picture, 96, threads));
  return bytes;
}

// Bands of about 4 MiB: 1700 x 1000 is two of them and a part, one stream.
TEST(PngWriter, BandsOnAnyNumberOfThreadsAreTheSameFileAndThePicture) {
  const Bitmap picture = TexturedBitmap(1700, 1000, 9);
  const QByteArray one = Encoded(picture, 1);
  EXPECT_EQ(Encoded(picture, 3), one);
  QImage back;
  ASSERT_TRUE(back.loadFromData(one, "PNG"));
  ASSERT_EQ(back.size(), QSize(1700, 1000));
  for (int y = 0; y < 1000; y += 3) {
    for (int x = 0; x < 1700; x += 7) {
      const QRgb c = back.pixel(x, y);
      const uint8_t* p = picture.Pixel(x, y);
      ASSERT_TRUE(qBlue(c) == p[0] && qGreen(c) == p[1] && qRed(c) == p[2]) << x << "," << y;
    }
  }
}

}  // namespace
