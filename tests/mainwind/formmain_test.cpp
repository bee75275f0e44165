#include "mainwind/formmain.h"

#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "capture/capturepage.h"
#include "dialogs/settings/spinfield.h"
#include "engine/progress.h"
#include "support/windowfixture.h"
#include "widgets/dockpanel.h"
#include "widgets/drawgrid.h"
#include "widgets/panelstatusbar.h"
#include "widgets/picturecontrol.h"
#include "widgets/scrollbox.h"

namespace {

class ProgressLog : public ProgressIndicator {
 public:
  void SetPosition(int percent) override { Positions.push_back(percent); }
  std::vector<int> Positions;
};

QStringList ButtonOrder(QToolBar* bar) {
  QStringList names;
  for (QAction* action : bar->actions()) {
    if (QWidget* widget = bar->widgetForAction(action)) {
      if (qobject_cast<QToolButton*>(widget)) names.append(widget->objectName());
    }
  }
  return names;
}

TEST_F(WindowTest, EveryNamedControlIsAMemberWithItsName) {
  auto w = MakeWindow();
  const std::vector<std::pair<const char*, QObject*>> controls = {
      {"PageControl", w->PageControl},
      {"TabSheetVideo", w->Capture->TabSheetVideo},
      {"TabSheetImages", w->TabSheetImages},
      {"TabSheetCor", w->Correction->TabSheetCor},
      {"TabSheetQuilt", w->Assembly->TabSheetQuilt},
      {"ToolBar2", w->ToolBar2},
      {"ScanMenu", w->Album->ScanMenu},
      {"PanelImages", w->Album->PanelImages},
      {"DrawGridAlbum", w->Album->DrawGridAlbum},
      {"Panel2", w->Album->Panel2},
      {"Panel4", w->Album->Panel4},
      {"LabelProcTxt", w->Album->LabelProcTxt},
      {"ProgressBar", w->Album->ProgressBar},
      {"Splitter1", w->Splitter1},
      {"DrawGridTab", w->Table->DrawGridTab},
      {"Panel3", w->Correction->Panel3},
      {"DrawGridEditConnect", w->Correction->DrawGridEditConnect},
      {"PanelCont", w->Correction->PanelCont},
      {"ScrollBoxPar", w->Correction->ScrollBoxPar},
      {"ImagePar", w->Correction->ImagePar},
      {"ScrollBoxCh", w->Correction->ScrollBoxCh},
      {"ImageCh", w->Correction->ImageCh},
      {"ToolBar1", w->Assembly->ToolBar1},
      {"ImageBox", w->Assembly->ImageBox},
      {"ImageQuilt", w->Assembly->ImageQuilt},
      {"StatusBar", w->Assembly->StatusBar},
      {"GroupBoxVid", w->Capture->GroupBoxVid},
      {"VideoDeviceComboBox", w->Capture->VideoDeviceComboBox},
      {"ToolButtonSet3", w->Capture->ToolButtonSet3},
      {"ScrollBoxVideoImage", w->Capture->ScrollBoxVideoImage},
      {"ImageVideo", w->Capture->ImageVideo},
      {"TimerVideo", w->Capture->TimerVideo},
  };
  for (const auto& [name, member] : controls) {
    ASSERT_NE(member, nullptr) << name;
    EXPECT_EQ(member->objectName(), QString::fromLatin1(name));
    EXPECT_EQ(w->findChild<QObject*>(QString::fromLatin1(name)), member) << name;
  }
}

struct ToolBarCase {
  const char* Bar;
  QStringList Names;
  QStringList Hints;
  QSize ButtonSize;
};

class ToolBarTest : public WindowTest, public ::testing::WithParamInterface<ToolBarCase> {};

TEST_P(ToolBarTest, ButtonsInOrderWithHintsSizesAndThreeLooks) {
  auto w = MakeWindow();
  auto* bar = w->findChild<QToolBar*>(QString::fromLatin1(GetParam().Bar));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ButtonOrder(bar), GetParam().Names);
  for (int i = 0; i < GetParam().Names.size(); ++i) {
    auto* button = w->findChild<QToolButton*>(GetParam().Names[i]);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolTip(), GetParam().Hints[i]) << GetParam().Names[i].toStdString();
    EXPECT_EQ(button->size(), GetParam().ButtonSize);
    EXPECT_EQ(button->iconSize(), QSize(48, 48));
    const QImage normal = button->icon().pixmap(48, 48, QIcon::Normal).toImage();
    const QImage hot = button->icon().pixmap(48, 48, QIcon::Active).toImage();
    const QImage disabled = button->icon().pixmap(48, 48, QIcon::Disabled).toImage();
    EXPECT_EQ(normal.size(), QSize(48, 48));
    EXPECT_NE(normal, hot);
    EXPECT_NE(normal, disabled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bars, ToolBarTest,
    ::testing::Values(
        ToolBarCase{
            "ToolBar2",
            {"ToolButtonImageOpen", "ToolButtonScan", "ToolButtonImageClose",
             "ToolButtonImageCloseAll", "ToolButtonAutoPoz", "ToolButtonDelImTab",
             "ToolButtonClearTab", "ToolButtonCalkConnect", "ToolButtonGrid", "ToolButtonSet1",
             "ToolButtonAboutImage", "ToolButtonClose1"},
            {"Открытие изображения", "TWAIN", "Закрытие изображения", "Закрытие всех изображений",
             "Автоматическая склейка изображений", "Удаление изображения из поля монтажа",
             "Очистка поля монтажа", "Склейка изображений в поле монтажа", "Раскладка сеткой",
             "Настройка программы", "О программе", "Выход"},
            QSize(59, 54)},
        ToolBarCase{"ToolBar1",
                    {"ToolButtonFineFront", "ToolButtonCrop", "ToolButtonMinus", "ToolButtonNormal",
                     "ToolButtonPlus", "ToolButtonFit", "ToolButtonSave", "ToolButtonPrint",
                     "ToolButtonSet2", "ToolButtonAbout", "ToolButtonClose"},
                    {"Сглаживание переходов", "Обрезка готового изображения",
                     "Уменьшение изображения", "Нормальный размер изображения",
                     "Увеличение изображения", "Вписать в окно", "Сохранение изображения",
                     "Печать изображения", "Настройка программы", "О программе", "Выход"},
                    QSize(55, 54)}));

TEST_F(WindowTest, StartsOnTheImagesPageWithOnlyItsTab) {
  auto w = MakeWindow();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("KORVEX Pictaro Quiltor"));
  EXPECT_EQ(w->minimumSize(), QSize(870, 600));
  EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(w->font().pixelSize(), 11);
  if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"))) {
    EXPECT_EQ(QFontInfo(w->font()).family(), QStringLiteral("Tahoma"));
  }
  const QStringList captions = {"Съемка", "Изображения", "Коррекция", "Сборка"};
  const QList<QWidget*> pages = {w->Capture->TabSheetVideo, w->TabSheetImages,
                                 w->Correction->TabSheetCor, w->Assembly->TabSheetQuilt};
  const QList<bool> tabShown = {false, true, false, false};  // no video device here
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(w->PageControl->widget(i), pages[i]);
    EXPECT_EQ(w->PageControl->tabText(i), captions[i]);
    EXPECT_EQ(w->PageControl->isTabVisible(i), tabShown[i]) << i;
  }
  EXPECT_EQ(w->PageControl->currentWidget(), w->TabSheetImages);
  EXPECT_TRUE(w->Album->PanelImages->isHidden());
  EXPECT_TRUE(w->Album->Panel4->isHidden());
  EXPECT_EQ(w->WorkflowState(), kStateNoImages);
  EXPECT_EQ(w->Table->PlacedCount, 0);
  EXPECT_EQ(w->Assembly->MosaicZoom, 1.0f);
  for (int32_t cell : w->MontageTable.Cells) ASSERT_EQ(cell, kCellFree);
  EXPECT_TRUE(w->Album->ToolButtonImageOpen->isEnabled());
  // The scan button: a click scans, its arrow opens the menu.
  for (QAction* action : w->ToolBar2->actions()) {
    if (w->ToolBar2->widgetForAction(action) == w->Album->ToolButtonScan) {
      EXPECT_TRUE(action->isVisible());
    }
  }
  EXPECT_TRUE(w->Album->ToolButtonScan->isEnabled());
  EXPECT_EQ(w->Album->ToolButtonScan->toolTip(), QStringLiteral("TWAIN"));
  EXPECT_EQ(w->Album->ToolButtonScan->menu(), w->Album->ScanMenu);
  EXPECT_EQ(w->Album->ToolButtonScan->popupMode(), QToolButton::MenuButtonPopup);
  const QList<QAction*> scanItems = w->Album->ScanMenu->actions();
  ASSERT_EQ(scanItems.size(), 3);
  EXPECT_EQ(scanItems[0]->text(), QStringLiteral("Настройка TWAIN"));
  EXPECT_EQ(scanItems[0]->objectName(), QStringLiteral("SetTWAIN"));
  EXPECT_EQ(scanItems[1]->text(), QStringLiteral("Сохранить как..."));
  EXPECT_EQ(scanItems[1]->objectName(), QStringLiteral("SaveScanAs"));
  EXPECT_EQ(scanItems[2]->text(), QStringLiteral("Автонумерация"));
  EXPECT_EQ(scanItems[2]->objectName(), QStringLiteral("AutoNum"));
  EXPECT_TRUE(scanItems[2]->isCheckable() && scanItems[2]->isChecked());
  EXPECT_FALSE(w->Album->ToolButtonImageClose->isEnabled());
  EXPECT_FALSE(w->Table->ToolButtonCalkConnect->isEnabled());
  EXPECT_TRUE(w->ToolButtonSet1->isEnabled());
  EXPECT_TRUE(w->ToolButtonClose1->isEnabled());
  EXPECT_EQ(w->Assembly->StatusBar->PanelCount(), 6);
}

