// The capture runner: its command line, and whole runs over the simulated
// camera whose places must equal the camera's known path.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "capture/run/autocapture.h"
#include "capturecli.h"
#include "capturejob.h"
#include "engine/registration/linkscore.h"
#include "imagefiles/imagefiles.h"
#include "support/testimages.h"

namespace {

CaptureCliOutcome ParseCapture(std::vector<const char*> args) {
  args.insert(args.begin(), "quiltor-capture");
  return ParseCaptureArgs(static_cast<int>(args.size()), args.data());
}

TEST(CaptureRunnerArgs, RefusesWhatCannotMakeARun) {
  const std::vector<std::vector<const char*>> refused = {
      {"--frames-at", "0,1", "--directions", "1", "-o", "m.png"},  // no camera
      {"--simulate", "specimen", "--device", "0", "--frames-at", "0,1", "--directions", "1", "-o",
       "m.png"},
      {"--simulate", "specimen", "--frames-at", "0,1,2", "--directions", "1", "-o", "m.png"},
      {"--simulate", "specimen", "--frames-at", "0,3,2", "--directions", "1,1", "-o", "m.png"},
      {"--simulate", "specimen", "--frames-at", "0,-1", "--directions", "1", "-o", "m.png"},
      {"--simulate", "specimen", "--frames-at", "0,1", "--directions", "5", "-o", "m.png"},
      {"--simulate", "specimen", "--frames-at", "0,1", "--directions", "1", "--size", "640", "-o",
       "m.png"},
      {"--simulate", "specimen", "--frames-at", "0,1", "--directions", "1", "--project", "../x",
       "-o", "m.png"},
      {"--simulate", "specimen", "--frames-at", "0,1", "--directions", "1", "-o", "m.xyz"},
      {"--device", "0", "--path", "p.txt", "--frames-at", "0,1", "--directions", "1", "-o",
       "m.png"},
      {"--simulate", "specimen", "-o", "m.png"},            // neither listed frames nor --auto
      {"--simulate", "specimen", "--auto", "-o", "m.png"},  // --auto without --live-frames
      {"--simulate", "specimen", "--auto", "--live-frames", "0", "-o", "m.png"},
      {"--simulate", "specimen", "--auto", "--live-frames", "9", "--frames-at", "0,1", "-o",
       "m.png"},
      {"--simulate", "specimen", "--auto", "--live-frames", "9", "--directions", "1", "-o",
       "m.png"},
      {"--simulate", "specimen", "--live-frames", "9", "--frames-at", "0,1", "--directions", "1",
       "-o", "m.png"},
  };
  // A run never replaces its own inputs or the frames it saves.
  const std::vector<std::vector<const char*>> ownFiles = {
      {"--simulate", "slide.png", "--frames-at", "0,1", "--directions", "1", "-o", "./slide.png"},
      {"--simulate", "specimen", "--path", "walk.txt", "--frames-at", "0,1", "--directions", "1",
       "-o", "m.png", "--report", "walk.txt"},
      {"--simulate", "specimen", "--frames-at", "0,1", "--directions", "1", "--project", "P",
       "--save-frames", "frames", "-o", "frames/../frames/P_0001.bmp"},
      {"--simulate", "specimen", "--frames-at", "0,1", "--directions", "1", "-o", "m.png",
       "--report", "./m.png"},
  };
  for (const auto& args : ownFiles) {
    const CaptureCliOutcome out = ParseCapture(args);
    EXPECT_FALSE(out.Run) << args.back();
    EXPECT_EQ(out.ExitCode, 2);
  }
  // Another name in the frames' folder is fine.
  EXPECT_TRUE(ParseCapture({"--simulate", "specimen", "--frames-at", "0,1", "--directions", "1",
                            "--project", "P", "--save-frames", "frames", "-o", "frames/mosaic.bmp"})
                  .Run);
  for (const auto& args : refused) {
    const CaptureCliOutcome out = ParseCapture(args);
    EXPECT_FALSE(out.Run) << args[1] << " " << args[3];
    EXPECT_EQ(out.ExitCode, 2);
    EXPECT_FALSE(out.Message.empty());
  }
  const CaptureCliOutcome ok =
      ParseCapture({"--simulate", "specimen", "--frames-at", "0,5,9", "--directions", "1,2",
                    "--size", "800x600", "--zone", "40", "-o", "m.png"});
  ASSERT_TRUE(ok.Run) << ok.Message;
  EXPECT_EQ(ok.Options.FramesAt, (std::vector<int>{0, 5, 9}));
  EXPECT_EQ(ok.Options.Directions, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(ok.Options.Size, (FrameSize{800, 600}));
  EXPECT_EQ(ok.Options.Stitch.Settings.ImageZone, 40);
  EXPECT_EQ(ok.Options.Stitch.Settings.FindR, 15);  // the dialog's defaults otherwise
  EXPECT_FALSE(ok.Options.Tracking);

  const CaptureCliOutcome tracking =
      ParseCapture({"--simulate", "specimen", "--auto", "--live-frames", "300", "-o", "m.png"});
  ASSERT_TRUE(tracking.Run) << tracking.Message;
  EXPECT_TRUE(tracking.Options.Tracking);
  EXPECT_EQ(tracking.Options.LiveFrames, 300);
  EXPECT_TRUE(tracking.Options.FramesAt.empty());
}

// A 3 x 3 snake of 640 x 480 fields, 30 % overlap, with one live picture on
// the way between fields.
struct SnakeRun {
  std::vector<Point> Origins;
  std::vector<int> FramesAt;
  std::vector<int32_t> Directions{1, 1, 2, 3, 3, 2, 1, 1};
};

SnakeRun WriteSnakePath(const std::string& pathFile) {
  SnakeRun run;
  std::ofstream path(pathFile);
  path << "# the stage's walk\n";
  int line = 0;
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i < 3; ++i) {
      const int column = row % 2 == 0 ? i : 2 - i;
      const Point origin{60 + column * 448, 50 + row * 336};
      if (!run.Origins.empty()) {
        path << (origin.X + run.Origins.back().X) / 2 << ' ' << origin.Y << '\n';
        ++line;
      }
      path << origin.X << ' ' << origin.Y << '\n';
      run.FramesAt.push_back(line++);
      run.Origins.push_back(origin);
    }
  }
  return run;
}

