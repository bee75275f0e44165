// The simulated camera against pictures cut by the test itself: each frame
// must be the picture's window at the path position, and noise, flicker,
// picture controls and flips must change it only when switched on.
#include "capture/simulated/simulatedcamera.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "imagefiles/imagefiles.h"
#include "samples/tissue.h"
#include "support/testimages.h"

namespace {

// ---- the spec text ----

struct SpecCase {
  const char* Text;
  SimulatedCameraOptions Expected;
};

class SpecParsing : public ::testing::TestWithParam<SpecCase> {};

TEST_P(SpecParsing, ReadsEveryField) {
  std::string error;
  const auto options = ParseSimulatedCameraSpec(GetParam().Text, error);
  ASSERT_TRUE(options) << error;
  const SimulatedCameraOptions& want = GetParam().Expected;
  EXPECT_EQ(options->Picture, want.Picture);
  EXPECT_EQ(options->PathFile, want.PathFile);
  EXPECT_EQ(options->Noise, want.Noise);
  EXPECT_EQ(options->Flicker, want.Flicker);
  EXPECT_EQ(options->Seed, want.Seed);
}

INSTANTIATE_TEST_SUITE_P(Specs, SpecParsing,
                         ::testing::Values(SpecCase{"", {}}, SpecCase{"specimen", {}},
                                           SpecCase{"specimen:noise=3:seed=9", {"", "", 3, 0, 9}},
                                           SpecCase{"/tmp/slide.png",
                                                    {"/tmp/slide.png", "", 0, 0, 1}},
                                           SpecCase{"slide.png:path=walk.txt:noise=5:flicker=50",
                                                    {"slide.png", "walk.txt", 5, 50, 1}}));

TEST(SpecParsing, RefusesBadFieldsNamingThem) {
  for (const char* bad : {"a.png:noise=51", "a.png:noise=-1", "a.png:noise=x", "a.png:flicker=",
                          "a.png:bogus=1", "a.png:noise", "a.png:path=", "a.png:seed=1.5"}) {
    std::string error;
    EXPECT_FALSE(ParseSimulatedCameraSpec(bad, error)) << bad;
    const std::string field = std::string(bad).substr(6);
    EXPECT_NE(error.find(field), std::string::npos) << error;
  }
}

// ---- files ----

class CameraFiles : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir("simcam"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) const {
    std::string file = dir_ + "/" + name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  std::string SavePicture(const Bitmap& picture) const {
    std::string file = dir_ + "/picture.png";
    EXPECT_TRUE(PixSaveImage(file, picture).Ok());
    return file;
  }
  std::unique_ptr<VideoSource> Open(const SimulatedCameraOptions& options, std::string& error) {
    SimulatedCameraProvider provider(options);
    return provider.Open(0, error);
  }

