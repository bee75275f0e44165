// The V4L2 camera against a scripted fake device: its lists and controls,
// frames converted by the real libv4lconvert to known BGR values, only the
// newest frame kept, a device lost mid-stream, every refusal on the way to
// streaming cleaned up, and a restart at another size.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>

#include "capture/v4l2/fakev4l2device.h"
#include "capture/v4l2/v4l2camera.h"

namespace {

const char* const kPath = "/dev/video0";
const char* const kName = "Microscope camera";

// Counts frame-ready notifications; tests wait on the count, never on time.
class Notifications {
 public:
  std::function<void()> Callback() {
    return [this] {
      const std::lock_guard lock(mutex_);
      ++count_;
      changed_.notify_all();
    };
  }
  // Generous: only a broken camera ever waits this long.
  bool WaitFor(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return count_ >= count; });
  }
  int Count() {
    const std::lock_guard lock(mutex_);
    return count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

FakeNodeScript MicroscopeScript() {
  FakeNodeScript script;
  script.Card = kName;
  script.BytesPerLinePadding = 8;  // rows are not packed: strides must be honoured
  script.Formats = {
      {V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", 0, {{64, 48}, {32, 24}, {160, 120}}, {}},
      {V4L2_PIX_FMT_MJPEG,
       "Motion-JPEG",
       V4L2_FMT_FLAG_COMPRESSED,
       {},
       v4l2_frmsize_stepwise{16, 1920, 16, 16, 1080, 8}},
      {V4L2_PIX_FMT_H264, "H.264", V4L2_FMT_FLAG_COMPRESSED, {{640, 480}}, {}},
      {V4L2_PIX_FMT_BGR24, "BGR 8-8-8", 0, {{8, 4}}, {}},
      {V4L2_PIX_FMT_RGB24, "", 0, {}, v4l2_frmsize_stepwise{16, 128, 16, 8, 96, 8}},
  };
  script.Standards = {{V4L2_STD_PAL, "PAL"}, {V4L2_STD_NTSC, "NTSC"}};
  script.Inputs = {"Camera 1", "Composite"};
  script.Controls = {
      TypedControl(V4L2_CID_USER_CLASS, "User Controls", V4L2_CTRL_TYPE_CTRL_CLASS),
      IntegerControl(V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 1, 0, 12),
      IntegerControl(V4L2_CID_CONTRAST, "Contrast", 0, 100, 0, 50, 40),
      IntegerControl(V4L2_CID_SATURATION, "Saturation", 0, 100, 1, 50, 50, V4L2_CTRL_FLAG_DISABLED),
      IntegerControl(V4L2_CID_HUE, "Hue", -180, 180, 1, 0, 7, V4L2_CTRL_FLAG_READ_ONLY),
      BooleanControl(V4L2_CID_AUTOGAIN, "Gain, Automatic", true),
      IntegerControl(V4L2_CID_GAIN, "Gain", 0, 255, 1, 32, 100, V4L2_CTRL_FLAG_INACTIVE),
      BooleanControl(V4L2_CID_HFLIP, "Horizontal Flip", false),
      TypedControl(V4L2_CID_CAMERA_CLASS, "Camera Controls", V4L2_CTRL_TYPE_CTRL_CLASS),
      MenuControl(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", 0, 3, 3,
                  {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}),
      IntegerControl(V4L2_CID_FOCUS_RELATIVE, "Focus, Relative", -10, 10, 1, 0, 4,
                     V4L2_CTRL_FLAG_WRITE_ONLY),
      TypedControl(V4L2_CID_PAN_RESET, "Pan, Reset", V4L2_CTRL_TYPE_BUTTON),
      TypedControl(V4L2_CID_PIXEL_RATE, "Pixel Rate", V4L2_CTRL_TYPE_INTEGER64),
  };
  return script;
}

// A YUYV frame laid out as the device says; each pixel's luma from lumaAt,
// the same chroma everywhere.
std::vector<uint8_t> YuyvFrame(const v4l2_pix_format& format,
                               const std::function<uint8_t(int, int)>& lumaAt, uint8_t u = 128,
                               uint8_t v = 128) {
  std::vector<uint8_t> bytes(format.sizeimage, 0);
  for (uint32_t y = 0; y < format.height; ++y)
    for (uint32_t x = 0; x < format.width; x += 2) {
      uint8_t* pair = bytes.data() + y * format.bytesperline + x * 2;
      pair[0] = lumaAt(x, y);
      pair[1] = u;
      pair[2] = lumaAt(x + 1, y);
      pair[3] = v;
    }
  return bytes;
}

std::vector<uint8_t> GreyYuyv(const v4l2_pix_format& format, uint8_t grey) {
  return YuyvFrame(format, [grey](int, int) { return grey; });
}

// Three bytes per pixel in the given order, rows bytesperline apart.
std::vector<uint8_t> PackedFrame(const v4l2_pix_format& format,
                                 const std::function<std::array<uint8_t, 3>(int, int)>& at) {
  std::vector<uint8_t> bytes(format.sizeimage, 0);
  for (uint32_t y = 0; y < format.height; ++y)
    for (uint32_t x = 0; x < format.width; ++x) {
      const std::array<uint8_t, 3> pixel = at(x, y);
      std::copy(pixel.begin(), pixel.end(), bytes.begin() + y * format.bytesperline + x * 3);
    }
  return bytes;
}

std::vector<uint8_t> JpegOf(const QImage& image) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, "JPG", 95));
  return std::vector<uint8_t>(data.begin(), data.end());
}

