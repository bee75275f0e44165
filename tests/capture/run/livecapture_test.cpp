// The live side of a capture run: the travel followed on every picture
// against the simulated camera's true path, the rules drawn from it, the
// link searched around it against the offsets the fields were cut at, the
// retake with its file moved aside, and the end of the run placing from the
// live links.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <memory>

#include "capture/run/autocapture.h"
#include "capture/run/capturerun.h"
#include "capture/run/livelink.h"
#include "capture/run/livemosaic.h"
#include "capture/run/motionfollower.h"
#include "capture/run/projectnames.h"
#include "capture/run/retakenframes.h"
#include "capture/simulated/simulatedcamera.h"
#include "engine/registration/zones.h"
#include "imagefiles/imagefiles.h"
#include "support/testimages.h"

namespace {

constexpr int kFrameW = 640;
constexpr int kFrameH = 480;

TEST(LiveTravelRules, SideOverlapAndDueFrames) {
  struct Case {
    Point Travel;
    int32_t Side;
    int Overlap;  // percent of a frame
    bool Due;     // at zone 30
  };
  const Case cases[] = {
      {{0, 0}, 0, 100, false},     {{448, 0}, 1, 30, false},  // straight on: the edge rule alone
      {{600, 30}, 1, 5, false},     // still within the straight walk's tolerance
      {{-224, 280}, 2, 27, true},   // the corner frame of a turn: below, not left
      {{-232, 176}, 2, 40, false},  // 0.3625 of the width, 0.3667 of the height
      {{320, -240}, 1, 25, true},   // half a frame each way: across in frame sizes wins a tie
      {{100, -300}, 4, 31, false}, {{700, 100}, 1, 0, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DirectionOfTravel(c.Travel, kFrameW, kFrameH), c.Side)
        << c.Travel.X << "," << c.Travel.Y;
    EXPECT_EQ(OverlapPercent(c.Travel, kFrameW, kFrameH), c.Overlap)
        << c.Travel.X << "," << c.Travel.Y;
    EXPECT_EQ(FrameDueByOverlap(c.Travel, kFrameW, kFrameH, 30), c.Due)
        << c.Travel.X << "," << c.Travel.Y;
  }
}

std::vector<Point> Walk(Point from, const std::vector<std::array<int, 3>>& legs) {
  std::vector<Point> path{from};
  for (const auto& [dx, dy, count] : legs) {
    for (int i = 0; i < count; ++i) path.push_back({path.back().X + dx, path.back().Y + dy});
  }
  return path;
}

TEST(MotionFollowerTest, TravelIsTheCamerasTrueMoveAcrossEveryChoiceOfSpot) {
  // Right, a diagonal, down and back left: the spot is chosen again many times.
  const std::vector<Point> path =
      Walk({40, 40}, {{14, 0, 40}, {9, 11, 30}, {0, 13, 20}, {-15, 0, 50}});
  SimulatedCamera camera(std::make_shared<const Bitmap>(TexturedBitmap(2000, 1600, 31)), path,
                         SimulatedCameraOptions{});
  ASSERT_TRUE(camera.Start({kFrameW, kFrameH}));
  MotionFollower follower;
  follower.Reset();
  Point frameAt = path.front();
  for (size_t n = 0; n < path.size(); ++n) {
    const std::optional<Bitmap> live = camera.TakeFrame();
    ASSERT_TRUE(live);
    EXPECT_TRUE(follower.Follow(*live, 15, 3)) << n;
    const Point at = camera.Position();
    const std::optional<Point> travel = follower.Travel();
    ASSERT_TRUE(travel) << n;
    EXPECT_EQ(*travel, (Point{at.X - frameAt.X, at.Y - frameAt.Y})) << n;
    if (n % 25 == 0) {  // a frame taken: travel counts from here
      follower.FrameTaken();
      frameAt = at;
    }
  }
  // A flat picture loses the spot: the travel is unknown until the next frame.
  follower.Follow(FlatBitmap(kFrameW, kFrameH, 90, 90, 90), 15, 3);
  EXPECT_FALSE(follower.Travel());
  follower.FrameTaken();
  EXPECT_EQ(follower.Travel(), (Point{0, 0}));
}

TEST(MotionFollowerTest, TheWholePictureShiftIsTheCutsOffsetOrNone) {
  const Bitmap scene = TexturedBitmap(900, 700, 5);
  const Rect middle = WholePictureZone(kFrameW, kFrameH);
  const Bitmap earlier = CropBitmap(scene, 100, 100, kFrameW, kFrameH);
  for (const Point shift : {Point{0, 0}, Point{13, -7}, Point{-40, 22}, Point{150, 90}}) {
    const Bitmap later = CropBitmap(scene, 100 + shift.X, 100 + shift.Y, kFrameW, kFrameH);
    EXPECT_EQ(WholePictureShift(CopyRectBitmap(earlier, middle), middle, later), shift)
        << shift.X << "," << shift.Y;
  }
  // Nothing in common, or nothing at all, gives no shift.
  const Bitmap other = CropBitmap(TexturedBitmap(900, 700, 6), 0, 0, kFrameW, kFrameH);
  EXPECT_FALSE(WholePictureShift(CopyRectBitmap(earlier, middle), middle, other));
  EXPECT_FALSE(WholePictureShift(CopyRectBitmap(earlier, middle), middle,
                                 FlatBitmap(kFrameW, kFrameH, 90, 90, 90)));
  // Of a large picture only the middle is read.
  EXPECT_EQ(WholePictureZone(2592, 1944), (Rect{784, 460, 1808, 1484}));
}

struct Pair {
  Bitmap Earlier, Next;
};

Pair Cut(const Bitmap& scene, Point a, Point b, int w = kFrameW, int h = kFrameH) {
  return {CropBitmap(scene, a.X, a.Y, w, h), CropBitmap(scene, b.X, b.Y, w, h)};
}

TEST(LiveLinkTest, FoundExactlyAroundAnInexactTravelWhateverWayTheFramesMeet) {
  const Bitmap scene = TexturedBitmap(1800, 1400, 77);
  const LiveLinkSettings settings{15, 3, 30, SearchMethod::Template};
  struct Case {
    Point Truth;   // next's origin in earlier's pixels
    Point Travel;  // as measured, a few pixels off
  };
  const Case cases[] = {
      {{448, 0}, {446, 3}},       {{-224, 280}, {-220, 277}}, {{-232, 176}, {-232, 176}},
      {{300, -290}, {309, -283}}, {{0, 0}, {2, -2}},
  };
  for (const Case& c : cases) {
    const Point a{600, 500};
    const Pair p = Cut(scene, a, {a.X + c.Truth.X, a.Y + c.Truth.Y});
    const LiveLink link = SearchLiveLink(p.Earlier, p.Next, c.Travel, kDirNone, settings);
    EXPECT_EQ(link.At, (Offset{c.Truth.X, c.Truth.Y})) << c.Truth.X << "," << c.Truth.Y;
    EXPECT_GE(link.Score, kWeakLinkScore) << c.Truth.X << "," << c.Truth.Y;
    // As the engine keeps it: two set points that make the same offset.
    const PairMatch m = LinkPoints(p.Earlier, p.Next, link);
    EXPECT_NE(m.Out, Point{});
    EXPECT_NE(m.In, Point{});
    EXPECT_EQ(OffsetOfLink(m.Out, m.In), (Offset{c.Truth.X, c.Truth.Y}));
  }
  // Without a travel the facing zones of the given side are correlated.
  const Pair p = Cut(scene, {200, 200}, {650, 205});
  const LiveLink link = SearchLiveLink(p.Earlier, p.Next, std::nullopt, kDirRight, settings);
  EXPECT_EQ(link.At, (Offset{450, 5}));
  // Two frames that share nothing give no confident link.
  const Pair apart = Cut(TexturedBitmap(1800, 1400, 78), {0, 0}, {1000, 800});
  EXPECT_LT(SearchLiveLink(apart.Earlier, Cut(scene, {0, 0}, {0, 0}).Next, Point{300, 0}, kDirRight,
                           settings)
                .Score,
            kWeakLinkScore);
}

TEST(LiveMosaicTest, TilesLandAtTheirScaledPlacesAndTheNewestIsOutlined) {
  const MosaicFit fit = FitMosaic({0, 0, 1280, 480}, 320, 240);
  EXPECT_DOUBLE_EQ(fit.Scale, 0.25);
  EXPECT_EQ(fit.Map({640, 0, 1280, 480}), (Rect{160, 60, 320, 180}));  // centred vertically
  const Bitmap red = FlatBitmap(40, 30, 0, 0, 255);
  const Bitmap blue = FlatBitmap(40, 30, 255, 0, 0);
  Bitmap picture(322, 242);
  DrawLiveMosaic(picture, {{&red, {0, 0, 640, 480}}, {&blue, {640, 0, 1280, 480}}},
                 LiveConfidence::Unreliable, std::nullopt);
  // Inside the first tile red, inside the second blue, its border the warning colour.
  EXPECT_EQ(picture.Pixel(80, 120)[2], 255);
  EXPECT_EQ(picture.Pixel(240, 120)[0], 255);
  const uint8_t* border = picture.Pixel(161, 120);
  EXPECT_EQ(border[2], 230);
  EXPECT_EQ(border[0], 0);
  EXPECT_EQ(picture.Pixel(80, 10)[0], 64);  // background above the tiles
}

TEST(LiveCaptureTest, ALinkToldIsThereToCollectAtOnce) {
  // The page collects as soon as it is told, while the search's thread may
  // not have left yet: here it waits in ready until the collect is done.
  std::promise<void> told;
  std::promise<void> collected;
  const std::shared_future<void> leave = collected.get_future().share();
  const Bitmap scene = TexturedBitmap(700, 500, 79);
  const LiveLinkSettings settings{15, 3, 30, SearchMethod::Template};
  LiveCapture live;
  live.Begin();
  live.SetLinkReady([&told, leave] {
    told.set_value();
    leave.wait();
  });
  live.FrameTaken(std::make_shared<const Bitmap>(CropBitmap(scene, 0, 0, kW, kH)), kDirNone,
                  settings);
  live.FrameTaken(std::make_shared<const Bitmap>(CropBitmap(scene, 5, 3, kW, kH)), kDirRight,
                  settings);
  told.get_future().wait();
  const bool arrived = live.Collect();
  collected.set_value();
  EXPECT_TRUE(arrived);
  ASSERT_EQ(live.Frames().size(), 2u);
  EXPECT_FALSE(live.Frames()[1].Pending);
  EXPECT_EQ(live.Frames()[1].Link.At, (Offset{5, 3}));
}

TEST(LiveCaptureTest, APictureNoSearchNeedsAnyMoreServesALaterFrame) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "under ThreadSanitizer every live picture is a new one";
#endif
  const Bitmap scene = TexturedBitmap(700, 500, 80);
  const LiveLinkSettings settings{15, 3, 30, SearchMethod::Template};
  LiveCapture live;
  live.Begin();
  std::vector<const uint8_t*> storage;
  for (int k = 0; k < 4; ++k) {
    const std::shared_ptr<const Bitmap> picture =
        live.PictureFor(CropBitmap(scene, 4 * k, 2 * k, kW, kH));
    storage.push_back(picture->Data());
    live.FrameTaken(picture, kDirRight, settings);
    live.WaitAll();
  }
  // Frame 0's picture is free once frame 1 is linked, frame 1's once frame 2 is.
  EXPECT_EQ(storage[2], storage[0]);
  EXPECT_EQ(storage[3], storage[1]);
  // Each search read its own frames: every link is the cut's offset.
  for (size_t k = 1; k < 4; ++k) EXPECT_EQ(live.Frames()[k].Link.At, (Offset{4, 2})) << k;
  EXPECT_EQ(*live.Frames()[3].Picture, CropBitmap(scene, 12, 6, kW, kH));
}

class LiveRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = MakeTempDir("liverun");
    run.Project = {folder + "/", "walk", folder + "/", 0, true};
    engine->ApplySettings({30, 15, 0, {}, 5, 1, 3});
    run.Begin(0);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  // Takes the camera's next picture; a frame when asked, on side direction.
  void Picture(bool take, int32_t direction = kDirRight) {
    std::optional<Bitmap> live = camera->TakeFrame();
    ASSERT_TRUE(live);
    run.FrameDirection = direction;
    run.TakeFrame = take;
    const std::optional<FrameTaken> taken = run.ManualFrameStep(*live, OverlayOptions{});
    if (take) {
      ASSERT_TRUE(taken && *taken);
      origins.push_back(camera->Position());
    }
  }

  std::string folder;
  std::unique_ptr<Panoram> engine = std::make_unique<Panoram>();
  CaptureRun run{*engine};
  std::unique_ptr<SimulatedCamera> camera;
  std::vector<Point> origins;
};

TEST_F(LiveRunTest, ARetakenFrameGoesAsideAndTheNextTakesItsNumberAndTheEndPlacesFromLiveLinks) {
  // Right twice, then a bad frame far down, taken back and taken again below.
  camera = std::make_unique<SimulatedCamera>(
      std::make_shared<const Bitmap>(TexturedBitmap(2000, 1600, 41)),
      Walk({100, 100}, {{10, 0, 45}, {0, 15, 30}, {0, -10, 15}}), SimulatedCameraOptions{});
  ASSERT_TRUE(camera->Start({kFrameW, kFrameH}));
  for (int n = 0; n <= 90; ++n) {
    const bool take = n == 0 || n == 22 || n == 45 || n == 75 || n == 90;
    Picture(take, n >= 75 ? kDirBelow : kDirRight);
    if (n == 75) {
      run.Live.WaitAll();
      const std::string name = FrameFileName(run.Project.Dir, "walk", 3);
      ASSERT_TRUE(std::filesystem::exists(name));
      FrameRetaken retaken;
      ASSERT_TRUE(run.RetakeLastFrame(&retaken));
      origins.pop_back();
      EXPECT_EQ(retaken.Name, name);
      EXPECT_EQ(retaken.MovedTo, RetakenFolder(run.Project.Dir) + "walk_0003.bmp");
      EXPECT_FALSE(std::filesystem::exists(name));
      Bitmap kept;
      ASSERT_TRUE(PixLoadImage(retaken.MovedTo, kept));
      EXPECT_EQ(kept.Width(), kFrameW);
      EXPECT_EQ(engine->Count(), 3);
      EXPECT_EQ(run.Project.FrameCount, 3);
      EXPECT_EQ(run.LastFrame, engine->LastBitmap());
      EXPECT_EQ(run.Live.Frames().size(), 3u);
    }
  }
  EXPECT_EQ(engine->Name(3), FrameFileName(run.Project.Dir, "walk", 3));
  // A second retake of the same number keeps the first one.
  run.Live.WaitAll();
  FrameRetaken again;
  ASSERT_TRUE(run.RetakeLastFrame(&again));
  origins.pop_back();
  EXPECT_EQ(again.MovedTo, RetakenFolder(run.Project.Dir) + "walk_0003-2.bmp");
  EXPECT_TRUE(std::filesystem::exists(RetakenFolder(run.Project.Dir) + "walk_0003.bmp"));
  Picture(true, kDirBelow);

  // The travel of the retaken-again frame counts from frame 2, across the takeback.
  run.Live.WaitAll();
  const LiveFrame& last = run.Live.Frames().back();
  ASSERT_TRUE(last.Travel);
  EXPECT_EQ(*last.Travel, (Point{origins[3].X - origins[2].X, origins[3].Y - origins[2].Y}));
  ASSERT_EQ(run.Live.Frames().size(), origins.size());
  for (size_t i = 1; i < origins.size(); ++i) {
    EXPECT_EQ(run.Live.Frames()[i].Link.At,
              (Offset{origins[i].X - origins[i - 1].X, origins[i].Y - origins[i - 1].Y}))
        << i;
  }
  MontageTable table;
  ASSERT_TRUE(run.End(table, nullptr));
  for (int i = 1; i < engine->Count(); ++i) {
    EXPECT_EQ(engine->Place(i).Left - engine->Place(0).Left, origins[i].X - origins[0].X) << i;
    EXPECT_EQ(engine->Place(i).Top - engine->Place(0).Top, origins[i].Y - origins[0].Y) << i;
    EXPECT_GE(engine->LinkScore(i - 1), kWeakLinkScore) << i;
  }
}

TEST_F(LiveRunTest, LinksSearchedWithOtherSettingsAreSearchedAgainAtTheEnd) {
  camera = std::make_unique<SimulatedCamera>(
      std::make_shared<const Bitmap>(TexturedBitmap(2000, 1600, 43)), Walk({0, 0}, {{12, 0, 40}}),
      SimulatedCameraOptions{});
  ASSERT_TRUE(camera->Start({kFrameW, kFrameH}));
  for (int n = 0; n <= 40; ++n) Picture(n == 0 || n == 40);
  run.Live.WaitAll();
  engine->ApplySettings({40, 10, 0, {}, 5, 1, 2});
  MontageTable table;
  ASSERT_TRUE(run.End(table, nullptr));
  EXPECT_EQ(run.Live.Frames()[1].SearchedWith, LiveLinkSettingsOf(*engine));
  EXPECT_EQ(engine->Place(1).Left - engine->Place(0).Left, 480);
}

}  // namespace
