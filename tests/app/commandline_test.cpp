#include "app/commandline.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(ProgramCommandLine, ImagesInOrderBesideTheCameraOption) {
  const ProgramCommandLine line = ParseProgramCommandLine(
      {"b.png", "--simulate-camera", "a.bmp", "--simulate-camera=slide.png:noise=4", "c d.jpg"});
  EXPECT_EQ(line.Action, CommandLineAction::Run);
  EXPECT_EQ(line.Images, (Args{"b.png", "a.bmp", "c d.jpg"}));
  EXPECT_TRUE(line.Problem.empty());

  EXPECT_EQ(ParseProgramCommandLine({}).Action, CommandLineAction::Run);
  EXPECT_TRUE(ParseProgramCommandLine({}).Images.empty());
}

TEST(ProgramCommandLine, AfterDoubleDashEveryArgumentIsAFile) {
  const ProgramCommandLine line = ParseProgramCommandLine({"a.png", "--", "--help", "-x.png"});
  EXPECT_EQ(line.Action, CommandLineAction::Run);
  EXPECT_EQ(line.Images, (Args{"a.png", "--help", "-x.png"}));
}

TEST(ProgramCommandLine, HelpWinsThenAnUnknownOptionThenVersion) {
  EXPECT_EQ(ParseProgramCommandLine({"--bogus", "a.png", "-h"}).Action, CommandLineAction::Help);
  EXPECT_EQ(ParseProgramCommandLine({"--version", "--help"}).Action, CommandLineAction::Help);
  EXPECT_EQ(ParseProgramCommandLine({"a.png", "--version"}).Action, CommandLineAction::Version);

  // A mistyped option is not quietly taken for a file, nor does --version hide it.
  for (const Args& args : {Args{"--simulate-cam", "--version"}, Args{"--version", "-v"}}) {
    const ProgramCommandLine line = ParseProgramCommandLine(args);
    EXPECT_EQ(line.Action, CommandLineAction::Bad) << args[0];
    EXPECT_NE(line.Problem.find(args[0] == "--version" ? "-v" : "--simulate-cam"),
              std::string::npos)
        << line.Problem;
  }
  // The first unknown option is the one named.
  EXPECT_EQ(ParseProgramCommandLine({"--one", "--two"}).Problem, "неизвестный параметр --one");
}

TEST(ProgramCommandLine, HelpNamesEveryAcceptedOptionAndWhereSettingsGo) {
  const std::string help = ProgramHelpText();
  EXPECT_EQ(help.rfind("Usage: quiltor ", 0), 0u) << help;
  for (const char* option : {"--simulate-camera", "--help", "--version", "data.cfg", "Image",
                             "~/.config/KORVEX/Pictaro Quiltor/", "QUILTOR_SIMULATED_CAMERA"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