// Every pixel of the bitmap: blue, green, red as expected at its place.
::testing::AssertionResult PixelsAre(const Bitmap& frame,
                                     const std::function<std::array<int, 3>(int, int)>& bgrAt,
                                     int tolerance = 0) {
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const std::array<int, 3> want = bgrAt(x, y);
      const uint8_t* got = frame.Pixel(x, y);
      for (int c = 0; c < 3; ++c)
        if (std::abs(got[c] - want[c]) > tolerance)
          return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") channel " << c
                                               << ": " << int{got[c]} << " instead of " << want[c];
    }
  return ::testing::AssertionSuccess();
}

std::array<int, 3> Grey(int level) { return {level, level, level}; }

class V4l2CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_->AddNode(kPath, MicroscopeScript());
    OpenCamera();
  }
  void TearDown() override {
    camera_.reset();
    EXPECT_EQ(fake_->OpenFds(), 0);
    EXPECT_EQ(fake_->LiveMappings(), 0);
    EXPECT_EQ(fake_->AllocatedBuffers(), 0);
    EXPECT_EQ(fake_->Misuses(), 0);
  }

  void OpenCamera() {
    std::string error;
    camera_ = V4l2Camera::Open(fake_, kPath, kName, error);
    ASSERT_TRUE(camera_) << error;
    EXPECT_TRUE(error.empty());
    camera_->SetFrameReady(notified_.Callback());
  }
  void Choose(const std::string& formatName) {
    const std::vector<std::string> names = camera_->PixelFormats();
    const auto found = std::find(names.begin(), names.end(), formatName);
    ASSERT_NE(found, names.end()) << formatName;
    ASSERT_TRUE(camera_->SetPixelFormat(static_cast<int>(found - names.begin())));
  }
  // Pushes one frame and waits until the camera has announced it (or any later one).
  void Deliver(const std::vector<uint8_t>& bytes) {
    const int before = notified_.Count();
    ASSERT_TRUE(fake_->PushFrame(bytes));
    ASSERT_TRUE(notified_.WaitFor(before + 1));
  }
  v4l2_pix_format Format() const { return fake_->Format(kPath); }

  std::shared_ptr<FakeV4l2Device> fake_ = std::make_shared<FakeV4l2Device>();
  Notifications notified_;  // outlives the camera, whose notification refers to it
  std::unique_ptr<V4l2Camera> camera_;
};

TEST_F(V4l2CameraTest, ListsFormatsSizesStandardsAndInputs) {
  // H.264 cannot become a bitmap; a nameless format shows its code.
  EXPECT_EQ(camera_->PixelFormats(),
            (std::vector<std::string>{"YUYV 4:2:2", "Motion-JPEG", "BGR 8-8-8", "RGB3"}));
  EXPECT_EQ(camera_->PixelFormat(), 0);
  EXPECT_EQ(camera_->FrameSizes(), (std::vector<FrameSize>{{32, 24}, {64, 48}, {160, 120}}));
  EXPECT_EQ(camera_->Standards(), (std::vector<std::string>{"PAL", "NTSC"}));
  EXPECT_EQ(camera_->Standard(), 0);
  EXPECT_EQ(camera_->Inputs(), (std::vector<std::string>{"Camera 1", "Composite"}));
  EXPECT_EQ(camera_->Input(), 0);
  EXPECT_TRUE(camera_->Error().empty());
  EXPECT_FALSE(camera_->Running());
}

