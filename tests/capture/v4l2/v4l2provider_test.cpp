// The V4L2 device list: streaming capture nodes only, by card name, with the
// node's path added where two cards share a name; opening by index.
#include <gtest/gtest.h>

#include "capture/v4l2/fakev4l2device.h"
#include "capture/v4l2/v4l2provider.h"

namespace {

FakeNodeScript Camera(const std::string& card) {
  FakeNodeScript script;
  script.Card = card;
  script.Formats = {{V4L2_PIX_FMT_YUYV, "YUYV", 0, {{64, 48}}, {}}};
  return script;
}

TEST(V4l2Provider, ListsStreamingCaptureNodesByCardName) {
  auto fake = std::make_shared<FakeV4l2Device>();
  fake->AddNode("/dev/video0", Camera("USB Microscope"));
  FakeNodeScript metadata = Camera("USB Microscope");
  metadata.DeviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  fake->AddNode("/dev/video1", metadata);
  fake->AddNode("/dev/video2", Camera("TV Card"));
  FakeNodeScript locked = Camera("Locked");
  locked.OpenError = EACCES;
  fake->AddNode("/dev/video3", locked);
  FakeNodeScript readOnly = Camera("Old webcam");
  readOnly.DeviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE;
  fake->AddNode("/dev/video4", readOnly);

  V4l2Provider provider(fake);
  EXPECT_EQ(provider.DeviceNames(), (std::vector<std::string>{"USB Microscope", "TV Card"}));
  EXPECT_EQ(fake->OpenFds(), 0);
}

TEST(V4l2Provider, SameCardNamesAreToldApartByPath) {
  auto fake = std::make_shared<FakeV4l2Device>();
  fake->AddNode("/dev/video0", Camera("HD Webcam"));
  fake->AddNode("/dev/video2", Camera("HD Webcam"));
  fake->AddNode("/dev/video4", Camera("Microscope"));
  fake->AddNode("/dev/video6", Camera(""));
  V4l2Provider provider(fake);
  EXPECT_EQ(provider.DeviceNames(),
            (std::vector<std::string>{"HD Webcam (/dev/video0)", "HD Webcam (/dev/video2)",
                                      "Microscope", "/dev/video6"}));
}

TEST(V4l2Provider, DistinctNamesTable) {
  EXPECT_EQ(DistinctDeviceNames({}), std::vector<std::string>{});
  EXPECT_EQ(
      DistinctDeviceNames(
          {{"A", "/dev/video0"}, {"B", "/dev/video1"}, {"A", "/dev/video5"}, {"A", "/dev/video7"}}),
      (std::vector<std::string>{"A (/dev/video0)", "B", "A (/dev/video5)", "A (/dev/video7)"}));
}

TEST(V4l2Provider, OpensTheIndexedDeviceUnderItsListedName) {
  auto fake = std::make_shared<FakeV4l2Device>();
  fake->AddNode("/dev/video0", Camera("HD Webcam"));
  FakeNodeScript second = Camera("HD Webcam");
  second.Formats = {{V4L2_PIX_FMT_BGR24, "BGR", 0, {{8, 8}}, {}}};
  fake->AddNode("/dev/video2", second);
  V4l2Provider provider(fake);

  std::string error;
  std::unique_ptr<VideoSource> camera = provider.Open(1, error);
  ASSERT_TRUE(camera) << error;
  EXPECT_EQ(camera->PixelFormats(), std::vector<std::string>{"BGR"});
  // Errors name the device as the list shows it.
  fake->Script("/dev/video2", [](FakeNodeScript& s) { s.SetFormatError = EINVAL; });
  EXPECT_FALSE(camera->Start({8, 8}));
  EXPECT_NE(camera->Error().find("«HD Webcam (/dev/video2)»"), std::string::npos)
      << camera->Error();
  camera.reset();
  EXPECT_EQ(fake->OpenFds(), 0);
}

TEST(V4l2Provider, AnIndexPastTheListOpensNothing) {
  auto fake = std::make_shared<FakeV4l2Device>();
  fake->AddNode("/dev/video0", Camera("Only"));
  V4l2Provider provider(fake);
  std::string error;
  EXPECT_FALSE(provider.Open(1, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(provider.Open(-1, error));
  EXPECT_FALSE(error.empty());
}

TEST(V4l2Provider, ADeviceThatCannotBeOpenedSaysWhy) {
  auto fake = std::make_shared<FakeV4l2Device>();
  fake->AddNode("/dev/video0", Camera("Microscope"));
  V4l2Provider provider(fake);
  ASSERT_EQ(provider.DeviceNames().size(), 1u);
  // Taken by another program between the listing and the opening.
  fake->Script("/dev/video0", [](FakeNodeScript& s) { s.OpenError = EBUSY; });
  std::string error;
  EXPECT_FALSE(provider.Open(0, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
