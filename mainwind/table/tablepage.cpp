#include "tablepage.h"

#include <QCoreApplication>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <optional>

#include "engine/linkcheck.h"
#include "engine/montagetable.h"
#include "engine/panoram.h"
#include "engine/stitchflow.h"
#include "mainwind/table/griddialog.h"
#include "mainwind/table/linkmessages.h"
#include "mainwind/table/montagelayout.h"
#include "mainwind/table/tablespan.h"
#include "mainwind/thumbcell.h"
#include "widgets/assemblywork.h"
#include "widgets/barprogress.h"
#include "widgets/drawgrid.h"
#include "widgets/pagebuild.h"
#include "widgets/userdialogs.h"
#include "widgets/workflowcommand.h"

namespace {

const QColor kBlockedGrey(128, 128, 128);

// The table cell under a viewport position, as the grid paints it.
std::optional<TableCell> TableCellUnder(const DrawGrid& grid, QPoint position) {
  int col = 0;
  int row = 0;
  if (!grid.MouseToCell(position, col, row)) return std::nullopt;
  return TableCell{col, row};
}

// A search that ran out of memory left the album, the links and the table as they were.
void TellSearchOutOfMemory(QWidget* parent) {
  TellUser(parent, QStringLiteral("ВНИМАНИЕ!"),
           QStringLiteral("Недостаточно памяти для поиска связей между изображениями. "
                          "Изображения и прежние связи сохранены."),
           MessageKind::Error);
}

}  // namespace

TablePage::TablePage(PageHost& host, ShellState shell, QToolBar* bar, QSplitter* splitter,
                     ToolImageLists& lists, QObject* parent)
    : QObject(parent), host_(host), shell_(shell) {
  Build(bar, splitter, lists);
  OnClick(ToolButtonAutoPoz, this, &TablePage::ToolButtonAutoPozClick);
  OnClick(ToolButtonDelImTab, this, &TablePage::ToolButtonDelImTabClick);
  OnClick(ToolButtonClearTab, this, &TablePage::ToolButtonClearTabClick);
  OnClick(ToolButtonCalkConnect, this, &TablePage::ToolButtonCalkConnectClick);
  OnClick(ToolButtonGrid, this, &TablePage::ToolButtonGridClick);
  DrawGridTab->SetGridLineWidth(3);
  DrawGridTab->OnDrawCell = [this](QPainter& painter, int col, int row, const QRect& rect) {
    DrawGridTabDrawCell(painter, col, row, rect);
  };
  DrawGridTab->OnDragEnter = [this](QObject* source) {
    return host_.AlbumDragRow(source).has_value() && !shell_.CommandRunning;
  };
  DrawGridTab->OnDragOver = [this](QPoint position, QObject* source) {
    return DrawGridTabDragOver(position, source);
  };
  DrawGridTab->OnDragDrop = [this](QPoint position, QObject* source) {
    DrawGridTabDragDrop(position, source);
  };
}

void TablePage::Build(QToolBar* bar, QSplitter* splitter, ToolImageLists& lists) {
  const auto add = [bar, &lists](QToolButton*& button, const char* name, const char* hint,
                                 const char* icon, const char* glyph) {
    AddToolButton(bar, lists, button, name, hint, icon, glyph, kImagesButton);
  };
  add(ToolButtonAutoPoz, "ToolButtonAutoPoz", "Автоматическая склейка изображений", "tools-wizard",
      "А");
  add(ToolButtonDelImTab, "ToolButtonDelImTab", "Удаление изображения из поля монтажа",
      "edit-delete", "У");
  add(ToolButtonClearTab, "ToolButtonClearTab", "Очистка поля монтажа", "edit-clear", "Ч");
  add(ToolButtonCalkConnect, "ToolButtonCalkConnect", "Склейка изображений в поле монтажа",
      "edit-table-cell-merge", "С");
  add(ToolButtonGrid, "ToolButtonGrid", "Раскладка сеткой", "view-grid", "#");

  DrawGridTab = Named(new DrawGrid(splitter), "DrawGridTab");
  DrawGridTab->SetColCount(kTableColumns);
  DrawGridTab->SetRowCount(kTableRows);
  splitter->addWidget(DrawGridTab);
}