TEST_F(V4l2CameraTest, SizesFollowThePixelFormat) {
  Choose("RGB3");
  // 16..128 step 16 by 8..96 step 8: the common sizes that fit, with both ends.
  EXPECT_EQ(camera_->FrameSizes(), (std::vector<FrameSize>{{16, 8}, {128, 96}}));
  Choose("Motion-JPEG");
  const std::vector<FrameSize> sizes = camera_->FrameSizes();
  EXPECT_EQ(sizes.front(), (FrameSize{16, 16}));
  EXPECT_EQ(sizes.back(), (FrameSize{1920, 1080}));
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), FrameSize{640, 480}), sizes.end());
  EXPECT_FALSE(camera_->SetPixelFormat(4));
  EXPECT_FALSE(camera_->Error().empty());
  EXPECT_EQ(camera_->PixelFormat(), 1);
}

TEST_F(V4l2CameraTest, ChoosesStandardAndInput) {
  EXPECT_TRUE(camera_->SetStandard(1));
  EXPECT_EQ(camera_->Standard(), 1);
  EXPECT_TRUE(camera_->SetInput(1));
  EXPECT_EQ(camera_->Input(), 1);
  EXPECT_TRUE(camera_->Error().empty());
  EXPECT_FALSE(camera_->SetInput(2));
  EXPECT_FALSE(camera_->Error().empty());
  EXPECT_FALSE(camera_->SetStandard(-1));
  EXPECT_EQ(camera_->Input(), 1);
  EXPECT_EQ(camera_->Standard(), 1);
}

TEST_F(V4l2CameraTest, RefusedStandardOrInputNamesTheDevice) {
  ASSERT_TRUE(camera_->Start({64, 48}));
  // The fake, like drivers, refuses to switch while streaming.
  EXPECT_FALSE(camera_->SetInput(1));
  EXPECT_NE(camera_->Error().find("«Microscope camera» не приняло вход «Composite»"),
            std::string::npos)
      << camera_->Error();
  EXPECT_FALSE(camera_->SetStandard(1));
  EXPECT_NE(camera_->Error().find("стандарт «NTSC»"), std::string::npos) << camera_->Error();
}

TEST(V4l2CameraPlain, DeviceWithoutStandardsOrInputs) {
  auto fake = std::make_shared<FakeV4l2Device>();
  FakeNodeScript script;
  script.Formats = {{V4L2_PIX_FMT_YUYV, "YUYV", 0, {{64, 48}}, {}}};
  fake->AddNode(kPath, script);
  std::string error;
  const auto camera = V4l2Camera::Open(fake, kPath, "Webcam", error);
  ASSERT_TRUE(camera) << error;
  EXPECT_TRUE(camera->Standards().empty());
  EXPECT_EQ(camera->Standard(), -1);
  EXPECT_EQ(camera->Inputs().size(), 1u);
  EXPECT_EQ(camera->Input(), 0);
  EXPECT_TRUE(camera->Controls().empty());
}

TEST_F(V4l2CameraTest, MapsEveryShowableControl) {
  const std::vector<VideoControl> controls = camera_->Controls();
  std::vector<std::string> names;
  for (const VideoControl& control : controls) names.push_back(control.Name);
  // No class headings, nothing disabled, no button or 64-bit control.
  EXPECT_EQ(names,
            (std::vector<std::string>{"Brightness", "Contrast", "Hue", "Gain, Automatic", "Gain",
                                      "Horizontal Flip", "Auto Exposure", "Focus, Relative"}));
  ASSERT_EQ(controls.size(), 8u);
  EXPECT_EQ(controls[0].Id, V4L2_CID_BRIGHTNESS);
  EXPECT_EQ(controls[0].Type, VideoControl::Kind::Integer);
  EXPECT_EQ(controls[0].Minimum, -64);
  EXPECT_EQ(controls[0].Maximum, 64);
  EXPECT_EQ(controls[0].Value, 12);
  EXPECT_FALSE(controls[0].ReadOnly);
  EXPECT_EQ(controls[1].Step, 1);  // the device said 0
  EXPECT_TRUE(controls[2].ReadOnly);
  EXPECT_EQ(controls[2].Value, 7);
  EXPECT_EQ(controls[3].Type, VideoControl::Kind::Boolean);
  EXPECT_EQ(controls[3].Value, 1);
  EXPECT_TRUE(controls[4].ReadOnly);  // inactive while automatic gain is on
  EXPECT_EQ(controls[4].Value, 100);
  EXPECT_EQ(controls[6].Type, VideoControl::Kind::Menu);
  EXPECT_EQ(controls[6].Value, 3);
  EXPECT_EQ(controls[6].MenuItems, (std::vector<std::pair<int32_t, std::string>>{
                                       {1, "Manual Mode"}, {3, "Aperture Priority Mode"}}));
  EXPECT_EQ(controls[7].Value, 0);  // write-only: its default
}

