#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "imagefiles/imagefiles.h"
#include "support/testfiles.h"
#include "support/testimages.h"

namespace fs = std::filesystem;

namespace {

class ImageFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir("imagefiles"); }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // A small picture with distinct colours in each corner, as an RGB32 QImage.
  static QImage Corners(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(100, 110, 120));
    img.setPixel(0, 0, qRgb(255, 0, 0));
    img.setPixel(w - 1, 0, qRgb(0, 255, 0));
    img.setPixel(0, h - 1, qRgb(0, 0, 255));
    img.setPixel(w - 1, h - 1, qRgb(250, 250, 10));
    return img;
  }

  std::string dir_;
};

void ExpectBgr(const Bitmap& b, int x, int y, int red, int green, int blue, int tolerance) {
  const uint8_t* p = b.Pixel(x, y);
  EXPECT_NEAR(p[2], red, tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(p[1], green, tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(p[0], blue, tolerance) << "at " << x << "," << y;
}

}  // namespace

// Lossless formats written by Qt must come back as 24-bit, byte for byte.
class LosslessFormat : public ImageFilesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LosslessFormat, ReadsAsBlueGreenRed) {
  const std::string file = Path(std::string("corners.") + GetParam());
  ASSERT_TRUE(Corners(7, 5).save(QString::fromStdString(file), GetParam()));
  Bitmap b;
  PixStatus s = PixLoadImage(file, b);
  ASSERT_TRUE(s.Ok()) << s.Detail;
  ASSERT_EQ(b.Width(), 7);
  ASSERT_EQ(b.Height(), 5);
  ExpectBgr(b, 0, 0, 255, 0, 0, 0);
  ExpectBgr(b, 6, 0, 0, 255, 0, 0);
  ExpectBgr(b, 0, 4, 0, 0, 255, 0);
  ExpectBgr(b, 6, 4, 250, 250, 10, 0);
  ExpectBgr(b, 3, 2, 100, 110, 120, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessFormat, ::testing::Values("bmp", "png", "ppm", "tiff"));

TEST_F(ImageFilesTest, LossyAndSpecialFormatsBecome24Bit) {
  struct Case {
    const char* name;
    QImage image;
    const char* format;
    int red, green, blue, tol;
  };
  QImage grey16(6, 4, QImage::Format_Grayscale16);
  grey16.fill(QColor::fromRgba64(40000, 40000, 40000));
  QImage rgb16(6, 4, QImage::Format_RGBX64);
  rgb16.fill(QColor::fromRgba64(65535, 0, 32768));
  QImage grey8(6, 4, QImage::Format_Grayscale8);
  grey8.fill(77);
  QImage flat(16, 16, QImage::Format_RGB32);
  flat.fill(qRgb(200, 60, 30));
  QImage mono(6, 4, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(10, 200, 30)});
  mono.fill(1);
  QImage argb(6, 4, QImage::Format_ARGB32);
  argb.fill(qRgba(90, 80, 70, 255));
  const Case cases[] = {
      {"g8.bmp", grey8, "bmp", 77, 77, 77, 0},     {"mono.bmp", mono, "bmp", 10, 200, 30, 0},
      {"argb.bmp", argb, "bmp", 90, 80, 70, 0},    {"g16.tif", grey16, "tiff", 155, 155, 155, 1},
      {"c16.tif", rgb16, "tiff", 255, 0, 128, 1},  {"g8.tif", grey8, "tiff", 77, 77, 77, 0},
      {"g8.png", grey8, "png", 77, 77, 77, 0},     {"flat.jpg", flat, "jpeg", 200, 60, 30, 6},
      {"flat.webp", flat, "webp", 200, 60, 30, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = Path(c.name);
    QImageWriter writer(QString::fromStdString(file), c.format);
    if (std::string(c.format) == "webp") writer.setQuality(100);
    ASSERT_TRUE(writer.write(c.image)) << writer.errorString().toStdString();
    Bitmap b;
    PixStatus s = PixLoadImage(file, b);
    ASSERT_TRUE(s.Ok()) << s.Detail;
    EXPECT_EQ(b.Width(), c.image.width());
    ExpectBgr(b, 2, 2, c.red, c.green, c.blue, c.tol);
  }
}

TEST_F(ImageFilesTest, SaveThenLoadRoundTripsEveryWritableFormat) {
  const Bitmap original = TexturedBitmap(33, 17, 5);
  for (const char* ext : {"bmp", "png", "ppm", "tif", "tiff"}) {
    SCOPED_TRACE(ext);
    const std::string file = Path(std::string("round.") + ext);
    ASSERT_TRUE(PixSaveImage(file, original).Ok());
    Bitmap back;
    ASSERT_TRUE(PixLoadImage(file, back).Ok());
    EXPECT_TRUE(back == original);
  }
  for (const char* ext : {"jpg", "webp"}) {
    SCOPED_TRACE(ext);
    const std::string file = Path(std::string("round.") + ext);
    ASSERT_TRUE(PixSaveImage(file, original).Ok());
    Bitmap back;
    ASSERT_TRUE(PixLoadImage(file, back).Ok());
    EXPECT_EQ(back.Width(), 33);
    EXPECT_EQ(back.Height(), 17);
  }
}

TEST_F(ImageFilesTest, BrokenFilesFailWithAReasonAndLeaveTheBitmap) {
  const Bitmap original = TexturedBitmap(64, 48, 9);
  for (const char* ext : {"bmp", "png", "jpg", "tif", "webp"}) {
    ASSERT_TRUE(PixSaveImage(Path(std::string("good.") + ext), original).Ok()) << ext;
  }
  struct Case {
    std::string name;
    std::string bytes;
    PixError expected;
  };
  const std::string bmp = ReadAll(Path("good.bmp"));
  const std::string png = ReadAll(Path("good.png"));
  const std::string jpg = ReadAll(Path("good.jpg"));
  const std::string tif = ReadAll(Path("good.tif"));
  std::string garbledPng = png;
  for (size_t i = 60; i < garbledPng.size() - 20; ++i) garbledPng[i] = static_cast<char>(i * 31);
  const Case cases[] = {
      {"trunc.bmp", bmp.substr(0, bmp.size() / 2), PixError::Corrupt},
      {"header.bmp", bmp.substr(0, 20), PixError::Corrupt},
      {"trunc.png", png.substr(0, png.size() / 2), PixError::Corrupt},
      {"garbled.png", garbledPng, PixError::Corrupt},
      {"trunc.jpg", jpg.substr(0, jpg.size() * 2 / 3), PixError::Corrupt},
      {"trunc.tif", tif.substr(0, tif.size() / 3), PixError::Corrupt},
      {"text.png", "this is not an image at all", PixError::Unsupported},
      {"empty.bmp", "", PixError::Empty},
      {"empty.png", "", PixError::Empty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(Path(c.name), c.bytes);
    Bitmap b = FlatBitmap(2, 2, 1, 2, 3);
    PixStatus s = PixLoadImage(Path(c.name), b);
    EXPECT_FALSE(s.Ok());
    EXPECT_EQ(s.Error, c.expected) << s.Detail;
    EXPECT_EQ(b.Width(), 2);  // untouched
    EXPECT_EQ(b.Pixel(1, 1)[2], 3);
  }
  Bitmap b;
  EXPECT_EQ(PixLoadImage(Path("missing.png"), b).Error, PixError::NotFound);
}

TEST_F(ImageFilesTest, AbsurdHeaderSizeIsRefusedWithoutAllocating) {
  // A BMP header claiming 60000 x 60000 pixels, with no data behind it.
  std::string bmp(54, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, 54);
  put32(10, 54);
  put32(14, 40);
  put32(18, 60000);
  put32(22, 60000);
  bmp[26] = 1;
  bmp[28] = 24;
  WriteAll(Path("huge.bmp"), bmp);
  Bitmap b;
  PixStatus s = PixLoadImage(Path("huge.bmp"), b);
  EXPECT_EQ(s.Error, PixError::TooLarge) << s.Detail;
  EXPECT_TRUE(b.Empty());
}

TEST_F(ImageFilesTest, FailedSaveKeepsTheExistingFile) {
  const Bitmap first = TexturedBitmap(20, 10, 1);
  const std::string file = Path("keep.png");
  ASSERT_TRUE(PixSaveImage(file, first).Ok());
  const std::string before = ReadAll(file);

  // Unknown format: refused before anything is written.
  EXPECT_EQ(PixSaveImage(Path("keep.xyz"), first).Error, PixError::Unsupported);
  EXPECT_FALSE(fs::exists(Path("keep.xyz")));

  // A picture beyond its format's limit (JPEG holds at most 65500 pixels a
  // side) is refused before writing: the old file stays whole, no temporary.
  const std::string jpg = Path("keep.jpg");
  ASSERT_TRUE(PixSaveImage(jpg, first).Ok());
  const std::string jpgBefore = ReadAll(jpg);
  EXPECT_EQ(PixSaveImage(jpg, FlatBitmap(65535, 1, 0, 0, 0)).Error, PixError::TooLarge);
  EXPECT_EQ(ReadAll(jpg), jpgBefore);
  fs::remove(jpg);

  // A successful save replaces the file by renaming a complete new one over it.
  const auto inodeBefore = fs::status(file).type();
  struct stat st1 {};
  ::stat(file.c_str(), &st1);
  ASSERT_TRUE(PixSaveImage(file, first).Ok());
  struct stat st2 {};
  ::stat(file.c_str(), &st2);
  EXPECT_NE(st1.st_ino, st2.st_ino);
  EXPECT_EQ(fs::status(file).type(), inodeBefore);

  // Folder that cannot be written: the old file stays whole, no temporary is left.
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  const bool canStillWrite = ::access(dir_.c_str(), W_OK) == 0;  // root ignores permissions
  PixStatus s = PixSaveImage(file, TexturedBitmap(40, 40, 2));
  fs::permissions(dir_, fs::perms::owner_all);
  if (!canStillWrite) {
    EXPECT_EQ(s.Error, PixError::WriteFailed);
    EXPECT_EQ(ReadAll(file), before);
  }
  // Saving over a directory fails and reports it.
  fs::create_directory(Path("adir.png"));
  EXPECT_EQ(PixSaveImage(Path("adir.png"), first).Error, PixError::WriteFailed);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 2u);  // keep.png and adir.png, nothing half-written
}

TEST_F(ImageFilesTest, OnlyFormatsThatHoldTheWholeMosaicAreWritable) {
  // Icons are scaled down to 256 pixels; bitmaps of 1 bit and grey drop colours.
  for (const char* name :
       {"m.ico", "m.cur", "m.pbm", "m.pgm", "m.xbm", "m.xpm", "m.wbmp", "m.gif"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(PixCanWrite(name));
    EXPECT_EQ(PixSaveImage(Path(name), TexturedBitmap(300, 200, 1)).Error, PixError::Unsupported);
    EXPECT_FALSE(fs::exists(Path(name)));
  }
  const std::vector<std::string> offered = PixWritableSuffixes();
  for (const char* suffix : {"bmp", "png", "jpg", "tif", "webp", "ppm"}) {
    EXPECT_TRUE(PixCanWrite(std::string("m.") + suffix)) << suffix;
    EXPECT_NE(std::find(offered.begin(), offered.end(), suffix), offered.end()) << suffix;
  }
  EXPECT_EQ(std::find(offered.begin(), offered.end(), "ico"), offered.end());
}

TEST_F(ImageFilesTest, EachFormatsSizeLimitIsCheckedBeforeWriting) {
  struct Case {
    const char* name;
    int width, height;
    bool fits;
  };
  const Case cases[] = {
      {"m.webp", 16383, 10, true},
      {"m.webp", 16384, 10, false},
      {"m.jpg", 65500, 10, true},
      {"m.jpg", 10, 65501, false},
      {"m.png", 40000, 40000, true},
      {"m.ppm", 40000, 40000, true},
      // 32-bit sizes and offsets: 40000 x 40000 x 3 bytes is past 4 GiB.
      {"m.bmp", 30000, 30000, true},
      {"m.bmp", 40000, 40000, false},
      {"m.tif", 40000, 40000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.width) + " x " +
                 std::to_string(c.height));
    const PixStatus s = PixCheckWritable(c.name, c.width, c.height);
    EXPECT_EQ(s.Ok(), c.fits) << s.Detail;
    if (!c.fits) {
      EXPECT_EQ(s.Error, PixError::TooLarge);
    }
  }
  EXPECT_EQ(PixSaveImage(Path("wide.webp"), FlatBitmap(16384, 1, 0, 0, 0)).Error,
            PixError::TooLarge);
  EXPECT_FALSE(fs::exists(Path("wide.webp")));
}

TEST_F(ImageFilesTest, WrittenBmpIsWhatAnotherDecoderReads) {
  // 33 pixels: 99 bytes a row, so each row carries one byte of padding.
  Bitmap picture = TexturedBitmap(33, 17, 8);
  for (int y = 0; y < picture.Height(); ++y) picture.Row(y)[99] = 0xAB;  // padding is not pixels
  ASSERT_TRUE(PixSaveImage(Path("m.bmp"), picture));
  const std::string bytes = ReadAll(Path("m.bmp"));
  ASSERT_EQ(bytes.size(), 54u + 100u * 17u);
  EXPECT_EQ(bytes[54 + 99], '\0');
  const QImage back(QString::fromStdString(Path("m.bmp")));
  ASSERT_EQ(back.width(), 33);
  ASSERT_EQ(back.height(), 17);
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 33; ++x) {
      const QRgb c = back.pixel(x, y);
      const uint8_t* p = picture.Pixel(x, y);
      ASSERT_TRUE(qBlue(c) == p[0] && qGreen(c) == p[1] && qRed(c) == p[2]) << x << "," << y;
    }
  }
}

