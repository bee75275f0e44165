#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/settings/preferences.h"
#include "dialogs/settings/setupwin.h"
#include "dialogs/settings/spinfield.h"
#include "imagefiles/imagefiles.h"
#include "imagefiles/pixdialogs.h"
#include "mainwind/formmain.h"
#include "mainwind/table/griddialog.h"
#include "mainwind/table/linkmessages.h"
#include "mainwind/table/montagelayout.h"
#include "support/shownwindow.h"
#include "support/testimages.h"
#include "widgets/drawgrid.h"
#include "widgets/picturecontrol.h"

namespace {

class TableWindow : public ShownWindow {
 protected:
  void SetUp() override {
    OpenWindow("tablewin");
    QDir(root_).mkpath("pics");
  }

  void TearDown() override {
    SetPixOpenAnswer({});
    CloseWindow();
  }

  // Flat pictures of distinct shades, opened through the album.
  void OpenFlat(int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
      const std::string path = (root_ + QString("/pics/f%1.bmp").arg(i)).toStdString();
      const uint8_t shade = static_cast<uint8_t>(60 + 40 * i);
      ASSERT_TRUE(PixSaveImage(path, FlatBitmap(80, 60, shade, shade, shade)).Ok());
      names.push_back(path);
    }
    Open(names);
  }

  void Open(const std::vector<std::string>& names) {
    SetPixOpenAnswer([names](const std::string&, const std::string&) { return names; });
    form_->Album->ToolButtonImageOpen->click();
  }

  // The middle of a table cell in viewport coordinates, scrolled into view.
  QPoint Centre(int col, int row) {
    DrawGrid* grid = form_->Table->DrawGridTab;
    grid->SetCurrent(col, row);
    return grid->CellRect(col, row).center();
  }

  bool CanDrop(int col, int row) {
    return form_->Table->DrawGridTabDragOver(Centre(col, row), form_->Album->DrawGridAlbum);
  }

  void Drop(int albumRow, int col, int row) {
    form_->Album->DrawGridAlbum->SetRow(albumRow);
    form_->Table->DrawGridTabDragDrop(Centre(col, row), form_->Album->DrawGridAlbum);
  }

  void LayOutThree() {
    OpenFlat(3);
    Drop(0, 5, 5);
    Drop(1, 6, 5);
    Drop(2, 6, 6);
  }

  int CellsHolding(int32_t value) const {
    int n = 0;
    for (int32_t cell : form_->MontageTable.Cells) n += cell == value;
    return n;
  }

  bool TabShown(QWidget* page) const {
    return form_->PageControl->isTabVisible(form_->PageControl->indexOf(page));
  }

  // Cells near the table's top left are visible without scrolling.
  QColor PaintedAt(int col, int row, QPoint offset) const {
    const QImage shown = form_->Table->DrawGridTab->viewport()->grab().toImage();
    return shown.pixelColor(form_->Table->DrawGridTab->CellRect(col, row).topLeft() + offset);
  }
};

// --- laying out ---

TEST_F(TableWindow, ThreeImagesLaidOutGiveTheirDirections) {
  OpenFlat(3);
  Drop(0, 5, 5);
  EXPECT_EQ(form_->WorkflowState(), kStatePlacing);
  EXPECT_EQ(form_->Table->PlacedCount, 1);
  form_->Album->DrawGridAlbum->SetRow(1);
  for (auto [c, r] : {std::pair{4, 5}, {5, 4}, {6, 5}, {5, 6}})
    EXPECT_TRUE(CanDrop(c, r)) << c << "," << r;
  for (auto [c, r] : {std::pair{5, 5}, {7, 5}, {6, 6}, {0, 0}})
    EXPECT_FALSE(CanDrop(c, r)) << c << "," << r;

  Drop(1, 6, 5);
  EXPECT_EQ(form_->WorkflowState(), kStatePlacing);
  EXPECT_FALSE(TabShown(form_->Correction->TabSheetCor));
  Drop(2, 6, 6);
  EXPECT_EQ(form_->WorkflowState(), kStateTablePlaced);
  EXPECT_EQ(form_->Table->PlacedCount, 3);
  EXPECT_EQ(form_->Engine.Direction(1), kDirRight);
  EXPECT_EQ(form_->Engine.Direction(2), kDirBelow);
  EXPECT_TRUE(TabShown(form_->Correction->TabSheetCor));
  EXPECT_FALSE(TabShown(form_->Assembly->TabSheetQuilt));
  EXPECT_TRUE(form_->Table->ToolButtonCalkConnect->isEnabled());
  EXPECT_EQ(form_->Correction->DrawGridEditConnect->Row(), 0);
  EXPECT_EQ(form_->MontageTable.At(5, 5), 0);
  EXPECT_EQ(form_->MontageTable.At(6, 5), 1);
  EXPECT_EQ(form_->MontageTable.At(6, 6), 2);
}