TEST_F(V4l2CameraTest, SetsControlsAndNamesTheOneRefused) {
  EXPECT_TRUE(camera_->SetControl(V4L2_CID_BRIGHTNESS, -20));
  EXPECT_TRUE(camera_->SetControl(V4L2_CID_EXPOSURE_AUTO, 1));
  const std::vector<VideoControl> controls = camera_->Controls();
  EXPECT_EQ(controls[0].Value, -20);
  EXPECT_EQ(controls[6].Value, 1);
  EXPECT_TRUE(camera_->Error().empty());

  EXPECT_FALSE(camera_->SetControl(V4L2_CID_BRIGHTNESS, 500));
  EXPECT_NE(camera_->Error().find("настройки «Brightness»"), std::string::npos) << camera_->Error();
  EXPECT_FALSE(camera_->SetControl(V4L2_CID_HUE, 1));
  EXPECT_NE(camera_->Error().find("«Hue»"), std::string::npos) << camera_->Error();
  EXPECT_EQ(camera_->Controls()[0].Value, -20);
}

TEST_F(V4l2CameraTest, YuyvGreyLevelsBecomeEqualBlueGreenRed) {
  ASSERT_TRUE(camera_->Start({64, 48}));
  EXPECT_TRUE(camera_->Running());
  EXPECT_EQ(camera_->StreamSize(), (FrameSize{64, 48}));
  // Four quadrants of different grey, and a one-pixel stripe at x = 5: any
  // mix-up of rows, columns or stride shows.
  const auto level = [](int x, int y) {
    return (x < 32 ? 40 : 200) + (y < 24 ? 0 : 15) + (x == 5 ? 30 : 0);
  };
  Deliver(YuyvFrame(Format(), [&](int x, int y) { return static_cast<uint8_t>(level(x, y)); }));
  const std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->Width(), 64);
  ASSERT_EQ(frame->Height(), 48);
  // With neutral chroma libv4lconvert gives blue = green = red = luma exactly.
  EXPECT_TRUE(PixelsAre(*frame, [&](int x, int y) { return Grey(level(x, y)); }));
}

TEST_F(V4l2CameraTest, YuyvColoursLandInTheirChannels) {
  ASSERT_TRUE(camera_->Start({32, 24}));
  // BT.601 red (Y 81, U 90, V 240) and blue (Y 41, U 240, V 110); the
  // converter's integer coefficients differ a little from the textbook's,
  // so each is checked by its dominant channel.
  Deliver(YuyvFrame(
      Format(), [](int, int) { return uint8_t{81}; }, 90, 240));
  std::optional<Bitmap> red = camera_->TakeFrame();
  ASSERT_TRUE(red);
  EXPECT_GT(red->Pixel(3, 3)[2], 200);
  EXPECT_LT(red->Pixel(3, 3)[1], 50);
  EXPECT_LT(red->Pixel(3, 3)[0], 50);
  Deliver(YuyvFrame(
      Format(), [](int, int) { return uint8_t{41}; }, 240, 110));
  std::optional<Bitmap> blue = camera_->TakeFrame();
  ASSERT_TRUE(blue);
  EXPECT_GT(blue->Pixel(3, 3)[0], 200);
  EXPECT_LT(blue->Pixel(3, 3)[1], 50);
  EXPECT_LT(blue->Pixel(3, 3)[2], 50);
}

