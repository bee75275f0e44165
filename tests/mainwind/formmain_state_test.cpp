#include <QFrame>
#include <QTabWidget>
#include <QToolButton>

#include "support/windowfixture.h"

namespace {

struct StateCase {
  int State;
  bool CorTab, QuiltTab, AlbumPanel;
  bool CloseButtons, AutoPoz, TableButtons, CalkConnect;
  bool ZeroesPlaced;  // PlacedCount := 0
  bool ClearsTable;   // every cell back to -1
  bool ClearsEngine;  // ClearAll
  bool ResetsPlaces;  // ResetPlaces
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << "state " << c.State; }

class WorkflowStateTest : public WindowTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(WorkflowStateTest, RowOfTheStateTable) {
  const StateCase& c = GetParam();
  auto w = MakeWindow();
  // Something to clear or keep: two images, one placed off the origin, a
  // laid-out table, a placed count, and the opposite of every expected look.
  ASSERT_EQ(w->Engine.AddImage(FlatBitmap(40, 30, 9, 9, 9), 0, "a.bmp"), AddImageResult::Added);
  ASSERT_EQ(w->Engine.AddImage(FlatBitmap(40, 30, 7, 7, 7), 1, "b.bmp"), AddImageResult::Added);
  w->Engine.SetLinkOut(0, 35, 15);
  w->Engine.SetLinkIn(1, 5, 15);
  w->Engine.PlaceChain();
  const Rect placed = w->Engine.Place(1);
  w->MontageTable.At(3, 4) = 1;
  w->Table->PlacedCount = 2;
  w->Album->PanelImages->setVisible(!c.AlbumPanel);
  w->Album->ToolButtonImageClose->setEnabled(!c.CloseButtons);
  w->Table->ToolButtonAutoPoz->setEnabled(!c.AutoPoz);
  w->Table->ToolButtonCalkConnect->setEnabled(!c.CalkConnect);

  w->SetWorkflowState(c.State);

  EXPECT_EQ(w->WorkflowState(), c.State);
  EXPECT_EQ(w->PageControl->isTabVisible(w->PageControl->indexOf(w->Correction->TabSheetCor)),
            c.CorTab);
  EXPECT_EQ(w->PageControl->isTabVisible(w->PageControl->indexOf(w->Assembly->TabSheetQuilt)),
            c.QuiltTab);
  EXPECT_EQ(!w->Album->PanelImages->isHidden(), c.AlbumPanel);
  EXPECT_EQ(w->Album->ToolButtonImageClose->isEnabled(), c.CloseButtons);
  EXPECT_EQ(w->Album->ToolButtonImageCloseAll->isEnabled(), c.CloseButtons);
  EXPECT_EQ(w->Table->ToolButtonAutoPoz->isEnabled(), c.AutoPoz);
  EXPECT_EQ(w->Table->ToolButtonDelImTab->isEnabled(), c.TableButtons);
  EXPECT_EQ(w->Table->ToolButtonClearTab->isEnabled(), c.TableButtons);
  EXPECT_EQ(w->Table->ToolButtonCalkConnect->isEnabled(), c.CalkConnect);
  EXPECT_EQ(w->Table->PlacedCount, c.ZeroesPlaced ? 0 : 2);
  EXPECT_EQ(w->MontageTable.At(3, 4), c.ClearsTable ? kCellFree : 1);
  EXPECT_EQ(w->Engine.Count(), c.ClearsEngine ? 0 : 2);
  if (!c.ClearsEngine) {
    const Rect origin{0, 0, 40, 30};
    EXPECT_EQ(w->Engine.Place(1), c.ResetsPlaces ? origin : placed);
  }
  // No state changes the active page.
  EXPECT_EQ(w->PageControl->currentWidget(), w->TabSheetImages);
  // Buttons outside the workflow stay as they were.
  EXPECT_TRUE(w->Album->ToolButtonImageOpen->isEnabled());
  EXPECT_TRUE(w->ToolButtonSet1->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(States, WorkflowStateTest,
                         ::testing::Values(
                             //        state               cor    quilt  album  close  auto   table
                             //        calk   zero   clear  clrEng reset
                             StateCase{kStateNoImages, false, false, false, false, false, false,
                                       false, true, true, true, false},
                             StateCase{kStateAlbumReady, false, false, true, true, true, false,
                                       false, true, true, false, true},
                             StateCase{kStatePlacing, false, false, true, true, false, true, false,
                                       false, false, false, true},
                             StateCase{kStateTablePlaced, true, false, true, true, false, true,
                                       true, false, false, false, true},
                             StateCase{kStateAssembled, true, true, true, true, false, true, true,
                                       false, false, false, false}));

TEST_F(WindowTest, UnknownStateChangesNothing) {
  auto w = MakeWindow();
  w->SetWorkflowState(kStateAssembled);
  w->Table->PlacedCount = 3;
  w->SetWorkflowState(5);
  EXPECT_EQ(w->WorkflowState(), kStateAssembled);
  EXPECT_EQ(w->Table->PlacedCount, 3);
  EXPECT_TRUE(w->PageControl->isTabVisible(w->PageControl->indexOf(w->Assembly->TabSheetQuilt)));
}

}  // namespace