TEST_F(TableWindow, WrongAlbumRowIsRefusedEverywhere) {
  OpenFlat(3);
  Drop(0, 5, 5);
  form_->Album->DrawGridAlbum->SetRow(2);
  for (auto [c, r] : {std::pair{4, 5}, {5, 4}, {6, 5}, {5, 6}}) EXPECT_FALSE(CanDrop(c, r));
  Drop(2, 6, 5);
  EXPECT_EQ(form_->Table->PlacedCount, 1);
  EXPECT_EQ(form_->MontageTable.At(6, 5), kCellFree);
  EXPECT_EQ(CellsHolding(2), 0);
}

TEST_F(TableWindow, OnlyAlbumDragsAreAccepted) {
  OpenFlat(2);
  form_->Album->DrawGridAlbum->SetRow(0);
  EXPECT_TRUE(CanDrop(3, 3));
  EXPECT_FALSE(form_->Table->DrawGridTabDragOver(Centre(3, 3), form_->Table->DrawGridTab));
  EXPECT_FALSE(form_->Table->DrawGridTabDragOver(Centre(3, 3), nullptr));
  form_->Table->DrawGridTabDragDrop(Centre(3, 3), nullptr);
  EXPECT_EQ(form_->Table->PlacedCount, 0);
}

TEST_F(TableWindow, AlbumDragIsFollowedWhereverItEntersTheTable) {
  // A 3 x 3 snake: the centre's only droppable cell lies among blocked ones,
  // so a drag must be followed from a grey cell to it.
  OpenFlat(9);
  const std::pair<int, int> snake[] = {{5, 5}, {6, 5}, {7, 5}, {7, 6}, {6, 6}};
  for (int i = 0; i < 4; ++i) Drop(i, snake[i].first, snake[i].second);
  form_->Album->DrawGridAlbum->SetRow(4);
  ASSERT_EQ(form_->MontageTable.At(5, 6), kCellBlocked);
  const auto& enter = form_->Table->DrawGridTab->OnDragEnter;
  ASSERT_TRUE(enter);
  EXPECT_TRUE(enter(form_->Album->DrawGridAlbum));
  EXPECT_FALSE(enter(nullptr));
  EXPECT_FALSE(enter(form_->Table->DrawGridTab));
  EXPECT_FALSE(CanDrop(5, 6));
  EXPECT_TRUE(CanDrop(6, 6));
  Drop(4, 6, 6);
  EXPECT_EQ(form_->MontageTable.At(6, 6), 4);
  form_->CommandRunning = true;
  EXPECT_FALSE(enter(form_->Album->DrawGridAlbum));
  form_->CommandRunning = false;
}

TEST_F(TableWindow, DragBeyondTheLastColumnOrRowIsRefused) {
  OpenFlat(2);
  Drop(0, 99, 99);
  ASSERT_EQ(form_->MontageTable.At(99, 99), 0);
  form_->Album->DrawGridAlbum->SetRow(1);
  EXPECT_TRUE(CanDrop(98, 99));
  EXPECT_TRUE(CanDrop(99, 98));
  // Scrolled to the far corner, positions past the last cell map beyond the table.
  const QRect last = form_->Table->DrawGridTab->CellRect(99, 99);
  const QPoint pastRight(last.right() + 10, last.center().y());
  const QPoint pastBottom(last.center().x(), last.bottom() + 10);
  EXPECT_FALSE(form_->Table->DrawGridTabDragOver(pastRight, form_->Album->DrawGridAlbum));
  EXPECT_FALSE(form_->Table->DrawGridTabDragOver(pastBottom, form_->Album->DrawGridAlbum));
  form_->Table->DrawGridTabDragDrop(pastRight, form_->Album->DrawGridAlbum);
  EXPECT_EQ(form_->Table->PlacedCount, 1);
  EXPECT_EQ(CellsHolding(1), 0);
}

