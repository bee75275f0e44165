// The stitcher as a program: exit status, messages and files left behind.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <fstream>

#include "imagefiles/imagefiles.h"
#include "support/testimages.h"

namespace {

struct ProgramRun {
  int Status;
  std::string Out, Err;
};

ProgramRun Stitch(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(QUILTOR_STITCH_EXE), args);
  p.waitForFinished(300000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class StitcherProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    // Two fields cut from one texture, the second 300 pixels to the right.
    const Bitmap source = TexturedBitmap(700, 340, 3);
    ASSERT_TRUE(PixSaveImage(a, CropBitmap(source, 0, 0, 400, 340)));
    ASSERT_TRUE(PixSaveImage(b, CropBitmap(source, 300, 0, 400, 340)));
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  QString Q(const std::string& s) const { return QString::fromStdString(s); }

  std::string dir = MakeTempDir("exe");
  std::string a = dir + "/a.png", b = dir + "/b.png";
};

TEST_F(StitcherProgram, StitchesAndReports) {
  const std::string out = dir + "/m.png", report = dir + "/r.json";
  const ProgramRun r = Stitch({Q(a), Q(b), "--directions", "1", "--smooth", "--quiet", "-o", Q(out),
                        "--report", Q(report)});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(r.Err.empty()) << r.Err;  // quiet
  Bitmap mosaic;
  ASSERT_TRUE(PixLoadImage(out, mosaic));
  EXPECT_EQ(mosaic.Width(), 700);
  EXPECT_EQ(mosaic.Height(), 340);
  EXPECT_NE(ReadAll(report).find("\"place\""), std::string::npos);
}

TEST_F(StitcherProgram, ShowsProgressUnlessQuiet) {
  const ProgramRun r = Stitch({Q(a), Q(b), "-o", Q(dir + "/m.bmp")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Err.find("100%"), std::string::npos) << r.Err;
}

TEST_F(StitcherProgram, BadArgumentsExitWith2) {
  const ProgramRun r = Stitch({Q(a), Q(b), "--blend", "9", "-o", Q(dir + "/m.png")});
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("--blend"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(dir + "/m.png"));
}

TEST_F(StitcherProgram, MissingImageIsNamedAndTheOldOutputSurvives) {
  const std::string out = dir + "/m.png";
  std::ofstream(out, std::ios::binary) << "previous mosaic";
  const std::string missing = dir + "/gone.png";
  const ProgramRun r = Stitch({Q(a), Q(missing), "--quiet", "-o", Q(out)});
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find(missing), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("no such file"), std::string::npos) << r.Err;
  EXPECT_EQ(ReadAll(out), "previous mosaic");
}

TEST_F(StitcherProgram, UnwritableOutputFailsWithoutLeavingFiles) {
  const std::string out = dir + "/no-such-folder/m.png";
  const ProgramRun r = Stitch({Q(a), Q(b), "--quiet", "-o", Q(out)});
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find(out), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(dir + "/no-such-folder"));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 2);  // the two inputs only
}

TEST_F(StitcherProgram, Version) {
  const ProgramRun r = Stitch({"--version"});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out.rfind("quiltor-stitch ", 0), 0u) << r.Out;
}

}  // namespace