  std::string dir_;
};

TEST_F(CameraFiles, PathFileSkipsCommentsAndBlanks) {
  const std::string file = Write("walk.txt", "# start\n10 20\n\n   \n  -5\t7  \r\n#x\n300 0");
  std::string error;
  const auto path = ReadCameraPath(file, error);
  ASSERT_TRUE(path) << error;
  EXPECT_EQ(*path, (std::vector<Point>{{10, 20}, {-5, 7}, {300, 0}}));
}

TEST_F(CameraFiles, PathFileErrorsNameFileAndLine) {
  for (const char* line : {"10 x", "10", "1 2 3", "1,2", "99999999999 1"}) {
    const std::string file = Write("bad.txt", std::string("# c\n1 2\n\n") + line + "\n5 5\n");
    std::string error;
    EXPECT_FALSE(ReadCameraPath(file, error)) << line;
    EXPECT_NE(error.find("bad.txt"), std::string::npos) << error;
    EXPECT_NE(error.find("строка 4"), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(ReadCameraPath(dir_ + "/none.txt", error));
  EXPECT_NE(error.find("none.txt"), std::string::npos);
  EXPECT_FALSE(ReadCameraPath(Write("empty.txt", "# only\n\n"), error));
  EXPECT_NE(error.find("empty.txt"), std::string::npos);
}

TEST_F(CameraFiles, OpenFailsOnUnusablePictureOrPath) {
  std::string error;
  SimulatedCameraOptions options;
  options.Picture = dir_ + "/missing.png";
  EXPECT_FALSE(Open(options, error));
  EXPECT_NE(error.find("missing.png"), std::string::npos) << error;

  options.Picture = Write("broken.png", "not a picture at all");
  error.clear();
  EXPECT_FALSE(Open(options, error));
  EXPECT_NE(error.find("broken.png"), std::string::npos) << error;

  options.Picture = SavePicture(TexturedBitmap(300, 400, 2));  // narrower than 320
  error.clear();
  EXPECT_FALSE(Open(options, error));
  EXPECT_NE(error.find("picture.png"), std::string::npos) << error;

  options.Picture = SavePicture(TexturedBitmap(400, 300, 2));
  options.PathFile = Write("walk.txt", "1 1\noops\n");
  error.clear();
  EXPECT_FALSE(Open(options, error));
  EXPECT_NE(error.find("строка 2"), std::string::npos) << error;
}

TEST_F(CameraFiles, OffersOneDeviceNamedAfterPicture) {
  SimulatedCameraProvider specimen({});
  EXPECT_EQ(specimen.DeviceNames(), std::vector<std::string>{"Имитация камеры"});
  SimulatedCameraProvider file({dir_ + "/slide.png"});
  EXPECT_EQ(file.DeviceNames(), std::vector<std::string>{"Имитация камеры (slide.png)"});
  std::string error;
  EXPECT_FALSE(file.Open(1, error));
  EXPECT_FALSE(error.empty());
}

// ---- frames ----

class CameraFrames : public CameraFiles {
 protected:
  void SetUp() override {
    CameraFiles::SetUp();
    picture_ = Picture();
    options_.Picture = SavePicture(picture_);
  }
  virtual Bitmap Picture() const { return TexturedBitmap(1000, 700, 5); }
  std::unique_ptr<SimulatedCamera> OpenCamera() {
    std::string error;
    std::unique_ptr<VideoSource> source = Open(options_, error);
    EXPECT_TRUE(source) << error;
    return std::unique_ptr<SimulatedCamera>(dynamic_cast<SimulatedCamera*>(source.release()));
  }
  Bitmap Window(Point at, int w = 640, int h = 480) const {
    return CropBitmap(picture_, at.X, at.Y, w, h);
  }

  Bitmap picture_;
  SimulatedCameraOptions options_;
};

TEST_F(CameraFrames, OffersOnlySizesThatFitThePicture) {
  auto camera = OpenCamera();
  EXPECT_EQ(camera->FrameSizes(), (std::vector<FrameSize>{{320, 240}, {640, 480}, {800, 600}}));
  EXPECT_EQ(camera->PixelFormats().size(), 1u);
  EXPECT_TRUE(camera->Standards().empty());
  EXPECT_EQ(camera->Inputs().size(), 1u);
  EXPECT_FALSE(camera->Start({1024, 768}));
  EXPECT_FALSE(camera->Error().empty());
  EXPECT_FALSE(camera->Start({641, 480}));
  EXPECT_FALSE(camera->Running());
  EXPECT_FALSE(camera->TakeFrame());
}

TEST_F(CameraFrames, FramesFollowThePathAndClampInside) {
  options_.PathFile = Write("walk.txt", "0 0\n100 50\n# pause\n\n360 220\n-40 900\n5000 -3\n7 9\n");
  auto camera = OpenCamera();
  int notified = 0;
  camera->SetFrameReady([&notified] { ++notified; });
  ASSERT_TRUE(camera->Start({640, 480}));
  EXPECT_EQ(notified, 1);
  // 1000 x 700 leaves the corner 0..360 across and 0..220 down.
  const std::vector<Point> expected{{0, 0},   {100, 50}, {360, 220}, {0, 220},
                                    {360, 0}, {7, 9},    {7, 9},     {7, 9}};
  for (size_t n = 0; n < expected.size(); ++n) {
    const std::optional<Bitmap> frame = camera->TakeFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(camera->Position(), expected[n]) << n;
    EXPECT_EQ(camera->FrameNumber(), n + 1);
    EXPECT_TRUE(*frame == Window(expected[n])) << n;
  }
  // A restart begins the path again.
  ASSERT_TRUE(camera->Start({320, 240}));
  EXPECT_EQ(camera->FrameNumber(), 0u);
  EXPECT_TRUE(*camera->TakeFrame() == Window({0, 0}, 320, 240));
  camera->Stop();
  EXPECT_FALSE(camera->TakeFrame());
}

TEST_F(CameraFrames, ArrowKeysShiftTheViewWithinThePicture) {
  auto camera = OpenCamera();
  ASSERT_TRUE(camera->Start({640, 480}));
  camera->TakeFrame();
  EXPECT_EQ(camera->Position(), (Point{180, 110}));  // centred
  EXPECT_TRUE(camera->MoveView(-30, 20));
  EXPECT_TRUE(*camera->TakeFrame() == Window({150, 130}));
  // Far past the edge: the view stops there, and one step back moves it at once.
  camera->MoveView(-5000, 0);
  camera->TakeFrame();
  EXPECT_EQ(camera->Position(), (Point{0, 130}));
  camera->MoveView(10, 0);
  EXPECT_TRUE(*camera->TakeFrame() == Window({10, 130}));
}

TEST_F(CameraFrames, ArrowKeysAddToThePath) {
  options_.PathFile = Write("walk.txt", "100 100\n200 100\n");
  auto camera = OpenCamera();
  ASSERT_TRUE(camera->Start({640, 480}));
  camera->TakeFrame();
  camera->MoveView(5, -7);
  EXPECT_TRUE(*camera->TakeFrame() == Window({205, 93}));
}

TEST_F(CameraFrames, FlipsMirrorTheWindow) {
  auto camera = OpenCamera();
  ASSERT_TRUE(camera->Start({320, 240}));
  ASSERT_TRUE(camera->SetControl(V4L2_CID_HFLIP, 1));
  const Bitmap mirrored = *camera->TakeFrame();
  const Bitmap straight = Window(camera->Position(), 320, 240);
  ASSERT_TRUE(camera->SetControl(V4L2_CID_HFLIP, 0));
  ASSERT_TRUE(camera->SetControl(V4L2_CID_VFLIP, 1));
  const Bitmap upsideDown = *camera->TakeFrame();
  for (int y = 0; y < 240; y += 7) {
    for (int x = 0; x < 320; x += 5) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(mirrored.Pixel(x, y)[c], straight.Pixel(319 - x, y)[c]);
        ASSERT_EQ(upsideDown.Pixel(x, y)[c], straight.Pixel(x, 239 - y)[c]);
      }
    }
  }
  EXPECT_FALSE(camera->SetControl(V4L2_CID_VFLIP, 2));
  EXPECT_FALSE(camera->SetControl(99, 0));
}

// ---- noise and flicker on a flat grey picture, where their size is known ----

class CameraLight : public CameraFrames {
 protected:
  Bitmap Picture() const override { return FlatBitmap(640, 480, 120, 120, 120); }
  std::vector<Bitmap> Frames(int count) {
    auto camera = OpenCamera();
    EXPECT_TRUE(camera->Start({640, 480}));
    std::vector<Bitmap> frames;
    frames.reserve(count);
    for (int i = 0; i < count; ++i) frames.push_back(*camera->TakeFrame());
    return frames;
  }
};

TEST_F(CameraLight, NoiseHasItsStandardDeviationAndRepeatsBySeed) {
  options_.Noise = 10;
  const std::vector<Bitmap> first = Frames(2);
  double sum = 0, sumSquares = 0;
  const int w = first[0].Width(), h = first[0].Height();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double d = first[0].Pixel(x, y)[1] - 120.0;
      sum += d;
      sumSquares += d * d;
    }
  }
  const double n = static_cast<double>(w) * h;
  EXPECT_NEAR(sum / n, 0.0, 0.3);
  EXPECT_NEAR(std::sqrt(sumSquares / n), 10.0, 0.5);
  EXPECT_FALSE(first[0] == first[1]);
  EXPECT_TRUE(Frames(2) == first);
  options_.Seed = 2;
  EXPECT_FALSE(Frames(1)[0] == first[0]);
}