TEST_F(V4l2CameraTest, Bgr24AndRgb24AreCopiedExactly) {
  Choose("BGR 8-8-8");
  ASSERT_TRUE(camera_->Start({8, 4}));
  const auto bgr = [](int x, int y) { return std::array<int, 3>{x * 15, y * 30, 255 - x - y}; };
  Deliver(PackedFrame(Format(), [&](int x, int y) {
    const auto p = bgr(x, y);
    return std::array<uint8_t, 3>{uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2])};
  }));
  std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_TRUE(PixelsAre(*frame, bgr));

  camera_->Stop();
  Choose("RGB3");
  ASSERT_TRUE(camera_->Start({16, 8}));
  Deliver(PackedFrame(Format(), [&](int x, int y) {
    const auto p = bgr(x, y);
    return std::array<uint8_t, 3>{uint8_t(p[2]), uint8_t(p[1]), uint8_t(p[0])};
  }));
  frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_TRUE(PixelsAre(*frame, bgr));
}

TEST_F(V4l2CameraTest, MotionJpegIsDecodedAndABrokenFrameSkipped) {
  Choose("Motion-JPEG");
  ASSERT_TRUE(camera_->Start({64, 48}));
  ASSERT_EQ(camera_->StreamSize(), (FrameSize{64, 48}));
  QImage picture(64, 48, QImage::Format_RGB888);
  picture.fill(QColor(200, 120, 40));
  ASSERT_TRUE(fake_->PushFrame(std::vector<uint8_t>(300, 0x55)));     // not a JPEG at all
  ASSERT_TRUE(fake_->PushFrame(JpegOf(picture.copy(0, 0, 32, 24))));  // the wrong size
  Deliver(JpegOf(picture));
  // Frames are handled in order: the two before were seen and dropped.
  EXPECT_EQ(notified_.Count(), 1);
  const std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_TRUE(PixelsAre(
      *frame,
      [](int, int) {
        return std::array<int, 3>{40, 120, 200};
      },
      6));
  // A frame of the wrong size must not spoil the ones after it.
  ASSERT_TRUE(fake_->PushFrame(JpegOf(picture.copy(0, 0, 32, 24))));
  picture.fill(QColor(20, 220, 90));
  Deliver(JpegOf(picture));
  EXPECT_EQ(notified_.Count(), 2);
  const std::optional<Bitmap> next = camera_->TakeFrame();
  ASSERT_TRUE(next);
  EXPECT_TRUE(PixelsAre(
      *next,
      [](int, int) {
        return std::array<int, 3>{90, 220, 20};
      },
      6));
}

TEST_F(V4l2CameraTest, ShortAndDamagedFramesAreSkipped) {
  ASSERT_TRUE(camera_->Start({64, 48}));
  std::vector<uint8_t> shortFrame = GreyYuyv(Format(), 90);
  shortFrame.resize(shortFrame.size() / 2);
  ASSERT_TRUE(fake_->PushFrame(shortFrame));
  ASSERT_TRUE(fake_->PushFrame(GreyYuyv(Format(), 91), V4L2_BUF_FLAG_ERROR));
  ASSERT_TRUE(fake_->PushFrame({}));
  Deliver(GreyYuyv(Format(), 92));
  EXPECT_EQ(notified_.Count(), 1);
  const std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_TRUE(PixelsAre(*frame, [](int, int) { return Grey(92); }));
}

TEST_F(V4l2CameraTest, OnlyTheNewestFrameIsKept) {
  ASSERT_TRUE(camera_->Start({32, 24}));
  for (const uint8_t grey : {10, 20, 30, 40, 50, 60})
    ASSERT_TRUE(fake_->PushFrame(GreyYuyv(Format(), grey)));
  ASSERT_TRUE(notified_.WaitFor(6));
  const std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_TRUE(PixelsAre(*frame, [](int, int) { return Grey(60); }));
  EXPECT_FALSE(camera_->TakeFrame());
  Deliver(GreyYuyv(Format(), 70));
  EXPECT_TRUE(camera_->TakeFrame());
  EXPECT_FALSE(camera_->TakeFrame());
}

