#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mainwind/table/montagelayout.h"

namespace {

MontageTable EmptyTable() {
  MontageTable table;
  table.Fill(kCellFree);
  return table;
}

std::vector<TableCell> CellsHolding(const MontageTable& table, int32_t value) {
  std::vector<TableCell> cells;
  for (int c = 0; c < kTableColumns; ++c) {
    for (int r = 0; r < kTableRows; ++r) {
      if (table.At(c, r) == value) cells.push_back({c, r});
    }
  }
  return cells;
}

bool SameCells(std::vector<TableCell> a, std::vector<TableCell> b) {
  const auto less = [](const TableCell& x, const TableCell& y) {
    return x.Column != y.Column ? x.Column < y.Column : x.Row < y.Row;
  };
  std::sort(a.begin(), a.end(), less);
  std::sort(b.begin(), b.end(), less);
  return a == b;
}

// Images 0, 1, 2 on (5, 5), (6, 5), (6, 6), as a user lays them out.
MontageTable ThreeLaidOut() {
  MontageTable table = EmptyTable();
  PlaceInTable(table, 5, 5, 0);
  PlaceInTable(table, 6, 5, 1);
  PlaceInTable(table, 6, 6, 2);
  return table;
}

// --- placing ---

TEST(PlaceInTable, FirstImageMakesOnlyItsFourNeighboursDroppable) {
  MontageTable table = EmptyTable();
  ASSERT_TRUE(PlaceInTable(table, 5, 5, 0));
  EXPECT_EQ(table.At(5, 5), 0);
  EXPECT_TRUE(SameCells(CellsHolding(table, kCellFree), {{4, 5}, {5, 4}, {6, 5}, {5, 6}}));
  EXPECT_EQ(CellsHolding(table, kCellBlocked).size(), size_t{kTableColumns * kTableRows - 5});
}

TEST(PlaceInTable, OnlyTheLastPlacedImageHasDroppableNeighbours) {
  MontageTable table = EmptyTable();
  PlaceInTable(table, 5, 5, 0);
  PlaceInTable(table, 6, 5, 1);
  EXPECT_EQ(table.At(5, 5), 0);
  EXPECT_EQ(table.At(6, 5), 1);
  // (5, 5) is a neighbour too but holds image 0.
  EXPECT_TRUE(SameCells(CellsHolding(table, kCellFree), {{7, 5}, {6, 4}, {6, 6}}));
  EXPECT_EQ(table.At(4, 5), kCellBlocked);
}

struct EdgeCase {
  int Column, Row;
  std::vector<TableCell> Droppable;
};

class PlaceAtEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(PlaceAtEdge, NeighboursOutsideTheTableAreLeftOut) {
  const EdgeCase& c = GetParam();
  MontageTable table = EmptyTable();
  ASSERT_TRUE(PlaceInTable(table, c.Column, c.Row, 0));
  EXPECT_TRUE(SameCells(CellsHolding(table, kCellFree), c.Droppable));
}

INSTANTIATE_TEST_SUITE_P(Corners, PlaceAtEdge,
                         ::testing::Values(EdgeCase{0, 0, {{1, 0}, {0, 1}}},
                                           EdgeCase{99, 99, {{98, 99}, {99, 98}}},
                                           EdgeCase{99, 0, {{98, 0}, {99, 1}}},
                                           EdgeCase{0, 99, {{1, 99}, {0, 98}}},
                                           EdgeCase{0, 40, {{1, 40}, {0, 39}, {0, 41}}},
                                           EdgeCase{40, 99, {{39, 99}, {41, 99}, {40, 98}}}));

class PlaceOutside : public ::testing::TestWithParam<TableCell> {};

TEST_P(PlaceOutside, IsRefusedAndChangesNothing) {
  MontageTable table = EmptyTable();
  PlaceInTable(table, 3, 3, 0);
  const MontageTable before = table;
  EXPECT_FALSE(PlaceInTable(table, GetParam().Column, GetParam().Row, 1));
  EXPECT_EQ(table.Cells, before.Cells);
}

INSTANTIATE_TEST_SUITE_P(Cells, PlaceOutside,
                         ::testing::Values(TableCell{-1, 0}, TableCell{0, -1}, TableCell{100, 5},
                                           TableCell{5, 100}, TableCell{100, 100}));

// --- accepting a drop ---

struct DropCase {
  TableCell Cell;
  int AlbumRow, Placed, Images;
  bool Accepted;
};

class DropOnTable : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropOnTable, OnlyTheNextAlbumRowOnADroppableCell) {
  const DropCase& c = GetParam();
  MontageTable table = EmptyTable();
  PlaceInTable(table, 5, 5, 0);
  EXPECT_EQ(CanDropOnTable(table, c.Cell, c.AlbumRow, c.Placed, c.Images), c.Accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DropOnTable,
    ::testing::Values(DropCase{{6, 5}, 1, 1, 3, true}, DropCase{{5, 4}, 1, 1, 3, true},
                      DropCase{{7, 5}, 1, 1, 3, false},  // blocked
                      DropCase{{5, 5}, 1, 1, 3, false},  // holds image 0
                      DropCase{{6, 5}, 2, 1, 3, false},  // not the next row
                      DropCase{{6, 5}, 0, 1, 3, false},  // already placed
                      DropCase{{6, 5}, 1, 1, 1, false},  // every image is placed
                      DropCase{{100, 5}, 1, 1, 3, false}, DropCase{{-1, 5}, 1, 1, 3, false}));

TEST(DropOnTable, NoCellIsRefused) {
  EXPECT_FALSE(CanDropOnTable(EmptyTable(), std::nullopt, 0, 0, 1));
}

TEST(DropOnTable, AnEmptyTableTakesTheFirstImageAnywhere) {
  const MontageTable table = EmptyTable();
  EXPECT_TRUE(CanDropOnTable(table, TableCell{0, 0}, 0, 0, 2));
  EXPECT_TRUE(CanDropOnTable(table, TableCell{99, 99}, 0, 0, 2));
}

// --- finding and removing ---

TEST(FindInTable, TheLastCellInColumnOrderCounts) {
  MontageTable table = EmptyTable();
  table.At(2, 70) = 3;
  table.At(10, 1) = 3;
  table.At(10, 0) = 4;
  EXPECT_EQ(FindInTable(table, 3), (TableCell{10, 1}));
  EXPECT_EQ(FindInTable(table, 4), (TableCell{10, 0}));
  EXPECT_FALSE(FindInTable(table, 5).has_value());
}

TEST(RemoveFromTable, RemovingTheMiddleImageLeavesTheFirstWithItsNeighbours) {
  MontageTable table = ThreeLaidOut();
  EXPECT_EQ(RemoveFromTable(table, 6, 5), 1);
  EXPECT_EQ(table.At(5, 5), 0);
  EXPECT_TRUE(CellsHolding(table, 1).empty());
  EXPECT_TRUE(CellsHolding(table, 2).empty());
  EXPECT_TRUE(SameCells(CellsHolding(table, kCellFree), {{4, 5}, {5, 4}, {6, 5}, {5, 6}}));
}

TEST(RemoveFromTable, RemovingTheLastImageReopensTheOneBefore) {
  MontageTable table = ThreeLaidOut();
  EXPECT_EQ(RemoveFromTable(table, 6, 6), 2);
  EXPECT_EQ(table.At(5, 5), 0);
  EXPECT_EQ(table.At(6, 5), 1);
  EXPECT_TRUE(SameCells(CellsHolding(table, kCellFree), {{7, 5}, {6, 4}, {6, 6}}));
}

TEST(RemoveFromTable, RemovingTheFirstImageEmptiesTheTable) {
  MontageTable table = ThreeLaidOut();
  EXPECT_EQ(RemoveFromTable(table, 5, 5), 0);
  EXPECT_EQ(CellsHolding(table, kCellFree).size(), size_t{kTableColumns * kTableRows});
}

TEST(RemoveFromTable, AnEmptyOrBlockedCellOrOneOutsideChangesNothing) {
  MontageTable table = ThreeLaidOut();
  const MontageTable before = table;
  EXPECT_FALSE(RemoveFromTable(table, 7, 6).has_value());  // droppable
  EXPECT_FALSE(RemoveFromTable(table, 0, 0).has_value());  // blocked
  EXPECT_FALSE(RemoveFromTable(table, 100, 0).has_value());
  EXPECT_FALSE(RemoveFromTable(table, 0, -1).has_value());
  EXPECT_EQ(table.Cells, before.Cells);
}

TEST(RemoveFromTable, APreviousImageMissingFromTheTableStartsOver) {
  // A table written from a chain can lack images; nothing can continue from one that is gone.
  MontageTable table = EmptyTable();
  table.Fill(kCellBlocked);
  table.At(0, 0) = 0;
  table.At(1, 0) = 2;
  EXPECT_EQ(RemoveFromTable(table, 1, 0), 0);
  EXPECT_EQ(CellsHolding(table, kCellFree).size(), size_t{kTableColumns * kTableRows});
}

}  // namespace
