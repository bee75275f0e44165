// The part of the montage table that holds images, and the scroll position
// that brings it into view.
#include "mainwind/table/tablespan.h"

#include <gtest/gtest.h>

namespace {

TEST(TableSpan, TheImagesBoundingCellsOrNoneForAnEmptyTable) {
  MontageTable table;
  EXPECT_FALSE(OccupiedSpan(table));
  table.Fill(kCellFree);
  EXPECT_FALSE(OccupiedSpan(table));
  table.At(48, 50) = 0;
  EXPECT_EQ(OccupiedSpan(table), (CellSpan{48, 50, 48, 50}));
  table.At(51, 49) = 1;
  table.At(50, 52) = 2;
  table.At(0, 99) = kCellBlocked;  // not an image
  EXPECT_EQ(OccupiedSpan(table), (CellSpan{48, 49, 51, 52}));
  table.At(99, 0) = 3;
  EXPECT_EQ(OccupiedSpan(table), (CellSpan{48, 0, 99, 52}));
}

TEST(TableSpan, ScrollKeepsAShownSpanCentresAHiddenOneAndStartsALongOneAtItsFirstCell) {
  struct Case {
    int Position, First, Last, Pitch, View, Expected;
  };
  const Case cases[] = {
      {0, 0, 2, 100, 500, 0},          // in view: unchanged
      {4900, 49, 51, 100, 500, 4900},  // in view, scrolled there already
      {0, 49, 51, 100, 500, 4800},     // 300 of 500: 100 either side
      {0, 49, 51, 100, 501, 4800},     // an odd pixel goes after
      {5000, 49, 51, 100, 500, 4800},  // partly in view
      {0, 40, 59, 100, 500, 4000},     // longer than the view
      {0, 0, 0, 100, 50, 0},           // one cell wider than the view
      {3000, 1, 1, 100, 500, 0},       // centring would go before the table
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScrollToShow(c.Position, c.First, c.Last, c.Pitch, c.View), c.Expected)
        << c.Position << " " << c.First << ".." << c.Last << " view " << c.View;
  }
}

}  // namespace
