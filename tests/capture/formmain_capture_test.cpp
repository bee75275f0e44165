// The capture page in the main window: device lists, the live picture,
// capture runs taken by hand, and a whole run over the simulated camera
// whose places must equal the camera's known path.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstring>
#include <fstream>

#include "capture/camera/korvexcameracontrol.h"
#include "capture/capturepage.h"
#include "capture/simulated/simulatedcamera.h"
#include "dialogs/project/projwin.h"
#include "imagefiles/imagefiles.h"
#include "support/windowfixture.h"
#include "widgets/picturecontrol.h"

namespace {

class CaptureTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    SetChoiceHandler([this](const QString&, const QString& text) {
      Chosen.append(text);
      return Choice;
    });
  }
  void TearDown() override {
    SetChoiceHandler({});
    WindowTest::TearDown();
  }

  std::unique_ptr<TFormMain> MakeCaptureWindow(std::vector<std::string> names = {"Камера"}) {
    auto w = MakeWindow(nullptr, std::make_unique<FakeCameras>(std::move(names), &Log));
    w->Capture->FormProj = new TFormProj(w.get());
    return w;
  }

  // One tick of the live-picture clock and the frame it brings. The clock is
  // then held, so that a path camera moves only when the test says.
  static void LiveFrame(CapturePage* page) {
    page->TimerVideoTimer();
    QCoreApplication::processEvents();
    page->TimerVideo->stop();
  }

  // Starts a run of project name, answering the new-project dialog.
  static void StartRun(TFormMain* w, const QString& name, bool save = false,
                       bool ownFolder = false) {
    TFormProj* dialog = w->Capture->FormProj;
    QTimer::singleShot(0, dialog, [=] {
      dialog->EditName->setText(name);
      dialog->CheckBoxSave->setChecked(save);
      dialog->CheckBoxNewDir->setEnabled(save);
      dialog->CheckBoxNewDir->setChecked(ownFolder);
      dialog->ButtonOk->click();
    });
    w->Capture->ToolButtonCapStart->click();
  }

  static void TakeFrame(TFormMain* w) {
    w->Capture->ToolButtonCapFoto->click();
    LiveFrame(w->Capture);
  }

  QStringList Log;
  QStringList Chosen;
  Answer Choice = Answer::Yes;
};

