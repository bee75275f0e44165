#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <vector>

#include "engine/registration/linkscore.h"
#include "mainwind/correction/connectioncell.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/formmain.h"
#include "support/shownwindow.h"
#include "support/testimages.h"
#include "support/windowfixture.h"
#include "widgets/dockpanel.h"
#include "widgets/drawgrid.h"
#include "widgets/matchmarker.h"
#include "widgets/panelstatusbar.h"
#include "widgets/picturecontrol.h"

namespace {

// One image of a chain: the part (x, y, w, h) of a scene and its direction.
struct Tile {
  int X, Y, W, H;
  int Direction;
};

class ConnectWindow : public ShownWindow {
 protected:
  void SetUp() override { OpenWindow("connectwin"); }
  void TearDown() override { CloseWindow(); }

  Panoram& Engine() { return form_->Engine; }

  void Load(const Bitmap& scene, const std::vector<Tile>& tiles) {
    Engine().ApplySettings({30, 15, 0, {}, 5, 1, 3});
    for (const Tile& t : tiles)
      Engine().AddImage(CropBitmap(scene, t.X, t.Y, t.W, t.H), t.Direction, "tile.bmp");
  }

  // The list as the album leaves it, the workflow state, then the page shown.
  void ShowCorrection(int state = kStateTablePlaced) {
    form_->Correction->DrawGridEditConnect->SetRowCount(Engine().Count() - 1);
    form_->SetWorkflowState(state);
    form_->PageControl->setCurrentWidget(form_->Correction->TabSheetCor);
    QApplication::processEvents();
  }

  // Image index's bitmap with a marker at p, as the page should show it.
  Bitmap Marked(int index, Point p) {
    Bitmap b = Engine().ImageBitmap(index);
    DrawMatchMarker(b, p.X, p.Y, 1.0);
    return b;
  }

