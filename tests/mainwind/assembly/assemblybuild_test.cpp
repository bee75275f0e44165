#include "mainwind/assembly/assemblybuild.h"

#include <gtest/gtest.h>

#include "engine/panoram.h"
#include "widgets/picturecontrol.h"
#include "support/testimages.h"

namespace {

// Two tiles side by side, 150 pixels apart and 10 pixels down: a 350 x 160 mosaic.
class MosaicPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    const Bitmap scene = TexturedBitmap(400, 200, 3);
    engine_.ApplySettings(30, 15, false, 5, 1, 3);
    engine_.AddImage(CropBitmap(scene, 0, 0, 200, 150), kDirNone, "a");
    engine_.AddImage(CropBitmap(scene, 150, 10, 200, 150), kDirRight, "b");
    engine_.SetLinkOut(0, 170, 70);
    engine_.SetLinkIn(1, 20, 60);
    engine_.PlaceChain();
    engine_.ChainToTable(table_);
    ASSERT_TRUE(ComposeMosaic(engine_, false));
  }

  Panoram engine_;
  MontageTable table_;
  PictureControl picture_;
};

TEST_F(MosaicPicture, WholeOrCropped) {
  ShowMosaicPicture(engine_, table_, picture_, false);
  EXPECT_EQ(picture_.Held().Width(), 350);
  EXPECT_EQ(picture_.Held().Height(), 160);
  const Bitmap whole = picture_.Held();
  ShowMosaicPicture(engine_, table_, picture_, true);
  EXPECT_TRUE(picture_.Held() == CropBitmap(whole, 0, 10, 350, 140));
}

TEST_F(MosaicPicture, EmptyCropShowsTheWholeMosaic) {
  // A frame wider than the overlap leaves an inverted rectangle.
  engine_.ApplySettings(30, 15, true, 500, 1, 3);
  ShowMosaicPicture(engine_, table_, picture_, true);
  EXPECT_EQ(picture_.Held().Width(), 350);
  EXPECT_EQ(picture_.Held().Height(), 160);
}

TEST_F(MosaicPicture, TableWithoutImagesShowsTheWholeCanvas) {
  ShowMosaicPicture(engine_, MontageTable(), picture_, true);
  EXPECT_EQ(picture_.Held().Width(), 350);
  EXPECT_EQ(picture_.Held().Height(), 160);
}

TEST(MosaicPictureNone, NothingBuiltLeavesThePicture) {
  Panoram engine;
  PictureControl picture;
  picture.Assign(FlatBitmap(5, 4, 1, 2, 3));
  ShowMosaicPicture(engine, MontageTable(), picture, true);
  EXPECT_EQ(picture.Held().Width(), 5);
}

}  // namespace
