// The workflow state machine: which commands are enabled and which pages have tabs.
#include <QFrame>
#include <QToolButton>

#include "formmain.h"
#include "mainwind/drawgrid.h"

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
    {kStateNoImages, Call::ClearAll, true, false, false, false, true, false, false, false, false, true},
    {kStateAlbumReady, Call::ResetPlaces, true, false, false, true, true, true, true, false, false, true},
    {kStatePlacing, Call::ResetPlaces, false, false, false, true, false, true, false, true, false, false},
    {kStateTablePlaced, Call::ResetPlaces, true, true, false, true, false, true, false, true, true, false},
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
  if (row->Layout) LayoutAlbum();
  SetTabShown(TabSheetCor, row->CorrectionTab);
  SetTabShown(TabSheetQuilt, row->AssemblyTab);
  PanelImages->setVisible(row->AlbumPanel);
  if (row->ZeroPlaced) PlacedCount = 0;
  ToolButtonImageClose->setEnabled(row->CloseButtons);
  ToolButtonImageCloseAll->setEnabled(row->CloseButtons);
  ToolButtonAutoPoz->setEnabled(row->AutoPoz);
  ToolButtonDelImTab->setEnabled(row->TableButtons);
  ToolButtonClearTab->setEnabled(row->TableButtons);
  ToolButtonCalkConnect->setEnabled(row->CalkConnect);
  if (row->ClearTable) {
    ClearTable();
    DrawGridTab->viewport()->update();
  }
}