TEST_F(CameraLight, FlickerScalesWholeFramesWithinItsAmplitude) {
  options_.Flicker = 20;
  std::vector<int> levels;
  for (const Bitmap& frame : Frames(12)) {
    const int level = frame.Pixel(0, 0)[0];
    EXPECT_TRUE(frame == FlatBitmap(640, 480, level, level, level));
    EXPECT_GE(level, 96);
    EXPECT_LE(level, 144);
    levels.push_back(level);
  }
  EXPECT_NE(std::count(levels.begin(), levels.end(), levels[0]), 12);
}

TEST_F(CameraLight, ControlsSwitchNoiseOnAndOff) {
  auto camera = OpenCamera();
  ASSERT_TRUE(camera->Start({640, 480}));
  EXPECT_TRUE(*camera->TakeFrame() == picture_);
  ASSERT_TRUE(camera->SetControl(kSimulatedNoise, 5));
  EXPECT_FALSE(*camera->TakeFrame() == picture_);
  EXPECT_FALSE(camera->SetControl(kSimulatedNoise, 51));
  const std::vector<VideoControl> controls = camera->Controls();
  ASSERT_EQ(controls.size(), 7u);
  EXPECT_EQ(controls[0].Value, 5);
  EXPECT_EQ(controls[0].Default, 0);
  ASSERT_TRUE(camera->SetControl(kSimulatedNoise, 0));
  EXPECT_TRUE(*camera->TakeFrame() == picture_);
}

