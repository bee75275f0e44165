// A capture run without its window: frame names and files, the first
// frame's direction, the engine's limit, failed writes, the overlay kept out
// of the stored frames, and the end of the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "capture/run/capturerun.h"
#include "imagefiles/imagefiles.h"
#include "support/testimages.h"

namespace {

class CaptureRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run.Project.Name = "Проба";
    run.Project.Dir = dir + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string dir = MakeTempDir("capturerun");
  std::unique_ptr<Panoram> engine = std::make_unique<Panoram>();
  CaptureRun run{*engine};
  OverlayOptions look;
};

TEST_F(CaptureRunTest, FramesAreNumberedAndTheFirstOfARunHasNoDirection) {
  run.Begin(7);  // continuing after frames of an earlier run
  run.FrameDirection = kDirBelow;
  const Bitmap live = TexturedBitmap(64, 48, 1);
  const FrameTaken first = run.StoreFrame(live);
  ASSERT_TRUE(first);
  EXPECT_EQ(first.Name, dir + "/Проба_0007.bmp");
  EXPECT_EQ(engine->Direction(0), kDirNone);
  ASSERT_TRUE(run.StoreFrame(live));
  EXPECT_EQ(engine->Name(1), dir + "/Проба_0008.bmp");
  EXPECT_EQ(engine->Direction(1), kDirBelow);
  EXPECT_EQ(run.Project.FrameCount, 9);
  // Not asked to save: nothing on disk.
  EXPECT_FALSE(std::filesystem::exists(first.Name));
}

TEST_F(CaptureRunTest, SavedFramesReadBackAndAFailedWriteIsToldOnceKeepingTheFrames) {
  run.Project.SaveFrames = true;
  run.Begin(0);
  const Bitmap live = TexturedBitmap(64, 48, 2);
  ASSERT_TRUE(run.StoreFrame(live));
  Bitmap back;
  ASSERT_TRUE(PixLoadImage(dir + "/Проба_0000.bmp", back));
  EXPECT_EQ(back, live);

  run.Project.Dir = "/proc/quiltor-no-folder/";
  const FrameTaken failed = run.StoreFrame(live);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(failed.SaveError.empty());
  const FrameTaken next = run.StoreFrame(live);
  EXPECT_TRUE(next);
  EXPECT_TRUE(next.SaveError.empty());  // saving stopped, told once
  EXPECT_EQ(engine->Count(), 3);
}

TEST_F(CaptureRunTest, TheEngineFullEndsFrameTakingWithoutCountingAFrame) {
  run.Begin(0);
  const Bitmap live = FlatBitmap(8, 6, 1, 2, 3);
  for (int i = 0; i < Panoram::kCapacity; ++i) ASSERT_TRUE(run.StoreFrame(live)) << i;
  const FrameTaken refused = run.StoreFrame(live);
  EXPECT_EQ(refused.Kind, FrameTaken::EngineFull);
  EXPECT_EQ(run.Project.FrameCount, Panoram::kCapacity);
  EXPECT_EQ(engine->Count(), Panoram::kCapacity);
}

TEST_F(CaptureRunTest, OnePressTakesOneFrameAndTheOverlayStaysOnScreen) {
  run.Begin(0);
  Bitmap live = TexturedBitmap(80, 60, 3);
  const Bitmap original = live;
  // Outside a request the live picture passes unchanged: no overlay yet.
  EXPECT_FALSE(run.ManualFrameStep(live, look));
  EXPECT_EQ(live, original);

  run.TakeFrame = true;
  const std::optional<FrameTaken> taken = run.ManualFrameStep(live, look);
  ASSERT_TRUE(taken && *taken);
  EXPECT_FALSE(run.TakeFrame);
  ASSERT_TRUE(run.OverlayFrame.has_value());
  // The stored frame is the picture before the overlay was drawn into it.
  EXPECT_EQ(engine->ImageBitmap(0), original);
  EXPECT_NE(live, original);

  Bitmap next = TexturedBitmap(80, 60, 4);
  EXPECT_FALSE(run.ManualFrameStep(next, look));
  EXPECT_EQ(engine->Count(), 1);

  OverlayOptions hidden = look;
  hidden.Shown = false;
  Bitmap plain = TexturedBitmap(80, 60, 5);
  const Bitmap plainOriginal = plain;
  run.ManualFrameStep(plain, hidden);
  EXPECT_EQ(plain, plainOriginal);
}

TEST_F(CaptureRunTest, EndStitchesOnlyTwoOrMoreFrames) {
  run.Begin(0);
  MontageTable table;
  table.Fill(kCellFree);
  EXPECT_FALSE(run.End(table, nullptr));
  EXPECT_FALSE(run.Running());

  // Two fields of one texture, the second 300 pixels to the right.
  const Bitmap source = TexturedBitmap(700, 340, 6);
  run.Begin(0);
  engine->ApplySettings(DefaultSetupData());
  ASSERT_TRUE(run.StoreFrame(CropBitmap(source, 0, 0, 400, 340)));
  run.FrameDirection = kDirRight;
  ASSERT_TRUE(run.StoreFrame(CropBitmap(source, 300, 0, 400, 340)));
  bool searchFailed = true;
  ASSERT_TRUE(run.End(table, nullptr, &searchFailed));
  EXPECT_FALSE(searchFailed);
  EXPECT_FALSE(run.OverlayFrame.has_value());
  EXPECT_EQ(engine->Place(1).Left - engine->Place(0).Left, 300);
  EXPECT_EQ(engine->Place(1).Top, engine->Place(0).Top);
  // The chain is laid out in the table as a capture run has it: side by side.
  int placed = 0;
  for (const int32_t cell : table.Cells) placed += cell >= 0;
  EXPECT_EQ(placed, 2);
}

}  // namespace
