#include "mainwind/viewgeometry.h"

#include <gtest/gtest.h>

#include "mainwind/assembly/assemblystatus.h"

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

TEST(AssemblyStatus, SixPanelsExactly) {
  AssemblyFacts facts;
  facts.ImageCount = 4;
  facts.PictureWidth = 1830;
  facts.PictureHeight = 612;
  facts.Zoom = 0.125f;
  QStringList texts = AssemblyStatusTexts(facts);
  ASSERT_EQ(texts.size(), kStatusPanelCount);
  EXPECT_EQ(texts[0], QString::fromUtf8("Всего изображений  4"));
  EXPECT_EQ(texts[1], QString::fromUtf8("Размер 1830x612"));
  EXPECT_EQ(texts[2], QString::fromUtf8("Увеличение 12 %"));
  EXPECT_EQ(texts[3], QString());
  EXPECT_EQ(texts[4], QString());
  EXPECT_EQ(texts[5], QString());

  facts.Smoothed = facts.Cropped = facts.Working = true;
  facts.Zoom = 2.0f;
  texts = AssemblyStatusTexts(facts);
  EXPECT_EQ(texts[2], QString::fromUtf8("Увеличение 200 %"));
  EXPECT_EQ(texts[3], QString::fromUtf8("Сглажено"));
  EXPECT_EQ(texts[4], QString::fromUtf8("Обрезано"));
  EXPECT_EQ(texts[5], QString::fromUtf8("Обработка"));
}

}  // namespace
