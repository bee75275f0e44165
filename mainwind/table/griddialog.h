#pragma once
// Asks how a stage scan was taken: rows, columns, order and starting corner.

#include <functional>
#include <optional>

#include "mainwind/table/gridlayout.h"

class QWidget;

// The plan, starting from last; none when the user cancelled.
std::optional<GridPlan> AskGridPlan(QWidget* parent, int imageCount, const GridPlan& last);

// Tests answer in place of the user; an empty function brings the dialog back.
using GridPlanAnswer = std::function<std::optional<GridPlan>(int imageCount, const GridPlan& last)>;
void SetGridPlanAnswer(GridPlanAnswer answer);
