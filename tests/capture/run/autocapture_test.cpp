// Automatic capture: the search window and edge rules, the take-then-choose
// step, a whole walk of the simulated camera checked against its true path,
// pictures or settings that leave nothing to follow, a full panorama, and
// the manual run that follows an automatic one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

#include "capture/run/autocapture.h"
#include "capture/simulated/simulatedcamera.h"
#include "engine/registration/template/matching.h"
#include "support/reference_search.h"
#include "support/testimages.h"

namespace {

constexpr int kW = 640;
constexpr int kH = 480;
constexpr int kRadius = 15;
constexpr int kStep = 3;

TEST(AutoCaptureRules, TheWindowIsCutAtThePictureEdges) {
  struct Case {
    Point Spot;
    Rect Window;
  };
  const Case cases[] = {
      {{320, 240}, {270, 190, 370, 290}}, {{51, 51}, {1, 1, 101, 101}},
      {{50, 50}, {0, 0, 100, 100}},       {{10, 470}, {0, 420, 60, 480}},
      {{589, 429}, {539, 379, 639, 479}}, {{590, 430}, {540, 380, 640, 480}},
  };
  for (const Case& c : cases) {
    const Rect r = ClipWindow(c.Spot, kW, kH);
    EXPECT_EQ((std::array{r.Left, r.Top, r.Right, r.Bottom}),
              (std::array{c.Window.Left, c.Window.Top, c.Window.Right, c.Window.Bottom}))
        << c.Spot.X << "," << c.Spot.Y;
  }
}

TEST(AutoCaptureRules, EdgesGiveTheSideOfTheNextFrameVerticalWinning) {
  struct Case {
    Point Spot;
    int32_t Direction;
  };
  const Case cases[] = {
      {{320, 240}, 0}, {{100, 100}, 0}, {{540, 380}, 0},  // on the margin: not yet
      {{99, 240}, 1},  {{541, 240}, 3}, {{320, 381}, 4}, {{320, 99}, 2},
      {{50, 400}, 4},  {{600, 50}, 2},  {{50, 50}, 2},   {{600, 400}, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EdgeDirection(c.Spot, kW, kH), c.Direction) << c.Spot.X << "," << c.Spot.Y;
  }
}

class AutoCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { run.Begin(0); }

  std::unique_ptr<Panoram> engine = std::make_unique<Panoram>();
  CaptureRun run{*engine};
  AutoCapture tracking;
};

TEST_F(AutoCaptureTest, WithoutARunNothingChanges) {
  const Bitmap live = TexturedBitmap(kW, kH, 5);
  run.FrameDirection = kDirAbove;
  for (const int32_t state : {int32_t{kAutoIdle}, 6, -1}) {
    tracking.AutoState = state;
    const AutoStepResult step = tracking.AutoFrameStep(run, live, kRadius, kStep);
    EXPECT_FALSE(step.Marker || step.Indicator || step.Taken || step.TooLittleTexture);
    EXPECT_EQ(tracking.AutoState, state);
  }
  EXPECT_EQ(engine->Count(), 0);
  EXPECT_EQ(run.FrameDirection, kDirAbove);
  EXPECT_FALSE(tracking.TrackTemplate);
}

TEST_F(AutoCaptureTest, TheFirstStepTakesTheLivePictureThenChoosesTheMostTexturedSpot) {
  const Bitmap live = TexturedBitmap(kW, kH, 6);
  run.FrameDirection = kDirLeft;
  tracking.Begin();
  const AutoStepResult step = tracking.AutoFrameStep(run, live, kRadius, kStep);
  ASSERT_TRUE(step.Taken && *step.Taken);
  ASSERT_EQ(engine->Count(), 1);
  EXPECT_EQ(engine->LastBitmap(), live);
  EXPECT_EQ(engine->Direction(0), kDirNone);
  EXPECT_EQ(tracking.AutoState, kAutoTrack);
  // The spot is the literal feature search's in the centre zone (30 % x 30 %).
  const Rect zone{224, 168, 416, 312};
  const Point expected = ReferenceFindFeaturePoint(live, zone, kRadius);
  ASSERT_TRUE(step.Marker);
  EXPECT_EQ(*step.Marker, expected);
  EXPECT_EQ(tracking.TrackPoint, expected);
  ASSERT_TRUE(tracking.TrackTemplate);
  EXPECT_EQ(*tracking.TrackTemplate,
            CropBitmap(live, expected.X - kRadius, expected.Y - kRadius, 2 * kRadius, 2 * kRadius));
  tracking.End();
  EXPECT_EQ(tracking.AutoState, kAutoIdle);
}