std::string Joined(const auto& values) {
  std::string text;
  for (const auto& value : values) text += (text.empty() ? "" : ",") + std::to_string(value);
  return text;
}

class CaptureRunnerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PixSaveImage(picture, TexturedBitmap(1600, 1300, 11)));
    snake = WriteSnakePath(pathFile);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void ExpectPlacesOnThePath(const nlohmann::json& report) {
    const nlohmann::json& images = report.at("images");
    ASSERT_EQ(images.size(), snake.Origins.size());
    const auto first = images[0].at("place");
    for (size_t i = 0; i < images.size(); ++i) {
      const auto place = images[i].at("place");
      EXPECT_EQ(place[0].get<int>() - first[0].get<int>(), snake.Origins[i].X - snake.Origins[0].X)
          << i;
      EXPECT_EQ(place[1].get<int>() - first[1].get<int>(), snake.Origins[i].Y - snake.Origins[0].Y)
          << i;
      EXPECT_EQ(images[i].at("live_frame").get<int>(), snake.FramesAt[i]);
      EXPECT_EQ(images[i].at("origin")[0].get<int>(), snake.Origins[i].X);
      EXPECT_EQ(images[i].at("origin")[1].get<int>(), snake.Origins[i].Y);
      EXPECT_EQ(images[i].at("direction").get<int>(), i == 0 ? 0 : snake.Directions[i - 1]);
    }
  }

  std::string dir = MakeTempDir("capture");
  std::string picture = dir + "/slide.bmp";
  std::string pathFile = dir + "/walk.txt";
  SnakeRun snake;
};

TEST_F(CaptureRunnerRun, TakesTheListedLiveFramesAndPlacesThemOnThePath) {
  CaptureOptions options;
  options.Simulate = picture;
  options.PathFile = pathFile;
  options.FramesAt = snake.FramesAt;
  options.Directions = snake.Directions;
  options.ProjectName = "Змейка";
  options.SaveFramesTo = dir + "/frames";
  options.Stitch.Auto = false;
  options.Stitch.Output = dir + "/mosaic.png";
  const StitchResult result = RunCapture(options, nullptr);
  ASSERT_EQ(result.ExitCode, 0) << result.Error;
  EXPECT_TRUE(result.Warnings.empty());
  ExpectPlacesOnThePath(result.Report);
  // The frames were written as the project's numbered bitmaps, each equal to its crop.
  Bitmap whole;
  ASSERT_TRUE(PixLoadImage(picture, whole));
  for (size_t i = 0; i < snake.Origins.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "_%04zu.bmp", i);
    const std::string file = dir + "/frames/Змейка" + name;
    EXPECT_EQ(result.Report["images"][i]["file"], file);
    Bitmap frame;
    ASSERT_TRUE(PixLoadImage(file, frame)) << file;
    EXPECT_EQ(frame, CropBitmap(whole, snake.Origins[i].X, snake.Origins[i].Y, 640, 480)) << i;
  }
  // The mosaic spans the walk: two steps of 448 and 336 plus a field.
  EXPECT_EQ(result.Output.Width(), 2 * 448 + 640);
  EXPECT_EQ(result.Output.Height(), 2 * 336 + 480);
}