// --- taking images off ---

TEST_F(TableWindow, RemovingImageOneKeepsImageZeroWithItsNeighbours) {
  LayOutThree();
  form_->Table->DrawGridTab->SetCurrent(6, 5);
  form_->Table->ToolButtonDelImTab->click();
  EXPECT_EQ(form_->Table->PlacedCount, 1);
  EXPECT_EQ(form_->WorkflowState(), kStatePlacing);
  EXPECT_EQ(form_->MontageTable.At(5, 5), 0);
  EXPECT_EQ(CellsHolding(1) + CellsHolding(2), 0);
  EXPECT_EQ(CellsHolding(kCellFree), 4);
  EXPECT_EQ(form_->MontageTable.At(6, 5), kCellFree);
  EXPECT_FALSE(TabShown(form_->Correction->TabSheetCor));
  // The user goes on with album row 1.
  Drop(1, 5, 4);
  EXPECT_EQ(form_->MontageTable.At(5, 4), 1);
}

TEST_F(TableWindow, RemovingImageZeroEmptiesTheTable) {
  LayOutThree();
  form_->Table->DrawGridTab->SetCurrent(5, 5);
  form_->Table->ToolButtonDelImTab->click();
  EXPECT_EQ(form_->Table->PlacedCount, 0);
  EXPECT_EQ(form_->WorkflowState(), kStateAlbumReady);
  EXPECT_EQ(CellsHolding(kCellFree), kTableColumns * kTableRows);
}

TEST_F(TableWindow, RemovingFromAnEmptyCellChangesNothing) {
  LayOutThree();
  form_->Table->DrawGridTab->SetCurrent(7, 6);
  form_->Table->ToolButtonDelImTab->click();
  EXPECT_EQ(form_->Table->PlacedCount, 3);
  EXPECT_EQ(form_->WorkflowState(), kStateTablePlaced);
  EXPECT_EQ(form_->MontageTable.At(6, 6), 2);
}

TEST_F(TableWindow, ClearingTheTable) {
  LayOutThree();
  form_->Table->ToolButtonClearTab->click();
  EXPECT_EQ(form_->Table->PlacedCount, 0);
  EXPECT_EQ(form_->WorkflowState(), kStateAlbumReady);
  EXPECT_EQ(CellsHolding(kCellFree), kTableColumns * kTableRows);
  EXPECT_EQ(form_->Engine.Count(), 3);
}

// --- painting ---

TEST_F(TableWindow, CellsArePaintedByWhatTheyHold) {
  OpenFlat(2);
  Drop(0, 1, 1);  // image 0, shade 60
  form_->Table->DrawGridTab->SetCurrent(0, 0);
  const QColor face = form_->Table->DrawGridTab->palette().color(QPalette::Button);
  const QColor grey(128, 128, 128);
  ASSERT_NE(face, grey);
  EXPECT_EQ(PaintedAt(2, 1, {20, 20}), face);
  EXPECT_EQ(PaintedAt(1, 0, {20, 20}), face);
  EXPECT_EQ(PaintedAt(0, 0, {20, 20}), grey);
  EXPECT_EQ(PaintedAt(2, 0, {20, 20}), grey);
  // Image 0's cell: thumbnail inside, a face-coloured frame while not current, red when current.
  const QPoint inside(form_->Table->DrawGridTab->DefaultColWidth() / 2, 20);
  EXPECT_EQ(PaintedAt(1, 1, inside), QColor(60, 60, 60));
  EXPECT_EQ(PaintedAt(1, 1, {2, 2}), face);
  form_->Table->DrawGridTab->SetCurrent(1, 1);
  EXPECT_EQ(PaintedAt(1, 1, {2, 2}), QColor(255, 0, 0));
  EXPECT_EQ(PaintedAt(1, 1, inside), QColor(60, 60, 60));
  // After the last drop its free neighbours take nothing more, and look it.
  Drop(1, 2, 1);
  ASSERT_EQ(form_->MontageTable.At(3, 1), kCellFree);
  EXPECT_EQ(PaintedAt(3, 1, {20, 20}), grey);
  EXPECT_EQ(PaintedAt(2, 2, {20, 20}), grey);
}

