#include "engine/stitchflow.h"

#include <gtest/gtest.h>

#include "support/testimages.h"

namespace {

// A picture that simply holds what it is given.
class HeldPicture : public Picture {
 public:
  void Assign(const Bitmap& bitmap) override { held = bitmap; }
  bool Resize(int width, int height) override {
    held = Bitmap(width, height);
    return true;
  }
  Bitmap& Canvas() override { return held; }
  Bitmap held;
};

// Two tiles side by side, 150 pixels apart and 10 pixels down: a 350 x 160
// mosaic whose common rectangle is 350 x 140.
class MosaicPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    const Bitmap scene = TexturedBitmap(400, 200, 3);
    engine_.ApplySettings({30, 15, 0, {}, 5, 1, 3});
    engine_.AddImage(CropBitmap(scene, 0, 0, 200, 150), kDirNone, "a");
    engine_.AddImage(CropBitmap(scene, 150, 10, 200, 150), kDirRight, "b");
    engine_.SetLinkOut(0, 170, 70);
    engine_.SetLinkIn(1, 20, 60);
    engine_.PlaceChain();
    engine_.ChainToTable(table_);
    ASSERT_TRUE(AssembleMosaic(engine_, false));
  }

  Panoram engine_;
  MontageTable table_;
  HeldPicture picture_;
};

TEST_F(MosaicPicture, WholeOrCropped) {
  ASSERT_TRUE(ShowMosaic(engine_, table_, false, picture_));
  EXPECT_EQ(picture_.held.Width(), 350);
  EXPECT_EQ(picture_.held.Height(), 160);
  const Bitmap whole = picture_.held;
  ASSERT_TRUE(ShowMosaic(engine_, table_, true, picture_));
  EXPECT_TRUE(picture_.held == CropBitmap(whole, 0, 10, 350, 140));
}

TEST_F(MosaicPicture, TakenMosaicIsWhatTheWindowShows) {
  for (const bool crop : {false, true}) {
    ASSERT_TRUE(AssembleMosaic(engine_, true));
    ASSERT_TRUE(ShowMosaic(engine_, table_, crop, picture_));
    const Bitmap taken = TakeMosaic(engine_, table_, crop);
    EXPECT_TRUE(taken == picture_.held) << "crop " << crop;
    EXPECT_FALSE(engine_.Result().has_value());  // handed over, not copied
  }
}

TEST_F(MosaicPicture, EmptyCropShowsTheWholeMosaic) {
  // A frame wider than the overlap leaves an inverted rectangle.
  engine_.ApplySettings({30, 15, 1, {}, 500, 1, 3});
  ASSERT_TRUE(ShowMosaic(engine_, table_, true, picture_));
  EXPECT_EQ(picture_.held.Width(), 350);
  EXPECT_EQ(picture_.held.Height(), 160);
  EXPECT_EQ(TakeMosaic(engine_, table_, true).Width(), 350);
}

TEST_F(MosaicPicture, TableWithoutImagesShowsTheWholeCanvas) {
  ASSERT_TRUE(ShowMosaic(engine_, MontageTable(), true, picture_));
  EXPECT_EQ(picture_.held.Width(), 350);
  EXPECT_EQ(picture_.held.Height(), 160);
}

TEST(MosaicPictureNone, NothingBuiltLeavesThePicture) {
  Panoram engine;
  HeldPicture picture;
  picture.Assign(FlatBitmap(5, 4, 1, 2, 3));
  EXPECT_EQ(AssembleMosaic(engine, false).Kind, CanvasResult::TooLarge);
  ShowMosaic(engine, MontageTable(), true, picture);
  EXPECT_EQ(picture.held.Width(), 5);
  EXPECT_TRUE(TakeMosaic(engine, MontageTable(), false).Empty());
}

// Three fields of one scene, 215 pixels apart, stitched both ways.
class StitchSequences : public ::testing::Test {
 protected:
  void SetUp() override {
    const Bitmap scene = TexturedBitmap(730, 240, 11);
    engine_.ApplySettings({30, 8, 0, {}, 5, 1, 2});
    for (int i = 0; i < 3; ++i) {
      engine_.AddImage(CropBitmap(scene, 215 * i, 0, 300, 240), i == 0 ? kDirNone : kDirRight, "f");
    }
  }
  Panoram engine_;
};

TEST_F(StitchSequences, BothFindTheKnownPlacesAndTimeTheirStages) {
  StitchTimes times;
  ASSERT_TRUE(StitchAlongDirections(engine_, nullptr, &times));
  EXPECT_EQ(engine_.Place(1).Left - engine_.Place(0).Left, 215);
  EXPECT_EQ(engine_.Place(2).Left - engine_.Place(0).Left, 430);
  EXPECT_GT(times.Search, 0.0);
  EXPECT_GE(times.Place, 0.0);
  const StitchTimes first = times;
  ASSERT_TRUE(StitchAutomatically(engine_, nullptr, &times));
  EXPECT_EQ(engine_.Direction(1), kDirRight);
  EXPECT_EQ(engine_.Place(2).Left - engine_.Place(0).Left, 430);
  EXPECT_GT(times.Search, first.Search);  // added to, not replaced
  ASSERT_TRUE(AssembleMosaic(engine_, true, &times));
  EXPECT_GT(times.Compose, 0.0);
  EXPECT_EQ(engine_.Result()->Width(), 730);
}

}  // namespace
