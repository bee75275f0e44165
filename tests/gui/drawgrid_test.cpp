#include "mainwind/drawgrid.h"

#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

// A 1-column album-like grid: 200 x 150 cells with 3-pixel grid lines.
class DrawGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid_.SetColCount(1);
    grid_.SetRowCount(10);
    grid_.SetDefaultColWidth(200);
    grid_.SetDefaultRowHeight(150);
    grid_.SetGridLineWidth(3);
    grid_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid_.resize(260, 400);
    grid_.show();
  }
  DrawGrid grid_;
};

struct HitCase {
  QPoint Point;
  bool OnCell;
  int Row;
};

class DrawGridHitTest : public DrawGridTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(DrawGridHitTest, MouseToCellCountsGridLinesWithTheCellBefore) {
  int col = -1;
  int row = -1;
  EXPECT_EQ(grid_.MouseToCell(GetParam().Point, col, row), GetParam().OnCell);
  if (GetParam().OnCell) {
    EXPECT_EQ(col, 0);
    EXPECT_EQ(row, GetParam().Row);
  }
}

INSTANTIATE_TEST_SUITE_P(Points, DrawGridHitTest,
                         ::testing::Values(HitCase{{0, 0}, true, 0}, HitCase{{199, 149}, true, 0},
                                           HitCase{{10, 152}, true, 0}, HitCase{{10, 153}, true, 1},
                                           HitCase{{10, 306}, true, 2},
                                           HitCase{{203, 10}, false, 0},
                                           HitCase{{-1, 10}, false, 0}));

TEST_F(DrawGridTest, CellRectsStepByCellAndLine) {
  EXPECT_EQ(grid_.CellRect(0, 0), QRect(0, 0, 200, 150));
  EXPECT_EQ(grid_.CellRect(0, 2), QRect(0, 306, 200, 150));
}

TEST_F(DrawGridTest, CurrentRowIsScrolledIntoViewAndReported) {
  std::vector<int> reported;
  QObject::connect(&grid_, &DrawGrid::CurrentChanged,
                   [&reported](int, int row) { reported.push_back(row); });
  grid_.SetRow(9);
  EXPECT_EQ(grid_.Row(), 9);
  const QRect cell = grid_.CellRect(0, 9);
  EXPECT_GE(cell.top(), 0);
  EXPECT_LE(cell.bottom(), grid_.viewport()->height() - 1);
  grid_.SetRow(0);
  EXPECT_EQ(grid_.verticalScrollBar()->value(), 0);
  grid_.SetRow(0);   // no change, no report
  grid_.SetRow(12);  // beyond the rows: ignored
  EXPECT_EQ(reported, (std::vector<int>{9, 0}));
  EXPECT_EQ(grid_.Row(), 0);
}

TEST_F(DrawGridTest, FewerRowsKeepTheCurrentRowInside) {
  grid_.SetRow(7);
  grid_.SetRowCount(3);
  EXPECT_EQ(grid_.Row(), 2);
  grid_.SetRowCount(0);
  EXPECT_EQ(grid_.Row(), 0);
}

TEST_F(DrawGridTest, PaintsOnlyExistingVisibleCellsAndPressSelects) {
  std::set<int> painted;
  grid_.OnDrawCell = [&painted](QPainter&, int, int row, const QRect&) { painted.insert(row); };
  QPoint pressedAt;
  grid_.OnMouseDown = [&pressedAt](QPoint position, Qt::MouseButton) { pressedAt = position; };
  grid_.grab();  // renders through the paint event even off screen
  EXPECT_EQ(painted, (std::set<int>{0, 1, 2}));
  QTest::mouseClick(grid_.viewport(), Qt::LeftButton, {}, QPoint(20, 160));
  EXPECT_EQ(grid_.Row(), 1);
  EXPECT_EQ(pressedAt, QPoint(20, 160));
}

}  // namespace
