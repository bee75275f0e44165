// Finding the version record in crafted program images.
#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>

#include "formats/exeimage.h"
#include "formats/versionrecord.h"
#include "support/craftedimages.h"

namespace {

class Crafted : public ::testing::TestWithParam<CraftedImage> {};

TEST_P(Crafted, RecordFoundOnlyWhenWellFormed) {
  MemoryImageSource source(GetParam().Bytes);
  const auto located = FindVersionRecord(source);
  const bool valid = located && VersionRecord(located->Bytes).IsValid();
  EXPECT_EQ(valid, GetParam().HasRecord);
  if (valid && GetParam().Name.starts_with("ok-")) {
    // Whole records carry the sample's strings; the first language's record is the one read.
    EXPECT_EQ(VersionRecord(located->Bytes).Fixed(), SampleContent().Fixed);
    EXPECT_EQ(located->Bytes.size() % 4, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Images, Crafted, ::testing::ValuesIn(CraftedImages()), [](const auto& p) {
  std::string name = p.param.Name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
});

TEST(Crafted, NamesAreUniqueAndCoverBothKinds) {
  std::set<std::string> names;
  int ok = 0, bad = 0;
  for (const auto& image : CraftedImages()) {
    EXPECT_TRUE(names.insert(image.Name).second) << image.Name;
    (image.HasRecord ? ok : bad)++;
  }
  EXPECT_GT(ok, 4);
  EXPECT_GT(bad, 20);
}

TEST(Crafted, KindOfImage) {
  PeOptions pe{.Record = WriteVersionRecord(SampleContent())};
  const ImageBytes peBytes = BuildPeImage(pe);
  MemoryImageSource peImage(peBytes);
  ASSERT_TRUE(FindVersionRecord(peImage));
  EXPECT_EQ(FindVersionRecord(peImage)->Kind, ImageKind::Pe);
  const ImageBytes elfBytes = BuildElfImage(WriteVersionRecord(SampleContent()));
  MemoryImageSource elfImage(elfBytes);
  ASSERT_TRUE(FindVersionRecord(elfImage));
  EXPECT_EQ(FindVersionRecord(elfImage)->Kind, ImageKind::Elf);
}

struct ExeTypeCase {
  const char* name;
  bool plus;
  uint16_t subsystem;
  uint8_t major, minor;
  bool dll;
  uint32_t type;
  bool accepted;
};

class ExeType : public ::testing::TestWithParam<ExeTypeCase> {};

TEST_P(ExeType, AsThePlatformReportsIt) {
  const ExeTypeCase c = GetParam();
  PeOptions o{.Plus = c.plus,
              .Subsystem = c.subsystem,
              .SubsystemMajor = c.major,
              .SubsystemMinor = c.minor,
              .Dll = c.dll,
              .Record = WriteVersionRecord(SampleContent())};
  const ImageBytes bytes = BuildPeImage(o);
  MemoryImageSource source(bytes);
  EXPECT_EQ(PeExeType(source), c.type);
  EXPECT_EQ(IsAcceptedExeType(c.type), c.accepted);
  EXPECT_EQ(FindVersionRecord(source).has_value(), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ExeType,
    ::testing::Values(ExeTypeCase{"Console", false, 3, 6, 0, false, 0x00004550, true},
                      ExeTypeCase{"Console64", true, 3, 6, 2, false, 0x00004550, true},
                      ExeTypeCase{"Gui40", false, 2, 4, 0, false, 0x04004550, true},
                      ExeTypeCase{"Gui40x64", true, 2, 4, 0, false, 0x04004550, true},
                      ExeTypeCase{"Gui35", false, 2, 3, 5, false, 0x03054550, true},
                      ExeTypeCase{"Gui48", false, 2, 48, 0, false, 0x30004550, true},
                      // 3.0 and anything newer than 4.0 are not among the accepted words.
                      ExeTypeCase{"Gui30", false, 2, 3, 0, false, 0x03004550, false},
                      ExeTypeCase{"Gui50", false, 2, 5, 0, false, 0x05004550, false},
                      ExeTypeCase{"Gui60x64", true, 2, 6, 0, false, 0x06004550, false},
                      ExeTypeCase{"Library", false, 2, 4, 0, true, 0, false},
                      ExeTypeCase{"Native", false, 1, 4, 0, false, 0, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ExeTypeWord, OnlyPeInTheLowWord) {
  EXPECT_FALSE(IsAcceptedExeType(0));
  EXPECT_FALSE(IsAcceptedExeType(0x00005A4D));  // "MZ": an MS-DOS program
  EXPECT_FALSE(IsAcceptedExeType(0x0400454E));  // "NE": a 16-bit program
  EXPECT_TRUE(IsAcceptedExeType(0x00004550));
}

TEST(FileImageSource, ReadsPiecesAndStopsAtTheEnd) {
  const auto path = std::filesystem::temp_directory_path() / "quiltor-versioninfo-source.bin";
  {
    std::ofstream out(path, std::ios::binary);
    out << "0123456789";
  }
  FileImageSource source(path.string());
  const auto middle = source.Read(3, 4);
  EXPECT_EQ(std::string(middle.begin(), middle.end()), "3456");
  EXPECT_EQ(source.Read(8, 100).size(), 2u);
  EXPECT_TRUE(source.Read(50, 4).empty());
  EXPECT_TRUE(source.Read(UINT64_MAX - 1, 4).empty());
  std::filesystem::remove(path);
}

TEST(FileImageSource, FailuresCarryTheSystemError) {
  try {
    FileImageSource source("/nonexistent-folder/file");
    FAIL() << "no error";
  } catch (const VersionInfoOsError& e) {
    EXPECT_EQ(e.Code(), ENOENT);
    EXPECT_NE(std::string(e.what()).find("/nonexistent-folder/file"), std::string::npos);
  }
  // Reading a folder opened as a file fails in the read itself.
  FileImageSource folder("/");
  try {
    folder.Read(0, 16);
    FAIL() << "no error";
  } catch (const VersionInfoOsError& e) {
    EXPECT_EQ(e.Code(), EISDIR);
  }
}

}  // namespace
