#pragma once
// The montage table's rules apart from the window: placing the next image,
// taking images off again and whether a drop on a cell is allowed.

#include <cstdint>
#include <optional>

#include "engine/montagetable.h"

struct TableCell {
  int Column = 0;
  int Row = 0;
  friend bool operator==(const TableCell&, const TableCell&) = default;
};

bool InsideTable(int column, int row);

// Blocks every free cell, puts image into (column, row) and makes its free
// neighbours inside the table droppable. Returns false (table untouched)
// when the cell lies outside the table or image is negative.
bool PlaceInTable(MontageTable& table, int column, int row, int32_t image);

// A drop is allowed on a droppable (-1) cell, of the album row that comes
// next (placedCount), while that row is an image of the album.
bool CanDropOnTable(const MontageTable& table, const std::optional<TableCell>& cell, int albumRow,
                    int placedCount, int imageCount);

// Whether a free cell is painted as one that takes a drop: a droppable (-1)
// cell while an album image is still to be placed (or the album is empty).
// Once every image lies on the table, the last one's free neighbours take
// nothing more and look like any other blocked cell.
bool LooksDroppable(int32_t value, int placedCount, int imageCount);

// The cell holding image, scanning columns then rows; the last one found counts.
std::optional<TableCell> FindInTable(const MontageTable& table, int32_t image);

// Takes the image in (column, row) and every image placed after it off the
// table; the image before it gets its droppable neighbours back, or the
// table is emptied when the first image went. Returns the new placed count,
// or nothing (table untouched) when the cell holds no image.
std::optional<int> RemoveFromTable(MontageTable& table, int column, int row);
