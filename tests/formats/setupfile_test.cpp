#include "formats/setupfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "support/testimages.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The dialog's initial values as the file must hold them, written out by hand.
const Bytes kInitialValuesFile = {30, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0,
                                  5,  0, 0, 0, 1,  0, 0, 0, 3, 0, 0, 0};

class SetupFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir("setupfile"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name = "data.cfg") const { return dir_ + "/" + name; }

  void WriteBytes(const std::string& path, const Bytes& bytes) const {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  Bytes ReadBytes(const std::string& path) const {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  std::string dir_;
};

SetupData InitialValues() {
  SetupData data;
  data.ImageZone = 30;
  data.FindR = 15;
  data.Crop = 0;
  data.CropFrame = 5;
  data.SmoothType = 1;
  data.Quality = 3;
  return data;
}

TEST_F(SetupFileTest, InitialValuesGiveTheDocumentedBytes) {
  ASSERT_TRUE(WriteSetupFile(Path(), InitialValues()));
  EXPECT_EQ(ReadBytes(Path()), kInitialValuesFile);
}

TEST_F(SetupFileTest, NegativeAndLargeValuesAreLittleEndianTwosComplement) {
  SetupData data;
  data.ImageZone = -1;
  data.FindR = 0x01020304;
  data.Crop = 1;
  data.CropFrame = -2;
  data.SmoothType = 7;
  data.Quality = 256;
  ASSERT_TRUE(WriteSetupFile(Path(), data));
  const Bytes expected = {0xFF, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 1, 0, 0, 0,
                          0xFE, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0, 0, 1, 0, 0};
  EXPECT_EQ(ReadBytes(Path()), expected);

  SetupData back;
  ASSERT_EQ(ReadSetupFile(Path(), back), 24u);
  EXPECT_EQ(back, data);
}

TEST_F(SetupFileTest, ReservedBytesAndCropSlotAreWrittenBackAsRead) {
  Bytes stored = kInitialValuesFile;
  stored[8] = 2;  // a crop byte other than 0 or 1 stays as it is
  stored[9] = 0xAA;
  stored[10] = 0xBB;
  stored[11] = 0xCC;
  WriteBytes(Path(), stored);
  SetupData data;
  ASSERT_EQ(ReadSetupFile(Path(), data), 24u);
  EXPECT_EQ(data.Crop, 2);
  ASSERT_TRUE(WriteSetupFile(Path("copy.cfg"), data));
  EXPECT_EQ(ReadBytes(Path("copy.cfg")), stored);
}

struct ShortFileCase {
  size_t Length;
  SetupData Expected;  // a record of bytes 9 with the file's bytes laid over it
};

class SetupFileLengthTest : public SetupFileTest,
                            public ::testing::WithParamInterface<ShortFileCase> {};

SetupData Nines() {
  SetupData data;
  data.ImageZone = data.FindR = data.CropFrame = data.SmoothType = data.Quality = 0x09090909;
  data.Crop = 9;
  data.Reserved = {9, 9, 9};
  return data;
}

SetupData With(SetupData data, const std::function<void(SetupData&)>& change) {
  change(data);
  return data;
}

TEST_P(SetupFileLengthTest, FileBytesFillTheRecordFromItsStart) {
  Bytes full = kInitialValuesFile;
  full.resize(30, 0x77);  // bytes past 24 are never read
  WriteBytes(Path(), Bytes(full.begin(), full.begin() + static_cast<long>(GetParam().Length)));
  SetupData data = Nines();
  const auto count = ReadSetupFile(Path(), data);
  ASSERT_TRUE(count.has_value());
  EXPECT_EQ(*count, std::min<size_t>(GetParam().Length, 24));
  EXPECT_EQ(data, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, SetupFileLengthTest,
    ::testing::Values(ShortFileCase{0, Nines()},
                      ShortFileCase{4, With(Nines(), [](SetupData& d) { d.ImageZone = 30; })},
                      // Ten bytes: both integers, the crop byte and the first reserved byte.
                      ShortFileCase{10, With(Nines(),
                                             [](SetupData& d) {
                                               d.ImageZone = 30;
                                               d.FindR = 15;
                                               d.Crop = 0;
                                               d.Reserved = {0, 9, 9};
                                             })},
                      ShortFileCase{
                          23, With(InitialValues(), [](SetupData& d) { d.Quality = 0x09000003; })},
                      ShortFileCase{24, InitialValues()}, ShortFileCase{30, InitialValues()}));

TEST_F(SetupFileTest, MissingFileOrFolderLeavesTheRecordUntouched) {
  SetupData data = Nines();
  EXPECT_FALSE(ReadSetupFile(Path(), data).has_value());
  EXPECT_EQ(data, Nines());
  EXPECT_FALSE(ReadSetupFile(dir_, data).has_value());
  EXPECT_EQ(data, Nines());
}

TEST_F(SetupFileTest, UnwritableTargetIsReportedAndLeavesNoFile) {
  const std::string path = Path("no-such-folder/data.cfg");
  EXPECT_FALSE(WriteSetupFile(path, InitialValues()));
  EXPECT_FALSE(std::filesystem::exists(path));
  // A folder standing where the file should go cannot be replaced.
  std::filesystem::create_directory(Path("taken"));
  EXPECT_FALSE(WriteSetupFile(Path("taken"), InitialValues()));
  EXPECT_TRUE(std::filesystem::is_directory(Path("taken")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(SetupFileTest, LongerOldFileIsReplacedByExactly24Bytes) {
  WriteBytes(Path(), Bytes(100, 0x55));
  ASSERT_TRUE(WriteSetupFile(Path(), InitialValues()));
  EXPECT_EQ(ReadBytes(Path()), kInitialValuesFile);
}

}  // namespace
