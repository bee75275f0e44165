#include "mainwind/correction/connectionview.h"

#include <gtest/gtest.h>

namespace {

using Side = DockPanel::Side;

struct ViewCase {
  int Direction;
  Side ParentSide;
  ConnectionScroll Scroll;  // parent 640 x 480, child 800 x 600
};

class ConnectionViewTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ConnectionViewTest, OverlappingEdgesFaceEachOther) {
  const ViewCase& c = GetParam();
  EXPECT_EQ(ParentDockSide(c.Direction), c.ParentSide);
  EXPECT_EQ(ConnectionScrollFor(c.Direction, QSize(640, 480), QSize(800, 600)), c.Scroll);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, ConnectionViewTest,
    ::testing::Values(
        // Child to the right: parent on the left, showing its right edge.
        ViewCase{1, Side::Left, {640, 0, 0, 0}},
        // Child below: parent on top, showing its bottom edge.
        ViewCase{2, Side::Top, {0, 480, 0, 0}},
        // Child to the left: parent on the right; the child shows its right edge.
        ViewCase{3, Side::Right, {0, 0, 800, 0}},
        // Child above: parent at the bottom; the child shows its bottom edge.
        ViewCase{4, Side::Bottom, {0, 0, 0, 600}}));

TEST(ConnectionView, OtherCodesChangeNothing) {
  for (int direction : {0, 5, -1, 100}) {
    EXPECT_FALSE(ParentDockSide(direction).has_value()) << direction;
    EXPECT_FALSE(ConnectionScrollFor(direction, QSize(10, 10), QSize(10, 10)).has_value());
  }
}

}  // namespace