TEST_F(WindowTest, CreationAdvancesTheSplashBarInOrder) {
  ProgressLog log;
  auto w = MakeWindow(&log);
  EXPECT_EQ(log.Positions, (std::vector<int>{10, 30, 50, 70, 80, 90}));
}

TEST_F(WindowTest, VideoTabFollowsTheDeviceListAndPreviewStartsAndStops) {
  QStringList withLog;
  auto with = MakeWindow(
      nullptr, std::make_unique<FakeCameras>(std::vector<std::string>{"Камера"}, &withLog));
  EXPECT_TRUE(with->PageControl->isTabVisible(0));
  EXPECT_EQ(with->Capture->VideoDeviceComboBox->itemText(0), QStringLiteral("Камера"));
  // The first device opens at its usual size; the preview starts at creation.
  EXPECT_EQ(withLog, (QStringList{"open 0", "start 640x480"}));
  EXPECT_EQ(with->Capture->VideoGrabber->PreviewZoomSize(), 100);
  with->FormClose();
  EXPECT_EQ(withLog.last(), QStringLiteral("stop"));

  QStringList withoutLog;
  auto without =
      MakeWindow(nullptr, std::make_unique<FakeCameras>(std::vector<std::string>{}, &withoutLog));
  EXPECT_FALSE(without->PageControl->isTabVisible(0));
  EXPECT_TRUE(withoutLog.isEmpty());
}

