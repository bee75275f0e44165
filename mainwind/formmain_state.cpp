// The workflow state machine (which commands are enabled and which pages have
// tabs) and the effects that cross pages.
#include <QFrame>
#include <QTabWidget>
#include <QToolButton>

#include "capture/capturepage.h"
#include "formmain.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/table/tablepage.h"
#include "widgets/drawgrid.h"

namespace {

// One row of the state table; the steps run in the order of the fields.
struct StateRow {
  int State;
  enum class EngineCall { None, ClearAll, ResetPlaces } Call;
  bool Layout;
  bool CorrectionTab;
  bool AssemblyTab;
  bool AlbumPanel;
  bool ZeroPlaced;
  bool CloseButtons;
  bool AutoPoz;
  bool TableButtons;
  bool CalkConnect;
  bool ClearTable;
};

using Call = StateRow::EngineCall;

constexpr StateRow kStateTable[] = {
    {kStateNoImages, Call::ClearAll, true, false, false, false, true, false, false, false, false,
     true},
    {kStateAlbumReady, Call::ResetPlaces, true, false, false, true, true, true, true, false, false,
     true},
    {kStatePlacing, Call::ResetPlaces, false, false, false, true, false, true, false, true, false,
     false},
    {kStateTablePlaced, Call::ResetPlaces, true, true, false, true, false, true, false, true, true,
     false},
    {kStateAssembled, Call::None, false, true, true, true, false, true, false, true, true, false},
};

const StateRow* FindRow(int state) {
  for (const StateRow& row : kStateTable) {
    if (row.State == state) return &row;
  }
  return nullptr;
}

}  // namespace

void TFormMain::SetWorkflowState(int state) {
  const StateRow* row = FindRow(state);
  if (!row) return;  // not a state of the workflow
  workflowState_ = state;
  if (row->Call == Call::ClearAll) Engine.ClearAll();
  if (row->Call == Call::ResetPlaces) Engine.ResetPlaces();
  if (row->Layout) Album->LayoutAlbum();
  SetTabShown(Correction->TabSheetCor, row->CorrectionTab);
  SetTabShown(Assembly->TabSheetQuilt, row->AssemblyTab);
  Album->PanelImages->setVisible(row->AlbumPanel);
  if (row->ZeroPlaced) Table->PlacedCount = 0;
  Album->ToolButtonImageClose->setEnabled(row->CloseButtons);
  Album->ToolButtonImageCloseAll->setEnabled(row->CloseButtons);
  Table->ToolButtonAutoPoz->setEnabled(row->AutoPoz);
  Table->ToolButtonGrid->setEnabled(row->AutoPoz);  // the grid is the table laid by hand
  Table->ToolButtonDelImTab->setEnabled(row->TableButtons);
  Table->ToolButtonClearTab->setEnabled(row->TableButtons);
  Table->ToolButtonCalkConnect->setEnabled(row->CalkConnect);
  if (row->ClearTable) {
    ClearTable();
    Table->DrawGridTab->viewport()->update();
  }
}

void TFormMain::ClearTable() { MontageTable.Fill(kCellFree); }

QProgressBar* TFormMain::ShowProgress(const QString& caption) {
  return Album->ShowProgress(caption);
}

void TFormMain::HideProgress() { Album->HideProgress(); }

std::optional<int> TFormMain::AlbumDragRow(QObject* source) const { return Album->DragRow(source); }

void TFormMain::AlbumCellsSized(int width, int height) { Table->SizeCells(width, height); }

void TFormMain::ImagesAdded() { Correction->ListConnections(); }

void TFormMain::ShowFirstConnection() { Correction->TabSheetCorShow(); }

void TFormMain::ShowNewMosaic() {
  Assembly->ShowNewMosaic();
  SetWorkflowState(kStateAssembled);
}

void TFormMain::ShowStitchedMosaic() {
  Correction->ShowConnection();
  ShowNewMosaic();
  PageControl->setCurrentWidget(Assembly->TabSheetQuilt);
  Assembly->CenterMosaicOnShownPage();
}

void TFormMain::StartNewProject() { SetWorkflowState(kStateNoImages); }

void TFormMain::ShowImagesTab(bool shown) { SetTabShown(TabSheetImages, shown); }

void TFormMain::CaptureRunEnded() {
  Table->ToolButtonCalkConnect->setEnabled(true);
  // The run's frames joined the engine while the album was out of sight.
  Album->LayoutAlbum();
}

void TFormMain::ShowCapturedMosaic(const AllNeighbourPlaces* placed) {
  ImagesAdded();
  Table->ShowLaidOutCells();
  ShowStitchedMosaic();
  Table->TellUnsetLinks(placed);
}
