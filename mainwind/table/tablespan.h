#pragma once
// Which part of the montage table holds images, and how far to scroll the
// table so that part is in view: a layout made by a command may land in the
// middle of the 100 x 100 table, far from the top-left corner shown.

#include <optional>

#include "engine/montagetable.h"

// Columns and rows from first to last, both inclusive.
struct CellSpan {
  int FirstColumn = 0;
  int FirstRow = 0;
  int LastColumn = 0;
  int LastRow = 0;
  friend bool operator==(const CellSpan&, const CellSpan&) = default;
};

// The smallest span holding every image of the table; none for an empty table.
std::optional<CellSpan> OccupiedSpan(const MontageTable& table);

// The scroll position, in pixels along one axis, that shows cells first..last
// of pitch pixels each in a view viewSide pixels long: position itself when
// they are all in view, otherwise centred on them, or starting at first when
// they do not fit. Never below 0.
int ScrollToShow(int position, int first, int last, int pitch, int viewSide);