void TablePage::SizeCells(int width, int height) {
  DrawGridTab->SetDefaultColWidth(width);
  DrawGridTab->SetDefaultRowHeight(height);
  DrawGridTab->viewport()->update();
}

void TablePage::DrawGridTabDrawCell(QPainter& painter, int col, int row, const QRect& rect) {
  if (!InsideTable(col, row)) return;
  const int32_t value = shell_.MontageTable.At(col, row);
  if (value < 0) {
    painter.setPen(Qt::black);
    painter.setBrush(LooksDroppable(value, PlacedCount, shell_.Engine.Count())
                         ? DrawGridTab->palette().color(QPalette::Button)
                         : kBlockedGrey);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    return;
  }
  if (value >= shell_.Engine.Count()) return;
  DrawImageCell(painter, rect, shell_.Engine, value, kTableFontHeight,
                col == DrawGridTab->Col() && row == DrawGridTab->Row());
}

bool TablePage::DrawGridTabDragOver(QPoint position, QObject* source) {
  const std::optional<int> albumRow = host_.AlbumDragRow(source);
  if (!albumRow || shell_.CommandRunning) return false;
  const auto cell = TableCellUnder(*DrawGridTab, position);
  return CanDropOnTable(shell_.MontageTable, cell, *albumRow, PlacedCount, shell_.Engine.Count());
}

void TablePage::DrawGridTabDragDrop(QPoint position, QObject* source) {
  // The drop is checked again: a drop the drag was refused for changes nothing.
  if (!DrawGridTabDragOver(position, source)) return;
  const TableCell cell = *TableCellUnder(*DrawGridTab, position);
  PlaceInTable(shell_.MontageTable, cell.Column, cell.Row, *host_.AlbumDragRow(source));
  ++PlacedCount;
  DrawGridTab->viewport()->update();
  if (PlacedCount < shell_.Engine.Count()) {
    host_.SetWorkflowState(kStatePlacing);
    return;
  }
  shell_.Engine.TableToChain(shell_.MontageTable);
  host_.SetWorkflowState(kStateTablePlaced);
  host_.ShowFirstConnection();
}

void TablePage::ToolButtonDelImTabClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  const std::optional<int> placed =
      RemoveFromTable(shell_.MontageTable, DrawGridTab->Col(), DrawGridTab->Row());
  if (!placed) return;
  PlacedCount = *placed;
  DrawGridTab->viewport()->update();
  host_.SetWorkflowState(PlacedCount > 0 ? kStatePlacing : kStateAlbumReady);
}

void TablePage::ToolButtonClearTabClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  PlacedCount = 0;
  host_.SetWorkflowState(kStateAlbumReady);
}

void TablePage::ToolButtonGridClick() {
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  Panoram& engine = shell_.Engine;
  const int count = engine.Count();
  const std::optional<GridPlan> plan = AskGridPlan(DrawGridTab->window(), count, lastGrid_);
  if (!plan) return;
  lastGrid_ = *plan;
  const std::string problem = GridProblem(*plan, count);
  if (!problem.empty()) {
    TellUser(DrawGridTab->window(), QStringLiteral("ВНИМАНИЕ!"), QString::fromStdString(problem),
             MessageKind::Warning);
    return;
  }
  // The album takes the chain's order, as a user would drag it; then the
  // images go onto the table one beside the other, as their drops would.
  std::vector<int> album(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) album[static_cast<size_t>(i)] = i;
  const std::vector<int> chain = GridChainOrder(*plan, count);
  for (int k = 0; k < count; ++k) {
    const auto at = std::find(album.begin() + k, album.end(), chain[static_cast<size_t>(k)]);
    const int from = static_cast<int>(at - album.begin());
    engine.MoveImage(from, k);
    std::rotate(album.begin() + k, at, at + 1);
  }
  PlaceGridInTable(shell_.MontageTable, *plan, count);
  PlacedCount = count;
  ShowLaidOutCells();
  engine.TableToChain(shell_.MontageTable);
  host_.SetWorkflowState(kStateTablePlaced);
  host_.ShowFirstConnection();
}