TEST_F(CaptureTest, ControlsCarryTheirNamesTextsAndStartStates) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  const std::vector<std::pair<const char*, QObject*>> controls = {
      {"GroupBoxVid", c->GroupBoxVid},
      {"VideoDeviceComboBox", c->VideoDeviceComboBox},
      {"VideoStandardComboBox", c->VideoStandardComboBox},
      {"CrossbarComboBox", c->CrossbarComboBox},
      {"VideoSizeComboBox", c->VideoSizeComboBox},
      {"ToolButtonCamSet", c->ToolButtonCamSet},
      {"PopupMenuVideo", c->PopupMenuVideo},
      {"MenuDevSetup", c->MenuDevSetup},
      {"MenuStreamSetup", c->MenuStreamSetup},
      {"CrossDialog", c->CrossDialog},
      {"ToolButtonAuto", c->ToolButtonAuto},
      {"ToolButtonCapStart", c->ToolButtonCapStart},
      {"ToolButtonCapFoto", c->ToolButtonCapFoto},
      {"ToolButtonCapStop", c->ToolButtonCapStop},
      {"ToolButtonSet3", c->ToolButtonSet3},
      {"ToolButtonVP", c->ToolButtonVP},
      {"ToolButtonVM", c->ToolButtonVM},
      {"ToolBarContacts", c->ToolBarContacts},
      {"ToolButtonTop", c->ToolButtonTop},
      {"ToolButtonBottom", c->ToolButtonBottom},
      {"ToolButtonLeft", c->ToolButtonLeft},
      {"ToolButtonRight", c->ToolButtonRight},
      {"CheckBoxOwerIage", c->CheckBoxOwerIage},
      {"CheckBoxInvert", c->CheckBoxInvert},
      {"TrackDens", c->TrackDens},
      {"ImageInd", c->ImageInd},
      {"ScrollBoxVideoImage", c->ScrollBoxVideoImage},
      {"ImageVideo", c->ImageVideo},
      {"VideoGrabber", c->VideoGrabber},
      {"TimerVideo", c->TimerVideo}};
  for (const auto& [name, member] : controls) {
    ASSERT_NE(member, nullptr) << name;
    EXPECT_EQ(member->objectName(), QString::fromLatin1(name));
  }
  EXPECT_EQ(c->GroupBoxVid->title(), QStringLiteral("Настройка видеопотока WDM устройства"));
  const std::vector<std::pair<QWidget*, const char*>> hints = {
      {c->VideoDeviceComboBox, "Выбор устройства WDM"},
      {c->VideoStandardComboBox, "Стандарт ТВ сигнала"},
      {c->CrossbarComboBox, "Источник видеосигнала"},
      {c->VideoSizeComboBox, "Разрешение видеокадров"},
      {c->ToolButtonCamSet, "Настройка устройства"},
      {c->ToolButtonAuto, "Автосъемка"},
      {c->ToolButtonCapStart, "Старт съемки"},
      {c->ToolButtonCapFoto, "Сделать кадр"},
      {c->ToolButtonCapStop, "Завершение съемки"},
      {c->ToolButtonSet3, "Настройка программы"},
      {c->ToolButtonVP, "Увеличить"},
      {c->ToolButtonVM, "Уменьшить"},
      {c->ToolButtonTop, "Кадр вверх"},
      {c->ToolButtonBottom, "Кадр вниз"},
      {c->ToolButtonLeft, "Кадр влево"},
      {c->ToolButtonRight, "Кадр вправо"}};
  for (const auto& [control, hint] : hints)
    EXPECT_EQ(control->toolTip(), QString::fromUtf8(hint)) << hint;
  EXPECT_EQ(c->MenuDevSetup->text(), QStringLiteral("Настройка устройства"));
  EXPECT_EQ(c->MenuStreamSetup->text(), QStringLiteral("Настройка видеопотока"));
  EXPECT_EQ(c->CrossDialog->text(), QStringLiteral("Настройка видеорежима"));
  EXPECT_EQ(c->ToolButtonCamSet->popupMode(), QToolButton::MenuButtonPopup);
  EXPECT_TRUE(c->ToolButtonCapStart->isEnabled());
  EXPECT_FALSE(c->ToolButtonCapFoto->isEnabled());
  EXPECT_FALSE(c->ToolButtonCapStop->isEnabled());
  EXPECT_FALSE(c->ToolButtonAuto->isChecked());
  for (QToolButton* b :
       {c->ToolButtonTop, c->ToolButtonBottom, c->ToolButtonLeft, c->ToolButtonRight})
    EXPECT_FALSE(b->isEnabled());
  EXPECT_TRUE(c->ToolButtonRight->isChecked());
  EXPECT_EQ(c->CheckBoxOwerIage->text(), QStringLiteral("Показать зону контакта"));
  EXPECT_EQ(c->CheckBoxInvert->text(), QStringLiteral("Негатив"));
  EXPECT_TRUE(c->CheckBoxOwerIage->isChecked());
  EXPECT_TRUE(c->CheckBoxInvert->isChecked());
  EXPECT_EQ(c->TrackDens->minimum(), 1);
  EXPECT_EQ(c->TrackDens->maximum(), 16);
  EXPECT_EQ(c->TrackDens->value(), 5);
  EXPECT_EQ(c->ImageInd->size(), QSize(220, 165));
  EXPECT_TRUE(c->ImageInd->isHidden());
  EXPECT_EQ(c->TimerVideo->interval(), 50);
  EXPECT_FALSE(c->TimerVideo->isActive());
  EXPECT_EQ(c->VideoZoom, 1.0f);
}