// --- stitching commands ---

TEST_F(TableWindow, AutomaticStitchingOfASingleImageShowsThatImage) {
  const std::string path = (root_ + "/pics/one.bmp").toStdString();
  const Bitmap picture = TexturedBitmap(120, 90, 3);
  ASSERT_TRUE(PixSaveImage(path, picture).Ok());
  Open({path});
  form_->Engine.ApplySettings({30, 15, 0, {}, 5, 1, 3});
  form_->Table->ToolButtonAutoPoz->click();
  EXPECT_EQ(form_->WorkflowState(), kStateAssembled);
  EXPECT_EQ(form_->PageControl->currentWidget(), form_->Assembly->TabSheetQuilt);
  EXPECT_TRUE(form_->Assembly->ImageQuilt->Held() == picture);
  EXPECT_EQ(form_->MontageTable.At(0, 0), 0);
  EXPECT_EQ(CellsHolding(kCellBlocked), kTableColumns * kTableRows - 1);
  EXPECT_FALSE(form_->Album->Panel4->isVisible());
  EXPECT_FALSE(form_->CommandRunning);
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(TableWindow, AutomaticLayoutTooWideIsReportedAndTheMosaicStillShown) {
  // Frames too small to match keep the direction they came with: a capture
  // run of 101 frames, each right of the one before.
  Panoram& engine = form_->Engine;
  for (int i = 0; i < 101; ++i)
    engine.AddImage(FlatBitmap(8, 6, 100, 100, 100), i == 0 ? kDirNone : kDirRight, "frame.bmp");
  form_->SetWorkflowState(kStateAlbumReady);
  form_->Table->ToolButtonAutoPoz->click();
  ASSERT_EQ(messages_.size(), 2);
  EXPECT_TRUE(messages_[0].contains(QString::fromUtf8("не помещается в поле монтажа")));
  EXPECT_TRUE(messages_[1].contains(QString::fromUtf8("1 и 2, 2 и 3")));
  EXPECT_TRUE(messages_[1].contains(QString::fromUtf8("и ещё 88")));
  EXPECT_EQ(form_->WorkflowState(), kStateAssembled);
  EXPECT_EQ(form_->PageControl->currentWidget(), form_->Assembly->TabSheetQuilt);
  EXPECT_FALSE(form_->Assembly->ImageQuilt->Held().Empty());
  // The first hundred are in the table's first row; the last one has no room.
  EXPECT_EQ(form_->MontageTable.At(0, 0), 0);
  EXPECT_EQ(form_->MontageTable.At(99, 0), 99);
  EXPECT_EQ(CellsHolding(100), 0);
}

TEST_F(TableWindow, StitchingMovesTheBarOnTheWindowThreadAndHoldsOffOtherCommands) {
  // Three fields of one scene, each 215 pixels right of the one before.
  const Bitmap scene = TexturedBitmap(730, 240, 11);
  std::vector<std::string> names;
  for (int i = 0; i < 3; ++i) {
    const std::string path = (root_ + QString("/pics/s%1.bmp").arg(i)).toStdString();
    ASSERT_TRUE(PixSaveImage(path, CropBitmap(scene, 215 * i, 0, 300, 240)).Ok());
    names.push_back(path);
  }
  Open(names);
  form_->Engine.ApplySettings({30, 8, 0, {}, 5, 1, 2});
  std::vector<int> seen;
  bool offThread = false;
  QObject::connect(form_->Album->ProgressBar, &QProgressBar::valueChanged, form_.get(),
                   [&](int value) {
                     seen.push_back(value);
                     offThread |= QThread::currentThread() != form_->thread();
                     // A command started now must not reach the engine.
                     form_->Album->ToolButtonImageCloseAllClick();
                     form_->Table->ToolButtonClearTabClick();
                   });
  form_->Table->ToolButtonAutoPoz->click();
  QObject::disconnect(form_->Album->ProgressBar, &QProgressBar::valueChanged, form_.get(), nullptr);
  EXPECT_FALSE(offThread);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](int v) { return v > 0 && v < 100; }));
  EXPECT_EQ(form_->Engine.Count(), 3);
  EXPECT_EQ(form_->WorkflowState(), kStateAssembled);
  EXPECT_EQ(form_->MontageTable.At(2, 0), 2);
  EXPECT_EQ(form_->Engine.Place(2).Left, 430);
}