TEST_F(CaptureRunnerRun, PlacedOverAllNeighboursTheFramesLieOnThePathAndTheLinksAreListed) {
  CaptureOptions options;
  options.Simulate = picture;
  options.PathFile = pathFile;
  options.FramesAt = snake.FramesAt;
  options.Directions = snake.Directions;
  options.Stitch.Auto = false;
  options.Stitch.Placement = PlacementMethod::Neighbours;
  options.Stitch.Output = dir + "/mosaic.png";
  const StitchResult result = RunCapture(options, nullptr);
  ASSERT_EQ(result.ExitCode, 0) << result.Error;
  EXPECT_TRUE(result.Warnings.empty());
  ExpectPlacesOnThePath(result.Report);
  // The chain's eight links, then the four pairs one above the other off the
  // chain (diagonal neighbours share less than a tenth of a frame).
  const nlohmann::json& links = result.Report.at("links");
  ASSERT_EQ(links.size(), 12u);
  for (const auto& l : links) {
    EXPECT_TRUE(l.at("used").get<bool>()) << l;
    EXPECT_EQ(l.at("residual").get<double>(), 0.0) << l;
  }
}

TEST_F(CaptureRunnerRun, RunsAsAProgram) {
  const std::string out = dir + "/m.png", report = dir + "/r.json";
  QProcess p;
  p.start(
      QStringLiteral(QUILTOR_CAPTURE_EXE),
      {"--simulate", QString::fromStdString(picture), "--path", QString::fromStdString(pathFile),
       "--frames-at", QString::fromStdString(Joined(snake.FramesAt)), "--directions",
       QString::fromStdString(Joined(snake.Directions)), "--quiet", "-o",
       QString::fromStdString(out), "--report", QString::fromStdString(report)});
  ASSERT_TRUE(p.waitForFinished(300000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  std::ifstream in(report);
  ExpectPlacesOnThePath(nlohmann::json::parse(in));
  Bitmap mosaic;
  ASSERT_TRUE(PixLoadImage(out, mosaic));
  EXPECT_EQ(mosaic.Width(), 2 * 448 + 640);

  // A picture that cannot be read fails the run and leaves no mosaic.
  QProcess bad;
  bad.start(QStringLiteral(QUILTOR_CAPTURE_EXE),
            {"--simulate", QString::fromStdString(dir + "/none.png"), "--frames-at", "0,1",
             "--directions", "1", "--quiet", "-o", QString::fromStdString(dir + "/x.png")});
  ASSERT_TRUE(bad.waitForFinished(60000));
  EXPECT_EQ(bad.exitCode(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir + "/x.png"));
  EXPECT_FALSE(bad.readAllStandardError().isEmpty());
}

// A 3 x 3 snake walked steadily at 16 pixels per live picture, turning
// only after the frame that ends a leg has been taken, as a user would: the
// frame moments come from following the picture's crops in this process.
struct TrackedSnake {
  std::vector<Point> Path;
  std::vector<int> FramesAt;
};

TrackedSnake WalkTrackedSnake(const Bitmap& picture) {
  constexpr int kSpeed = 16;
  struct Leg {
    int Dx, Dy, Frames;
  };
  const Leg legs[] = {{1, 0, 2}, {0, 1, 1}, {-1, 0, 2}, {0, 1, 1}, {1, 0, 2}};
  auto engine = std::make_unique<Panoram>();
  engine->ApplySettings(DefaultSetupData());
  CaptureRun run(*engine);
  run.Begin(0);
  AutoCapture tracking;
  tracking.Begin();
  TrackedSnake snake;
  const auto show = [&](Point at) {
    snake.Path.push_back(at);
    const Bitmap live = CropBitmap(picture, at.X, at.Y, 640, 480);
    const AutoStepResult step = tracking.AutoFrameStep(run, live, engine->Radius(), engine->Step());
    if (step.Taken) snake.FramesAt.push_back(static_cast<int>(snake.Path.size()) - 1);
    return step.Taken.has_value();
  };
  show({800, 0});  // the first frame, with room to either side
  for (const Leg& leg : legs) {
    for (int taken = 0; taken < leg.Frames;) {
      const Point last = snake.Path.back();
      taken += show({last.X + leg.Dx * kSpeed, last.Y + leg.Dy * kSpeed}) ? 1 : 0;
    }
  }
  return snake;
}

TEST_F(CaptureRunnerRun, AutomaticCaptureTakesFramesThatLieWhereTheCameraWas) {
  const Bitmap slide = TexturedBitmap(3000, 1600, 12);
  const std::string slideFile = dir + "/large.bmp", walkFile = dir + "/snake.txt";
  ASSERT_TRUE(PixSaveImage(slideFile, slide));
  const TrackedSnake snake = WalkTrackedSnake(slide);
  ASSERT_EQ(snake.FramesAt.size(), 9u);
  for (size_t i = 1; i < snake.FramesAt.size(); ++i) {
    const Point a = snake.Path[static_cast<size_t>(snake.FramesAt[i - 1])];
    const Point b = snake.Path[static_cast<size_t>(snake.FramesAt[i])];
    // A frame less the two margins apart, plus the overshoots at 16 pixels a picture.
    EXPECT_LE(std::abs(b.X - a.X), 640 - 2 * kEdgeMargin + 2 + 64) << i;
    EXPECT_LE(std::abs(b.Y - a.Y), 480 - 2 * kEdgeMargin + 2 + 64) << i;
  }
  std::ofstream walk(walkFile);
  for (const Point& p : snake.Path) {
    // The stage stays on the picture, so every origin is a true, unclamped one.
    ASSERT_GE(p.X, 0);
    ASSERT_LE(p.X + 640, slide.Width());
    ASSERT_LE(p.Y + 480, slide.Height());
    walk << p.X << ' ' << p.Y << '\n';
  }
  walk.close();

  const std::string out = dir + "/auto.png";
  QProcess p;
  p.start(
      QStringLiteral(QUILTOR_CAPTURE_EXE),
      {"--simulate", QString::fromStdString(slideFile), "--path", QString::fromStdString(walkFile),
       "--auto", "--live-frames", QString::number(snake.Path.size()), "--quiet", "-o",
       QString::fromStdString(out), "--report", QString::fromStdString(dir + "/auto.json")});
  ASSERT_TRUE(p.waitForFinished(300000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  std::ifstream in(dir + "/auto.json");
  const nlohmann::json images = nlohmann::json::parse(in).at("images");
  ASSERT_EQ(images.size(), snake.FramesAt.size());
  const auto place0 = images[0].at("place");
  const auto origin0 = images[0].at("origin");
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_EQ(images[i].at("live_frame").get<int>(), snake.FramesAt[i]) << i;
    const Point truth = snake.Path[static_cast<size_t>(snake.FramesAt[i])];
    EXPECT_EQ(images[i].at("origin")[0].get<int>(), truth.X) << i;
    EXPECT_EQ(images[i].at("origin")[1].get<int>(), truth.Y) << i;
    for (int axis = 0; axis < 2; ++axis) {
      EXPECT_EQ(images[i].at("place")[axis].get<int>() - place0[axis].get<int>(),
                images[i].at("origin")[axis].get<int>() - origin0[axis].get<int>())
          << i << " axis " << axis;
    }
  }
  EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(CaptureRunnerRun, ReportsEachFramesTravelAndLiveLinkAndTakesAFrameBack) {
  {
    std::ofstream walk(pathFile);
    for (int n = 0; n <= 80; ++n) walk << 12 * n << " 30\n";
  }
  CaptureOptions options;
  options.Simulate = picture;
  options.PathFile = pathFile;
  // The frame at 37 is taken back at 38 and taken again at 40.
  options.FramesAt = {0, 37, 40, 76};
  options.Directions = {1, 1, 1};
  options.RetakeAt = {38};
  options.ProjectName = "P";
  options.SaveFramesTo = dir + "/frames";
  options.Stitch.Auto = false;
  options.Stitch.Output = dir + "/mosaic.png";
  const StitchResult result = RunCapture(options, nullptr);
  ASSERT_EQ(result.ExitCode, 0) << result.Error;
  const nlohmann::json& images = result.Report.at("images");
  ASSERT_EQ(images.size(), 3u);
  const int truth[] = {0, 480, 432};  // each frame's origin from the one before
  for (size_t i = 1; i < images.size(); ++i) {
    EXPECT_EQ(images[i].at("travel"), nlohmann::json::array({truth[i], 0})) << i;
    EXPECT_EQ(images[i].at("live_link"), nlohmann::json::array({truth[i], 0})) << i;
    EXPECT_GE(images[i].at("live_score").get<double>(), kWeakLinkScore) << i;
    EXPECT_EQ(images[i].at("place")[0].get<int>() - images[i - 1].at("place")[0].get<int>(),
              truth[i]);
  }
  // The retaken frame's file is kept aside; its number went to the frame after it.
  const std::string aside = dir + "/frames/retaken/P_0001.bmp";
  EXPECT_EQ(result.Report.at("retaken")[0].at("moved_to"), aside);
  Bitmap whole, kept, taken;
  ASSERT_TRUE(PixLoadImage(picture, whole));
  ASSERT_TRUE(PixLoadImage(aside, kept));
  EXPECT_EQ(kept, CropBitmap(whole, 12 * 37, 30, 640, 480));
  ASSERT_TRUE(PixLoadImage(dir + "/frames/P_0001.bmp", taken));
  EXPECT_EQ(taken, CropBitmap(whole, 12 * 40, 30, 640, 480));
  EXPECT_FALSE(std::filesystem::exists(dir + "/frames/P_0003.bmp"));
}

}  // namespace