TEST_F(WindowTest, FirstShowWithoutSettingsFileGivesTheEngineTheShownDefaults) {
  auto w = MakeWindow();
  w->show();
  const Panoram& e = w->Engine;
  EXPECT_EQ(e.ZoneHeightPct(), 30);
  EXPECT_EQ(e.ZoneWidthPct(), 30);
  EXPECT_EQ(e.Radius(), 15);
  EXPECT_FALSE(e.CropImages());
  EXPECT_EQ(e.FrameSize(), 5);
  EXPECT_EQ(e.BlendMode(), 1);
  EXPECT_EQ(e.Step(), 3);
  EXPECT_EQ(w->FormSetup->CSpinEditImageZone->value(), 30);
  EXPECT_EQ(w->FormSetup->CSpinEditFindR->value(), 15);
  EXPECT_EQ(w->FormSetup->TrackBarQ->value(), 3);
  EXPECT_EQ(w->FormSetup->ConfigPath(), w->ConfigPath);
  // The next start reads the same values from the file written now.
  SetupData saved;
  ASSERT_TRUE(ReadSetupFile(QFile::encodeName(w->ConfigPath).toStdString(), saved));
  EXPECT_EQ(saved, DefaultSetupData());
}

TEST_F(WindowTest, FirstShowHandsStoredValuesOverAsStored) {
  SetupData stored;
  stored.ImageZone = 150;
  stored.FindR = 12;
  stored.Crop = 1;
  stored.CropFrame = 4;
  stored.SmoothType = 7;
  stored.Quality = 2;
  ASSERT_TRUE(WriteSetupFile(QFile::encodeName(paths_.ConfigPath).toStdString(), stored));
  auto w = MakeWindow();
  w->show();
  const Panoram& e = w->Engine;
  EXPECT_EQ(e.ZoneHeightPct(), 150);
  EXPECT_EQ(e.Radius(), 12);
  EXPECT_TRUE(e.CropImages());
  EXPECT_EQ(e.FrameSize(), 4);
  EXPECT_EQ(e.BlendMode(), 7);
  EXPECT_EQ(e.Step(), 2);
  // A second show reads nothing again.
  stored.FindR = 99;
  ASSERT_TRUE(WriteSetupFile(QFile::encodeName(paths_.ConfigPath).toStdString(), stored));
  w->hide();
  w->show();
  EXPECT_EQ(w->Engine.Radius(), 12);
}

class ExitTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExitTest, AnswerNoKeepsEverythingAnswerYesCloses) {
  QStringList log;
  auto w =
      MakeWindow(nullptr, std::make_unique<FakeCameras>(std::vector<std::string>{"cam"}, &log));
  w->show();
  ASSERT_EQ(w->Engine.AddImage(FlatBitmap(40, 30, 1, 2, 3), 0, "a.bmp"), AddImageResult::Added);
  w->SetWorkflowState(kStateAlbumReady);
  auto* button = w->findChild<QToolButton*>(QString::fromLatin1(GetParam()));
  ASSERT_NE(button, nullptr);
  {
    AnswerQuestions no(false);
    button->click();
    ASSERT_EQ(no.Asked.size(), 1);
    EXPECT_EQ(no.Asked[0],
              QStringLiteral("KORVEX Pictaro QUILTOR | Завершить работу с программой?"));
  }
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->Engine.Count(), 1);
  EXPECT_EQ(w->WorkflowState(), kStateAlbumReady);
  EXPECT_FALSE(log.contains(QStringLiteral("stop")));
  {
    AnswerQuestions yes(true);
    button->click();
    EXPECT_EQ(yes.Asked.size(), 1);
  }
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(log.contains(QStringLiteral("stop")));
}

INSTANTIATE_TEST_SUITE_P(Buttons, ExitTest,
                         ::testing::Values("ToolButtonClose1", "ToolButtonClose"));

// Runs the settings dialog's modal loop: edit changes it, then the button named.
void AnswerSetupDialog(TFormSetup* form, std::function<void(TFormSetup*)> edit, bool apply) {
  QTimer::singleShot(0, form, [form, edit, apply] {
    if (!form->isVisible()) return;
    edit(form);
    (apply ? form->ButtonOk : form->ButtonNo)->click();
  });
}

class SettingsButtonTest : public WindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SettingsButtonTest, ApplyHandsOverAndSavesCancelChangesNothing) {
  auto w = MakeWindow();
  w->show();
  auto* button = w->findChild<QToolButton*>(QString::fromLatin1(GetParam()));
  ASSERT_NE(button, nullptr);
  AnswerSetupDialog(
      w->FormSetup, [](TFormSetup* f) { f->CSpinEditFindR->setValue(64); }, false);
  button->click();
  EXPECT_EQ(w->Engine.Radius(), 15);
  EXPECT_EQ(w->Engine.Step(), 3);
  EXPECT_EQ(w->FormSetup->CSpinEditFindR->value(), 15);

  AnswerSetupDialog(
      w->FormSetup,
      [](TFormSetup* f) {
        f->CSpinEditFindR->setValue(64);
        f->TrackBarQ->setValue(1);
      },
      true);
  button->click();
  EXPECT_EQ(w->Engine.Radius(), 64);
  EXPECT_EQ(w->Engine.ZoneHeightPct(), 30);
  EXPECT_EQ(w->Engine.Step(), 1);
  SetupData saved;
  ASSERT_TRUE(ReadSetupFile(QFile::encodeName(w->ConfigPath).toStdString(), saved));
  EXPECT_EQ(saved, w->FormSetup->SetupData);
  EXPECT_FALSE(w->statusBar()->isVisible());
}