TEST_F(TableWindow, StitchingTheLaidOutTableShowsTheAssemblyPage) {
  LayOutThree();
  form_->Assembly->MosaicZoom = 4.0f;
  form_->Table->ToolButtonCalkConnect->click();
  EXPECT_EQ(form_->WorkflowState(), kStateAssembled);
  EXPECT_EQ(form_->PageControl->currentWidget(), form_->Assembly->TabSheetQuilt);
  EXPECT_FLOAT_EQ(form_->Assembly->MosaicZoom, 1.0f);
  EXPECT_FALSE(form_->Assembly->ImageQuilt->Held().Empty());
  EXPECT_FALSE(form_->Album->Panel4->isVisible());
  // The layout stays on the table.
  EXPECT_EQ(form_->MontageTable.At(6, 6), 2);
  EXPECT_EQ(form_->Engine.Direction(2), kDirBelow);
}

// Fields of one scene, each step pixels right of the one before.
std::vector<Bitmap> RowOfFields(int count, int width, int height, int step) {
  const Bitmap scene = TexturedBitmap(step * (count - 1) + width, height, 23);
  std::vector<Bitmap> fields;
  for (int i = 0; i < count; ++i) fields.push_back(CropBitmap(scene, step * i, 0, width, height));
  return fields;
}

class NoMatchTest : public TableWindow, public ::testing::WithParamInterface<bool> {};

TEST_P(NoMatchTest, ARadiusTooLargeForTheZoneIsToldWithTheOneThatFits) {
  std::vector<std::string> names;
  const std::vector<Bitmap> fields = RowOfFields(3, 640, 480, 400);
  for (size_t i = 0; i < fields.size(); ++i) {
    names.push_back((root_ + QString("/pics/n%1.bmp").arg(i)).toStdString());
    ASSERT_TRUE(PixSaveImage(names.back(), fields[i]).Ok());
  }
  Open(names);
  // The shrunk source zone is 64 x 48 pixels: no window of radius 30 fits.
  form_->Engine.ApplySettings({30, 30, 0, {}, 5, 1, 3});
  const bool automatic = GetParam();
  if (automatic) {
    form_->Table->ToolButtonAutoPoz->click();
  } else {
    Drop(0, 5, 5);
    Drop(1, 6, 5);
    Drop(2, 7, 5);
    form_->Table->ToolButtonCalkConnect->click();
  }
  EXPECT_EQ(form_->WorkflowState(), kStateAssembled);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QString::fromUtf8("1 и 2, 2 и 3")))
      << messages_[0].toStdString();
  EXPECT_TRUE(messages_[0].contains(QString::fromUtf8("— 23"))) << messages_[0].toStdString();
  EXPECT_FALSE(form_->Engine.LinkDefined(0));
  EXPECT_FALSE(form_->Engine.LinkDefined(1));

  // With the radius that fits, the same set stitches at its known offsets, silently.
  messages_.clear();
  form_->Engine.ApplySettings({30, 23, 0, {}, 5, 1, 3});
  // (The automatic button is disabled once assembled; its handler is the command.)
  automatic ? form_->Table->ToolButtonAutoPozClick() : form_->Table->ToolButtonCalkConnectClick();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
  EXPECT_EQ(form_->Engine.Place(1).Left - form_->Engine.Place(0).Left, 400);
  EXPECT_EQ(form_->Engine.Place(2).Left - form_->Engine.Place(0).Left, 800);
}

