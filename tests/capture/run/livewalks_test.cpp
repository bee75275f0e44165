// Walks of the simulated camera, with noise and lamp flicker, over a
// photograph Debian ships: straight rows, snake turns, stops, a diagonal and
// a move back, in manual and automatic capture, the pairs placed exactly
// where the camera took them counted and printed as a table.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture/run/autocapture.h"
#include "capture/run/capturerun.h"
#include "capture/simulated/simulatedcamera.h"
#include "imagefiles/imagefiles.h"
#include "support/heldoutset.h"

namespace {

struct WalkLeg {
  int Dx, Dy, Count;
};

struct WalkPlan {
  const char* Name;
  Point Start;
  std::vector<WalkLeg> Legs;
};

const WalkPlan kWalks[] = {
    {"straight row", {40, 300}, {{10, 0, 150}}},
    {"snake turns", {40, 60}, {{10, 0, 100}, {0, 10, 40}, {-10, 0, 100}}},
    {"stop at the trigger", {40, 60}, {{10, 0, 40}, {0, 0, 20}, {0, 10, 30}, {-10, 0, 60}}},
    {"stop at the edge", {1500, 60}, {{12, 0, 60}, {0, 10, 60}}},  // the picture ends at 1920
    {"diagonal", {40, 40}, {{8, 6, 140}}},
    {"back over frames", {40, 300}, {{10, 0, 100}, {-10, 0, 100}}},
};

std::vector<Point> PathOf(const WalkPlan& walk) {
  std::vector<Point> path{walk.Start};
  for (const WalkLeg& leg : walk.Legs) {
    for (int i = 0; i < leg.Count; ++i)
      path.push_back({path.back().X + leg.Dx, path.back().Y + leg.Dy});
  }
  return path;
}

struct Counts {
  int Exact = 0, Pairs = 0;
  std::string Misplaced;  // a line for each pair placed elsewhere
};

// One run of a walk: its engine, and where the camera stood at each frame.
struct Run {
  Panoram Engine;
  CaptureRun Capture{Engine};
  AutoCapture Tracking;
  std::vector<Point> Origins;

  explicit Run(bool automatic) {
    Engine.ApplySettings({30, 15, 0, {}, 5, 1, 3});
    Capture.Begin(0);
    if (automatic) Tracking.Begin();
  }

  Counts Count() {
    MontageTable table;
    Counts c;
    if (!Capture.End(table, nullptr)) return c;
    for (int i = 1; i < Engine.Count(); ++i) {
      ++c.Pairs;
      const Rect& a = Engine.Place(i - 1);
      const Rect& b = Engine.Place(i);
      const Point truth{Origins[i].X - Origins[i - 1].X, Origins[i].Y - Origins[i - 1].Y};
      const bool exact = b.Left - a.Left == truth.X && b.Top - a.Top == truth.Y;
      c.Exact += exact;
      if (!exact) {
        const LiveFrame& f = Capture.Live.Frames()[static_cast<size_t>(i)];
        char line[160];
        std::snprintf(line, sizeof line,
                      "  pair %d: placed (%d, %d), true (%d, %d), travel %s (%d, %d), score %.3f\n",
                      i, b.Left - a.Left, b.Top - a.Top, truth.X, truth.Y, f.Travel ? "" : "lost",
                      f.Travel ? f.Travel->X : 0, f.Travel ? f.Travel->Y : 0, f.Link.Score);
        c.Misplaced += line;
      }
    }
    return c;
  }
};

// Both runs along the walk over the same pictures; the manual one takes a
// frame every 40 pictures on the side the camera went, as the user would press it.
std::pair<Counts, Counts> RunWalk(const WalkPlan& walk,
                                  const std::shared_ptr<const Bitmap>& photo) {
  SimulatedCameraOptions look;
  look.Noise = 3;
  look.Flicker = 5;
  SimulatedCamera camera(photo, PathOf(walk), look);
  EXPECT_TRUE(camera.Start({640, 480}));
  Run manual(false), automatic(true);
  const size_t pictures = PathOf(walk).size();
  for (size_t n = 0; n < pictures; ++n) {
    std::optional<Bitmap> live = camera.TakeFrame();
    if (!live) break;
    const AutoStepResult step = automatic.Tracking.AutoFrameStep(automatic.Capture, *live, 15, 3);
    if (step.Taken && *step.Taken) automatic.Origins.push_back(camera.Position());
    CaptureRun& run = manual.Capture;
    if (n % 40 == 0 && n > 0 && run.Live.Travel())
      run.FrameDirection = DirectionOfTravel(*run.Live.Travel(), 640, 480);
    run.TakeFrame = n % 40 == 0;
    // Last: the manual step draws the overlay into the picture.
    const std::optional<FrameTaken> t = run.ManualFrameStep(*live, OverlayOptions{});
    if (t && *t) manual.Origins.push_back(camera.Position());
  }
  return {manual.Count(), automatic.Count()};
}

TEST(LiveWalks, PairsPlacedExactlyPerWalk) {
  Bitmap photo;
  const std::string file = HeldOutPhotoFolder() + "/Garden.jpg";
  ASSERT_TRUE(PixLoadImage(file, photo)) << file << ": run scripts/setup.sh";
  // A smaller picture keeps the checked build quick; the walks fit it.
  const auto picture = std::make_shared<const Bitmap>(MakeThumbnail(photo, 1920, 1200, 5));
  std::printf("%-22s %-10s %s\n", "walk", "capture", "pairs exact");
  // QUILTOR_WALK=<name> runs one walk alone.
  const char* chosen = std::getenv("QUILTOR_WALK");
  const std::string only = chosen ? chosen : "";
  // The walks run side by side; the checked build is slow one at a time.
  std::vector<std::pair<const WalkPlan*, std::future<std::pair<Counts, Counts>>>> runs;
  for (const WalkPlan& walk : kWalks) {
    if (!only.empty() && only != walk.Name) continue;
    runs.emplace_back(&walk, std::async(std::launch::async,
                                        [&walk, &picture] { return RunWalk(walk, picture); }));
  }
  for (auto& [walk, run] : runs) {
    const auto [manual, automatic] = run.get();
    for (const auto& [mode, c] : {std::pair{"manual", manual}, std::pair{"automatic", automatic}}) {
      std::printf("%s%-22s %-10s %d / %d\n", c.Misplaced.c_str(), walk->Name, mode, c.Exact,
                  c.Pairs);
      EXPECT_GE(c.Pairs, 1) << walk->Name << ", " << mode;
      EXPECT_EQ(c.Exact, c.Pairs) << walk->Name << ", " << mode;
    }
  }
}

}  // namespace