QProgressBar* TablePage::ShowStitchProgress() {
  QProgressBar* bar = host_.ShowProgress(QStringLiteral("Построение панорамы"));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return bar;
}

void TablePage::TellUnsetLinks(const AllNeighbourPlaces* placed) {
  const UnsetLinks links = FindUnsetLinks(shell_.Engine, placed ? &placed->Result : nullptr);
  QString text = UnsetLinksMessage(links, shell_.Engine.Method());
  const auto add = [&text](const QString& part) {
    if (!text.isEmpty() && !part.isEmpty()) text += QStringLiteral("\n\n");
    text += part;
  };
  if (placed != nullptr) add(NeighbourPlacementMessage(*placed));
  if (!text.isEmpty()) {
    add(MadeGoodLinksMessage(links.MadeGood));
    TellUser(DrawGridTab->window(), QStringLiteral("ВНИМАНИЕ!"), text, MessageKind::Warning);
  }
}

void TablePage::ShowLaidOutCells() {
  if (const std::optional<CellSpan> span = OccupiedSpan(shell_.MontageTable)) {
    QScrollBar* across = DrawGridTab->horizontalScrollBar();
    QScrollBar* down = DrawGridTab->verticalScrollBar();
    const QSize view = DrawGridTab->viewport()->size();
    const int pitchX = DrawGridTab->DefaultColWidth() + DrawGridTab->GridLineWidth();
    const int pitchY = DrawGridTab->DefaultRowHeight() + DrawGridTab->GridLineWidth();
    across->setValue(
        ScrollToShow(across->value(), span->FirstColumn, span->LastColumn, pitchX, view.width()));
    down->setValue(
        ScrollToShow(down->value(), span->FirstRow, span->LastRow, pitchY, view.height()));
  }
  DrawGridTab->viewport()->update();
}

void TablePage::ToolButtonAutoPozClick() {
  WorkflowCommand command(shell_.CommandRunning);
  Panoram& engine = shell_.Engine;
  if (!command.Acquired() || engine.Count() == 0) return;
  BarProgress progress(ShowStitchProgress());
  bool searched = false;
  std::optional<AllNeighbourPlaces> placed;
  RunWhilePainting([&] {
    searched = StitchAutomatically(engine, &progress);
    if (searched) placed = PlaceAsChosen(engine, nullptr);
  });
  host_.HideProgress();
  if (!searched) return TellSearchOutOfMemory(DrawGridTab->window());
  const bool fits = engine.ChainToTable(shell_.MontageTable);
  ShowLaidOutCells();
  host_.ShowStitchedMosaic();
  if (!fits) {
    TellUser(DrawGridTab->window(), QStringLiteral("ВНИМАНИЕ!"),
             QStringLiteral("Найденная раскладка изображений не помещается в поле монтажа "
                            "(%1 × %2 клеток), поэтому в поле монтажа показана только её часть. "
                            "Панорама собрана из всех изображений.")
                 .arg(kTableColumns)
                 .arg(kTableRows),
             MessageKind::Warning);
  }
  TellUnsetLinks(placed ? &*placed : nullptr);
}

void TablePage::ToolButtonCalkConnectClick() {
  WorkflowCommand command(shell_.CommandRunning);
  Panoram& engine = shell_.Engine;
  if (!command.Acquired() || engine.Count() == 0) return;
  BarProgress progress(ShowStitchProgress());
  bool searched = false;
  std::optional<AllNeighbourPlaces> placed;
  // The table is the layout laid out here: its neighbouring cells are the pairs.
  RunWhilePainting([&] {
    searched = StitchAlongDirections(engine, &progress);
    if (searched) placed = PlaceAsChosen(engine, &shell_.MontageTable);
  });
  host_.HideProgress();
  if (!searched) return TellSearchOutOfMemory(DrawGridTab->window());
  host_.ShowStitchedMosaic();
  TellUnsetLinks(placed ? &*placed : nullptr);
}
