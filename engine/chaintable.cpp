// Conversion between the chain of directions and the montage table.
#include <algorithm>

#include "panoram.h"

namespace {
// One table step for a direction code; other codes do not move.
void StepBy(int32_t direction, int& column, int& row) {
  switch (direction) {
    case kDirRight: ++column; break;
    case kDirBelow: ++row; break;
    case kDirLeft: --column; break;
    case kDirAbove: --row; break;
    default: break;
  }
}
}  // namespace

bool Panoram::ChainToTable(MontageTable& table) const {
  table.Fill(kCellBlocked);
  if (count_ <= 0) return true;

  int column = 0, row = 0;
  int minColumn = 0, maxColumn = 0, minRow = 0, maxRow = 0;
  for (int i = 1; i < count_; ++i) {
    StepBy(images_[i].Direction, column, row);
    minColumn = std::min(minColumn, column);
    maxColumn = std::max(maxColumn, column);
    minRow = std::min(minRow, row);
    maxRow = std::max(maxRow, row);
  }

  // A chain wider or taller than the table keeps only the cells that fit.
  bool fits = maxColumn - minColumn < kTableColumns && maxRow - minRow < kTableRows;
  column = 0;
  row = 0;
  for (int i = 0; i < count_; ++i) {
    if (i > 0) StepBy(images_[i].Direction, column, row);
    const int c = column - minColumn;
    const int r = row - minRow;
    if (c < kTableColumns && r < kTableRows) table.At(c, r) = i;
  }
  return fits;
}

void Panoram::TableToChain(const MontageTable& table) {
  std::array<int, kCapacity> cellColumn;
  std::array<int, kCapacity> cellRow;
  cellColumn.fill(-1);
  cellRow.fill(-1);
  // The last cell found in column-major order counts.
  for (int c = 0; c < kTableColumns; ++c) {
    for (int r = 0; r < kTableRows; ++r) {
      const int32_t k = table.At(c, r);
      if (k >= 0 && k < count_) {
        cellColumn[k] = c;
        cellRow[k] = r;
      }
    }
  }
  for (int i = 1; i < count_; ++i) {
    if (cellColumn[i] < 0 || cellColumn[i - 1] < 0) continue;
    const int dc = cellColumn[i] - cellColumn[i - 1];
    const int dr = cellRow[i] - cellRow[i - 1];
    // Tested in this order; a later true test overrides an earlier one.
    if (dc == 1) images_[i].Direction = kDirRight;
    if (dc == -1) images_[i].Direction = kDirLeft;
    if (dr == 1) images_[i].Direction = kDirBelow;
    if (dr == -1) images_[i].Direction = kDirAbove;
  }
}