INSTANTIATE_TEST_SUITE_P(Commands, NoMatchTest, ::testing::Values(true, false));

class NeighbourPlacementTest : public TableWindow, public ::testing::WithParamInterface<bool> {};

TEST_P(NeighbourPlacementTest, TheSettingsChoiceIsUsedAndWhatItLeftAloneIsTold) {
  std::vector<Bitmap> fields = RowOfFields(3, 640, 480, 400);
  fields[2] = FlatBitmap(640, 480, 90, 90, 90);  // nothing links it
  std::vector<std::string> names;
  for (size_t i = 0; i < fields.size(); ++i) {
    names.push_back((root_ + QString("/pics/p%1.bmp").arg(i)).toStdString());
    ASSERT_TRUE(PixSaveImage(names.back(), fields[i]).Ok());
  }
  Open(names);
  auto* setup = new TFormSetup(form_.get());
  form_->FormSetup = setup;
  setup->LoadSetup(form_->ConfigPath);
  QTimer::singleShot(0, setup, [setup] {
    setup->CSpinEditFindR->setValue(23);
    setup->ComboBoxPlacement->setCurrentIndex(1);
    setup->ButtonOk->click();
  });
  ASSERT_TRUE(form_->RunSetupDialog());
  ASSERT_EQ(form_->Engine.Placing(), PlacementMethod::Neighbours);
  if (GetParam()) {
    form_->Table->ToolButtonAutoPoz->click();
  } else {
    Drop(0, 5, 5);
    Drop(1, 6, 5);
    Drop(2, 7, 5);
    form_->Table->ToolButtonCalkConnect->click();
  }
  EXPECT_EQ(form_->Engine.Place(1).Left - form_->Engine.Place(0).Left, 400);
  // One message: the pair without a match, and the image it left alone.
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QString::fromUtf8("пары изображений 2 и 3")));
  EXPECT_TRUE(messages_[0].contains(QString::fromUtf8("Изображение 3 не связано")))
      << messages_[0].toStdString();
  WritePlacementMethodPreference(PlacementMethod::Chain);
}

INSTANTIATE_TEST_SUITE_P(Commands, NeighbourPlacementTest, ::testing::Values(true, false));

TEST_F(TableWindow, AStitchedMosaicLargerThanItsBoxIsShownAtItsMiddle) {
  // Built while the assembly page is still hidden, on the first stitch of the run.
  std::vector<std::string> names;
  for (const Bitmap& field : RowOfFields(3, 1000, 900, 750)) {
    names.push_back((root_ + QString("/pics/w%1.bmp").arg(names.size())).toStdString());
    ASSERT_TRUE(PixSaveImage(names.back(), field).Ok());
  }
  Open(names);
  form_->Engine.ApplySettings({30, 15, 0, {}, 5, 1, 3});
  form_->Table->ToolButtonAutoPoz->click();
  ASSERT_EQ(form_->Assembly->ImageQuilt->size(), QSize(2500, 900));
  QApplication::processEvents();
  const QSize client = form_->Assembly->ImageBox->viewport()->size();
  ASSERT_LT(client.width(), 2500);
  ASSERT_LT(client.height(), 900);
  EXPECT_EQ(form_->Assembly->ImageBox->horizontalScrollBar()->value(), (2500 - client.width()) / 2);
  EXPECT_EQ(form_->Assembly->ImageBox->verticalScrollBar()->value(), (900 - client.height()) / 2);
  EXPECT_EQ(form_->Assembly->ImageQuilt->pos(),
            QPoint(-(2500 - client.width()) / 2, -(900 - client.height()) / 2));
}