// Brightness adds, contrast stretches around 128, gain multiplies; levels
// worked out by hand for a flat picture of 120.
struct PictureCase {
  int32_t Brightness, Contrast, Gain;
  int Level;
};

class PictureControls : public CameraLight, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(PictureControls, ChangeTheLevelAsComputed) {
  auto camera = OpenCamera();
  ASSERT_TRUE(camera->Start({640, 480}));
  const PictureCase& c = GetParam();
  ASSERT_TRUE(camera->SetControl(V4L2_CID_BRIGHTNESS, c.Brightness));
  ASSERT_TRUE(camera->SetControl(V4L2_CID_CONTRAST, c.Contrast));
  ASSERT_TRUE(camera->SetControl(V4L2_CID_GAIN, c.Gain));
  EXPECT_TRUE(*camera->TakeFrame() == FlatBitmap(640, 480, c.Level, c.Level, c.Level));
}

INSTANTIATE_TEST_SUITE_P(Levels, PictureControls,
                         ::testing::Values(PictureCase{0, 100, 100, 120},  // defaults
                                           PictureCase{30, 100, 100, 150},
                                           PictureCase{-128, 100, 100, 0},
                                           PictureCase{0, 200, 100, 112},  // 128 - 2 * 8
                                           PictureCase{0, 0, 100, 128},
                                           PictureCase{0, 100, 150, 180},
                                           PictureCase{0, 100, 400, 255},    // clipped
                                           PictureCase{10, 50, 200, 194}));  // 240 -> 184 -> 194

TEST_F(CameraFrames, PictureControlsAtTheirDefaultsLeaveTheWindowAlone) {
  auto camera = OpenCamera();
  ASSERT_TRUE(camera->Start({320, 240}));
  for (const VideoControl& control : camera->Controls())
    ASSERT_TRUE(camera->SetControl(control.Id, control.Default));
  EXPECT_TRUE(*camera->TakeFrame() == Window(camera->Position(), 320, 240));
  EXPECT_FALSE(camera->SetControl(V4L2_CID_CONTRAST, 201));
}

// ---- the synthetic specimen, at a size quick to render in checked builds ----

TEST(SimulatedSpecimen, ShowsTheSpecimenAndRendersItOnce) {
  SimulatedCameraOptions options;
  options.Seed = 3;
  SimulatedCameraProvider provider(options, {900, 700});
  std::string error;
  const auto started = std::chrono::steady_clock::now();
  std::unique_ptr<VideoSource> camera = provider.Open(0, error);
  const auto took = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(camera) << error;
  EXPECT_EQ(camera->FrameSizes(), (std::vector<FrameSize>{{320, 240}, {640, 480}, {800, 600}}));
  ASSERT_TRUE(camera->Start({640, 480}));
  const Bitmap specimen = RenderSpecimen(900, 700, 3);
  EXPECT_TRUE(*camera->TakeFrame() == CropBitmap(specimen, 130, 110, 640, 480));
  // A second camera shares the rendered picture instead of rendering it again.
  const auto again = std::chrono::steady_clock::now();
  ASSERT_TRUE(provider.Open(0, error));
  EXPECT_LT(std::chrono::steady_clock::now() - again, took / 4);
}

}  // namespace