TEST_F(CaptureTest, ListsFollowTheDeviceAndASizeChangeRestartsThePreview) {
  auto w = MakeCaptureWindow({"Первая", "Вторая"});
  CapturePage* c = w->Capture;
  EXPECT_EQ(c->VideoDeviceComboBox->count(), 2);
  EXPECT_EQ(c->VideoDeviceComboBox->currentIndex(), 0);
  EXPECT_EQ(c->VideoSizeComboBox->count(), 2);
  EXPECT_EQ(c->VideoSizeComboBox->itemText(0), QStringLiteral("320x240"));
  EXPECT_EQ(c->VideoSizeComboBox->currentIndex(), 1);
  // No standards and a single input: nothing to choose.
  EXPECT_FALSE(c->VideoStandardComboBox->isEnabled());
  EXPECT_EQ(c->CrossbarComboBox->count(), 1);
  EXPECT_FALSE(c->CrossbarComboBox->isEnabled());
  EXPECT_EQ(c->VideoGrabber->Width(), 640);

  Log.clear();
  c->VideoSizeComboBoxChange(0);
  EXPECT_EQ(Log, (QStringList{"stop", "start 320x240"}));
  EXPECT_EQ(c->VideoGrabber->Width(), 320);
  EXPECT_EQ(c->ImageVideo->size(), QSize(320, 240));

  Log.clear();
  c->VideoDeviceComboBoxChange(1);
  EXPECT_EQ(Log.first(), QStringLiteral("stop"));
  EXPECT_TRUE(Log.contains(QStringLiteral("open 1")));
  EXPECT_EQ(c->VideoDeviceComboBox->currentIndex(), 1);
  EXPECT_TRUE(c->VideoGrabber->Previewing());
}

TEST_F(CaptureTest, TheCameraButtonOpensTheCameraDialogModally) {
  auto w = MakeCaptureWindow();
  bool shown = false;
  QTimer::singleShot(0, w.get(), [&] {
    QDialog* dialog = w->Capture->VideoQuality;
    shown = dialog && dialog->isVisible() && dialog->isModal();
    if (dialog) dialog->close();
  });
  w->Capture->ToolButtonCamSet->click();
  EXPECT_TRUE(shown);
  EXPECT_EQ(w->Capture->VideoQuality->windowTitle(), QStringLiteral("Настройки камеры"));
}

TEST_F(CaptureTest, ZoomStopsAtTwoAndAQuarter) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  c->ToolButtonVP->click();
  EXPECT_EQ(c->VideoZoom, 2.0f);
  EXPECT_FALSE(c->ToolButtonVP->isEnabled());
  EXPECT_EQ(c->ImageVideo->size(), QSize(1280, 960));
  c->ToolButtonVM->click();
  c->ToolButtonVM->click();
  c->ToolButtonVM->click();
  EXPECT_EQ(c->VideoZoom, 0.25f);
  EXPECT_FALSE(c->ToolButtonVM->isEnabled());
  EXPECT_TRUE(c->ToolButtonVP->isEnabled());
  EXPECT_EQ(c->ImageVideo->size(), QSize(160, 120));
}

TEST_F(CaptureTest, LivePictureCentredWhenSmallerThanItsBox) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  QScrollArea* box = c->ScrollBoxVideoImage;
  // The capture tab is not shown here, so its layout never sizes the viewport.
  box->resize(500, 400);
  box->viewport()->resize(480, 380);
  c->ToolButtonVM->click();
  c->ToolButtonVM->click();  // 160 x 120
  const QSize client = box->viewport()->size();
  ASSERT_GT(client.width(), 160);
  ASSERT_GT(client.height(), 120);
  EXPECT_EQ(c->ImageVideo->pos(), QPoint((client.width() - 160) / 2, (client.height() - 120) / 2));
}

TEST_F(CaptureTest, LivePictureTakesOnlyFramesMeantForIt) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  LiveFrame(c);
  ASSERT_EQ(c->ImageVideo->Held().Width(), 640);
  EXPECT_EQ(c->ImageVideo->Held().Pixel(10, 10)[0], 100);
  const Bitmap other(640, 480, 7);
  c->VideoGrabberFrameCaptureCompleted(nullptr, other, 640, 480, 1, 0, fc_BmpFile, "x.bmp", true,
                                       1);
  EXPECT_EQ(c->ImageVideo->Held().Pixel(10, 10)[0], 100);
  c->VideoGrabberFrameCaptureCompleted(nullptr, other, 640, 480, 1, 0, fc_TBitmap, "", true, 1);
  EXPECT_EQ(c->ImageVideo->Held().Pixel(10, 10)[0], 7);
  // Processing switches the clock off and on again.
  EXPECT_TRUE(c->TimerVideo->isActive());
}