// The camera's walk: count steps of (dx, dy) per leg.
struct Leg {
  int Dx, Dy, Count;
};

std::vector<Point> Walk(const std::vector<Leg>& legs) {
  std::vector<Point> path{{0, 0}};
  for (const Leg& leg : legs) {
    for (int i = 0; i < leg.Count; ++i) {
      path.push_back({path.back().X + leg.Dx, path.back().Y + leg.Dy});
    }
  }
  return path;
}

// Live pictures a spot chosen at `at` needs to arrive, the scene moving by
// (dx, dy) per picture: as far as from the centre to the edge margin, or
// sooner if it comes within the search window's half-size of the side.
int StepsToEdge(Point at, int dx, int dy) {
  const int m = kEdgeMargin, s = kTrackWindowHalfSize;
  const int travel = dx < 0   ? std::min(kW / 2 - (m - 1), at.X - (s - 1))
                     : dx > 0 ? std::min((kW - m + 1) - kW / 2, (kW - s + 1) - at.X)
                     : dy < 0 ? std::min(kH / 2 - (m - 1), at.Y - (s - 1))
                              : std::min((kH - m + 1) - kH / 2, (kH - s + 1) - at.Y);
  const int speed = std::abs(dx + dy);
  return (travel + speed - 1) / speed;
}

struct Frame {
  Point Origin;
  int32_t Direction = 0;
  std::vector<Point> Spots;  // chosen since the frame before
  int Arrivals = 0;          // first arrivals at an edge since the frame before
};

TEST_F(AutoCaptureTest, FramesFollowTheCamerasWalkAndAreTakenAtEverySecondEdge) {
  constexpr int kSpeed = 12;
  const std::vector<Leg> legs{{kSpeed, 0, 95}, {0, kSpeed, 75}, {-kSpeed, 0, 95}, {0, -kSpeed, 75}};
  const std::vector<Point> path = Walk(legs);
  SimulatedCamera camera(std::make_shared<const Bitmap>(TexturedBitmap(1800, 1400, 21)), path,
                         SimulatedCameraOptions{});
  ASSERT_TRUE(camera.Start({kW, kH}));

  tracking.Begin();
  std::vector<Frame> frames;
  std::vector<Point> spots;
  int arrivals = 0;
  Point chosen, chosenFrom;
  for (size_t n = 0; n < path.size(); ++n) {
    const std::optional<Bitmap> live = camera.TakeFrame();
    ASSERT_TRUE(live);
    const Point at = camera.Position();
    const AutoStepResult step = tracking.AutoFrameStep(run, *live, kRadius, kStep);
    ASSERT_FALSE(step.TooLittleTexture || step.RadiusTooLarge) << n;
    if (step.Taken) {
      ASSERT_TRUE(*step.Taken);
      frames.push_back({at, engine->Direction(engine->Count() - 1), spots, arrivals});
      spots.clear();
      arrivals = 0;
    }
    if (step.Followed) {
      // The spot is where the camera's true motion put it.
      EXPECT_EQ(*step.Marker,
                (Point{chosen.X - (at.X - chosenFrom.X), chosen.Y - (at.Y - chosenFrom.Y)}))
          << n;
    } else if (step.Marker) {
      chosen = *step.Marker;
      chosenFrom = at;
      spots.push_back(chosen);
    }
    if (step.Indicator) {
      EXPECT_EQ(*step.Indicator, run.FrameDirection);
      ++arrivals;
    }
  }
  ASSERT_GE(frames.size(), 8u);
  EXPECT_EQ(frames[0].Direction, kDirNone);
  EXPECT_EQ(frames[0].Origin, (Point{0, 0}));
  int checked = 0;
  for (size_t i = 1; i < frames.size(); ++i) {
    const Frame& f = frames[i];
    EXPECT_EQ(f.Arrivals, 1) << i;  // the first arrival takes nothing
    ASSERT_EQ(f.Spots.size(), 2u) << i;
    const int dx = f.Origin.X - frames[i - 1].Origin.X;
    const int dy = f.Origin.Y - frames[i - 1].Origin.Y;
    if (dx != 0 && dy != 0) continue;  // a turn of the walk lies between them
    // Straight on: the side is the one the walk goes, and the distance is two
    // spots' travel plus the two pictures that chose them.
    const int ux = (dx > 0) - (dx < 0), uy = (dy > 0) - (dy < 0);
    const int32_t side = ux > 0 ? kDirRight : ux < 0 ? kDirLeft : uy > 0 ? kDirBelow : kDirAbove;
    EXPECT_EQ(f.Direction, side) << i;
    const int pictures = StepsToEdge(f.Spots[0], -ux * kSpeed, -uy * kSpeed) +
                         StepsToEdge(f.Spots[1], -ux * kSpeed, -uy * kSpeed) + 2;
    EXPECT_EQ(std::abs(dx + dy), pictures * kSpeed) << i;
    // A frame less the two margins, whatever spots the texture gave, plus
    // each arrival's overshoot and the two choosing pictures.
    const int across = dx != 0 ? kW : kH;
    EXPECT_LE(std::abs(dx + dy), across - 2 * kEdgeMargin + 2 + 4 * kSpeed) << i;
    ++checked;
  }
  EXPECT_GE(checked, 4);
}

