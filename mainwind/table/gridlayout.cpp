#include "mainwind/table/gridlayout.h"

#include <algorithm>
#include <map>

namespace {

bool FromRight(GridCorner corner) {
  return corner == GridCorner::TopRight || corner == GridCorner::BottomRight;
}
bool FromBottom(GridCorner corner) {
  return corner == GridCorner::BottomLeft || corner == GridCorner::BottomRight;
}

// The cell of the i-th step of a walk over the grid, rows first, from the corner.
TableCell Walk(const GridPlan& plan, int i, bool snake) {
  const int line = i / plan.Columns;
  int along = i % plan.Columns;
  bool rightward = !FromRight(plan.Start);
  if (snake && line % 2 == 1) rightward = !rightward;
  const int column = rightward ? along : plan.Columns - 1 - along;
  const int row = FromBottom(plan.Start) ? plan.Rows - 1 - line : line;
  return {column, row};
}

}  // namespace

std::string GridProblem(const GridPlan& plan, int count) {
  if (plan.Rows < 1 || plan.Columns < 1)
    return "В сетке должны быть хотя бы одна строка и один столбец.";
  if (plan.Rows > kTableRows || plan.Columns > kTableColumns) {
    return "Сетка больше поля монтажа (" + std::to_string(kTableColumns) + " x " +
           std::to_string(kTableRows) + ").";
  }
  if (count < 1) return "В альбоме нет изображений.";
  const int cells = plan.Rows * plan.Columns;
  if (count > cells) {
    return "В альбоме " + std::to_string(count) + " изображений, а в сетке только " +
           std::to_string(cells) + " мест.";
  }
  if (count <= cells - plan.Columns) {
    return "Изображений слишком мало: последняя строка сетки осталась бы пустой.";
  }
  // A short last row taken in the same direction as every row starts where
  // the chain, coming back along the row before, cannot reach it.
  if (plan.Order == GridOrder::Raster && count < cells && (plan.Rows - 1) % 2 == 1) {
    return "При съёмке построчно последняя строка этой сетки должна быть полной.";
  }
  return {};
}

TableCell GridCellOfShot(const GridPlan& plan, int i) {
  return Walk(plan, i, plan.Order == GridOrder::Snake);
}

std::vector<int> GridChainOrder(const GridPlan& plan, int count) {
  std::map<std::pair<int, int>, int> shotAt;
  for (int i = 0; i < count; ++i) {
    const TableCell cell = GridCellOfShot(plan, i);
    shotAt[{cell.Column, cell.Row}] = i;
  }
  // The chain snakes over the same cells from the same corner; a short last
  // row of a raster scan is the far part of that row, so the chain skips
  // the cells no shot went to.
  std::vector<int> order;
  for (int k = 0; k < plan.Rows * plan.Columns && static_cast<int>(order.size()) < count; ++k) {
    const TableCell cell = Walk(plan, k, true);
    const auto found = shotAt.find({cell.Column, cell.Row});
    if (found != shotAt.end()) order.push_back(found->second);
  }
  return order;
}

std::vector<TableCell> PlaceGridInTable(MontageTable& table, const GridPlan& plan, int count) {
  table.Fill(kCellFree);
  const int left = (kTableColumns - plan.Columns) / 2;
  const int top = (kTableRows - plan.Rows) / 2;
  std::vector<TableCell> cells;
  for (int k = 0; static_cast<int>(cells.size()) < count && k < plan.Rows * plan.Columns; ++k) {
    const TableCell cell = Walk(plan, k, true);
    cells.push_back({left + cell.Column, top + cell.Row});
  }
  for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
    PlaceInTable(table, cells[i].Column, cells[i].Row, i);
  }
  return cells;
}