TEST(UnsetLinksMessageTest, NamesPairsAndTheCause) {
  UnsetLinks links;
  EXPECT_TRUE(UnsetLinksMessage(links).isEmpty());
  links.Links = {2};
  links.Radius = 15;
  links.ZonePct = 30;
  links.FittingRadius = 23;
  const QString apart = UnsetLinksMessage(links);
  EXPECT_TRUE(apart.contains(QString::fromUtf8("пары изображений 3 и 4")));
  EXPECT_TRUE(apart.contains(QString::fromUtf8("не перекрываются")));
  // What the correction page shows for an unset link (its cell's label).
  EXPECT_TRUE(apart.contains(QString::fromUtf8("жёлтой надписью «не задана»")));
  EXPECT_FALSE(apart.contains(QString::fromUtf8("красн")));
  links.Radius = 40;
  const QString small = UnsetLinksMessage(links);
  EXPECT_TRUE(small.contains(QString::fromUtf8("30 %")));
  EXPECT_TRUE(small.contains(QString::fromUtf8("— 23")));
  links.FittingRadius = 0;
  EXPECT_TRUE(UnsetLinksMessage(links).contains(QString::fromUtf8("никакого радиуса")));
  links.Radius = 0;
  EXPECT_TRUE(UnsetLinksMessage(links).contains(QString::fromUtf8("равен 0")));
}

TEST(UnsetLinksMessageTest, WeakLinksAreNamedInTheSameMessage) {
  UnsetLinks links;
  links.Weak = {0, 4};
  const QString weak = UnsetLinksMessage(links);
  EXPECT_TRUE(weak.contains(QString::fromUtf8("пар изображений 1 и 2, 5 и 6")));
  EXPECT_TRUE(weak.contains(QString::fromUtf8("ненадёжны")));
  EXPECT_TRUE(weak.contains(QString::fromUtf8("0,8")));
  EXPECT_FALSE(weak.contains(QString::fromUtf8("не найдено")));
  links.Links = {2};
  links.Radius = 15;
  links.FittingRadius = 23;
  const QString both = UnsetLinksMessage(links);
  EXPECT_TRUE(both.contains(QString::fromUtf8("пары изображений 3 и 4 совпадение не найдено")));
  EXPECT_TRUE(both.contains(QString::fromUtf8("1 и 2, 5 и 6")));
}

TEST(NeighbourPlacementMessageTest, NamesConfidentDroppedLinksAndImagesLeftAlone) {
  AllNeighbourPlaces placed;
  placed.Links = {{0, 1, 10, 0, 0.95}, {1, 2, 10, 0, 0.3}, {0, 3, 40, 2, 0.9}, {2, 3, 9, 0, 0.9}};
  placed.Result.Fits = {{0, true}, {5, false}, {0.4, true}, {0.2, true}};
  EXPECT_TRUE(NeighbourPlacementMessage(placed).isEmpty());
  placed.Result.Fits[0] = {3, false};
  placed.Result.Fits[2] = {21.4, false};
  placed.Result.Unanchored = {4};
  const QString text = NeighbourPlacementMessage(placed);
  // The weak link was never counted: it is not named as dropped.
  EXPECT_TRUE(
      text.contains(QString::fromUtf8("связи изображений 1 и 2 (на 3 точки), 1 и 4 (на 21 точку)")))
      << text.toStdString();
  EXPECT_FALSE(text.contains(QString::fromUtf8("2 и 3")));
  EXPECT_TRUE(text.contains(QString::fromUtf8("Изображение 5 не связано")));
  // Chain links the neighbours made good: named with the pair, and nothing when none.
  EXPECT_TRUE(MadeGoodLinksMessage({}).isEmpty());
  EXPECT_TRUE(MadeGoodLinksMessage({0, 6}).contains(QString::fromUtf8(
      "Для пар изображений 1 и 2, 7 и 8 совпадения не найдены или ненадёжны, но эти изображения "
      "размещены по надёжным связям с другими соседями")));
}