// Names in an old single-byte encoding: the toolkit cannot carry their bytes,
// so they must reach the system as they are.
TEST_F(ImageFilesTest, NamesThatAreNotUtf8AreOpenedAndWritten) {
  const Bitmap picture = TexturedBitmap(40, 30, 6);
  for (const char* name : {"/\xcf\xf0\xee\xe1\xe0.png", "/caf\xe9.bmp", "/\xff\xfe.tif"}) {
    const std::string file = dir_ + name;
    ASSERT_TRUE(PixSaveImage(file, picture)) << name;
    EXPECT_TRUE(fs::exists(fs::path(file)));
    Bitmap back;
    const PixStatus loaded = PixLoadImage(file, back);
    ASSERT_TRUE(loaded) << loaded.Detail;
    EXPECT_EQ(back, picture);
    int64_t width = 0, height = 0;
    ASSERT_TRUE(PixImageSize(file, width, height));
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 30);
  }
}

TEST_F(ImageFilesTest, WrittenPngIsWhatAnotherDecoderReadsWithItsResolution) {
  const Bitmap picture = TexturedBitmap(37, 23, 4);
  PixSaveOptions options;
  for (const auto& [name, dpi, dotsPerMetre] :
       {std::tuple{"plain.png", 96.0, 3780}, std::tuple{"fine.png", 300.0, 11811}}) {
    options.DotsPerInch = dpi;
    ASSERT_TRUE(PixSaveImage(Path(name), picture, options));
    const QImage back(QString::fromStdString(Path(name)));
    ASSERT_EQ(back.size(), QSize(37, 23));
    EXPECT_EQ(back.dotsPerMeterX(), dotsPerMetre);
    EXPECT_EQ(back.dotsPerMeterY(), dotsPerMetre);
    for (int y = 0; y < 23; ++y) {
      for (int x = 0; x < 37; ++x) {
        const QRgb c = back.pixel(x, y);
        const uint8_t* p = picture.Pixel(x, y);
        ASSERT_TRUE(qBlue(c) == p[0] && qGreen(c) == p[1] && qRed(c) == p[2]) << x << "," << y;
      }
    }
  }
}

