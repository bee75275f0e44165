#include "montagelayout.h"

bool InsideTable(int column, int row) {
  return column >= 0 && column < kTableColumns && row >= 0 && row < kTableRows;
}

bool PlaceInTable(MontageTable& table, int column, int row, int32_t image) {
  if (!InsideTable(column, row) || image < 0) return false;
  for (int32_t& cell : table.Cells) {
    if (cell < 0) cell = kCellBlocked;
  }
  table.At(column, row) = image;
  const TableCell neighbours[] = {
      {column - 1, row}, {column, row - 1}, {column + 1, row}, {column, row + 1}};
  for (const TableCell& n : neighbours) {
    if (InsideTable(n.Column, n.Row) && table.At(n.Column, n.Row) < 0)
      table.At(n.Column, n.Row) = kCellFree;
  }
  return true;
}

bool CanDropOnTable(const MontageTable& table, const std::optional<TableCell>& cell, int albumRow,
                    int placedCount, int imageCount) {
  if (!cell || !InsideTable(cell->Column, cell->Row)) return false;
  if (albumRow != placedCount || albumRow < 0 || albumRow >= imageCount) return false;
  return table.At(cell->Column, cell->Row) == kCellFree;
}

bool LooksDroppable(int32_t value, int placedCount, int imageCount) {
  return value == kCellFree && (placedCount == 0 || placedCount < imageCount);
}

std::optional<TableCell> FindInTable(const MontageTable& table, int32_t image) {
  std::optional<TableCell> found;
  for (int c = 0; c < kTableColumns; ++c) {
    for (int r = 0; r < kTableRows; ++r) {
      if (table.At(c, r) == image) found = TableCell{c, r};
    }
  }
  return found;
}

std::optional<int> RemoveFromTable(MontageTable& table, int column, int row) {
  if (!InsideTable(column, row)) return std::nullopt;
  const int32_t removed = table.At(column, row);
  if (removed < 0) return std::nullopt;
  for (int32_t& cell : table.Cells) {
    if (cell >= removed) cell = kCellBlocked;
  }
  const std::optional<TableCell> before =
      removed > 0 ? FindInTable(table, removed - 1) : std::nullopt;
  // Without the previous image on the table nothing can be continued from:
  // start over with an empty table.
  if (!before) {
    table.Fill(kCellFree);
    return 0;
  }
  PlaceInTable(table, before->Column, before->Row, removed - 1);
  return removed;
}
