#include "widgets/viewgeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(Zoom, ThreeStepsOutIsAnEighth) {
  const ViewSize picture{1003, 805};
  float zoom = kZoomNormal;
  for (int i = 0; i < 3; ++i) zoom = ZoomOut(zoom, picture);
  EXPECT_EQ(ZoomPercent(zoom), 12);
  EXPECT_EQ(DisplayedSize(picture, zoom), (ViewSize{125, 100}));
  zoom = ZoomIn(ZoomIn(zoom, picture), picture);
  EXPECT_EQ(ZoomPercent(zoom), 50);
  EXPECT_EQ(DisplayedSize(picture, zoom), (ViewSize{501, 402}));
}

TEST(Zoom, OutStopsBeforeThePictureVanishes) {
  const ViewSize picture{400, 8};
  float zoom = kZoomNormal;
  for (int i = 0; i < 10; ++i) zoom = ZoomOut(zoom, picture);
  EXPECT_EQ(zoom, 0.125f);
  EXPECT_EQ(DisplayedSize(picture, zoom), (ViewSize{50, 1}));
}

TEST(Zoom, InStopsAtTheToolkitLimit) {
  const ViewSize picture{10000, 300};
  float zoom = kZoomNormal;
  for (int i = 0; i < 40; ++i) zoom = ZoomIn(zoom, picture);
  EXPECT_EQ(zoom, 1024.0f);  // 10 240 000 fits, 20 480 000 would not
  const ViewSize shown = DisplayedSize(picture, zoom);
  EXPECT_LE(shown.Width, kMaxDisplaySide);
  EXPECT_EQ(shown.Height, 307200);
}

TEST(Zoom, BoundZoomHalvesUntilDisplayable) {
  EXPECT_EQ(BoundZoom(1024.0f, {10000, 10}), 1024.0f);
  EXPECT_EQ(BoundZoom(4096.0f, {10000, 10}), 1024.0f);
  EXPECT_EQ(BoundZoom(1.0f, {100, 100}), 1.0f);
}

TEST(Zoom, DisplayedSizeNeverOverflows) {
  const ViewSize shown = DisplayedSize({60000, 60000}, 1.0e6f);
  EXPECT_EQ(shown.Width, kMaxDisplaySide);
  EXPECT_EQ(shown.Height, kMaxDisplaySide);
}

TEST(Zoom, StepsStopAtTheGivenRange) {
  const ViewSize picture{640, 480};
  EXPECT_EQ(ZoomIn(1.0f, picture, 2.0f), 2.0f);
  EXPECT_EQ(ZoomIn(2.0f, picture, 2.0f), 2.0f);
  EXPECT_EQ(ZoomOut(0.5f, picture, 0.25f), 0.25f);
  EXPECT_EQ(ZoomOut(0.25f, picture, 0.25f), 0.25f);
  // The picture's own limits still hold inside the range.
  EXPECT_EQ(ZoomOut(1.0f, {400, 1}, 0.25f), 1.0f);
  EXPECT_EQ(ZoomIn(1024.0f, {10000, 300}, 4096.0f), 1024.0f);
}

}  // namespace
