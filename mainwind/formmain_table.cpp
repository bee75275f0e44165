// The montage table and the two stitching commands.
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTabWidget>

#include "formmain.h"
#include "mainwind/assemblywork.h"
#include "mainwind/barprogress.h"
#include "mainwind/drawgrid.h"
#include "mainwind/montagelayout.h"
#include "mainwind/thumbcell.h"
#include "mainwind/userdialogs.h"
#include "mainwind/workflowcommand.h"

namespace {

const QColor kBlockedGrey(128, 128, 128);

// The table cell under a viewport position, as the grid paints it.
std::optional<TableCell> TableCellUnder(const DrawGrid& grid, QPoint position) {
  int col = 0;
  int row = 0;
  if (!grid.MouseToCell(position, col, row)) return std::nullopt;
  return TableCell{col, row};
}

// Caption and empty bar in the progress panel, shown before the engine starts.
void ShowStitchProgress(TFormMain& form) {
  form.LabelProcTxt->setText(QStringLiteral("Построение панорамы"));
  form.ProgressBar->setValue(0);
  form.Panel4->show();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// The common end of both stitching commands: the assembly page with the new mosaic.
void ShowStitchedMosaic(TFormMain& form) {
  form.ShowConnection();
  form.MosaicZoom = 1.0f;
  form.ShowMosaic();
  form.SetWorkflowState(kStateAssembled);
  form.PageControl->setCurrentWidget(form.TabSheetQuilt);
}

// A search that ran out of memory left the album, the links and the table as they were.
void TellSearchOutOfMemory(QWidget* parent) {
  TellUser(parent, QStringLiteral("ВНИМАНИЕ!"),
           QStringLiteral("Недостаточно памяти для поиска связей между изображениями. "
                          "Изображения и прежние связи сохранены."),
           MessageKind::Error);
}

}  // namespace

void TFormMain::SetupTable() {
  DrawGridTab->SetGridLineWidth(3);
  DrawGridTab->OnDrawCell = [this](QPainter& painter, int col, int row, const QRect& rect) {
    DrawGridTabDrawCell(painter, col, row, rect);
  };
  DrawGridTab->OnDragOver = [this](QPoint position, QObject* source) {
    return DrawGridTabDragOver(position, source);
  };
  DrawGridTab->OnDragDrop = [this](QPoint position, QObject* source) {
    DrawGridTabDragDrop(position, source);
  };
}

void TFormMain::ClearTable() { MontageTable.Fill(kCellFree); }

void TFormMain::DrawGridTabDrawCell(QPainter& painter, int col, int row, const QRect& rect) {
  if (!InsideTable(col, row)) return;
  const int32_t value = MontageTable.At(col, row);
  if (value < 0) {
    painter.setPen(Qt::black);
    painter.setBrush(value == kCellFree ? DrawGridTab->palette().color(QPalette::Button)
                                        : kBlockedGrey);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    return;
  }
  if (value >= Engine.Count()) return;
  ThumbCellStyle style;
  style.FontHeight = kTableFontHeight;
  style.Selected = col == DrawGridTab->Col() && row == DrawGridTab->Row();
  DrawThumbCell(painter, rect, Engine.Thumb(value), Engine.Name(value), style);
}

bool TFormMain::DrawGridTabDragOver(QPoint position, QObject* source) {
  if (source != DrawGridAlbum || CommandRunning) return false;
  const auto cell = TableCellUnder(*DrawGridTab, position);
  return CanDropOnTable(MontageTable, cell, DrawGridAlbum->Row(), PlacedCount, Engine.Count());
}

void TFormMain::DrawGridTabDragDrop(QPoint position, QObject* source) {
  // The drop is checked again: a drop the drag was refused for changes nothing.
  if (!DrawGridTabDragOver(position, source)) return;
  const TableCell cell = *TableCellUnder(*DrawGridTab, position);
  PlaceInTable(MontageTable, cell.Column, cell.Row, DrawGridAlbum->Row());
  ++PlacedCount;
  DrawGridTab->viewport()->update();
  if (PlacedCount < Engine.Count()) {
    SetWorkflowState(kStatePlacing);
    return;
  }
  Engine.TableToChain(MontageTable);
  SetWorkflowState(kStateTablePlaced);
  DrawGridEditConnect->SetRow(0);
  ShowConnection();
}

void TFormMain::ToolButtonDelImTabClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired()) return;
  const std::optional<int> placed =
      RemoveFromTable(MontageTable, DrawGridTab->Col(), DrawGridTab->Row());
  if (!placed) return;
  PlacedCount = *placed;
  DrawGridTab->viewport()->update();
  SetWorkflowState(PlacedCount > 0 ? kStatePlacing : kStateAlbumReady);
}

void TFormMain::ToolButtonClearTabClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired()) return;
  PlacedCount = 0;
  SetWorkflowState(kStateAlbumReady);
}

void TFormMain::ToolButtonAutoPozClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired() || Engine.Count() == 0) return;
  ShowStitchProgress(*this);
  BarProgress progress(ProgressBar);
  bool searched = false;
  RunWhilePainting([&] {
    searched = Engine.AutoSearchLinks(&progress);
    if (searched) Engine.PlaceChain();
  });
  Panel4->hide();
  if (!searched) return TellSearchOutOfMemory(this);
  const bool fits = Engine.ChainToTable(MontageTable);
  DrawGridTab->viewport()->update();
  ShowStitchedMosaic(*this);
  if (!fits) {
    TellUser(this, QStringLiteral("ВНИМАНИЕ!"),
             QStringLiteral("Найденная раскладка изображений не помещается в поле монтажа "
                            "(%1 × %2 клеток), поэтому в поле монтажа показана только её часть. "
                            "Панорама собрана из всех изображений.")
                 .arg(kTableColumns)
                 .arg(kTableRows),
             MessageKind::Warning);
  }
}

void TFormMain::ToolButtonCalkConnectClick() {
  WorkflowCommand command(CommandRunning);
  if (!command.Acquired() || Engine.Count() == 0) return;
  ShowStitchProgress(*this);
  Engine.ResetPlaces();
  BarProgress progress(ProgressBar);
  bool searched = false;
  RunWhilePainting([&] {
    searched = Engine.SearchLinks(&progress);
    if (searched) Engine.PlaceChain();
  });
  Panel4->hide();
  if (!searched) return TellSearchOutOfMemory(this);
  ShowStitchedMosaic(*this);
}