TEST(Resample, BoxAverageAndNearestOnKnownPixels) {
  // Four pixels in a row, two rows: blue levels 0 40 / 100 200 and 8 48 / 108 208.
  Bitmap src(4, 2);
  const int blue[2][4] = {{0, 40, 100, 200}, {8, 48, 108, 208}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) src.Pixel(x, y)[0] = static_cast<uint8_t>(blue[y][x]);
  Bitmap half(2, 1);
  PixResample(src, half, 3);
  EXPECT_EQ(half.Pixel(0, 0)[0], 24);   // (0 + 40 + 8 + 48) / 4
  EXPECT_EQ(half.Pixel(1, 0)[0], 154);  // (100 + 200 + 108 + 208) / 4
  Bitmap wide(8, 2);
  PixResample(src, wide, 0);  // nearest: every pixel twice
  const int expected[8] = {0, 0, 40, 40, 100, 100, 200, 200};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(wide.Pixel(x, 0)[0], expected[x]) << x;
}

TEST(BitmapCrop, InPlaceEqualsACopyOfTheRectangle) {
  const Bitmap original = TexturedBitmap(101, 37, 6);
  for (const Rect r :
       {Rect{0, 0, 101, 37}, Rect{3, 5, 50, 30}, Rect{100, 36, 101, 37}, Rect{1, 0, 101, 1}}) {
    Bitmap b = original;
    b.CropInPlace(r);
    EXPECT_TRUE(b == CropBitmap(original, r.Left, r.Top, r.Width(), r.Height()))
        << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
  }
}

