#pragma once
// A stage scan laid out as a grid on the montage table: the fields were taken
// row by row, either back and forth (snake) or always in the same direction
// (raster), from one corner. The table and the chain are the ones a user
// would build by hand: each image beside the one before it.

#include <optional>
#include <string>
#include <vector>

#include "engine/montagetable.h"
#include "mainwind/table/montagelayout.h"

enum class GridOrder { Snake, Raster };
enum class GridCorner { TopLeft, TopRight, BottomLeft, BottomRight };

struct GridPlan {
  int Rows = 1;
  int Columns = 1;
  GridOrder Order = GridOrder::Snake;
  GridCorner Start = GridCorner::TopLeft;
};

// Why count images cannot be laid out so, in Russian; empty when they can.
// The last row may be short.
std::string GridProblem(const GridPlan& plan, int count);

// The grid cell (column, row from the top left) of the image taken i-th.
TableCell GridCellOfShot(const GridPlan& plan, int i);

// The album order the chain needs: entry k is the shot (album index as the
// images came) that is chained k-th, a snake from the first shot's corner.
std::vector<int> GridChainOrder(const GridPlan& plan, int count);

// Places count images, already in chain order, on an emptied table as
// successive drops would, centred; the cells used, in chain order.
std::vector<TableCell> PlaceGridInTable(MontageTable& table, const GridPlan& plan, int count);
