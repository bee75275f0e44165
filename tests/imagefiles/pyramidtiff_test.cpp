#include "imagefiles/pyramidtiff.h"

#include <gtest/gtest.h>
#include <QImage>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "imagefiles/imagefiles.h"
#include "support/testimages.h"

namespace {

TEST(PyramidLevels, HalveRoundingUpUntilOneTileHoldsTheLevel) {
  EXPECT_EQ(PyramidLevels(512, 300), (std::vector<LevelSize>{{512, 300}}));
  EXPECT_EQ(PyramidLevels(513, 10), (std::vector<LevelSize>{{513, 10}, {257, 5}}));
  EXPECT_EQ(PyramidLevels(10068, 7549),
            (std::vector<LevelSize>{
                {10068, 7549}, {5034, 3775}, {2517, 1888}, {1259, 944}, {630, 472}, {315, 236}}));
  // A file that may pass 4 GiB is a BigTIFF; 30000 x 30000 holds 3.6 GB at most.
  EXPECT_FALSE(PyramidNeedsBigTiff(10068, 7549));
  EXPECT_FALSE(PyramidNeedsBigTiff(30000, 30000));
  EXPECT_TRUE(PyramidNeedsBigTiff(40000, 40000));
}

TEST(PyramidLevels, EachPixelIsTheRoundedMeanOfItsBlock) {
  // Blue 0..8 in a 3 x 3 square, green twice that, red 100: level 1 is 2 x 2
  // of blocks of four, two, two and one pixels.
  Bitmap square(3, 3);
  for (int i = 0; i < 9; ++i) {
    uint8_t* p = square.Pixel(i % 3, i / 3);
    p[0] = static_cast<uint8_t>(i);
    p[1] = static_cast<uint8_t>(2 * i);
    p[2] = 100;
  }
  uint8_t rgb[2 * 2 * 3];
  ShrinkRows(square, 1, 0, 2, rgb);
  // Blue means: (0+1+3+4)/4 = 2, (2+5)/2 = 3.5 -> 4, (6+7)/2 = 6.5 -> 7, 8.
  const uint8_t expected[] = {100, 4, 2, 100, 7, 4, 100, 13, 7, 100, 16, 8};
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12), std::vector<uint8_t>(expected, expected + 12));
  uint8_t last[3];
  ShrinkRows(square, 2, 0, 1, last);  // one block of all nine: blue 4, green 8
  EXPECT_EQ(std::vector<uint8_t>(last, last + 3), (std::vector<uint8_t>{100, 8, 4}));
}

// The slide readers' own tools read the file; every level is compared with
// the flat picture shrunk by another program.
class PyramidReaders : public ::testing::TestWithParam<PixPyramidCompression> {
 protected:
  void SetUp() override { dir_ = MakeTempDir("pyramid"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs a command whose words go to the file named, or nowhere.
  static void Run(const std::string& command, const std::string& output = "/dev/null") {
    ASSERT_EQ(std::system((command + " >" + output + " 2>/dev/null").c_str()), 0) << command;
  }

  // Mean and largest difference of two pictures' channels.
  static std::pair<double, int> Difference(const QImage& a, const QImage& b) {
    double sum = 0;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
        for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
          sum += std::abs(d);
          largest = std::max(largest, std::abs(d));
        }
      }
    }
    return {sum / (3.0 * a.width() * a.height()), largest};
  }

  std::string dir_;
};

TEST_P(PyramidReaders, EveryLevelIsTheMosaicScaledDown) {
  const bool jpeg = GetParam() == PixPyramidCompression::Jpeg;
  // Sides divisible by 8: the other program's shrink has the same sizes.
  const Bitmap mosaic = TexturedBitmap(2104, 1096, 7);
  PixSaveOptions options;
  options.Pyramid = true;
  options.PyramidTiles = GetParam();
  const std::string slide = dir_ + "/slide.tif";
  ASSERT_TRUE(PixSaveImage(slide, mosaic, options));
  ASSERT_TRUE(PixSaveImage(dir_ + "/flat.png", mosaic));

  const std::string properties = dir_ + "/properties.txt";
  Run("openslide-show-properties " + slide, properties);
  std::ifstream in(properties);
  const std::string said((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(said.find("openslide.level-count: '4'"), std::string::npos) << said;
  EXPECT_NE(said.find("openslide.level[3].width: '263'"), std::string::npos) << said;
  EXPECT_NE(said.find("openslide.level[3].height: '137'"), std::string::npos) << said;

  for (int level = 0; level < 4; ++level) {
    SCOPED_TRACE(level);
    const std::string n = std::to_string(level), factor = std::to_string(1 << level);
    Run("vips shrink " + dir_ + "/flat.png " + dir_ + "/truth" + n + ".png " + factor + " " +
        factor);
    Run("vips copy '" + slide + "[page=" + n + "]' " + dir_ + "/vips" + n + ".png");
    const QImage truth(QString::fromStdString(dir_ + "/truth" + n + ".png"));
    const int w = 2104 >> level, h = 1096 >> level;
    ASSERT_EQ(truth.size(), QSize(w, h));
    Run("openslide-write-png " + slide + " 0 0 " + n + " " + std::to_string(w) + " " +
        std::to_string(h) + " " + dir_ + "/openslide" + n + ".png");
    for (const std::string reader : {"vips", "openslide"}) {
      SCOPED_TRACE(reader);
      // Debian 12's openslide reads tiles other than JPEG through libtiff's
      // whole-raster call, which since libtiff 4.5 refuses a tile larger than
      // its level: it shows levels under one tile as blank, ours and any other.
      if (reader == "openslide" && !jpeg && (w < kPyramidTile || h < kPyramidTile)) continue;
      const QImage read(QString::fromStdString(dir_ + "/" + reader + n + ".png"));
      ASSERT_EQ(read.size(), truth.size());
      const auto [mean, largest] = Difference(read, truth);
      // Deflate keeps the means exactly, up to the last digit's rounding;
      // JPEG at quality 95 with colour at half resolution stays close.
      if (jpeg) {
        EXPECT_LT(mean, 3.0);
      } else {
        EXPECT_LE(largest, 1);
        EXPECT_LT(mean, 0.5);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tiles, PyramidReaders,
                         ::testing::Values(PixPyramidCompression::Jpeg,
                                           PixPyramidCompression::Deflate));

}  // namespace
