#include "imagefiles/pngwriter.h"

#include <gtest/gtest.h>
#include <png.h>
#include <QBuffer>
#include <QImage>
#include <cstring>
#include <vector>

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

// The rows as libpng reads them back, blue-green-red, or nothing on failure.
std::vector<uint8_t> DecodedByLibpng(const QByteArray& bytes, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.constData(), bytes.size())) return {};
  image.format = PNG_FORMAT_BGR;
  std::vector<uint8_t> rows(PNG_IMAGE_SIZE(image));
  const bool ok = static_cast<int>(image.width) == width &&
                  static_cast<int>(image.height) == height &&
                  png_image_finish_read(&image, nullptr, rows.data(), 0, nullptr);
  png_image_free(&image);
  return ok ? rows : std::vector<uint8_t>{};
}

struct Case {
  const char* Name;
  Bitmap Picture;
};

// Single pixels and rows, a flat picture (the longest matches) and noise, in
// one band and in several.
TEST(PngWriter, EverySizeAndContentReadsBackExactly) {
  const Case cases[] = {{"one pixel", TexturedBitmap(1, 1, 1)},
                        {"one column", TexturedBitmap(1, 40, 2)},
                        {"two rows", TexturedBitmap(5, 2, 3)},
                        {"flat, three bands", FlatBitmap(3000, 1000, 10, 200, 30)},
                        {"noise, two bands", TexturedBitmap(2000, 800, 4)}};
  for (const Case& c : cases) {
    const Bitmap& p = c.Picture;
    const std::vector<uint8_t> back = DecodedByLibpng(Encoded(p, 2), p.Width(), p.Height());
    ASSERT_FALSE(back.empty()) << c.Name;
    const size_t rowBytes = static_cast<size_t>(p.Width()) * 3;
    for (int y = 0; y < p.Height(); ++y)
      ASSERT_EQ(std::memcmp(back.data() + rowBytes * static_cast<size_t>(y), p.Row(y), rowBytes), 0)
          << c.Name << ", row " << y;
  }
}

}  // namespace