TEST_F(AutoCaptureTest, AFlatPictureTakesOnlyTheFirstFrameAndSaysWhy) {
  const Bitmap flat = FlatBitmap(kW, kH, 90, 120, 150);
  tracking.Begin();
  run.FrameDirection = kDirAbove;
  int flagged = 0;
  for (int n = 0; n < 20; ++n) {
    const AutoStepResult step = tracking.AutoFrameStep(run, flat, kRadius, kStep);
    EXPECT_EQ(step.Taken.has_value(), n == 0) << n;
    EXPECT_FALSE(step.Indicator || step.Followed) << n;
    flagged += step.TooLittleTexture ? 1 : 0;
  }
  EXPECT_EQ(engine->Count(), 1);
  EXPECT_GE(flagged, 9);                     // every tracking step
  EXPECT_EQ(run.FrameDirection, kDirAbove);  // no made-up side

  // Texture comes back: tracking resumes without waiting for an edge to be invented.
  const Bitmap textured = TexturedBitmap(kW, kH, 8);
  for (int n = 0; n < 3; ++n) tracking.AutoFrameStep(run, textured, kRadius, kStep);
  const AutoStepResult step = tracking.AutoFrameStep(run, textured, kRadius, kStep);
  EXPECT_TRUE(step.Followed);
  EXPECT_FALSE(step.TooLittleTexture);
  EXPECT_EQ(engine->Count(), 1);
}

TEST_F(AutoCaptureTest, ARadiusThatCannotFollowTakesNoFurtherFrame) {
  struct Case {
    int Radius, Width, Height;
    bool TooLittleTexture, RadiusTooLarge;
  };
  // Radius 0 (an all-zero settings file); a square as wide as the search
  // window; a small picture whose centre zone holds no window of radius 30.
  for (const Case c :
       {Case{0, kW, kH, true, false}, Case{kTrackWindowHalfSize, kW, kH, false, true},
        Case{100, kW, kH, false, true}, Case{30, 200, 150, false, true}}) {
    const Bitmap live = TexturedBitmap(c.Width, c.Height, 9);
    engine->ClearAll();
    run.Begin(0);
    tracking.Begin();
    for (int n = 0; n < 6; ++n) {
      const AutoStepResult step = tracking.AutoFrameStep(run, live, c.Radius, 1);
      EXPECT_EQ(step.Taken.has_value(), n == 0) << c.Radius;
      EXPECT_FALSE(step.Marker) << c.Radius;
      EXPECT_EQ(step.TooLittleTexture, c.TooLittleTexture) << c.Radius;
      EXPECT_EQ(step.RadiusTooLarge, c.RadiusTooLarge) << c.Radius;
      EXPECT_EQ(tracking.AutoState, kAutoAcquire);
      EXPECT_FALSE(tracking.TrackTemplate);
    }
    EXPECT_EQ(engine->Count(), 1);
  }
  // The largest radius that fits that small picture still follows it.
  const Bitmap small = TexturedBitmap(200, 150, 9);
  tracking.Begin();
  tracking.AutoFrameStep(run, small, 21, 1);
  EXPECT_TRUE(tracking.AutoFrameStep(run, small, 21, 1).Followed);
}