TEST_P(SettingsButtonTest, HeldOffWhileAnotherCommandRuns) {
  auto w = MakeWindow();
  w->show();
  w->CommandRunning = true;
  bool opened = false;
  QTimer::singleShot(0, w->FormSetup, [&] {
    opened = w->FormSetup->isVisible();
    if (opened) w->FormSetup->ButtonOk->click();
  });
  w->findChild<QToolButton*>(QString::fromLatin1(GetParam()))->click();
  QCoreApplication::processEvents();
  EXPECT_FALSE(opened);
  EXPECT_EQ(w->Engine.Step(), 3);
  EXPECT_TRUE(w->CommandRunning);
}

INSTANTIATE_TEST_SUITE_P(Buttons, SettingsButtonTest,
                         ::testing::Values("ToolButtonSet1", "ToolButtonSet2", "ToolButtonSet3"));

TEST_F(WindowTest, SettingsThatCannotBeSavedAreReportedAndStillApplied) {
  // Nothing can be created under /proc, whoever runs the test.
  paths_.ConfigPath = QStringLiteral("/proc/quiltor-test/data.cfg");
  auto w = MakeWindow();
  w->show();
  AnswerSetupDialog(
      w->FormSetup, [](TFormSetup* f) { f->CSpinEditImageZone->setValue(45); }, true);
  w->ToolButtonSet1->click();
  EXPECT_EQ(w->Engine.ZoneHeightPct(), 45);
  EXPECT_TRUE(w->statusBar()->isVisible());
  EXPECT_TRUE(
      w->statusBar()->currentMessage().contains(QStringLiteral("/proc/quiltor-test/data.cfg")));
}

class ResizeTest : public WindowTest, public ::testing::WithParamInterface<QSize> {};

TEST_P(ResizeTest, ParentViewStaysAtHalfOfItsPanel) {
  auto w = MakeWindow();
  w->setWindowState(Qt::WindowNoState);
  w->show();
  w->SetWorkflowState(kStateTablePlaced);
  w->PageControl->setCurrentWidget(w->Correction->TabSheetCor);
  w->resize(GetParam());
  QCoreApplication::processEvents();
  ASSERT_GT(w->Correction->PanelCont->width(), 0);
  EXPECT_EQ(w->Correction->ScrollBoxPar->width(), w->Correction->PanelCont->width() / 2);
  EXPECT_EQ(w->Correction->PanelCont->DockedSize(),
            QSize(w->Correction->PanelCont->width() / 2, w->Correction->PanelCont->height() / 2));
  EXPECT_EQ(w->Correction->ScrollBoxCh->x(), w->Correction->ScrollBoxPar->width());
  EXPECT_EQ(w->Correction->ScrollBoxCh->width(),
            w->Correction->PanelCont->width() - w->Correction->ScrollBoxPar->width());
}

TEST_P(ResizeTest, AssembledPictureIsRecentred) {
  auto w = MakeWindow();
  w->setWindowState(Qt::WindowNoState);
  w->show();
  w->SetWorkflowState(kStateAssembled);
  w->PageControl->setCurrentWidget(w->Assembly->TabSheetQuilt);
  w->Assembly->ImageQuilt->SetAutoSize(false);
  w->Assembly->ImageQuilt->resize(3001, 2001);
  w->resize(GetParam());
  QCoreApplication::processEvents();
  const QSize client = w->Assembly->ImageBox->viewport()->size();
  EXPECT_EQ(w->Assembly->ImageBox->horizontalScrollBar()->value(), (3001 - client.width()) / 2);
  EXPECT_EQ(w->Assembly->ImageBox->verticalScrollBar()->value(), (2001 - client.height()) / 2);

  w->Assembly->ImageQuilt->resize(101, 51);
  w->resize(GetParam() + QSize(37, 23));
  QCoreApplication::processEvents();
  const QSize larger = w->Assembly->ImageBox->viewport()->size();
  EXPECT_EQ(w->Assembly->ImageQuilt->pos(),
            QPoint((larger.width() - 101) / 2, (larger.height() - 51) / 2));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResizeTest,
                         ::testing::Values(QSize(900, 650), QSize(1201, 777), QSize(1000, 601)));

}  // namespace