TEST_F(CaptureTest, EmptyOrUnsafeProjectNamesStartNothing) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  StartRun(w.get(), QString());
  EXPECT_FALSE(c->ImageInd->isHidden());
  EXPECT_FALSE(c->ToolButtonSet3->isEnabled());
  EXPECT_FALSE(c->ToolButtonCapFoto->isEnabled());
  EXPECT_TRUE(c->ToolButtonCapStart->isEnabled());
  EXPECT_FALSE(c->Run.Running());

  auto fresh = MakeCaptureWindow();
  for (const char* name : {"../escape", "a/b", "..", "x:y"}) {
    Told.clear();
    StartRun(fresh.get(), QString::fromUtf8(name));
    EXPECT_EQ(Told.size(), 1) << name;
    EXPECT_FALSE(fresh->Capture->Run.Running()) << name;
    EXPECT_TRUE(fresh->Capture->ToolButtonSet3->isEnabled()) << name;
    EXPECT_TRUE(fresh->Capture->ImageInd->isHidden()) << name;
  }
}

TEST_F(CaptureTest, FirstFrameHasNoDirectionAndTwoPressesTakeOneFrame) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  c->ToolButtonBottom->setEnabled(true);
  c->ToolButtonBottom->click();  // a pressed side is no reason for the first frame
  StartRun(w.get(), QStringLiteral("Проба"));
  ASSERT_TRUE(c->Run.Running());
  EXPECT_TRUE(c->ToolButtonCapFoto->isEnabled());
  EXPECT_FALSE(c->GroupBoxVid->isEnabled());
  EXPECT_FALSE(c->ToolButtonSet3->isEnabled());
  EXPECT_FALSE(w->PageControl->isTabVisible(w->PageControl->indexOf(w->TabSheetImages)));
  EXPECT_EQ(w->WorkflowState(), kStateNoImages);

  c->ToolButtonCapFoto->click();
  c->ToolButtonCapFoto->click();
  LiveFrame(c);
  ASSERT_EQ(w->Engine.Count(), 1);
  EXPECT_EQ(w->Engine.Direction(0), kDirNone);
  EXPECT_EQ(w->Engine.Name(0), w->Capture->Run.Project.Dir + "Проба_0000.bmp");
  LiveFrame(c);
  EXPECT_EQ(w->Engine.Count(), 1);
  c->ToolButtonLeft->click();
  TakeFrame(w.get());
  ASSERT_EQ(w->Engine.Count(), 2);
  EXPECT_EQ(w->Engine.Direction(1), kDirLeft);
  EXPECT_EQ(w->Engine.Name(1), w->Capture->Run.Project.Dir + "Проба_0001.bmp");
  // Not asked to save: no file.
  EXPECT_FALSE(QFile::exists(QString::fromStdString(w->Engine.Name(0))));
}

TEST_F(CaptureTest, EndingWithOneFrameShowsNothingAndGivesTheImagesTabBack) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  w->PageControl->setCurrentWidget(c->TabSheetVideo);
  c->TimerVideo->stop();
  StartRun(w.get(), QStringLiteral("Один"));
  TakeFrame(w.get());
  AnswerQuestions yes(true);
  Told.clear();
  c->ToolButtonCapStop->click();
  EXPECT_TRUE(Told.isEmpty());
  EXPECT_EQ(w->PageControl->currentWidget(), c->TabSheetVideo);
  EXPECT_TRUE(w->PageControl->isTabVisible(w->PageControl->indexOf(w->TabSheetImages)));
  EXPECT_EQ(w->WorkflowState(), kStateNoImages);
  EXPECT_TRUE(c->ImageInd->isHidden());
  EXPECT_FALSE(c->ToolButtonCapStop->isEnabled());
  EXPECT_TRUE(c->ToolButtonCapStart->isEnabled());
  EXPECT_TRUE(c->ToolButtonSet3->isEnabled());
  EXPECT_EQ(w->Engine.Count(), 1);
}