TEST(UnsetLinksMessageTest, WeakLinksRecommendOnlyASearchNotInUse) {
  UnsetLinks links;
  links.Weak = {1};
  const QString combined = QString::fromUtf8("«Шаблон, затем фаза»");
  const QString templateOnly = QString::fromUtf8("«Шаблон»");
  const QString byTemplate = UnsetLinksMessage(links, SearchMethod::Template);
  EXPECT_TRUE(byTemplate.contains(combined));
  const QString byPhase = UnsetLinksMessage(links, SearchMethod::Phase);
  EXPECT_FALSE(byPhase.contains(combined));
  EXPECT_TRUE(byPhase.contains(templateOnly));
  const QString byBoth = UnsetLinksMessage(links, SearchMethod::TemplatePhase);
  EXPECT_FALSE(byBoth.contains(combined));
  EXPECT_FALSE(byBoth.contains(templateOnly));
  EXPECT_TRUE(byBoth.contains(QString::fromUtf8("вручную")));
}

}  // namespace

namespace {

TEST_F(TableWindow, AStageScanLaidOutAsAGridStitchesToItsKnownOffsets) {
  // Six fields of one scene taken row by row from the top left, 3 x 2,
  // 240 pixels apart sideways and 170 down.
  const Bitmap scene = TexturedBitmap(3 * 240 + 80, 2 * 170 + 70, 31);
  std::vector<std::string> names;
  for (int i = 0; i < 6; ++i) {
    const std::string path = (root_ + QString("/pics/field%1.bmp").arg(i)).toStdString();
    ASSERT_TRUE(PixSaveImage(path, CropBitmap(scene, 240 * (i % 3), 170 * (i / 3), 320, 240)).Ok());
    names.push_back(path);
  }
  Open(names);
  form_->Engine.ApplySettings({30, 8, 0, {}, 5, 1, 2});
  ASSERT_TRUE(form_->Table->ToolButtonGrid->isEnabled());
  SetGridPlanAnswer([](int count, const GridPlan&) {
    EXPECT_EQ(count, 6);
    return std::optional(GridPlan{2, 3, GridOrder::Raster, GridCorner::TopLeft});
  });
  form_->Table->ToolButtonGrid->click();
  SetGridPlanAnswer({});
  ASSERT_EQ(form_->WorkflowState(), kStateTablePlaced) << messages_.join("\n").toStdString();
  EXPECT_EQ(form_->Table->PlacedCount, 6);
  // The view shows the grid, which lies far from the table's top-left corner.
  const std::optional<TableCell> first = FindInTable(form_->MontageTable, 0);
  ASSERT_TRUE(first && first->Column > 20 && first->Row > 20);
  const DrawGrid* grid = form_->Table->DrawGridTab;
  EXPECT_TRUE(grid->viewport()->rect().contains(grid->CellRect(first->Column, first->Row)))
      << grid->CellRect(first->Column, first->Row).x() << ","
      << grid->CellRect(first->Column, first->Row).y();
  // The album now holds the chain's order, as a user would have dragged it.
  const std::vector<int> chain = {0, 1, 2, 5, 4, 3};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(form_->Engine.Name(k), names[chain[k]]);

  // Every command works on it as on a table laid by hand.
  form_->Table->ToolButtonCalkConnect->click();
  ASSERT_EQ(form_->WorkflowState(), kStateAssembled);
  for (int k = 0; k < 6; ++k) {
    const int shot = chain[k];
    EXPECT_EQ(form_->Engine.Place(k).Left - form_->Engine.Place(0).Left, 240 * (shot % 3)) << k;
    EXPECT_EQ(form_->Engine.Place(k).Top - form_->Engine.Place(0).Top, 170 * (shot / 3)) << k;
  }
}

TEST_F(TableWindow, AGridThatCannotHoldTheAlbumIsToldAndChangesNothing) {
  OpenFlat(3);
  SetGridPlanAnswer([](int, const GridPlan&) {
    return std::optional(GridPlan{1, 2, GridOrder::Snake, GridCorner::TopLeft});
  });
  form_->Table->ToolButtonGrid->click();
  SetGridPlanAnswer({});
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QStringLiteral("только 2")));
  EXPECT_EQ(form_->WorkflowState(), kStateAlbumReady);
  EXPECT_EQ(form_->Table->PlacedCount, 0);
}

}  // namespace