  // Sent to the picture itself: the test tool would take (0, 0) for "the middle".
  void Click(PictureControl* picture, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF local(p);
    const QPointF global(picture->mapToGlobal(p));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(picture, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(picture, &release);
  }

  QImage GrabCell(int row) {
    DrawGrid* grid = form_->Correction->DrawGridEditConnect;
    return grid->viewport()
        ->grab(grid->CellRect(0, row))
        .toImage()
        .convertToFormat(QImage::Format_RGB888);
  }

  QImage ExpectedCell(int row, bool selected, bool linkSet) {
    ConnectionCellStyle style;
    style.Index = row;
    style.Direction = Engine().Direction(row + 1);
    style.Selected = selected;
    style.LinkSet = linkSet;
    style.Score = Engine().LinkScore(row);
    style.LinkOffset = OffsetOfLink(Engine().GetLinkOut(row), Engine().GetLinkIn(row + 1));
    style.Weak = linkSet && Engine().LinkWeak(row);
    return RenderConnectionCell(208, 158, Engine().Thumb(row), Engine().Thumb(row + 1), style);
  }

  bool QuiltTabShown() {
    return form_->PageControl->isTabVisible(
        form_->PageControl->indexOf(form_->Assembly->TabSheetQuilt));
  }
};

// Three small tiles going right, then down, with every point set.
class SmallChain : public ConnectWindow {
 protected:
  void SetUp() override {
    ConnectWindow::SetUp();
    Load(TexturedBitmap(400, 300, 21), {{0, 0, 200, 150, kDirNone},
                                        {150, 0, 200, 150, kDirRight},
                                        {150, 120, 200, 150, kDirBelow}});
    Engine().SetLinkOut(0, 170, 70);
    Engine().SetLinkIn(1, 20, 70);
    Engine().SetLinkOut(1, 100, 140);
    Engine().SetLinkIn(2, 100, 20);
  }
};

TEST_F(SmallChain, ShowingThePageSelectsTheFirstConnection) {
  form_->Correction->DrawGridEditConnect->SetRowCount(2);
  form_->Correction->DrawGridEditConnect->SetRow(1);
  ShowCorrection();
  EXPECT_EQ(form_->Correction->DrawGridEditConnect->Row(), 0);
  EXPECT_TRUE(form_->Correction->ImagePar->Held() == Marked(0, {170, 70}));
  EXPECT_TRUE(form_->Correction->ImageCh->Held() == Marked(1, {20, 70}));
  EXPECT_EQ(form_->Correction->ImagePar->size(), QSize(200, 150));
  EXPECT_EQ(form_->Correction->PanelCont->DockSide(), DockPanel::Side::Left);
}

TEST_F(SmallChain, ClickInTheListShowsThatConnection) {
  ShowCorrection();
  DrawGrid* grid = form_->Correction->DrawGridEditConnect;
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                    grid->CellRect(0, 1).center());
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_TRUE(form_->Correction->ImagePar->Held() == Marked(1, {100, 140}));
  EXPECT_TRUE(form_->Correction->ImageCh->Held() == Marked(2, {100, 20}));
  EXPECT_EQ(form_->Correction->PanelCont->DockSide(), DockPanel::Side::Top);
  QApplication::processEvents();
  EXPECT_EQ(GrabCell(1), ExpectedCell(1, true, true));
  EXPECT_EQ(GrabCell(0), ExpectedCell(0, false, true));
}

TEST_F(SmallChain, TwoClicksLeaveOneMarker) {
  Engine().SetLinkIn(2, 0, 0);  // keeps the chain incomplete: no rebuild here
  ShowCorrection();
  Click(form_->Correction->ImagePar, QPoint(100, 60));
  Click(form_->Correction->ImagePar, QPoint(120, 80), Qt::RightButton);
  EXPECT_EQ(Engine().GetLinkOut(0), (Point{120, 80}));
  EXPECT_TRUE(form_->Correction->ImagePar->Held() == Marked(0, {120, 80}));
  EXPECT_TRUE(form_->Correction->ImageCh->Held() ==
              Marked(1, {20, 70}));  // the other picture untouched
  EXPECT_EQ(Engine().GetLinkIn(1), (Point{20, 70}));
  EXPECT_EQ(form_->WorkflowState(), kStateTablePlaced);
  EXPECT_FALSE(QuiltTabShown());
}

TEST_F(SmallChain, ClickOnTheOriginUnsetsThePointAndTheDiscGoes) {
  Engine().SetLinkIn(2, 0, 0);
  ShowCorrection();
  EXPECT_EQ(GrabCell(0), ExpectedCell(0, true, true));
  Click(form_->Correction->ImageCh, QPoint(0, 0));
  EXPECT_EQ(Engine().GetLinkIn(1), (Point{0, 0}));
  EXPECT_FALSE(Engine().LinkDefined(0));
  EXPECT_TRUE(form_->Correction->ImageCh->Held() ==
              Engine().ImageBitmap(1));  // old marker erased, none drawn
  form_->Correction->DrawGridEditConnect->viewport()->repaint();
  EXPECT_EQ(GrabCell(0), ExpectedCell(0, true, false));
  EXPECT_NE(GrabCell(0), ExpectedCell(0, true, true));
}

TEST_F(SmallChain, AClickScoresTheLinkAgainAndTheCellShowsIt) {
  Engine().SetLinkIn(2, 0, 0);  // keeps the chain incomplete: no rebuild here
  ShowCorrection();
  // The tiles were cut 150 pixels apart: far off is weak, the truth scores 1.
  const QPoint label = ConnectionScoreRect(208, 158).topLeft() + QPoint(2, 2);
  Click(form_->Correction->ImagePar, QPoint(120, 20));
  EXPECT_LT(Engine().LinkScore(0), kWeakLinkScore);
  EXPECT_TRUE(Engine().LinkWeak(0));
  form_->Correction->DrawGridEditConnect->viewport()->repaint();
  EXPECT_EQ(GrabCell(0).pixelColor(label), kConnectionMarkColour);
  Click(form_->Correction->ImagePar, QPoint(170, 70));
  EXPECT_DOUBLE_EQ(Engine().LinkScore(0), 1.0);
  form_->Correction->DrawGridEditConnect->viewport()->repaint();
  EXPECT_EQ(GrabCell(0), ExpectedCell(0, true, true));
  EXPECT_EQ(GrabCell(0).pixelColor(label), QColor(Qt::white));
}

TEST_F(SmallChain, ClicksAreHeldOffWhileACommandRuns) {
  ShowCorrection();
  form_->CommandRunning = true;
  Click(form_->Correction->ImagePar, QPoint(100, 60));
  form_->CommandRunning = false;
  EXPECT_EQ(Engine().GetLinkOut(0), (Point{170, 70}));
  EXPECT_TRUE(form_->Correction->ImagePar->Held() == Marked(0, {170, 70}));
}

TEST_F(SmallChain, RowsPastTheImageCountStayBlank) {
  ShowCorrection();
  Engine().RemoveImage(2);  // the list keeps its two rows
  ASSERT_EQ(form_->Correction->DrawGridEditConnect->RowCount(), 2);
  const auto paint = [this](int row) {
    QImage image(208, 158, QImage::Format_RGB888);
    image.fill(QColor(1, 2, 3));
    QPainter painter(&image);
    form_->Correction->DrawGridEditConnectDrawCell(painter, row, QRect(0, 0, 208, 158));
    painter.end();
    return image;
  };
  QImage sentinel(208, 158, QImage::Format_RGB888);
  sentinel.fill(QColor(1, 2, 3));
  EXPECT_EQ(paint(1), sentinel);
  EXPECT_EQ(paint(5), sentinel);
  EXPECT_NE(paint(0), sentinel);

  // Selecting the blank row shows nothing new and moves no point.
  form_->Correction->DrawGridEditConnect->SetRow(1);
  form_->Correction->ShowConnection();
  EXPECT_TRUE(form_->Correction->ImagePar->Held() == Marked(0, {170, 70}));
  Click(form_->Correction->ImagePar, QPoint(50, 50));
  EXPECT_EQ(Engine().GetLinkOut(1), (Point{100, 140}));
  form_->Correction->DrawGridEditConnect->viewport()->repaint();
  const QImage blank = GrabCell(1);
  const QColor background =
      form_->Correction->DrawGridEditConnect->viewport()->palette().color(QPalette::Button);
  int other = 0;
  for (int y = 0; y < blank.height(); ++y)
    for (int x = 0; x < blank.width(); ++x) other += blank.pixelColor(x, y) != background;
  EXPECT_EQ(other, 0);
}

TEST_F(ConnectWindow, FewerThanTwoImagesShowNothing) {
  Load(TexturedBitmap(200, 150, 4), {{0, 0, 200, 150, kDirNone}});
  form_->SetWorkflowState(kStateTablePlaced);
  form_->PageControl->setCurrentWidget(form_->Correction->TabSheetCor);
  form_->Correction->ShowConnection();
  form_->Correction->TabSheetCorShow();
  form_->Correction->ImageParMouseDown(QPoint(10, 10));
  EXPECT_TRUE(form_->Correction->ImagePar->Held().Empty());
  EXPECT_TRUE(form_->Correction->ImageCh->Held().Empty());
  EXPECT_EQ(Engine().GetLinkOut(0), (Point{0, 0}));
}

TEST_F(SmallChain, AClosedSetLeavesNoPicturesForASingleImageAfterIt) {
  ShowCorrection();
  ASSERT_FALSE(form_->Correction->ImagePar->Held().Empty());
  form_->PageControl->setCurrentWidget(form_->TabSheetImages);
  form_->Album->ToolButtonImageCloseAllClick();
  Engine().AddImage(TexturedBitmap(120, 90, 5), kDirNone, "one.bmp");
  form_->SetWorkflowState(kStateAlbumReady);
  form_->Table->ToolButtonAutoPozClick();
  form_->PageControl->setCurrentWidget(form_->Correction->TabSheetCor);
  QApplication::processEvents();
  EXPECT_TRUE(form_->Correction->ImagePar->Held().Empty());
  EXPECT_TRUE(form_->Correction->ImageCh->Held().Empty());
}

TEST_F(ConnectWindow, EveryConnectionSetAClickRebuildsAtFullSize) {
  Load(TexturedBitmap(400, 200, 7), {{0, 0, 200, 150, kDirNone}, {150, 10, 200, 150, kDirRight}});
  Engine().SetLinkOut(0, 170, 70);
  Engine().SetLinkIn(1, 20, 60);
  ShowCorrection();
  form_->Assembly->MosaicZoom = 0.25f;
  ASSERT_FALSE(QuiltTabShown());
  ASSERT_TRUE(form_->Assembly->ImageQuilt->Held().Empty());

  // The child point 10 pixels higher puts the child 20 pixels below the parent.
  Click(form_->Correction->ImageCh, QPoint(20, 50));
  EXPECT_EQ(form_->Assembly->MosaicZoom, 1.0f);
  EXPECT_EQ(form_->WorkflowState(), kStateAssembled);
  EXPECT_TRUE(QuiltTabShown());
  EXPECT_EQ(form_->PageControl->currentWidget(), form_->Correction->TabSheetCor);
  EXPECT_EQ(Engine().Place(1), (Rect{150, 20, 350, 170}));
  EXPECT_EQ(form_->Assembly->ImageQuilt->Held().Width(), 350);
  EXPECT_EQ(form_->Assembly->ImageQuilt->Held().Height(), 170);
  EXPECT_EQ(form_->Assembly->ImageQuilt->size(), QSize(350, 170));
  EXPECT_EQ(form_->Assembly->StatusBar->PanelText(2), QString::fromUtf8("Увеличение 100 %"));
  EXPECT_TRUE(form_->Correction->ImageCh->Held() == Marked(1, {20, 50}));

  // Again from the parent side: the parent point 20 pixels right widens the mosaic.
  Click(form_->Correction->ImagePar, QPoint(190, 70));
  EXPECT_EQ(form_->Assembly->ImageQuilt->Held().Width(), 370);
  EXPECT_EQ(form_->PageControl->currentWidget(), form_->Correction->TabSheetCor);
  EXPECT_TRUE(messages_.isEmpty());
}

// Two large images, so both views can scroll; the child lies in the given direction.
struct DirectionCase {
  int Direction;
  bool Horizontal;   // the views stand side by side (else one above the other)
  bool ParentFirst;  // the parent view is left of / above the child view
};

class ConnectDirection : public ConnectWindow,
                         public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(ConnectDirection, ParentViewDocksOnItsSideAndEdgesFaceEachOther) {
  const DirectionCase& c = GetParam();
  Engine().AddImage(FlatBitmap(1500, 1100, 40, 80, 120), kDirNone, "p.bmp");
  Engine().AddImage(FlatBitmap(1400, 1000, 120, 80, 40), c.Direction, "c.bmp");
  ShowCorrection();
  QScrollArea* par = form_->Correction->ScrollBoxPar;
  QScrollArea* ch = form_->Correction->ScrollBoxCh;
  // Start from positions the connection must replace.
  for (QScrollArea* box : {par, ch}) {
    box->horizontalScrollBar()->setValue(7);
    box->verticalScrollBar()->setValue(7);
  }
  form_->Correction->ShowConnection();

  const auto along = [&](QScrollArea* box) {
    return c.Horizontal ? box->horizontalScrollBar() : box->verticalScrollBar();
  };
  const auto across = [&](QScrollArea* box) {
    return c.Horizontal ? box->verticalScrollBar() : box->horizontalScrollBar();
  };
  const auto start = [&](QScrollArea* box) {
    return c.Horizontal ? box->geometry().x() : box->geometry().y();
  };
  const auto extent = [&](QScrollArea* box) {
    return c.Horizontal ? box->geometry().width() : box->geometry().height();
  };
  const QSize panel = form_->Correction->PanelCont->size();
  EXPECT_EQ(extent(par), c.Horizontal ? panel.width() / 2 : panel.height() / 2);
  QScrollArea* first = c.ParentFirst ? par : ch;
  QScrollArea* second = c.ParentFirst ? ch : par;
  EXPECT_EQ(start(first), 0);
  EXPECT_EQ(start(second), extent(first));
  // The first view shows its far edge, the second its near edge: they face each other.
  EXPECT_GT(along(first)->maximum(), 0);
  EXPECT_EQ(along(first)->value(), along(first)->maximum());
  EXPECT_EQ(along(second)->value(), 0);
  EXPECT_EQ(across(first)->value(), 0);
  EXPECT_EQ(across(second)->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, ConnectDirection,
    ::testing::Values(DirectionCase{kDirRight, true, true}, DirectionCase{kDirBelow, false, true},
                      // Parent right at its left edge, child left at its right edge.
                      DirectionCase{kDirLeft, true, false},
                      DirectionCase{kDirAbove, false, false}));

TEST_F(ConnectWindow, UnknownDirectionKeepsDockingAndScrolling) {
  Engine().AddImage(FlatBitmap(1500, 1100, 40, 80, 120), kDirNone, "a.bmp");
  Engine().AddImage(FlatBitmap(1500, 1100, 120, 80, 40), kDirBelow, "b.bmp");
  Engine().AddImage(FlatBitmap(1500, 1100, 80, 120, 40), kDirNone, "c.bmp");
  ShowCorrection();
  ASSERT_EQ(form_->Correction->PanelCont->DockSide(), DockPanel::Side::Top);
  form_->Correction->ScrollBoxPar->horizontalScrollBar()->setValue(9);
  form_->Correction->ScrollBoxCh->verticalScrollBar()->setValue(11);
  form_->Correction->DrawGridEditConnect->SetRow(1);
  form_->Correction->DrawGridEditConnectClick();
  EXPECT_EQ(form_->Correction->PanelCont->DockSide(), DockPanel::Side::Top);
  EXPECT_EQ(form_->Correction->ScrollBoxPar->horizontalScrollBar()->value(), 9);
  EXPECT_EQ(form_->Correction->ScrollBoxCh->verticalScrollBar()->value(), 11);
  EXPECT_TRUE(form_->Correction->ImageCh->Held() == Engine().ImageBitmap(2));
}

}  // namespace

namespace {

// Ctrl and a wheel notch over a spot of box's viewport.
void CtrlWheel(QScrollArea* box, QPoint spot, int delta) {
  QWidget* target = box->viewport();
  QWheelEvent wheel(QPointF(spot), QPointF(target->mapToGlobal(spot)), QPoint(), QPoint(0, delta),
                    Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &wheel);
}

TEST_F(SmallChain, ZoomedPicturesTakeClicksOnTheirOwnPixelsAndKeepVisibleMarkers) {
  ShowCorrection();
  CorrectionPage* page = form_->Correction;
  CtrlWheel(page->ScrollBoxCh, QPoint(10, 10), -120);
  CtrlWheel(page->ScrollBoxCh, QPoint(10, 10), -120);
  ASSERT_FLOAT_EQ(page->PairZoom, 0.25f);
  // Both pictures shrink together; the markers are drawn with a pen four
  // times as wide, so they stay visible at a quarter.
  EXPECT_EQ(page->ImagePar->size(), QSize(50, 37));
  EXPECT_EQ(page->ImageCh->size(), QSize(50, 37));
  Bitmap expected = Engine().ImageBitmap(1);
  DrawMatchMarker(expected, 20, 70, 0.25);
  EXPECT_TRUE(page->ImageCh->Held() == expected);
  EXPECT_EQ(MarkerPenWidth(0.25), 4);

  // A click at (10, 5) of the quarter-size picture is pixel (40, 20).
  Engine().SetLinkIn(2, 0, 0);  // keeps the chain incomplete: no rebuild here
  Click(page->ImageCh, QPoint(10, 5));
  EXPECT_EQ(Engine().GetLinkIn(1), (Point{40, 20}));
  expected = Engine().ImageBitmap(1);
  DrawMatchMarker(expected, 40, 20, 0.25);
  EXPECT_TRUE(page->ImageCh->Held() == expected);

  // Back to 1:1 the markers are the 1:1 ones again.
  CtrlWheel(page->ScrollBoxPar, QPoint(5, 5), 120);
  CtrlWheel(page->ScrollBoxPar, QPoint(5, 5), 120);
  EXPECT_FLOAT_EQ(page->PairZoom, 1.0f);
  EXPECT_TRUE(page->ImagePar->Held() == Marked(0, {170, 70}));
  EXPECT_TRUE(page->ImageCh->Held() == Marked(1, {40, 20}));
  EXPECT_EQ(page->ImageCh->size(), QSize(200, 150));
}

// The pair searched again from the page, in a side chosen there: nothing
// changes until the user keeps the link found.
TEST_F(ConnectWindow, SearchingThePairAgainChangesTheLinkOnlyWhenKept) {
  // The second tile lies 215 px right and 5 px down of the first, but was laid below it.
  Load(TexturedBitmap(520, 250, 33), {{0, 0, 300, 240, kDirNone}, {215, 5, 300, 240, kDirBelow}});
  form_->MontageTable.At(0, 0) = 0;
  form_->MontageTable.At(0, 1) = 1;
  Engine().SetLinkOut(0, 40, 40);
  Engine().SetLinkIn(1, 40, 40);
  ShowCorrection();
  CorrectionPage* page = form_->Correction;
  EXPECT_EQ(page->ComboBoxPairSide->currentData().toInt(), kDirBelow);
  page->ComboBoxPairMethod->setCurrentIndex(page->ComboBoxPairMethod->findText("Фаза"));
  page->ComboBoxPairSide->setCurrentIndex(page->ComboBoxPairSide->findData(kDirRight));
  {
    AnswerQuestions no(false);
    QTest::mouseClick(page->ButtonSearchPair, Qt::LeftButton);
    ASSERT_EQ(no.Asked.size(), 1);
    EXPECT_TRUE(no.Asked[0].contains(QStringLiteral("«Фаза»"))) << no.Asked[0].toStdString();
    EXPECT_TRUE(no.Asked[0].contains(QStringLiteral("Найдено: смещение (215, 5) пикс.")));
    EXPECT_TRUE(no.Asked[0].contains(QStringLiteral("Сейчас: смещение (0, 0) пикс.")));
  }
  EXPECT_EQ(Engine().GetLinkOut(0), (Point{40, 40}));
  EXPECT_EQ(Engine().GetLinkIn(1), (Point{40, 40}));
  EXPECT_EQ(Engine().Direction(1), kDirBelow);
  EXPECT_EQ(form_->MontageTable.At(0, 1), 1);
  EXPECT_EQ(form_->WorkflowState(), kStateTablePlaced);
  {
    AnswerQuestions yes(true);
    QTest::mouseClick(page->ButtonSearchPair, Qt::LeftButton);
    EXPECT_EQ(yes.Asked.size(), 1);
  }
  EXPECT_EQ(OffsetOfLink(Engine().GetLinkOut(0), Engine().GetLinkIn(1)), (Offset{215, 5}));
  EXPECT_EQ(Engine().Direction(1), kDirRight);
  EXPECT_EQ(form_->MontageTable.At(1, 0), 1);  // the table follows the new side
  EXPECT_EQ(page->PanelCont->DockSide(), DockPanel::Side::Left);
  EXPECT_TRUE(page->LabelPairLink->text().contains(QStringLiteral("(215, 5) пикс.")));
  // Every link is set: the mosaic is rebuilt, the correction page stays.
  EXPECT_EQ(form_->WorkflowState(), kStateAssembled);
  EXPECT_TRUE(QuiltTabShown());
  EXPECT_EQ(form_->PageControl->currentWidget(), page->TabSheetCor);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("\n").toStdString();
}

}  // namespace