TEST_F(CaptureTest, AnsweringNoAtTheEndKeepsTheRunGoing) {
  auto w = MakeCaptureWindow();
  StartRun(w.get(), QStringLiteral("Дальше"));
  TakeFrame(w.get());
  TakeFrame(w.get());
  AnswerQuestions no(false);
  w->Capture->ToolButtonCapStop->click();
  EXPECT_TRUE(w->Capture->Run.Running());
  EXPECT_TRUE(w->Capture->ToolButtonCapStop->isEnabled());
  EXPECT_EQ(w->Engine.Count(), 2);
}

TEST_F(CaptureTest, SavedFramesAreBitmapsAndAFailedWriteIsToldOnceAndKeepsTheFrames) {
  auto w = MakeCaptureWindow();
  w->Capture->Run.Project.BaseDir = (dir_ + QStringLiteral("/frames/")).toStdString();
  StartRun(w.get(), QStringLiteral("Сохр"), true, true);
  TakeFrame(w.get());
  const QString first = dir_ + QStringLiteral("/frames/Сохр/Сохр_0000.bmp");
  ASSERT_TRUE(QFile::exists(first));
  Bitmap back;
  ASSERT_TRUE(PixLoadImage(first.toStdString(), back));
  EXPECT_EQ(back, w->Engine.ImageBitmap(0));

  // A folder that cannot be written: the next frames stay in memory, told once.
  w->Capture->Run.Project.Dir = "/proc/quiltor-no-folder/";
  Told.clear();
  TakeFrame(w.get());
  TakeFrame(w.get());
  EXPECT_EQ(w->Engine.Count(), 3);
  EXPECT_EQ(Told.size(), 1);
  EXPECT_FALSE(w->Capture->LabelCaptureState->isHidden());
}

TEST_F(CaptureTest, ExistingFramesOfTheSameProjectAreNotOverwrittenUnasked) {
  const QString folder = dir_ + QStringLiteral("/again/");
  QDir().mkpath(folder);
  for (const char* name : {"Снова_0000.bmp", "Снова_0001.bmp"}) {
    QFile file(folder + QString::fromUtf8(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
  }
  auto w = MakeCaptureWindow();
  w->Capture->Run.Project.BaseDir = folder.toStdString();
  Choice = Answer::Yes;  // continue the numbering
  StartRun(w.get(), QStringLiteral("Снова"), true);
  ASSERT_EQ(Chosen.size(), 1);
  TakeFrame(w.get());
  EXPECT_EQ(w->Engine.Name(0), (folder + QStringLiteral("Снова_0002.bmp")).toStdString());
  EXPECT_EQ(w->Engine.Direction(0), kDirNone);
  QFile old(folder + QStringLiteral("Снова_0000.bmp"));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), QByteArray("old"));

  AnswerQuestions yes(true);
  w->Capture->ToolButtonCapStop->click();
  Choice = Answer::Cancel;
  StartRun(w.get(), QStringLiteral("Снова"), true);
  EXPECT_FALSE(w->Capture->Run.Running());
  EXPECT_TRUE(w->Capture->ToolButtonSet3->isEnabled());
}

TEST_F(CaptureTest, ALostDeviceStopsTheLivePictureAndKeepsTheFrames) {
  auto w = MakeCaptureWindow();
  CapturePage* c = w->Capture;
  StartRun(w.get(), QStringLiteral("Потеря"));
  TakeFrame(w.get());
  auto* source = dynamic_cast<FakeSource*>(c->VideoGrabber->Source());
  ASSERT_NE(source, nullptr);
  source->Lose("Видеоустройство отключено");
  c->TimerVideo->start();
  c->TimerVideoTimer();
  QCoreApplication::processEvents();
  EXPECT_FALSE(c->TimerVideo->isActive());
  EXPECT_TRUE(c->LabelCaptureState->text().contains(QStringLiteral("Видеоустройство отключено")));
  EXPECT_EQ(w->Engine.Count(), 1);
  EXPECT_TRUE(c->Run.Running());
}

