// The stitcher's command line, parsed without running a stitch.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "stitchcli.h"
#include "support/testimages.h"

namespace {

CliOutcome Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "quiltor-stitch");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return ParseStitchArgs(static_cast<int>(argv.size()), argv.data());
}

TEST(StitchCli, DefaultsAreTheDialogsAndAutomatic) {
  const CliOutcome out = Parse({"a.bmp", "b.png", "-o", "m.png"});
  ASSERT_TRUE(out.Run) << out.Message;
  EXPECT_TRUE(out.Options.Auto);
  EXPECT_EQ(out.Options.Images, (std::vector<std::string>{"a.bmp", "b.png"}));
  EXPECT_EQ(out.Options.Settings, (SetupData{30, 15, 0, {}, 5, 1, 3}));
  EXPECT_FALSE(out.Options.Smooth);
  EXPECT_FALSE(out.Options.CropView);
  EXPECT_FALSE(out.Options.Quiet);
  EXPECT_EQ(out.Options.Method, SearchMethod::Template);
}

TEST(StitchCli, MethodByName) {
  const std::pair<const char*, SearchMethod> cases[] = {
      {"template", SearchMethod::Template},
      {"phase", SearchMethod::Phase},
      {"template-phase", SearchMethod::TemplatePhase}};
  for (const auto& [name, method] : cases) {
    const CliOutcome out = Parse({"a.bmp", "-o", "m.png", "--method", name});
    ASSERT_TRUE(out.Run) << out.Message;
    EXPECT_EQ(out.Options.Method, method) << name;
  }
}

TEST(StitchCli, PlacementByNameTheChainByDefault) {
  EXPECT_EQ(Parse({"a.bmp", "-o", "m.png"}).Options.Placement, PlacementMethod::Chain);
  const std::pair<const char*, PlacementMethod> cases[] = {
      {"chain", PlacementMethod::Chain}, {"neighbours", PlacementMethod::Neighbours}};
  for (const auto& [name, placement] : cases) {
    const CliOutcome out = Parse({"a.bmp", "-o", "m.png", "--placement", name});
    ASSERT_TRUE(out.Run) << out.Message;
    EXPECT_EQ(out.Options.Placement, placement) << name;
  }
}

TEST(StitchCli, EverySwitch) {
  const CliOutcome out =
      Parse({"--directions", "1,2,3",    "a",      "b",      "c",        "d",           "--zone",
             "40",           "--radius", "20",     "--crop", "1",        "--frame",     "7",
             "--blend",      "4",        "--step", "5",      "--smooth", "--crop-view", "-o",
             "x.jpg",        "--report", "r.json", "--quiet"});
  ASSERT_TRUE(out.Run) << out.Message;
  const StitchOptions& o = out.Options;
  EXPECT_FALSE(o.Auto);
  EXPECT_EQ(o.Directions, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(o.Images.size(), 4u);
  EXPECT_EQ(o.Settings, (SetupData{40, 20, 1, {}, 7, 4, 5}));
  EXPECT_TRUE(o.Smooth && o.CropView && o.Quiet);
  EXPECT_EQ(o.Output, "x.jpg");
  EXPECT_EQ(o.Report, "r.json");
}

TEST(StitchCli, PyramidWithItsTiles) {
  CliOutcome out = Parse({"a", "-o", "m.TIF", "--pyramid"});
  ASSERT_TRUE(out.Run) << out.Message;
  EXPECT_TRUE(out.Options.Save.Pyramid);
  EXPECT_EQ(out.Options.Save.PyramidTiles, PixPyramidCompression::Jpeg);
  out = Parse({"a", "-o", "m.tiff", "--pyramid", "--pyramid-tiles", "deflate"});
  ASSERT_TRUE(out.Run) << out.Message;
  EXPECT_EQ(out.Options.Save.PyramidTiles, PixPyramidCompression::Deflate);
  EXPECT_FALSE(Parse({"a", "-o", "m.tif"}).Options.Save.Pyramid);
}

TEST(StitchCli, FlagsWinOverTheSettingsFile) {
  const std::string dir = MakeTempDir("cli");
  const std::string cfg = dir + "/data.cfg";
  std::ofstream(cfg, std::ios::binary) << SettingsFileBytes({50, 25, 1, {}, 9, 7, 2});
  const CliOutcome out = Parse({"a", "-o", "m.bmp", "--config", cfg, "--radius", "11"});
  std::filesystem::remove_all(dir);
  ASSERT_TRUE(out.Run) << out.Message;
  // The file's blend 7 reaches the engine as stored.
  EXPECT_EQ(out.Options.Settings, (SetupData{50, 11, 1, {}, 9, 7, 2}));
}

struct BadCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* MessagePart;
};

class StitchCliRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(StitchCliRefuses, WithAMessageAndStatus2) {
  const CliOutcome out = Parse(GetParam().Args);
  EXPECT_FALSE(out.Run);
  EXPECT_EQ(out.ExitCode, kExitBadArguments);
  EXPECT_NE(out.Message.find(GetParam().MessagePart), std::string::npos) << out.Message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StitchCliRefuses,
    ::testing::Values(
        BadCase{"NoImages", {"-o", "m.png"}, "images"}, BadCase{"NoOutput", {"a.bmp"}, "output"},
        BadCase{"UnknownOption", {"a.bmp", "-o", "m.png", "--fast"}, "--fast"},
        BadCase{"BlendOutOfRange", {"a.bmp", "-o", "m.png", "--blend", "5"}, "--blend"},
        BadCase{"StepZero", {"a.bmp", "-o", "m.png", "--step", "0"}, "--step"},
        BadCase{"ZoneNotANumber", {"a.bmp", "-o", "m.png", "--zone", "wide"}, "--zone"},
        BadCase{"TooFewDirections", {"--directions", "1", "a", "b", "c", "-o", "m.png"}, "2 codes"},
        BadCase{"TooManyDirections", {"--directions", "1,1", "a", "b", "-o", "m.png"}, "1 codes"},
        BadCase{
            "DirectionFive", {"--directions", "1,5", "a", "b", "c", "-o", "m.png"}, "1, 2, 3 or 4"},
        BadCase{"DirectionsGarbled",
                {"--directions", "1,,2", "a", "b", "c", "-o", "m.png"},
                "1, 2, 3 or 4"},
        BadCase{"AutoAndDirections",
                {"--auto", "--directions", "1", "a", "b", "-o", "m.png"},
                "excludes"},
        BadCase{"MethodUnknown", {"a.bmp", "-o", "m.png", "--method", "fourier"}, "--method"},
        BadCase{"PlacementUnknown", {"a.bmp", "-o", "m.png", "--placement", "tree"}, "--placement"},
        BadCase{"OutputTypeUnknown", {"a.bmp", "-o", "m.xyz"}, "m.xyz"},
        BadCase{"PyramidNotTiff", {"a.bmp", "-o", "m.png", "--pyramid"}, "--pyramid needs"},
        BadCase{"PyramidTilesUnknown",
                {"a.bmp", "-o", "m.tif", "--pyramid", "--pyramid-tiles", "lzw"},
                "--pyramid-tiles"},
        BadCase{"MissingConfig",
                {"a.bmp", "-o", "m.png", "--config", "/nonexistent/data.cfg"},
                "/nonexistent/data.cfg"}),
    [](const auto& tc) { return std::string(tc.param.Name); });

TEST(StitchCli, HelpExitsCleanly) {
  const CliOutcome out = Parse({"--help"});
  EXPECT_FALSE(out.Run);
  EXPECT_EQ(out.ExitCode, 0);
  EXPECT_NE(out.Message.find("--directions"), std::string::npos);
}

}  // namespace
