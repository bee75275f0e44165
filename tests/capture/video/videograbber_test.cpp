// The video component over a scripted V4L2 camera: frames read on the
// camera's own thread reach the window's thread as OnFrameCaptureCompleted,
// and a camera that goes away is told once with the preview stopped.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cerrno>

#include "capture/v4l2/fakev4l2device.h"
#include "capture/v4l2/v4l2provider.h"
#include "capture/video/videograbber.h"

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 8;

std::shared_ptr<FakeV4l2Device> OneBgrCamera() {
  auto device = std::make_shared<FakeV4l2Device>();
  FakeNodeScript script;
  script.Card = "Камера стенда";
  script.Formats = {{V4L2_PIX_FMT_BGR24, "BGR 8-8-8", 0, {{kWidth, kHeight}, {8, 4}}, {}}};
  script.Inputs = {"Вход 1"};
  device->AddNode("/dev/video0", script);
  return device;
}

std::vector<uint8_t> Frame(uint8_t base) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      bytes.insert(bytes.end(), {static_cast<uint8_t>(base + x), static_cast<uint8_t>(y),
                                 static_cast<uint8_t>(base)});
    }
  }
  return bytes;
}

TEST(VideoGrabber, FramesFromTheCamerasThreadArriveOnTheWindowsThread) {
  const auto device = OneBgrCamera();
  TVideoGrabber grabber(std::make_unique<V4l2Provider>(device));
  ASSERT_EQ(grabber.VideoDevices(), QStringList{QStringLiteral("Камера стенда")});
  EXPECT_EQ(grabber.VideoSizes(), (QStringList{"8x4", "16x8"}));
  EXPECT_EQ(grabber.VideoSize(), 1);  // the largest, without 640 x 480 on offer
  EXPECT_FALSE(grabber.IsAnalogVideoStandardAvailable());
  EXPECT_FALSE(grabber.IsVideoInputAvailable());
  ASSERT_TRUE(grabber.StartPreview());
  EXPECT_EQ(grabber.Width(), kWidth);

  QSignalSpy frames(&grabber, &TVideoGrabber::OnFrameCaptureCompleted);
  Bitmap received;
  Qt::HANDLE thread = nullptr;
  QObject::connect(&grabber, &TVideoGrabber::OnFrameCaptureCompleted, &grabber,
                   [&](QObject*, const Bitmap& frame) {
                     received = frame;
                     thread = QThread::currentThreadId();
                   });
  ASSERT_TRUE(grabber.CaptureFrameTo(fc_TBitmap, QString()));
  ASSERT_TRUE(device->PushFrame(Frame(100)));
  ASSERT_TRUE(frames.wait(20000));
  EXPECT_EQ(thread, QThread::currentThreadId());
  ASSERT_EQ(received.Width(), kWidth);
  EXPECT_EQ(received.Pixel(3, 5)[0], 103);
  EXPECT_EQ(received.Pixel(3, 5)[1], 5);
  EXPECT_EQ(received.Pixel(3, 5)[2], 100);
  EXPECT_EQ(frames.first().at(6).value<TFrameCaptureDest>(), fc_TBitmap);

  // Without a request nothing is delivered, however many frames arrive.
  ASSERT_TRUE(device->PushFrame(Frame(50)));
  EXPECT_FALSE(frames.wait(300));
  EXPECT_EQ(frames.size(), 1);
  grabber.StopPreview();
}

TEST(VideoGrabber, ACameraThatGoesAwayIsToldOnceAndStops) {
  const auto device = OneBgrCamera();
  TVideoGrabber grabber(std::make_unique<V4l2Provider>(device));
  ASSERT_TRUE(grabber.StartPreview());
  QSignalSpy errors(&grabber, &TVideoGrabber::OnDeviceError);
  grabber.CaptureFrameTo(fc_TBitmap, QString());
  device->Lose(ENODEV, true);
  ASSERT_TRUE(errors.wait(20000));
  EXPECT_FALSE(errors.first().at(0).toString().isEmpty());
  EXPECT_FALSE(grabber.Previewing());
  // Later requests are refused and not told again.
  EXPECT_FALSE(grabber.CaptureFrameTo(fc_TBitmap, QString()));
  EXPECT_FALSE(errors.wait(300));
  EXPECT_EQ(errors.size(), 1);
}

}  // namespace