TEST(Resample, ThumbnailHasTheAskedSizeAndKeepsColours) {
  const Bitmap src = FlatBitmap(640, 480, 10, 20, 30);
  const Bitmap t = MakeThumbnail(src, 400, 300, 3);
  ASSERT_EQ(t.Width(), 400);
  ASSERT_EQ(t.Height(), 300);
  ExpectBgr(t, 0, 0, 30, 20, 10, 0);
  ExpectBgr(t, 399, 299, 30, 20, 10, 0);
  // Aspect is not kept: a tall image fills the whole wide thumbnail.
  Bitmap tall = FlatBitmap(10, 100, 0, 0, 0);
  for (int y = 0; y < 100; ++y) tall.Pixel(9, y)[1] = 255;
  const Bitmap t2 = MakeThumbnail(tall, 400, 300, 5);
  EXPECT_GT(t2.Pixel(399, 150)[1], 200);
  EXPECT_LT(t2.Pixel(0, 150)[1], 50);
}

TEST_F(ImageFilesTest, TwentyThousandSquareStillLoads) {
  // Written by hand, row by row, so the test never holds the picture twice.
  constexpr int kSide = 20000;
  const std::string file = Path("big.bmp");
  {
    const uint32_t rowBytes = kSide * 3;  // already a multiple of 4
    const uint32_t dataSize = rowBytes * kSide;
    std::string header(54, '\0');
    auto put = [&](size_t at, uint32_t v, int bytes) {
      for (int i = 0; i < bytes; ++i) header[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    header[0] = 'B';
    header[1] = 'M';
    put(2, 54 + dataSize, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, kSide, 4);
    put(22, static_cast<uint32_t>(-kSide), 4);  // top-down rows
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, dataSize, 4);
    std::ofstream out(file, std::ios::binary);
    out.write(header.data(), 54);
    std::string row(rowBytes, '\0');
    for (int y = 0; y < kSide; ++y) {
      row[0] = static_cast<char>(y & 0xFF);           // blue of the first pixel
      row[rowBytes - 1] = static_cast<char>(y >> 8);  // red of the last pixel
      out.write(row.data(), rowBytes);
    }
    ASSERT_TRUE(out.good());
  }
  Bitmap b;
  PixStatus s = PixLoadImage(file, b);
  fs::remove(file);
  ASSERT_TRUE(s.Ok()) << s.Detail;
  ASSERT_EQ(b.Width(), kSide);
  ASSERT_EQ(b.Height(), kSide);
  EXPECT_EQ(b.Pixel(0, 12345)[0], 12345 & 0xFF);
  EXPECT_EQ(b.Pixel(kSide - 1, 19999)[2], 19999 >> 8);
}
