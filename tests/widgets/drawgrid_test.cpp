#include "widgets/drawgrid.h"

#include <gtest/gtest.h>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
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

// A grid shaped like the montage table: 100 x 100 cells of 100 x 75 with
// 3-pixel lines, scrolled by pixels.
struct TablePositionCase {
  int X, Y, ScrollX, ScrollY;
  bool Inside;
  int Column, Row;
};

class DrawGridTableHitTest : public ::testing::TestWithParam<TablePositionCase> {};

TEST_P(DrawGridTableHitTest, MapsToTheCellDrawnThere) {
  const TablePositionCase& c = GetParam();
  DrawGrid grid;
  grid.SetColCount(100);
  grid.SetRowCount(100);
  grid.SetDefaultColWidth(100);  // pitch 103 across, 78 down
  grid.SetDefaultRowHeight(75);
  grid.SetGridLineWidth(3);
  grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid.resize(90, 70);  // small enough to scroll to the last cell
  grid.show();
  grid.horizontalScrollBar()->setValue(c.ScrollX);
  grid.verticalScrollBar()->setValue(c.ScrollY);
  const int maxX = grid.horizontalScrollBar()->maximum();
  ASSERT_EQ(grid.horizontalScrollBar()->value(), std::min(c.ScrollX, maxX));
  int col = -1;
  int row = -1;
  ASSERT_EQ(grid.MouseToCell(QPoint(c.X, c.Y), col, row), c.Inside);
  if (c.Inside) {
    EXPECT_EQ(col, c.Column);
    EXPECT_EQ(row, c.Row);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DrawGridTableHitTest,
    ::testing::Values(TablePositionCase{0, 0, 0, 0, true, 0, 0},
                      // the grid line after a cell counts with that cell
                      TablePositionCase{102, 77, 0, 0, true, 0, 0},
                      TablePositionCase{103, 78, 0, 0, true, 1, 1},
                      // late in column 4 the lines add up to more than a column's tail
                      TablePositionCase{513, 10, 0, 0, true, 4, 0},
                      // scrolled by pixels, partly visible first cell
                      TablePositionCase{12, 5, 1000, 800, true, 9, 10},
                      TablePositionCase{0, 0, 103 * 99, 78 * 99, true, 99, 99},
                      TablePositionCase{102, 77, 103 * 99, 78 * 99, true, 99, 99},
                      // beyond column or row 99
                      TablePositionCase{103, 0, 103 * 99, 0, false, 0, 0},
                      TablePositionCase{0, 78, 0, 78 * 99, false, 0, 0},
                      TablePositionCase{2000000000, 0, 2000000000, 0, false, 0, 0},
                      // before the first cell
                      TablePositionCase{-1, 0, 0, 0, false, 0, 0},
                      TablePositionCase{0, -5, 0, 0, false, 0, 0}));

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

namespace {

// Drags reach the grid as the window system sends them: an entry, moves, a drop.
class DrawGridDragTest : public DrawGridTest {
 protected:
  void SetUp() override {
    DrawGridTest::SetUp();
    // Only row 2 takes a drop, as only one table cell takes the next image.
    grid_.OnDragOver = [this](QPoint position, QObject*) {
      int col = 0;
      int row = 0;
      return grid_.MouseToCell(position, col, row) && row == 2;
    };
    grid_.OnDragDrop = [this](QPoint position, QObject*) { drops_.push_back(position); };
    mime_.setData("application/x-test", "1");
  }

  QPoint InRow(int row) { return grid_.CellRect(0, row).center(); }

  bool Enter(QPoint at) {
    QDragEnterEvent event(at, Qt::MoveAction, &mime_, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid_.viewport(), &event);
    return event.isAccepted();
  }
  bool Move(QPoint at) {
    QDragMoveEvent event(at, Qt::MoveAction, &mime_, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid_.viewport(), &event);
    return event.isAccepted();
  }
  void Drop(QPoint at) {
    QDropEvent event(at, Qt::MoveAction, &mime_, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid_.viewport(), &event);
  }

  QMimeData mime_;
  std::vector<QPoint> drops_;
};

TEST_F(DrawGridDragTest, DragEnteringOverARefusedCellIsFollowedToACellThatTakesIt) {
  EXPECT_TRUE(Enter(InRow(0)));
  EXPECT_FALSE(Move(InRow(0)));  // the refused-cell cursor here
  EXPECT_FALSE(Move(InRow(1)));
  EXPECT_TRUE(Move(InRow(2)));
  Drop(InRow(2));
  ASSERT_EQ(drops_.size(), 1u);
  EXPECT_EQ(drops_[0], InRow(2));
}

TEST_F(DrawGridDragTest, EntryHookRefusesForeignDragsAtOnce) {
  int asked = 0;
  grid_.OnDragEnter = [&](QObject*) {
    ++asked;
    return false;
  };
  EXPECT_FALSE(Enter(InRow(2)));
  EXPECT_EQ(asked, 1);
  grid_.OnDragEnter = [](QObject*) { return true; };
  EXPECT_TRUE(Enter(InRow(0)));
}

}  // namespace
