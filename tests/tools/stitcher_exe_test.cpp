// The stitcher as a program: exit status, messages and files left behind.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "imagefiles/imagefiles.h"
#include "stitchsettings.h"
#include "support/testfiles.h"
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

TEST_F(StitcherProgram, ChainPlacementWritesWhatNoChoiceWrites) {
  const std::string plain = dir + "/plain.bmp", chain = dir + "/chain.bmp";
  ASSERT_EQ(Stitch({Q(a), Q(b), "--quiet", "-o", Q(plain)}).Status, 0);
  ASSERT_EQ(Stitch({Q(a), Q(b), "--quiet", "--placement", "chain", "-o", Q(chain)}).Status, 0);
  const std::string written = ReadAll(plain);
  EXPECT_GT(written.size(), 700u * 340 * 3);
  EXPECT_TRUE(written == ReadAll(chain));
}

TEST_F(StitcherProgram, PyramidIsATiledTiffThatSlideReadersOpen) {
  const std::string out = dir + "/m.tif";
  const ProgramRun r = Stitch({Q(a), Q(b), "--directions", "1", "--quiet", "-o", Q(out),
                               "--pyramid", "--pyramid-tiles", "deflate"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  QProcess reader;
  reader.start("openslide-show-properties", {Q(out)});
  ASSERT_TRUE(reader.waitForFinished(60000));
  const QString said = QString::fromUtf8(reader.readAllStandardOutput());
  EXPECT_TRUE(said.contains("openslide.level-count: '2'")) << said.toStdString();  // 700 wide
  EXPECT_TRUE(said.contains("openslide.level[1].width: '350'")) << said.toStdString();
  EXPECT_TRUE(said.contains("openslide.level[0].tile-width: '512'")) << said.toStdString();
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
  EXPECT_EQ(r.Status, 2);  // refused before any work
  EXPECT_NE(r.Err.find(out), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(dir + "/no-such-folder"));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 2);  // the two inputs only
}

// Destinations that would destroy a file of the run: refused before any work.
TEST_F(StitcherProgram, PathsThatWouldReplaceAnInputOrTheOutputAreRefused) {
  namespace fs = std::filesystem;
  const std::string out = dir + "/m.png";
  std::ofstream(out, std::ios::binary) << "previous mosaic";
  fs::create_symlink(a, dir + "/link-to-a.png");
  fs::create_hard_link(b, dir + "/hard-b.png");
  const std::string aBytes = ReadAll(a), bBytes = ReadAll(b);
  struct Case {
    const char* what;
    QStringList destinations;
  };
  const Case cases[] = {
      {"output is an input", {"-o", Q(a)}},
      {"output through a symbolic link", {"-o", Q(dir + "/link-to-a.png")}},
      {"output is a hard link of an input", {"-o", Q(dir + "/hard-b.png")}},
      {"output spelled another way",
       {"-o", Q(dir + "/../" + fs::path(dir).filename().string() + "/a.png")}},
      {"report is an input", {"-o", Q(out), "--report", Q(b)}},
      {"report is the output", {"-o", Q(out), "--report", Q(dir + "/./m.png")}},
      {"report is the output not yet made",
       {"-o", Q(dir + "/new.png"), "--report", Q(dir + "/new.png")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun r = Stitch(QStringList{Q(a), Q(b), "--quiet"} + c.destinations);
    EXPECT_EQ(r.Status, 2) << r.Err;
    EXPECT_NE(r.Err.find(" is the "), std::string::npos) << r.Err;
    EXPECT_EQ(ReadAll(a), aBytes);
    EXPECT_EQ(ReadAll(b), bBytes);
    EXPECT_EQ(ReadAll(out), "previous mosaic");
    EXPECT_FALSE(fs::exists(dir + "/new.png"));
  }
}

// Refused before any work, so neither file can be replaced first.
TEST_F(StitcherProgram, ReportThatCannotBeWrittenReplacesNeitherFile) {
  const std::string out = dir + "/m.png", report = dir + "/no-such-folder/r.json";
  std::ofstream(out, std::ios::binary) << "previous mosaic";
  const ProgramRun r = Stitch({Q(a), Q(b), "--quiet", "-o", Q(out), "--report", Q(report)});
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("cannot write report " + report + ": No such file or directory"),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(ReadAll(out), "previous mosaic");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 3);  // the inputs and the old mosaic, no temporary
}

TEST_F(StitcherProgram, FormatsThatShrinkTheMosaicAreRefused) {
  const ProgramRun r = Stitch({Q(a), Q(b), "--quiet", "-o", Q(dir + "/m.ico")});
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("cannot write images of this type"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(dir + "/m.ico"));
}

TEST_F(StitcherProgram, StoredSettingsOutsideTheDialogsRangesAreUsedAndNamedOnce) {
  // Crop on with the frame at INT_MAX: the crop rectangle empties instead of
  // wrapping, and the view shows the whole canvas.
  SetupData stored = DefaultSetupData();
  stored.Crop = 1;
  stored.CropFrame = INT32_MAX;
  const std::string config = dir + "/data.cfg", out = dir + "/m.png", report = dir + "/r.json";
  std::ofstream(config, std::ios::binary) << SettingsFileBytes(stored);
  const ProgramRun r = Stitch({Q(a), Q(b), "--directions", "1", "--crop-view", "--quiet",
                               "--config", Q(config), "-o", Q(out), "--report", Q(report)});
  ASSERT_EQ(r.Status, 0) << r.Err;
  size_t warnings = 0;
  for (size_t at = r.Err.find("outside the dialog's ranges"); at != std::string::npos;
       at = r.Err.find("outside the dialog's ranges", at + 1))
    ++warnings;
  EXPECT_EQ(warnings, 1u) << r.Err;
  EXPECT_NE(r.Err.find("frame 2147483647 (0..50)"), std::string::npos) << r.Err;
  const nlohmann::json j = nlohmann::json::parse(ReadAll(report));
  EXPECT_EQ(j["settings"]["frame"], INT32_MAX);
  EXPECT_EQ(j["common_rect"][0], INT32_MAX);
  EXPECT_LT(j["common_rect"][2].get<int64_t>(), 0);
  EXPECT_EQ(j["output"], j["canvas"]);
}

TEST_F(StitcherProgram, DamagedJpegIsStitchedWithAWarningNamingIt) {
  const std::string jpg = dir + "/b.jpg";
  ASSERT_TRUE(PixSaveImage(jpg, CropBitmap(TexturedBitmap(700, 340, 3), 300, 0, 400, 340)));
  std::string bytes = ReadAll(jpg);
  bytes.insert((bytes.find("\xFF\xDA") + bytes.size()) / 2, "\xFF\xD0");  // a marker amid the data
  std::ofstream(jpg, std::ios::binary | std::ios::trunc) << bytes;
  const ProgramRun r =
      Stitch({Q(a), Q(jpg), "--directions", "1", "--quiet", "-o", Q(dir + "/m.png")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Err.find("warning: " + jpg + ": damaged data"), std::string::npos) << r.Err;
}

TEST_F(StitcherProgram, Version) {
  const ProgramRun r = Stitch({"--version"});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out.rfind("quiltor-stitch ", 0), 0u) << r.Out;
}

}  // namespace