// The README's picture of the page in the middle of a run, when asked for:
// the stage is half-way to the next field, the overlay shows where it must go.
void SaveScreenshot(TFormMain* w) {
  const QString file = qEnvironmentVariable("QUILTOR_CAPTURE_SCREENSHOT");
  if (file.isEmpty()) return;
  w->showNormal();
  w->resize(1280, 800);
  QCoreApplication::processEvents();
  w->Capture->FitVideoPicture(false);
  EXPECT_TRUE(w->grab().save(file));
}

TEST_F(CaptureTest, ArrowKeysMoveTheSimulatedCamerasView) {
  auto w = MakeWindow(nullptr, std::make_unique<SimulatedCameraProvider>(SimulatedCameraOptions{},
                                                                         FrameSize{900, 700}));
  CapturePage* c = w->Capture;
  LiveFrame(c);
  auto* camera = dynamic_cast<SimulatedCamera*>(c->VideoGrabber->Source());
  ASSERT_NE(camera, nullptr);
  const Point start = camera->Position();
  const Bitmap before = c->ImageVideo->Held();
  QTest::keyClick(c->ScrollBoxVideoImage, Qt::Key_Right);
  QTest::keyClick(c->ScrollBoxVideoImage, Qt::Key_Down, Qt::ShiftModifier);
  LiveFrame(c);
  EXPECT_EQ(camera->Position().X, start.X + 8);
  EXPECT_EQ(camera->Position().Y, start.Y + 32);
  // What the camera shows moved the other way.
  EXPECT_EQ(std::memcmp(c->ImageVideo->Held().Pixel(0, 0), before.Pixel(8, 32), 3), 0);
}

TEST_F(CaptureTest, AnAutomaticRunTakesEveryFrameItselfWhereTheCameraWas) {
  // The stage moves steadily, 16 pixels per live picture, and turns right
  // after a frame is taken, as a hand walks a 3 x 3 snake.
  const std::string slide = (dir_ + QStringLiteral("/slide.bmp")).toStdString();
  ASSERT_TRUE(PixSaveImage(slide, TexturedBitmap(2600, 1800, 21)));
  SimulatedCameraOptions options;
  options.Picture = slide;
  auto w = MakeWindow(nullptr, std::make_unique<SimulatedCameraProvider>(options));
  w->Capture->FormProj = new TFormProj(w.get());
  w->show();
  CapturePage* c = w->Capture;
  w->PageControl->setCurrentWidget(c->TabSheetVideo);
  c->TimerVideo->stop();
  ASSERT_FALSE(c->ToolButtonAuto->isHidden());
  c->ToolButtonAuto->click();
  StartRun(w.get(), QStringLiteral("Авто"));
  EXPECT_FALSE(c->ToolButtonCapFoto->isEnabled());
  EXPECT_FALSE(c->ToolButtonAuto->isEnabled());
  auto* camera = dynamic_cast<SimulatedCamera*>(c->VideoGrabber->Source());
  ASSERT_NE(camera, nullptr);

  const int32_t plan[] = {kDirRight, kDirRight, kDirBelow, kDirLeft,
                          kDirLeft,  kDirBelow, kDirRight, kDirRight};
  std::vector<Point> origins;  // where the camera was for each frame taken
  for (int n = 0; n < 600 && origins.size() < 9; ++n) {
    LiveFrame(c);
    if (w->Engine.Count() > static_cast<int>(origins.size())) origins.push_back(camera->Position());
    if (origins.empty() || origins.size() > std::size(plan)) continue;
    const int32_t side = plan[origins.size() - 1];
    camera->MoveView(side == kDirRight  ? 16
                     : side == kDirLeft ? -16
                                        : 0,
                     side == kDirBelow   ? 16
                     : side == kDirAbove ? -16
                                         : 0);
  }
  ASSERT_EQ(origins.size(), 9u);
  EXPECT_TRUE(c->LabelCaptureState->isHidden()) << c->LabelCaptureState->text().toStdString();

  AnswerQuestions yes(true);
  c->ToolButtonCapStop->click();
  EXPECT_EQ(c->Auto.AutoState, kAutoIdle);
  ASSERT_EQ(w->WorkflowState(), kStateAssembled);
  for (size_t i = 1; i < origins.size(); ++i) {
    EXPECT_EQ(w->Engine.Direction(static_cast<int>(i)), plan[i - 1]) << i;
    const Rect& place = w->Engine.Place(static_cast<int>(i));
    EXPECT_EQ(place.Left - w->Engine.Place(0).Left, origins[i].X - origins[0].X) << i;
    EXPECT_EQ(place.Top - w->Engine.Place(0).Top, origins[i].Y - origins[0].Y) << i;
  }
  EXPECT_TRUE(Told.isEmpty()) << Told.join('\n').toStdString();
}

