#include "widgets/dockpanel.h"

#include <gtest/gtest.h>

namespace {

struct DockCase {
  DockPanel::Side Side;
  QRect Docked;
  QRect Fill;
};

class DockPanelTest : public ::testing::TestWithParam<DockCase> {};

TEST_P(DockPanelTest, DockedChildTakesItsSideTheOtherTheRest) {
  DockPanel panel;
  auto* docked = new QWidget;
  auto* fill = new QWidget;
  panel.SetWidgets(docked, fill);
  panel.resize(301, 201);
  panel.SetDockedSize(QSize(150, 100));
  panel.SetDockSide(GetParam().Side);
  EXPECT_EQ(docked->geometry(), GetParam().Docked);
  EXPECT_EQ(fill->geometry(), GetParam().Fill);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, DockPanelTest,
    ::testing::Values(DockCase{DockPanel::Side::Left, {0, 0, 150, 201}, {150, 0, 151, 201}},
                      DockCase{DockPanel::Side::Top, {0, 0, 301, 100}, {0, 100, 301, 101}},
                      DockCase{DockPanel::Side::Right, {151, 0, 150, 201}, {0, 0, 151, 201}},
                      DockCase{DockPanel::Side::Bottom, {0, 101, 301, 100}, {0, 0, 301, 101}}));

TEST(DockPanel, DockedSizeLargerThanThePanelIsCutToIt) {
  DockPanel panel;
  auto* docked = new QWidget;
  auto* fill = new QWidget;
  panel.SetWidgets(docked, fill);
  panel.resize(100, 80);
  panel.SetDockedSize(QSize(500, 500));
  EXPECT_EQ(docked->geometry(), QRect(0, 0, 100, 80));
  EXPECT_EQ(fill->width(), 0);
}

}  // namespace
