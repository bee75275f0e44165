#pragma once
// The montage table's rules apart from the window: placing the next image,
// taking images off again, which cell a drag position falls on and whether
// a drop there is allowed.

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

// Where the first cell of the table lies as seen by the grid's viewport.
struct TableGridGeometry {
  int CellWidth = 1;   // pixels, without the grid line
  int CellHeight = 1;
  int LineWidth = 0;   // grid line after each cell, pixels
  int ScrollX = 0;     // pixels of the table scrolled out at the left
  int ScrollY = 0;     // and at the top
};

// The cell painted under a viewport position, grid lines counted with the
// cell before them. Nothing when the position lies before the first cell or
// beyond column or row 99.
std::optional<TableCell> TableCellAt(int x, int y, const TableGridGeometry& grid);

// A drop is allowed on a droppable (-1) cell, of the album row that comes
// next (placedCount), while that row is an image of the album.
bool CanDropOnTable(const MontageTable& table, const std::optional<TableCell>& cell, int albumRow,
                    int placedCount, int imageCount);

// The cell holding image, scanning columns then rows; the last one found counts.
std::optional<TableCell> FindInTable(const MontageTable& table, int32_t image);

// Takes the image in (column, row) and every image placed after it off the
// table; the image before it gets its droppable neighbours back, or the
// table is emptied when the first image went. Returns the new placed count,
// or nothing (table untouched) when the cell holds no image.
std::optional<int> RemoveFromTable(MontageTable& table, int column, int row);