TEST_F(CaptureTest, AFlatPictureTakesNoFrameAfterTheFirstAndSaysWhy) {
  const std::string flat = (dir_ + QStringLiteral("/flat.bmp")).toStdString();
  ASSERT_TRUE(PixSaveImage(flat, Bitmap(900, 700, 128)));
  SimulatedCameraOptions options;
  options.Picture = flat;
  auto w = MakeWindow(nullptr, std::make_unique<SimulatedCameraProvider>(options));
  w->Capture->FormProj = new TFormProj(w.get());
  CapturePage* c = w->Capture;
  c->ToolButtonAuto->click();
  StartRun(w.get(), QStringLiteral("Ровно"));
  for (int n = 0; n < 10; ++n) LiveFrame(c);
  EXPECT_EQ(w->Engine.Count(), 1);
  EXPECT_FALSE(c->LabelCaptureState->isHidden());
}

// A 3 x 3 snake of 640 x 480 fields, 30 % overlap, over the synthetic specimen.
std::vector<Point> SnakeOrigins() {
  std::vector<Point> origins;
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i < 3; ++i) {
      const int column = row % 2 == 0 ? i : 2 - i;
      origins.push_back({100 + column * 448, 100 + row * 336});
    }
  }
  return origins;
}

class SnakeRunTest : public CaptureTest, public ::testing::WithParamInterface<PlacementMethod> {};