TEST_F(AutoCaptureTest, AManualRunAfterAnAutomaticOneTakesTheSideOfThePressedButton) {
  const Bitmap live = TexturedBitmap(kW, kH, 11);
  tracking.Begin();
  tracking.AutoFrameStep(run, live, kRadius, kStep);                        // the first frame
  ASSERT_TRUE(tracking.AutoFrameStep(run, live, kRadius, kStep).Followed);  // still at the centre
  ASSERT_EQ(run.FrameDirection, kDirNone);
  tracking.End();
  MontageTable table;
  run.End(table, nullptr);

  // "Кадр вправо" is still down: the manual run's strip and frames are on the right.
  engine->ClearAll();
  run.Begin(0);
  Bitmap first = TexturedBitmap(kW, kH, 12);
  run.TakeFrame = true;
  ASSERT_TRUE(run.ManualFrameStep(first, OverlayOptions{}));
  Bitmap next = TexturedBitmap(kW, kH, 13);
  const Bitmap plain = next;
  run.ManualFrameStep(next, OverlayOptions{});
  // The last frame's right part lands at the live picture's left edge.
  EXPECT_NE(CropBitmap(next, 0, 0, 100, kH), CropBitmap(plain, 0, 0, 100, kH));
  EXPECT_EQ(CropBitmap(next, kW / 2, 0, kW / 2, kH), CropBitmap(plain, kW / 2, 0, kW / 2, kH));
  run.TakeFrame = true;
  run.ManualFrameStep(next, OverlayOptions{});
  ASSERT_EQ(engine->Count(), 2);
  EXPECT_EQ(engine->Direction(1), kDirRight);
}

TEST_F(AutoCaptureTest, AFullPanoramaIsToldOnceAndTakesNoFurtherFrame) {
  const Bitmap small = FlatBitmap(8, 6, 1, 2, 3);
  for (int i = 0; i < Panoram::kCapacity; ++i) ASSERT_TRUE(run.StoreFrame(small)) << i;
  constexpr int kSpeed = 12;
  const std::vector<Point> path = Walk({{kSpeed, 0, 95}});
  SimulatedCamera camera(std::make_shared<const Bitmap>(TexturedBitmap(1800, 700, 22)), path,
                         SimulatedCameraOptions{});
  ASSERT_TRUE(camera.Start({kW, kH}));
  tracking.Begin();
  int refused = 0;
  int markers = 0;
  // The walk makes about three frames fall due.
  for (size_t n = 0; n < path.size(); ++n) {
    const std::optional<Bitmap> live = camera.TakeFrame();
    ASSERT_TRUE(live);
    const AutoStepResult step = tracking.AutoFrameStep(run, *live, kRadius, kStep);
    if (step.Taken) {
      EXPECT_EQ(step.Taken->Kind, FrameTaken::EngineFull);
      ++refused;
    }
    markers += step.Marker ? 1 : 0;
  }
  EXPECT_EQ(refused, 1);
  EXPECT_EQ(markers, 0);  // nothing is followed any more
  EXPECT_EQ(tracking.AutoState, kAutoIdle);
  EXPECT_EQ(engine->Count(), Panoram::kCapacity);
}

}  // namespace
