#include "capture/run/projectnames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/testimages.h"

namespace {

TEST(FrameFileName, JoinsFolderNameAndAtLeastFourDigits) {
  EXPECT_EQ(FrameFileName("/p/Image/", "Изображение", 0), "/p/Image/Изображение_0000.bmp");
  EXPECT_EQ(FrameFileName("/p/Image/", "Scan", 42), "/p/Image/Scan_0042.bmp");
  EXPECT_EQ(FrameFileName("/p/Image/", "Scan", 9999), "/p/Image/Scan_9999.bmp");
  EXPECT_EQ(FrameFileName("/p/Image/", "Scan", 10000), "/p/Image/Scan_10000.bmp");
  EXPECT_EQ(FrameFileName("/p/Image/Scan/", "Scan", 123456), "/p/Image/Scan/Scan_123456.bmp");
}

TEST(NumberedFileName, AppendsTheNumberBeforeTheLastExtension) {
  EXPECT_EQ(NumberedFileName("/p/Image/Scan.jpg", 3, true), "/p/Image/Scan3.jpg");
  EXPECT_EQ(NumberedFileName("/p/Image/Scan.jpg", 3, false), "/p/Image/Scan.jpg");
  EXPECT_EQ(NumberedFileName("/p/Image/Scan", 0, true), "/p/Image/Scan0");
  EXPECT_EQ(NumberedFileName("Scan", 0, true), "Scan0");
  EXPECT_EQ(NumberedFileName("/p/Image/Scan.tar.gz", 12, true), "/p/Image/Scan.tar12.gz");
  // Dots in folder names are not extensions.
  EXPECT_EQ(NumberedFileName("/p/my.scans/Scan", 5, true), "/p/my.scans/Scan5");
  EXPECT_EQ(NumberedFileName("/p/my.scans/Scan.png", 5, true), "/p/my.scans/Scan5.png");
  EXPECT_EQ(NumberedFileName("/p/Изображения.1/Скан.bmp", 7, true), "/p/Изображения.1/Скан7.bmp");
}

TEST(ProjectDirFor, AddsTheProjectsOwnFolderOnlyWhenAsked) {
  EXPECT_EQ(ProjectDirFor("/p/Image/", "Опыт", true), "/p/Image/Опыт/");
  EXPECT_EQ(ProjectDirFor("/p/Image/", "Опыт", false), "/p/Image/");
  EXPECT_EQ(FrameFileName(ProjectDirFor("/p/Image/", "Опыт", true), "Опыт", 1),
            "/p/Image/Опыт/Опыт_0001.bmp");
}

TEST(ProjectNameProblem, RefusesNamesThatCannotNameFilesEverywhere) {
  for (const std::string good : {"", "Изображение", "Срез 12 (окраска)", "a.b", "x_y-z"}) {
    EXPECT_EQ(ProjectNameProblem(good), "") << good;
  }
  const std::string bads[] = {"a/b",
                              "a\\b",
                              "C:",
                              "a*",
                              "a?",
                              "\"a\"",
                              "<a>",
                              "a|b",
                              "a\tb",
                              std::string("a\nb"),
                              std::string("a\x7f"),
                              ".",
                              "..",
                              " a",
                              "a ",
                              std::string(250, 'a')};
  for (const std::string& bad : bads) {
    EXPECT_NE(ProjectNameProblem(bad), "") << bad;
  }
  EXPECT_EQ(ProjectNameProblem("a:b"),
            "Название проекта не может содержать символы \\ / : * ? \" < > | и управляющие "
            "символы");
}

class FrameNumberTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir("projectnames") + "/"; }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Touch(const std::string& name) const { std::ofstream(dir_ + name) << "x"; }

  std::string dir_;
};

TEST_F(FrameNumberTest, FindsTheHighestFrameOfThatProjectOnly) {
  EXPECT_EQ(LastExistingFrameNumber(dir_, "Опыт"), std::nullopt);
  EXPECT_EQ(LastExistingFrameNumber(dir_ + "missing/", "Опыт"), std::nullopt);
  Touch("Опыт_0000.bmp");
  Touch("Опыт_0007.bmp");
  Touch("Опыт_0003.bmp");
  EXPECT_EQ(LastExistingFrameNumber(dir_, "Опыт"), 7);

  // Other projects, other names and a folder do not count.
  Touch("Опыт2_0050.bmp");
  Touch("Опыт_0051.jpg");
  Touch("Опыт_51.bmp");
  Touch("Опыт_00052.bmp");
  Touch("Опыт_0053x.bmp");
  Touch("опыт_0054.bmp");
  std::filesystem::create_directory(dir_ + "Опыт_0055.bmp");
  EXPECT_EQ(LastExistingFrameNumber(dir_, "Опыт"), 7);
  EXPECT_EQ(LastExistingFrameNumber(dir_, "Опыт2"), 50);

  // Past 9999 the names grow a digit and still count.
  Touch(FrameFileName("", "Опыт", 10000));
  EXPECT_EQ(LastExistingFrameNumber(dir_, "Опыт"), 10000);
  Touch("Опыт_99999999999.bmp");  // beyond an int: not a frame of ours
  EXPECT_EQ(LastExistingFrameNumber(dir_, "Опыт"), 10000);
}

TEST_F(FrameNumberTest, MakeProjectDirCreatesNestedFoldersAndReportsFailure) {
  const std::string dir = ProjectDirFor(dir_, "Опыт", true) + "inner/";
  EXPECT_TRUE(MakeProjectDir(dir));
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  EXPECT_TRUE(MakeProjectDir(dir));
  Touch("file");
  EXPECT_FALSE(MakeProjectDir(dir_ + "file/sub/"));
}

}  // namespace
