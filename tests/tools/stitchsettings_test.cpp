// The 24-byte settings file as the stitcher reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "stitchsettings.h"
#include "support/testimages.h"

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Write(const std::string& bytes) {
    const std::string path = dir + "/data.cfg";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Int(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    return {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
            static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
  }
  std::string dir = MakeTempDir("settings");
};

TEST_F(SettingsFile, DefaultsAreTheDialogsBytes) {
  const std::string expected = Int(30) + Int(15) + std::string(4, '\0') + Int(5) + Int(1) + Int(3);
  EXPECT_EQ(SettingsFileBytes(DefaultSetupData()), expected);
}

TEST_F(SettingsFile, ReadsEveryFieldLittleEndian) {
  // Reserved bytes 9..11 hold junk that must reach no value, only the reserved bytes.
  const std::string bytes =
      Int(45) + Int(-7) + std::string("\x01\xAA\xBB\xCC", 4) + Int(70000) + Int(7) + Int(0);
  SetupData s = DefaultSetupData();
  std::string error;
  ASSERT_TRUE(ReadSettingsFile(Write(bytes), s, error)) << error;
  EXPECT_EQ(s,
            (SetupData{45, -7, 1, {0xAA, 0xBB, 0xCC}, 70000, 7, 0}));  // as stored, not corrected
}

TEST_F(SettingsFile, ShortFileFillsFromTheStart) {
  // Ten bytes: zone, radius, the crop byte and one reserved byte.
  const std::string bytes = Int(12) + Int(34) + std::string("\x01\x00", 2);
  SetupData s{1, 2, 0, {}, 3, 4, 5};
  std::string error;
  ASSERT_TRUE(ReadSettingsFile(Write(bytes), s, error));
  EXPECT_EQ(s, (SetupData{12, 34, 1, {}, 3, 4, 5}));
}

TEST_F(SettingsFile, LongFileGivesOnlyItsFirst24Bytes) {
  const std::string bytes = SettingsFileBytes({50, 20, 1, {}, 10, 4, 2}) + Int(99) + Int(99);
  SetupData s = DefaultSetupData();
  std::string error;
  ASSERT_TRUE(ReadSettingsFile(Write(bytes), s, error));
  EXPECT_EQ(s, (SetupData{50, 20, 1, {}, 10, 4, 2}));
}

TEST_F(SettingsFile, EmptyFileChangesNothing) {
  SetupData s{9, 8, 1, {}, 7, 3, 2};
  std::string error;
  ASSERT_TRUE(ReadSettingsFile(Write(""), s, error));
  EXPECT_EQ(s, (SetupData{9, 8, 1, {}, 7, 3, 2}));
}

TEST_F(SettingsFile, MissingFileOrFolderIsAnError) {
  SetupData s = DefaultSetupData();
  std::string error;
  EXPECT_FALSE(ReadSettingsFile(dir + "/nothing.cfg", s, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ReadSettingsFile(dir, s, error));
  EXPECT_EQ(s, DefaultSetupData());
}

}  // namespace