// With either placement: over all neighbours the end of the run registers
// the snake's rows against each other as well.
TEST_P(SnakeRunTest, ASnakeRunOverTheSimulatedCameraLandsOnItsKnownPath) {
  const std::vector<Point> origins = SnakeOrigins();
  const std::string pathFile = (dir_ + QStringLiteral("/path.txt")).toStdString();
  {
    std::ofstream path(pathFile);
    // Two live pictures on the way between fields, as a hand moves the stage.
    for (size_t i = 0; i < origins.size(); ++i) {
      path << origins[i].X << ' ' << origins[i].Y << '\n';
      if (i + 1 < origins.size()) {
        path << (origins[i].X + origins[i + 1].X) / 2 << ' ' << origins[i].Y << '\n';
        path << origins[i + 1].X << ' ' << (origins[i].Y + origins[i + 1].Y) / 2 << '\n';
      }
    }
  }
  SimulatedCameraOptions options;
  options.PathFile = pathFile;
  // Room for the snake and no more: the specimen renders slowly in checked builds.
  auto w = MakeWindow(nullptr,
                      std::make_unique<SimulatedCameraProvider>(options, FrameSize{1760, 1360}));
  w->Capture->FormProj = new TFormProj(w.get());
  w->show();
  CapturePage* c = w->Capture;
  ASSERT_TRUE(w->PageControl->isTabVisible(0));
  w->PageControl->setCurrentWidget(c->TabSheetVideo);
  c->TimerVideo->stop();
  StartRun(w.get(), QStringLiteral("Змейка"));
  w->Engine.SetPlacementMethod(GetParam());

  const int32_t directions[] = {kDirRight, kDirRight, kDirBelow, kDirLeft,
                                kDirLeft,  kDirBelow, kDirRight, kDirRight};
  QToolButton* button[] = {nullptr, c->ToolButtonRight, c->ToolButtonBottom, c->ToolButtonLeft,
                           c->ToolButtonTop};
  for (size_t i = 0; i < origins.size(); ++i) {
    if (i > 0) {
      button[directions[i - 1]]->click();
      LiveFrame(c);  // the two pictures on the way are not taken
      if (i == 5) SaveScreenshot(w.get());
      LiveFrame(c);
    }
    TakeFrame(w.get());
  }
  ASSERT_EQ(w->Engine.Count(), 9);
  // The overlay is drawn into the live picture only, never into a frame.
  EXPECT_TRUE(c->Run.OverlayFrame.has_value());

  AnswerQuestions yes(true);
  c->ToolButtonCapStop->click();
  EXPECT_EQ(w->WorkflowState(), kStateAssembled);
  EXPECT_EQ(w->PageControl->currentWidget(), w->Assembly->TabSheetQuilt);
  for (size_t i = 0; i < origins.size(); ++i) {
    const Rect& place = w->Engine.Place(static_cast<int>(i));
    EXPECT_EQ(place.Left - w->Engine.Place(0).Left, origins[i].X - origins[0].X) << i;
    EXPECT_EQ(place.Top - w->Engine.Place(0).Top, origins[i].Y - origins[0].Y) << i;
    EXPECT_EQ(w->Engine.Direction(static_cast<int>(i)), i == 0 ? kDirNone : directions[i - 1]);
  }
  EXPECT_FALSE(w->Assembly->ImageQuilt->Held().Empty());
  EXPECT_TRUE(Told.isEmpty()) << Told.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Placements, SnakeRunTest,
                         ::testing::Values(PlacementMethod::Chain, PlacementMethod::Neighbours));

TEST_F(CaptureTest, TheLiveMosaicTellsTheNewLinkAndARetakeTakesTheFrameBack) {
  const std::string pathFile = (dir_ + QStringLiteral("/live.txt")).toStdString();
  {
    std::ofstream path(pathFile);
    for (int n = 0; n <= 40; ++n) path << 100 + 11 * n << " 100\n";
  }
  SimulatedCameraOptions options;
  options.PathFile = pathFile;
  auto w =
      MakeWindow(nullptr, std::make_unique<SimulatedCameraProvider>(options, FrameSize{1200, 700}));
  w->Capture->FormProj = new TFormProj(w.get());
  CapturePage* c = w->Capture;
  w->PageControl->setCurrentWidget(c->TabSheetVideo);
  c->TimerVideo->stop();
  StartRun(w.get(), QStringLiteral("Живая"));
  EXPECT_FALSE(c->ToolButtonRetake->isEnabled());
  TakeFrame(w.get());
  for (int n = 0; n < 39; ++n) LiveFrame(c);
  // 39 pictures of 11 pixels: (640 - 429) / 640 of the frame.
  EXPECT_EQ(c->LabelOverlap->text(), QStringLiteral("Перекрытие с последним кадром: 32 %"));
  TakeFrame(w.get());
  // The link arrives from its own thread through the page's event queue.
  for (int n = 0; n < 200 && c->LabelLiveLink->text().isEmpty(); ++n) QTest::qWait(10);
  EXPECT_EQ(c->LabelLiveLink->text(), QStringLiteral("связь надёжна"));
  ASSERT_EQ(c->Run.Live.Frames().size(), 2u);
  EXPECT_EQ(c->Run.Live.Frames()[1].Link.At, (Offset{11 * 40, 0}));

  ASSERT_TRUE(c->ToolButtonRetake->isEnabled());
  c->ToolButtonRetake->click();
  EXPECT_EQ(w->Engine.Count(), 1);
  EXPECT_EQ(c->Run.Project.FrameCount, 1);
  EXPECT_TRUE(c->LabelLiveLink->text().isEmpty());
  EXPECT_EQ(*c->Run.OverlayFrame, w->Engine.LastBitmap());
}

}  // namespace
