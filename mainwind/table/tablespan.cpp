#include "mainwind/table/tablespan.h"

#include <algorithm>

std::optional<CellSpan> OccupiedSpan(const MontageTable& table) {
  std::optional<CellSpan> span;
  for (int column = 0; column < kTableColumns; ++column) {
    for (int row = 0; row < kTableRows; ++row) {
      if (table.At(column, row) < 0) continue;
      if (!span) {
        span = CellSpan{column, row, column, row};
        continue;
      }
      span->FirstColumn = std::min(span->FirstColumn, column);
      span->FirstRow = std::min(span->FirstRow, row);
      span->LastColumn = std::max(span->LastColumn, column);
      span->LastRow = std::max(span->LastRow, row);
    }
  }
  return span;
}

int ScrollToShow(int position, int first, int last, int pitch, int viewSide) {
  const int start = first * pitch;
  const int end = (last + 1) * pitch;  // exclusive
  if (start >= position && end <= position + viewSide) return position;
  if (end - start > viewSide) return std::max(start, 0);
  return std::max(start - (viewSide - (end - start)) / 2, 0);
}
