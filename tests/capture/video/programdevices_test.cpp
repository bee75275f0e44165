// Which cameras the program offers: the simulated one only when asked for,
// by the option (which wins) or by the environment.
#include <gtest/gtest.h>

#include "capture/video/programdevices.h"

namespace {

TEST(SimulatedCameraRequest, OptionWinsOverTheVariableAndNothingAsksForNothing) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(SimulatedCameraRequest(Args{"quiltor"}, nullptr), std::nullopt);
  EXPECT_EQ(SimulatedCameraRequest(Args{"quiltor", "--simulate-camera"}, nullptr), "specimen");
  EXPECT_EQ(SimulatedCameraRequest(Args{"quiltor", "--simulate-camera="}, nullptr), "specimen");
  EXPECT_EQ(SimulatedCameraRequest(Args{"quiltor", "--simulate-camera=a.png:noise=3"}, "b.png"),
            "a.png:noise=3");
  EXPECT_EQ(SimulatedCameraRequest(Args{"quiltor"}, "b.png"), "b.png");
  EXPECT_EQ(SimulatedCameraRequest(Args{"quiltor"}, ""), "specimen");
  // Another option that merely starts alike is not the request.
  EXPECT_EQ(SimulatedCameraRequest(Args{"quiltor", "--simulate-cameras"}, nullptr), std::nullopt);
}

TEST(ProgramVideoDevices, OffersTheSimulatedCameraOnlyWhenItsSpecReads) {
  std::string error;
  const auto without = ProgramVideoDevices(std::nullopt, error);
  EXPECT_TRUE(error.empty());
  const size_t cameras = without->DeviceNames().size();  // this machine's own, if any

  const auto with = ProgramVideoDevices(std::string("specimen:noise=3"), error);
  EXPECT_TRUE(error.empty()) << error;
  const std::vector<std::string> names = with->DeviceNames();
  ASSERT_EQ(names.size(), cameras + 1);
  EXPECT_NE(names.back().find("Имитация камеры"), std::string::npos);

  const auto bad = ProgramVideoDevices(std::string("specimen:colour=3"), error);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(bad->DeviceNames().size(), cameras);
}

TEST(OpenCaptureSource, NamesWhatIsWrongWithTheCameraAskedFor) {
  std::string error;
  EXPECT_EQ(OpenCaptureSource({"", "first", "", 0, 0}, error), nullptr);
  EXPECT_NE(error.find("--device"), std::string::npos);
  error.clear();
  EXPECT_EQ(OpenCaptureSource({"", "99", "", 0, 0}, error), nullptr);
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_EQ(OpenCaptureSource({"/nonexistent/slide.png", "", "", 0, 0}, error), nullptr);
  EXPECT_NE(error.find("slide.png"), std::string::npos);
}

}  // namespace
