#include "mainwind/assembly/assemblystatus.h"

#include <gtest/gtest.h>

namespace {

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
