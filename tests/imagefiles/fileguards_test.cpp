// Files the decoders would pass while damaged, and reasons named by the system.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "imagefiles/imagefiles.h"
#include "support/testfiles.h"
#include "support/testimages.h"

namespace fs = std::filesystem;

namespace {

class DamagedFiles : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_ = MakeTempDir("guards");
};

// GIF, 8-bit and 4-bit run-length BMP: every cut from 5 % to 99 % is refused
// as damaged, the bitmap untouched; the whole file loads as the picture it is.
class TruncatedFormat : public DamagedFiles, public ::testing::WithParamInterface<const char*> {};

TEST_P(TruncatedFormat, EveryCutIsRefusedAsDamaged) {
  const std::string whole = ReadAll(std::string(QUILTOR_IMAGE_CORPUS) + "/" + GetParam());
  ASSERT_GT(whole.size(), 100u);
  Bitmap full;
  ASSERT_TRUE(PixLoadImage(std::string(QUILTOR_IMAGE_CORPUS) + "/" + GetParam(), full));
  const QImage reference(
      QString::fromStdString(std::string(QUILTOR_IMAGE_CORPUS) + "/" + GetParam()));
  ASSERT_EQ(full.Width(), reference.width());
  ASSERT_EQ(full.Height(), reference.height());
  for (int percent = 5; percent <= 99; ++percent) {
    SCOPED_TRACE(percent);
    const std::string file = Path(std::string("cut_") + GetParam());
    WriteAll(file, whole.substr(0, whole.size() * percent / 100));
    Bitmap b = FlatBitmap(2, 2, 1, 2, 3);
    const PixStatus s = PixLoadImage(file, b);
    EXPECT_EQ(s.Error, PixError::Corrupt) << s.Detail;
    EXPECT_EQ(b.Width(), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(GifAndRunLengthBmp, TruncatedFormat,
                         ::testing::Values("ok.gif", "ok-rle.bmp", "ok-rle4.bmp"));

// Run-length data cut after a few lines but closed with an end-of-bitmap
// code, with or without bytes after it, or a line running past its row.
TEST_F(DamagedFiles, RunLengthBmpNeedsEveryLineWithinItsRow) {
  const std::string whole = ReadAll(std::string(QUILTOR_IMAGE_CORPUS) + "/ok-rle.bmp");
  size_t thirdLineEnd = whole.size();
  size_t at = whole[10] | (static_cast<size_t>(static_cast<uint8_t>(whole[11])) << 8);
  for (int lines = 0; at + 2 <= whole.size() && lines < 3; at += 2) {
    if (whole[at] == 0 && whole[at + 1] == 0) thirdLineEnd = at + 2, ++lines;
    // Literal runs (escape 3..255) carry their bytes, padded to two.
    if (whole[at] == 0 && static_cast<uint8_t>(whole[at + 1]) > 2)
      at += (static_cast<uint8_t>(whole[at + 1]) + 1u) & ~1u;
  }
  ASSERT_LT(thirdLineEnd, whole.size() - 20);
  const std::string cut = whole.substr(0, thirdLineEnd) + std::string("\0\1", 2);
  std::string widened = whole;
  widened[whole[10] | (static_cast<uint8_t>(whole[11]) << 8)] = '\x40';  // first run: 64 pixels
  const std::pair<std::string, const char*> cases[] = {
      {cut, "cut and closed"},
      {cut + "\x13\x37\x00\x01\x05\x05\x00\x00", "cut, closed, bytes after"},
      {widened, "a run past the row"}};
  for (const auto& [bytes, what] : cases) {
    SCOPED_TRACE(what);
    WriteAll(Path("rle.bmp"), bytes);
    Bitmap b = FlatBitmap(2, 2, 1, 2, 3);
    EXPECT_EQ(PixLoadImage(Path("rle.bmp"), b).Error, PixError::Corrupt);
    EXPECT_EQ(b.Width(), 2);
  }
}

TEST_F(DamagedFiles, TextStartingWithBmIsMalformedNotTooLarge) {
  WriteAll(Path("note.bmp"), "BM: a note about the slides, typed in a plain text editor.\n");
  Bitmap b;
  const PixStatus s = PixLoadImage(Path("note.bmp"), b);
  EXPECT_EQ(s.Error, PixError::Corrupt);
  EXPECT_NE(s.Detail.find("malformed"), std::string::npos) << s.Detail;
}

TEST_F(DamagedFiles, LinkLoopIsNamedAsSuch) {
  fs::create_symlink(Path("b.png"), Path("a.png"));
  fs::create_symlink(Path("a.png"), Path("b.png"));
  Bitmap b;
  const PixStatus s = PixLoadImage(Path("a.png"), b);
  EXPECT_EQ(s.Error, PixError::Unreadable);
  EXPECT_EQ(s.Detail, "Too many levels of symbolic links");
  EXPECT_EQ(PixLoadImage(Path("none.png"), b).Error, PixError::NotFound);
}

TEST_F(DamagedFiles, JpegWithDamagedEntropyDataLoadsWithAWarning) {
  const Bitmap picture = TexturedBitmap(64, 48, 4);
  ASSERT_TRUE(PixSaveImage(Path("good.jpg"), picture));
  Bitmap b;
  const PixStatus clean = PixLoadImage(Path("good.jpg"), b);
  ASSERT_TRUE(clean);
  EXPECT_TRUE(clean.Warning.empty()) << clean.Warning;
  // A marker in the middle of the entropy data: the decoder fills the rest and says so.
  std::string bytes = ReadAll(Path("good.jpg"));
  bytes.insert((bytes.find("\xFF\xDA") + bytes.size()) / 2, "\xFF\xD0");
  WriteAll(Path("damaged.jpg"), bytes);
  const PixStatus damaged = PixLoadImage(Path("damaged.jpg"), b);
  ASSERT_TRUE(damaged) << damaged.Detail;
  EXPECT_EQ(b.Width(), 64);
  EXPECT_NE(damaged.Warning.find("Corrupt JPEG data"), std::string::npos) << damaged.Warning;
  EXPECT_TRUE(PixLoadImage(Path("good.jpg"), b).Warning.empty());  // nothing carried over
}

}  // namespace
