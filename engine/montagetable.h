#pragma once
// The montage table: 100 columns x 100 rows of image indexes, stored column by
// column. A cell >= 0 holds an image index; negative cells are empty.

#include <array>
#include <cstdint>

constexpr int kTableColumns = 100;
constexpr int kTableRows = 100;
constexpr int32_t kCellFree = -1;     // empty, accepts the next drop
constexpr int32_t kCellBlocked = -2;  // empty, blocked

struct MontageTable {
  std::array<int32_t, kTableColumns * kTableRows> Cells{};

  MontageTable() { Cells.fill(kCellBlocked); }
  int32_t& At(int column, int row) { return Cells[column * kTableRows + row]; }
  int32_t At(int column, int row) const { return Cells[column * kTableRows + row]; }
  void Fill(int32_t value) { Cells.fill(value); }
};