TEST_F(V4l2CameraTest, NotificationMayTakeTheFrameOnTheReaderThread) {
  std::mutex mutex;
  std::vector<int> greys;
  V4l2Camera* camera = camera_.get();
  auto forward = notified_.Callback();
  camera_->SetFrameReady([&, camera, forward] {
    if (std::optional<Bitmap> frame = camera->TakeFrame()) {
      const std::lock_guard lock(mutex);
      greys.push_back(frame->Pixel(0, 0)[0]);
    }
    forward();
  });
  ASSERT_TRUE(camera_->Start({32, 24}));
  Deliver(GreyYuyv(Format(), 33));
  Deliver(GreyYuyv(Format(), 66));
  camera_->Stop();
  const std::lock_guard lock(mutex);
  EXPECT_EQ(greys, (std::vector<int>{33, 66}));
}

struct LossCase {
  const char* Name;
  int Error;
  bool ViaPoll;
};

class V4l2CameraLoss : public V4l2CameraTest, public ::testing::WithParamInterface<LossCase> {};

TEST_P(V4l2CameraLoss, LostDeviceStopsWithAnErrorAndKeepsTakenFrames) {
  ASSERT_TRUE(camera_->Start({64, 48}));
  Deliver(GreyYuyv(Format(), 77));
  const std::optional<Bitmap> taken = camera_->TakeFrame();
  ASSERT_TRUE(taken);

  const int before = notified_.Count();
  fake_->Lose(GetParam().Error, GetParam().ViaPoll);
  ASSERT_TRUE(notified_.WaitFor(before + 1));  // raised once more, so the owner looks
  EXPECT_FALSE(camera_->Running());
  EXPECT_EQ(camera_->Error(), "Видеоустройство «Microscope camera» отключено или не отвечает");
  EXPECT_FALSE(camera_->TakeFrame());
  camera_->Stop();  // does not hang on a dead device
  EXPECT_TRUE(PixelsAre(*taken, [](int, int) { return Grey(77); }));
  EXPECT_FALSE(camera_->Start({64, 48}));
  EXPECT_FALSE(camera_->Error().empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, V4l2CameraLoss,
                         ::testing::Values(LossCase{"PollError", ENODEV, true},
                                           LossCase{"DequeueFails", EIO, false},
                                           LossCase{"Unplugged", ENODEV, false}),
                         [](const auto& c) { return std::string(c.param.Name); });

TEST_F(V4l2CameraTest, StopsAndStartsAgainAtAnotherSize) {
  ASSERT_TRUE(camera_->Start({64, 48}));
  Deliver(GreyYuyv(Format(), 100));
  std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->Width(), 64);

  camera_->Stop();
  EXPECT_FALSE(camera_->Running());
  EXPECT_FALSE(fake_->Streaming());
  EXPECT_EQ(fake_->LiveMappings(), 0);
  EXPECT_EQ(fake_->AllocatedBuffers(), 0);
  camera_->Stop();  // harmless twice

  ASSERT_TRUE(camera_->Start({32, 24}));
  EXPECT_EQ(camera_->StreamSize(), (FrameSize{32, 24}));
  EXPECT_EQ(Format().width, 32u);
  Deliver(GreyYuyv(Format(), 150));
  frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->Width(), 32);
  EXPECT_EQ(frame->Height(), 24);
  EXPECT_TRUE(PixelsAre(*frame, [](int, int) { return Grey(150); }));

  // Start while running restarts at the new size.
  ASSERT_TRUE(camera_->Start({160, 120}));
  EXPECT_EQ(camera_->StreamSize(), (FrameSize{160, 120}));
  Deliver(GreyYuyv(Format(), 10));
  frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->Width(), 160);
}

TEST_F(V4l2CameraTest, StreamSizeIsWhatTheDeviceChose) {
  Choose("RGB3");
  ASSERT_TRUE(camera_->Start({70, 50}));  // on a grid of 16 × 8
  EXPECT_EQ(camera_->StreamSize(), (FrameSize{64, 48}));
  Deliver(PackedFrame(Format(), [](int, int) { return std::array<uint8_t, 3>{1, 2, 3}; }));
  const std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->Width(), 64);
  EXPECT_EQ(frame->Height(), 48);
}

TEST_F(V4l2CameraTest, DestroyedWhileStreaming) {
  ASSERT_TRUE(camera_->Start({32, 24}));
  Deliver(GreyYuyv(Format(), 5));
  ASSERT_TRUE(fake_->PushFrame(GreyYuyv(Format(), 6)));
  camera_.reset();  // TearDown checks that nothing is left open or mapped
}

