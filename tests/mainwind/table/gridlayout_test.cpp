#include "mainwind/table/gridlayout.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Every image of the chain lies beside the one before it.
void ExpectChainOfNeighbours(const std::vector<TableCell>& cells) {
  for (size_t i = 1; i < cells.size(); ++i) {
    const int step =
        std::abs(cells[i].Column - cells[i - 1].Column) + std::abs(cells[i].Row - cells[i - 1].Row);
    EXPECT_EQ(step, 1) << "image " << i;
  }
}

TEST(GridLayout, ShotsOfEachOrderAndCornerLieWhereTheStageWent) {
  const GridPlan snake{2, 3, GridOrder::Snake, GridCorner::TopLeft};
  EXPECT_EQ(GridCellOfShot(snake, 2), (TableCell{2, 0}));
  EXPECT_EQ(GridCellOfShot(snake, 3), (TableCell{2, 1}));
  EXPECT_EQ(GridCellOfShot(snake, 5), (TableCell{0, 1}));
  const GridPlan raster{2, 3, GridOrder::Raster, GridCorner::TopLeft};
  EXPECT_EQ(GridCellOfShot(raster, 3), (TableCell{0, 1}));
  const GridPlan fromBottomRight{2, 3, GridOrder::Raster, GridCorner::BottomRight};
  EXPECT_EQ(GridCellOfShot(fromBottomRight, 0), (TableCell{2, 1}));
  EXPECT_EQ(GridCellOfShot(fromBottomRight, 4), (TableCell{1, 0}));
}

TEST(GridLayout, TheChainSnakesOverTheShotsWhateverTheirOrder) {
  // A snake scan is already the chain; a raster one turns every second row round.
  EXPECT_EQ(GridChainOrder({2, 3, GridOrder::Snake, GridCorner::TopLeft}, 6),
            (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(GridChainOrder({2, 3, GridOrder::Raster, GridCorner::TopLeft}, 6),
            (std::vector<int>{0, 1, 2, 5, 4, 3}));
  EXPECT_EQ(GridChainOrder({3, 2, GridOrder::Raster, GridCorner::TopRight}, 5),
            (std::vector<int>{0, 1, 3, 2, 4}));
  for (GridCorner corner : {GridCorner::TopLeft, GridCorner::TopRight, GridCorner::BottomLeft,
                            GridCorner::BottomRight}) {
    for (GridOrder order : {GridOrder::Snake, GridOrder::Raster}) {
      const GridPlan plan{4, 5, order, corner};
      const std::vector<int> chain = GridChainOrder(plan, 20);
      ASSERT_EQ(chain.size(), 20u);
      MontageTable table;
      const std::vector<TableCell> cells = PlaceGridInTable(table, plan, 20);
      ExpectChainOfNeighbours(cells);
      // The chained shot lies in the table where the stage took it.
      for (int k = 0; k < 20; ++k) {
        const TableCell shot = GridCellOfShot(plan, chain[k]);
        EXPECT_EQ(cells[k].Column - cells[0].Column,
                  shot.Column - GridCellOfShot(plan, chain[0]).Column);
        EXPECT_EQ(cells[k].Row - cells[0].Row, shot.Row - GridCellOfShot(plan, chain[0]).Row);
        EXPECT_EQ(table.At(cells[k].Column, cells[k].Row), k);
      }
    }
  }
}

TEST(GridLayout, ImpossibleGridsAreToldWhy) {
  EXPECT_EQ(GridProblem({3, 3, GridOrder::Snake, GridCorner::TopLeft}, 9), "");
  EXPECT_EQ(GridProblem({3, 3, GridOrder::Snake, GridCorner::TopLeft}, 7), "");
  EXPECT_NE(GridProblem({3, 3, GridOrder::Snake, GridCorner::TopLeft}, 10), "");
  EXPECT_NE(GridProblem({3, 3, GridOrder::Snake, GridCorner::TopLeft}, 6), "");  // empty last row
  EXPECT_NE(GridProblem({0, 3, GridOrder::Snake, GridCorner::TopLeft}, 1), "");
  EXPECT_NE(GridProblem({101, 1, GridOrder::Snake, GridCorner::TopLeft}, 101), "");
  // A short last row of a raster scan can be chained only when the chain
  // comes to that row from its first side.
  EXPECT_EQ(GridProblem({3, 3, GridOrder::Raster, GridCorner::TopLeft}, 8), "");
  EXPECT_NE(GridProblem({2, 3, GridOrder::Raster, GridCorner::TopLeft}, 5), "");
  MontageTable table;
  ExpectChainOfNeighbours(
      PlaceGridInTable(table, {3, 3, GridOrder::Raster, GridCorner::TopLeft}, 8));
}

}  // namespace