struct RefusalCase {
  const char* Name;
  std::function<void(FakeNodeScript&)> Break;
  const char* Says;
};

class V4l2CameraRefusal : public V4l2CameraTest,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(V4l2CameraRefusal, FailedStartLeavesNothingBehindAndCanBeRetried) {
  fake_->Script(kPath, GetParam().Break);
  EXPECT_FALSE(camera_->Start({64, 48}));
  EXPECT_FALSE(camera_->Running());
  EXPECT_NE(camera_->Error().find(GetParam().Says), std::string::npos) << camera_->Error();
  EXPECT_NE(camera_->Error().find(kName), std::string::npos) << camera_->Error();
  EXPECT_FALSE(fake_->Streaming());
  EXPECT_EQ(fake_->LiveMappings(), 0);
  EXPECT_EQ(fake_->AllocatedBuffers(), 0);

  fake_->Script(kPath, [](FakeNodeScript& script) { script = MicroscopeScript(); });
  ASSERT_TRUE(camera_->Start({64, 48})) << camera_->Error();
  EXPECT_TRUE(camera_->Error().empty());
  Deliver(GreyYuyv(Format(), 123));
  EXPECT_TRUE(camera_->TakeFrame());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, V4l2CameraRefusal,
    ::testing::Values(RefusalCase{"FormatRefused",
                                  [](FakeNodeScript& s) { s.SetFormatError = EBUSY; },
                                  "не приняло формат «YUYV 4:2:2» 64 × 48: устройство занято"},
                      RefusalCase{"NoBuffers", [](FakeNodeScript& s) { s.BuffersGranted = 0; },
                                  "не выделило ни одного буфера"},
                      RefusalCase{"MappingFails", [](FakeNodeScript& s) { s.MmapFailsAt = 2; },
                                  "Не удалось отобразить в память"},
                      RefusalCase{"StreamOnFails", [](FakeNodeScript& s) { s.StreamOnError = EIO; },
                                  "не начало передачу кадров"}),
    [](const auto& c) { return std::string(c.param.Name); });

TEST_F(V4l2CameraTest, FewerBuffersThanAskedStillStream) {
  fake_->Script(kPath, [](FakeNodeScript& script) { script.BuffersGranted = 1; });
  ASSERT_TRUE(camera_->Start({32, 24}));
  for (const uint8_t grey : {1, 2, 3}) Deliver(GreyYuyv(Format(), grey));
  const std::optional<Bitmap> frame = camera_->TakeFrame();
  ASSERT_TRUE(frame);
  EXPECT_TRUE(PixelsAre(*frame, [](int, int) { return Grey(3); }));
}

struct OpenCase {
  const char* Name;
  std::function<void(FakeNodeScript&)> Break;
  const char* Says;
};

class V4l2CameraOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(V4l2CameraOpen, UnusableDeviceIsNotOpened) {
  auto fake = std::make_shared<FakeV4l2Device>();
  FakeNodeScript script = MicroscopeScript();
  GetParam().Break(script);
  fake->AddNode(kPath, script);
  std::string error;
  EXPECT_FALSE(V4l2Camera::Open(fake, kPath, kName, error));
  EXPECT_NE(error.find(GetParam().Says), std::string::npos) << error;
  EXPECT_NE(error.find(kName), std::string::npos) << error;
  EXPECT_EQ(fake->OpenFds(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, V4l2CameraOpen,
    ::testing::Values(
        OpenCase{"NoAccess", [](FakeNodeScript& s) { s.OpenError = EACCES; },
                 "Не удалось открыть видеоустройство «Microscope camera» (/dev/video0): нет прав"},
        OpenCase{
            "NotACamera",
            [](FakeNodeScript& s) { s.DeviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING; },
            "не камера с потоковой передачей"},
        OpenCase{
            "ReadOnlyCamera",
            [](FakeNodeScript& s) { s.DeviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE; },
            "не камера с потоковой передачей"},
        OpenCase{"OnlyH264",
                 [](FakeNodeScript& s) {
                   s.Formats = {
                       {V4L2_PIX_FMT_H264, "H.264", V4L2_FMT_FLAG_COMPRESSED, {{640, 480}}, {}}};
                 },
                 "не предлагает ни одного формата"}),
    [](const auto& c) { return std::string(c.param.Name); });

}  // namespace
