#include "capture/capturepage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "capture/camera/korvexcameracontrol.h"
#include "capture/run/layoutindicator.h"
#include "capture/run/livemosaic.h"
#include "capture/run/projectnames.h"
#include "dialogs/project/projwin.h"
#include "engine/panoram.h"
#include "engine/stitchflow.h"
#include "widgets/assemblywork.h"
#include "widgets/barprogress.h"
#include "widgets/matchmarker.h"
#include "widgets/pagebuild.h"
#include "widgets/picturecontrol.h"
#include "widgets/scrollbox.h"
#include "widgets/userdialogs.h"
#include "widgets/viewgeometry.h"
#include "widgets/workflowcommand.h"

namespace {

const QString kAttention = QStringLiteral("ВНИМАНИЕ!");
const QString kTooLittleTexture = QStringLiteral(
    "Слишком мало деталей в кадре, чтобы следить за движением: кадр не будет "
    "снят, пока картинка не станет четче.");
constexpr QSize kDirectionButton{40, 40};
constexpr int kIndicatorWidth = 220;
constexpr int kIndicatorHeight = 165;
constexpr int kMosaicWidth = 320;
constexpr int kMosaicHeight = 240;
constexpr int kArrowStep = 8;  // pixels per arrow key; with Shift four times as many
// The live picture is shown from a quarter to twice its size.
constexpr float kLiveZoomLeast = 0.25f;
constexpr float kLiveZoomMost = 2.0f;

QComboBox* ListBox(QWidget* parent, const char* name, const char* hint) {
  auto* box = Named(new QComboBox(parent), name);
  box->setToolTip(QString::fromUtf8(hint));
  box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return box;
}

// Refills box without raising its change handler.
void Fill(QComboBox* box, const QStringList& items, int selected) {
  const QSignalBlocker quiet(box);
  box->clear();
  box->addItems(items);
  box->setCurrentIndex(selected);
}

}  // namespace

CapturePage::CapturePage(CaptureHost& host, ShellState shell,
                         std::unique_ptr<VideoProvider> devices, ToolImageLists& lists,
                         QObject* parent)
    : QObject(parent), Run(shell.Engine), host_(host), shell_(shell) {
  VideoGrabber = Named(new TVideoGrabber(std::move(devices), this), "VideoGrabber");
  Build(lists);
  Connect();
  // Called on the search's own thread: the page is told through its event queue.
  Run.Live.SetLinkReady([this] {
    QMetaObject::invokeMethod(
        this, [this] { LiveLinkReady(); }, Qt::QueuedConnection);
  });
}

CapturePage::~CapturePage() { Run.Live.WaitAll(); }

void CapturePage::Build(ToolImageLists& lists) {
  TabSheetVideo = Named(new QWidget, "TabSheetVideo");
  auto* layout = Column(TabSheetVideo);
  ToolBarVideo = MakeToolBar(TabSheetVideo, "ToolBarVideo");
  GroupBoxVid =
      Named(new QGroupBox(QStringLiteral("Настройка видеопотока WDM устройства")), "GroupBoxVid");
  auto* group = new QHBoxLayout(GroupBoxVid);
  VideoDeviceComboBox = ListBox(GroupBoxVid, "VideoDeviceComboBox", "Выбор устройства WDM");
  VideoStandardComboBox = ListBox(GroupBoxVid, "VideoStandardComboBox", "Стандарт ТВ сигнала");
  CrossbarComboBox = ListBox(GroupBoxVid, "CrossbarComboBox", "Источник видеосигнала");
  VideoSizeComboBox = ListBox(GroupBoxVid, "VideoSizeComboBox", "Разрешение видеокадров");
  for (QComboBox* box :
       {VideoDeviceComboBox, VideoStandardComboBox, CrossbarComboBox, VideoSizeComboBox})
    group->addWidget(box);
  ToolBarVideo->addWidget(GroupBoxVid);

  const auto add = [this, &lists](QToolButton*& button, const char* name, const char* hint,
                                  const char* icon, const char* glyph) {
    AddToolButton(ToolBarVideo, lists, button, name, hint, icon, glyph, kImagesButton);
  };
  add(ToolButtonCamSet, "ToolButtonCamSet", "Настройка устройства", "camera-web", "К");
  PopupMenuVideo = Named(new QMenu(ToolButtonCamSet), "PopupMenuVideo");
  MenuDevSetup =
      Named(PopupMenuVideo->addAction(QStringLiteral("Настройка устройства")), "MenuDevSetup");
  MenuStreamSetup =
      Named(PopupMenuVideo->addAction(QStringLiteral("Настройка видеопотока")), "MenuStreamSetup");
  CrossDialog =
      Named(PopupMenuVideo->addAction(QStringLiteral("Настройка видеорежима")), "CrossDialog");
  ToolButtonCamSet->setMenu(PopupMenuVideo);
  ToolButtonCamSet->setPopupMode(QToolButton::MenuButtonPopup);
  add(ToolButtonAuto, "ToolButtonAuto", "Автосъемка", "media-playlist-repeat", "А");
  ToolButtonAuto->setCheckable(true);
  add(ToolButtonCapStart, "ToolButtonCapStart", "Старт съемки", "media-record", "●");
  add(ToolButtonCapFoto, "ToolButtonCapFoto", "Сделать кадр", "camera-photo", "Ф");
  add(ToolButtonCapStop, "ToolButtonCapStop", "Завершение съемки", "media-playback-stop", "■");
  add(ToolButtonSet3, "ToolButtonSet3", "Настройка программы", "configure", "Н");
  add(ToolButtonVP, "ToolButtonVP", "Увеличить", "zoom-in", "+");
  add(ToolButtonVM, "ToolButtonVM", "Уменьшить", "zoom-out", "−");
  add(ToolButtonRetake, "ToolButtonRetake", "Переснять кадр", "edit-undo", "↶");
  ToolButtonRetake->setEnabled(false);
  ToolButtonCapFoto->setEnabled(false);
  ToolButtonCapStop->setEnabled(false);
  layout->addWidget(ToolBarVideo);

  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  ScrollBoxVideoImage =
      MakeScrollBox(TabSheetVideo, "ScrollBoxVideoImage", ImageVideo, "ImageVideo", true);
  ScrollBoxVideoImage->setFocusPolicy(Qt::StrongFocus);
  ScrollBoxVideoImage->installEventFilter(this);
  body->addWidget(ScrollBoxVideoImage, 1);
  body->addWidget(BuildLivePanel());
  body->addWidget(BuildSidePanel(lists));
  layout->addLayout(body, 1);

  TimerVideo = Named(new QTimer(this), "TimerVideo");
  TimerVideo->setInterval(50);
}

QWidget* CapturePage::BuildLivePanel() {
  auto* panel = Named(new QWidget(TabSheetVideo), "PanelLiveMosaic");
  auto* column = new QVBoxLayout(panel);
  ImageLiveMosaic = Named(new PictureControl(panel), "ImageLiveMosaic");
  ImageLiveMosaic->SetAutoSize(false);
  ImageLiveMosaic->setFixedSize(kMosaicWidth, kMosaicHeight);
  ImageLiveMosaic->Assign(Bitmap(kMosaicWidth, kMosaicHeight, 64));
  LabelLiveLink = Named(new QLabel(panel), "LabelLiveLink");
  LabelOverlap = Named(new QLabel(panel), "LabelOverlap");
  column->addWidget(ImageLiveMosaic);
  column->addWidget(LabelLiveLink);
  column->addWidget(LabelOverlap);
  column->addStretch(1);
  panel->setFixedWidth(kMosaicWidth + 16);
  return panel;
}

QWidget* CapturePage::BuildSidePanel(ToolImageLists& lists) {
  auto* panel = Named(new QWidget(TabSheetVideo), "PanelContacts");
  auto* column = new QVBoxLayout(panel);
  ToolBarContacts = MakeToolBar(panel, "ToolBarContacts");
  auto* group = new QButtonGroup(ToolBarContacts);
  group->setExclusive(true);
  const auto add = [&](QToolButton*& button, const char* name, const char* hint, const char* icon,
                       const char* glyph, int32_t code) {
    AddToolButton(ToolBarContacts, lists, button, name, hint, icon, glyph, kDirectionButton);
    button->setCheckable(true);
    button->setEnabled(false);
    group->addButton(button);
    connect(button, &QToolButton::clicked, this, [this, code] { DirectionClick(code); });
  };
  add(ToolButtonTop, "ToolButtonTop", "Кадр вверх", "go-up", "↑", kDirAbove);
  add(ToolButtonBottom, "ToolButtonBottom", "Кадр вниз", "go-down", "↓", kDirBelow);
  add(ToolButtonLeft, "ToolButtonLeft", "Кадр влево", "go-previous", "←", kDirLeft);
  add(ToolButtonRight, "ToolButtonRight", "Кадр вправо", "go-next", "→", kDirRight);
  ToolButtonRight->setChecked(true);
  column->addWidget(ToolBarContacts);

  CheckBoxOwerIage =
      Named(new QCheckBox(QStringLiteral("Показать зону контакта"), panel), "CheckBoxOwerIage");
  CheckBoxOwerIage->setChecked(true);
  CheckBoxInvert = Named(new QCheckBox(QStringLiteral("Негатив"), panel), "CheckBoxInvert");
  CheckBoxInvert->setChecked(true);
  TrackDens = Named(new QSlider(Qt::Horizontal, panel), "TrackDens");
  TrackDens->setRange(1, 16);
  TrackDens->setValue(5);
  TrackDens->setTickPosition(QSlider::TicksBothSides);
  TrackDens->setToolTip(QStringLiteral(
      "Вес живого изображения в зоне контакта, в шестнадцатых. В начале (5) совпавшая полоса "
      "в негативе — бледный негатив прошлого кадра без двойных контуров; в середине шкалы (8) "
      "совпавшая полоса становится ровной серой."));
  column->addWidget(CheckBoxOwerIage);
  column->addWidget(CheckBoxInvert);
  column->addWidget(TrackDens);

  auto* frame = Named(new QFrame(panel), "PanelInd");
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* frameLayout = Column(frame);
  frameLayout->setContentsMargins(2, 2, 2, 2);
  ImageInd = Named(new PictureControl(frame), "ImageInd");
  ImageInd->SetAutoSize(false);
  ImageInd->setFixedSize(kIndicatorWidth, kIndicatorHeight);
  ImageInd->Assign(Bitmap(kIndicatorWidth, kIndicatorHeight, 255));
  ImageInd->hide();
  frameLayout->addWidget(ImageInd);
  column->addWidget(frame);
  // As wide as the indicator in its sunken frame and the panel's margins: a
  // panel any narrower cuts the picture's right side off.
  // (The indicator is hidden until a run starts, so no size hint counts it.)
  const QMargins outer = column->contentsMargins();
  const QMargins inner = frameLayout->contentsMargins();
  panel->setFixedWidth(kIndicatorWidth + 2 * frame->frameWidth() + inner.left() + inner.right() +
                       outer.left() + outer.right());

  ProgressBarCapture = Named(new QProgressBar(panel), "ProgressBarCapture");
  ProgressBarCapture->hide();
  column->addWidget(ProgressBarCapture);
  LabelCaptureState = Named(new QLabel(panel), "LabelCaptureState");
  LabelCaptureState->setWordWrap(true);
  LabelCaptureState->hide();
  column->addWidget(LabelCaptureState);
  column->addStretch(1);
  return panel;
}

void CapturePage::Connect() {
  connect(VideoGrabber, &TVideoGrabber::OnVideoDeviceSelected, this,
          &CapturePage::VideoGrabberVideoDeviceSelected);
  connect(VideoGrabber, &TVideoGrabber::OnFrameCaptureCompleted, this,
          &CapturePage::VideoGrabberFrameCaptureCompleted);
  connect(VideoGrabber, &TVideoGrabber::OnDeviceError, this, &CapturePage::VideoGrabberDeviceError);
  connect(VideoDeviceComboBox, &QComboBox::activated, this,
          &CapturePage::VideoDeviceComboBoxChange);
  connect(VideoStandardComboBox, &QComboBox::activated, this,
          &CapturePage::VideoStandardComboBoxChange);
  connect(CrossbarComboBox, &QComboBox::activated, this, &CapturePage::CrossbarComboBoxChange);
  connect(VideoSizeComboBox, &QComboBox::activated, this, &CapturePage::VideoSizeComboBoxChange);
  connect(MenuDevSetup, &QAction::triggered, this, &CapturePage::MenuDevSetupClick);
  connect(MenuStreamSetup, &QAction::triggered, this, &CapturePage::MenuStreamSetupClick);
  connect(CrossDialog, &QAction::triggered, this, &CapturePage::CrossDialogClick);
  OnClick(ToolButtonCamSet, this, &CapturePage::ToolButtonCamSetClick);
  OnClick(ToolButtonCapStart, this, &CapturePage::ToolButtonCapStartClick);
  OnClick(ToolButtonCapFoto, this, &CapturePage::ToolButtonCapFotoClick);
  OnClick(ToolButtonCapStop, this, &CapturePage::ToolButtonCapStopClick);
  OnClick(ToolButtonVP, this, &CapturePage::ToolButtonVPClick);
  OnClick(ToolButtonVM, this, &CapturePage::ToolButtonVMClick);
  OnClick(ToolButtonRetake, this, &CapturePage::ToolButtonRetakeClick);
  connect(ToolButtonSet3, &QToolButton::clicked, this, [this] { host_.RunSetupDialog(); });
  connect(CheckBoxInvert, &QCheckBox::clicked, this, &CapturePage::RenewOverlayFrame);
  connect(TrackDens, &QSlider::valueChanged, this, &CapturePage::RenewOverlayFrame);
  connect(TimerVideo, &QTimer::timeout, this, &CapturePage::TimerVideoTimer);
}

bool CapturePage::HasDevices() const { return VideoDeviceComboBox->count() > 0; }

void CapturePage::StartVideo() {
  VideoGrabber->StartPreview();
  VideoGrabber->SetPreviewZoomSize(100);
  VideoGrabberVideoDeviceSelected();
  // A camera that would not open or start says so on the page.
  if (!VideoGrabber->LastError().isEmpty()) ShowState(VideoGrabber->LastError());
  // The live picture starts as an empty 24-bit bitmap until the first frame.
  ImageVideo->Assign(Bitmap());
}

void CapturePage::StopVideo() {
  TimerVideo->stop();
  VideoGrabber->StopPreview();
  Run.OverlayFrame.reset();
  Run.LastFrame = Bitmap();
}

void CapturePage::VideoGrabberVideoDeviceSelected() {
  Fill(VideoDeviceComboBox, VideoGrabber->VideoDevices(), VideoGrabber->VideoDevice());
  Fill(VideoSizeComboBox, VideoGrabber->VideoSizes(), VideoGrabber->VideoSize());
  Fill(VideoStandardComboBox, VideoGrabber->AnalogVideoStandards(),
       VideoGrabber->AnalogVideoStandard());
  VideoStandardComboBox->setEnabled(VideoGrabber->IsAnalogVideoStandardAvailable());
  Fill(CrossbarComboBox, VideoGrabber->VideoInputs(), VideoGrabber->VideoInput());
  CrossbarComboBox->setEnabled(VideoGrabber->IsVideoInputAvailable());
}

void CapturePage::VideoDeviceComboBoxChange(int index) {
  LabelCaptureState->hide();
  VideoGrabber->SetVideoDevice(index);
  FitVideoPicture(true);
}

void CapturePage::VideoStandardComboBoxChange(int index) {
  VideoGrabber->SetAnalogVideoStandard(index);
}

void CapturePage::CrossbarComboBoxChange(int index) { VideoGrabber->SetVideoInput(index); }

void CapturePage::RestartPreview() {
  LabelCaptureState->hide();
  if (VideoGrabber->StartPreview()) ImageVideo->show();
  if (TabSheetVideo->isVisible()) TimerVideo->start();
  FitVideoPicture(true);
}

void CapturePage::VideoSizeComboBoxChange(int index) {
  ImageVideo->hide();
  TimerVideo->stop();
  VideoGrabber->StopPreview();
  VideoGrabber->SetVideoSize(index);
  RestartPreview();
}

void CapturePage::MenuDevSetupClick() { VideoGrabber->ShowDialog(0, TabSheetVideo->window()); }

void CapturePage::MenuStreamSetupClick() {
  if (!VideoGrabber->ShowDialog(3, TabSheetVideo->window())) return;
  ImageVideo->hide();
  TimerVideo->stop();
  VideoGrabber->StopPreview();
  Fill(VideoSizeComboBox, VideoGrabber->VideoSizes(), VideoGrabber->VideoSize());
  RestartPreview();
}

void CapturePage::CrossDialogClick() {
  if (VideoGrabber->ShowDialog(7, TabSheetVideo->window())) VideoGrabberVideoDeviceSelected();
}

void CapturePage::ToolButtonCamSetClick() {
  if (VideoQuality == nullptr)
    VideoQuality = new TfrmVideoQuality(*VideoGrabber, TabSheetVideo->window());
  VideoQuality->exec();
}

void CapturePage::TabSheetVideoShow() {
  TimerVideo->start();
  FitVideoPicture(true);
  ScrollBoxVideoImage->setFocus();
}

void CapturePage::TabSheetVideoHide() { TimerVideo->stop(); }

ViewSize CapturePage::LiveSize() const { return {VideoGrabber->Width(), VideoGrabber->Height()}; }

void CapturePage::FitVideoPicture(bool clear) {
  if (clear) {
    const ViewSize shown = DisplayedSize(LiveSize(), VideoZoom);
    ImageVideo->Assign(Bitmap());
    ImageVideo->resize(shown.Width, shown.Height);
  }
  CenterInBox(ScrollBoxVideoImage, ImageVideo);
}

void CapturePage::TimerVideoTimer() { VideoGrabber->CaptureFrameTo(fc_TBitmap, QString()); }

void CapturePage::VideoGrabberFrameCaptureCompleted(QObject*, const Bitmap& frameBitmap, int, int,
                                                    quint32, qint64, TFrameCaptureDest destType,
                                                    const QString&, bool, int) {
  if (destType != fc_TBitmap) return;
  TimerVideo->stop();
  Bitmap& live = ImageVideo->Canvas();
  live = frameBitmap;
  if (ToolButtonAuto->isChecked()) {
    AutoFrameStep(live);
  } else {
    ManualFrameStep(live);
  }
  ImageVideo->BitmapChanged();
  TimerVideo->start();
}

void CapturePage::ManualFrameStep(Bitmap& live) {
  const std::optional<FrameTaken> taken = Run.ManualFrameStep(live, Look());
  if (taken) TellFrame(*taken);
  if (!Run.Running() || Run.FramesThisRun() == 0) return;
  // Where the live picture is now against the last frame, in the mosaic and in words.
  const std::optional<Point> travel = Run.Live.Travel();
  LabelOverlap->setText(travel ? QStringLiteral("Перекрытие с последним кадром: %1 %")
                                     .arg(OverlapPercent(*travel, live.Width(), live.Height()))
                               : QStringLiteral("Перекрытие с последним кадром неизвестно"));
  RefreshLiveMosaic();
}

void CapturePage::RefreshLiveMosaic() {
  const std::vector<LiveFrame>& frames = Run.Live.Frames();
  std::optional<Rect> view;
  const std::vector<Point> places = Run.Live.Places();
  if (!ToolButtonAuto->isChecked() && !frames.empty() && Run.Live.Travel()) {
    const Point at{places.back().X + Run.Live.Travel()->X, places.back().Y + Run.Live.Travel()->Y};
    view = Rect{at.X, at.Y, at.X + frames.back().Width, at.Y + frames.back().Height};
  }
  const LiveConfidence newest =
      frames.empty() ? LiveConfidence::None : ConfidenceOf(frames.back(), frames.size() == 1);
  DrawLiveMosaic(ImageLiveMosaic->Canvas(), LiveTiles(Run.Live, shell_.Engine), newest, view);
  ImageLiveMosaic->BitmapChanged();
  switch (newest) {
    case LiveConfidence::Reliable: LabelLiveLink->setText(QStringLiteral("связь надёжна")); break;
    case LiveConfidence::Unreliable:
      LabelLiveLink->setText(QStringLiteral("связь ненадёжна — переснимите кадр"));
      break;
    default: LabelLiveLink->clear(); break;
  }
}

void CapturePage::LiveLinkReady() {
  if (ending_) return;
  if (Run.Live.Collect()) RefreshLiveMosaic();
}

void CapturePage::ToolButtonRetakeClick() {
  FrameRetaken retaken;
  if (!Run.RetakeLastFrame(&retaken)) {
    if (!retaken.MoveError.empty()) {
      ShowState(QStringLiteral("Кадр %1 не переснят: его файл не удалось переложить в папку "
                               "переснятых кадров (%2).")
                    .arg(QString::fromStdString(retaken.Name),
                         QString::fromStdString(retaken.MoveError)));
    }
    return;
  }
  ToolButtonRetake->setEnabled(Run.FramesThisRun() > 0);
  if (ToolButtonAuto->isChecked() || shell_.Engine.Count() < Panoram::kCapacity)
    ToolButtonCapFoto->setEnabled(!ToolButtonAuto->isChecked());
  DrawLayoutIndicator(Run.FrameDirection);
  RefreshLiveMosaic();
}

void CapturePage::AutoFrameStep(Bitmap& live) {
  const AutoStepResult step =
      Auto.AutoFrameStep(Run, live, shell_.Engine.Radius(), shell_.Engine.Step());
  if (step.Taken) TellFrame(*step.Taken);
  if (step.Indicator) DrawLayoutIndicator(*step.Indicator);
  // The marker goes on after any frame was taken: frames never carry it.
  if (step.Marker) DrawMatchMarker(live, step.Marker->X, step.Marker->Y, VideoZoom);
  if (step.TooLittleTexture || step.RadiusTooLarge) {
    ShowState(step.RadiusTooLarge
                  ? QStringLiteral("Радиус поиска слишком велик для этого кадра: следить за "
                                   "движением нельзя. Уменьшите его в настройках программы.")
                  : kTooLittleTexture);
    textureTold_ = true;
  } else if (textureTold_ && (step.Followed || step.Taken)) {
    textureTold_ = false;
    LabelCaptureState->hide();
  }
}

void CapturePage::TellFrame(const FrameTaken& taken) {
  switch (taken.Kind) {
    case FrameTaken::Taken: break;
    case FrameTaken::EngineFull:
      ToolButtonCapFoto->setEnabled(false);
      ShowState(QStringLiteral("В панораме уже %1 кадров, больше она не вмещает. "
                               "Завершите съемку, чтобы собрать панораму.")
                    .arg(Panoram::kCapacity));
      TellUser(TabSheetVideo->window(), kAttention, LabelCaptureState->text(),
               MessageKind::Warning);
      return;
    case FrameTaken::NoMemory:
      ShowState(QStringLiteral("Недостаточно памяти: кадр не сделан."));
      return;
    case FrameTaken::Empty: return;
  }
  DrawLayoutIndicator(Run.FrameDirection);
  ToolButtonRetake->setEnabled(true);
  RefreshLiveMosaic();
  if (!taken.SaveError.empty() && !saveErrorTold_) {
    saveErrorTold_ = true;
    ShowState(QStringLiteral("Кадр не удалось записать в файл %1 (%2). Сохранение кадров "
                             "остановлено; снятые кадры остаются в проекте.")
                  .arg(QFile::decodeName(QByteArray::fromStdString(taken.Name)),
                       QString::fromStdString(taken.SaveError)));
    TellUser(TabSheetVideo->window(), kAttention, LabelCaptureState->text(), MessageKind::Warning);
  }
}

void CapturePage::VideoGrabberDeviceError(const QString& message) {
  TimerVideo->stop();
  ShowState(message + QStringLiteral("\nСнятые кадры сохранены."));
}

void CapturePage::ShowState(const QString& text) {
  LabelCaptureState->setText(text);
  LabelCaptureState->show();
}

OverlayOptions CapturePage::Look() const {
  return {CheckBoxOwerIage->isChecked(), CheckBoxInvert->isChecked(), TrackDens->value()};
}

void CapturePage::DrawLayoutIndicator(int32_t code) {
  ImageInd->show();
  Bitmap& picture = ImageInd->Canvas();
  if (picture.Width() != kIndicatorWidth || picture.Height() != kIndicatorHeight)
    picture = Bitmap(kIndicatorWidth, kIndicatorHeight, 255);
  ::DrawLayoutIndicator(picture, shell_.Engine, code);
  ImageInd->BitmapChanged();
}

bool CapturePage::AskProject() {
  QWidget* window = TabSheetVideo->window();
  if (shell_.Engine.Count() > 0 &&
      !AskYesNo(window, kAttention,
                QStringLiteral("В проекте присутствуют открытые изображения!\n Создание нового "
                               "проекта приведет к их закрытию!\n Продолжить?"),
                MessageKind::Warning))
    return false;
  if (!FormProj) FormProj = new TFormProj(window);
  if (FormProj->exec() != QDialog::Accepted) return false;
  const std::string name = QFile::encodeName(FormProj->EditName->text()).toStdString();
  if (const std::string problem = ProjectNameProblem(name); !problem.empty()) {
    TellUser(window, kAttention, QString::fromStdString(problem), MessageKind::Warning);
    return false;
  }
  Run.Project.Name = name;
  ImageInd->show();
  ToolButtonSet3->setEnabled(false);
  return !name.empty();
}

void CapturePage::ToolButtonCapStartClick() {
  if (!AskProject()) return;
  CaptureProject& project = Run.Project;
  const bool ownFolder = FormProj->CheckBoxNewDir->isChecked();
  project.SaveFrames = FormProj->CheckBoxSave->isChecked();
  project.Dir = ProjectDirFor(project.BaseDir, project.Name, ownFolder);
  // A folder that cannot be made shows when the first frame cannot be written.
  if (ownFolder) MakeProjectDir(project.Dir);
  int32_t first = 0;
  project.OverwriteFrames = false;
  if (const std::optional<int> last = LastExistingFrameNumber(project.Dir, project.Name);
      last && project.SaveFrames) {
    const Answer answer = AskYesNoCancel(
        TabSheetVideo->window(), kAttention,
        QStringLiteral("В папке %1 уже есть кадры проекта «%2» (последний — %3).\n"
                       "Да — продолжить нумерацию после него.\n"
                       "Нет — записать новые кадры поверх прежних, начиная с %4.\n"
                       "Отмена — не начинать съемку.")
            .arg(QFile::decodeName(QByteArray::fromStdString(project.Dir)),
                 QFile::decodeName(QByteArray::fromStdString(project.Name)),
                 QFile::decodeName(
                     QByteArray::fromStdString(FrameFileName("", project.Name, *last))),
                 QFile::decodeName(QByteArray::fromStdString(FrameFileName("", project.Name, 0)))));
    if (answer == Answer::Cancel) {
      ToolButtonSet3->setEnabled(true);
      ImageInd->hide();
      return;
    }
    if (answer == Answer::Yes) first = *last + 1;
    project.OverwriteFrames = answer == Answer::No;
  }
  Run.Begin(first);
  saveErrorTold_ = false;
  LabelCaptureState->hide();
  host_.StartNewProject();
  SetRunControls(true);
  DrawLayoutIndicator(Run.FrameDirection);
  LabelOverlap->clear();
  RefreshLiveMosaic();
  if (ToolButtonAuto->isChecked()) {
    Auto.Begin();
    TimerVideo->start();
  }
}

void CapturePage::SetRunControls(bool running) {
  ToolButtonCapFoto->setEnabled(running && !ToolButtonAuto->isChecked());
  for (QWidget* control : std::initializer_list<QWidget*>{
           GroupBoxVid, ToolButtonCamSet, ToolButtonCapStart, ToolButtonAuto, ToolButtonSet3})
    control->setEnabled(!running);
  ToolButtonCapStop->setEnabled(running);
  ToolButtonRetake->setEnabled(running && Run.FramesThisRun() > 0);
  ToolBarContacts->setEnabled(running);
  for (QToolButton* button : {ToolButtonTop, ToolButtonBottom, ToolButtonLeft, ToolButtonRight})
    button->setEnabled(running);
  host_.ShowImagesTab(!running);
}

void CapturePage::ToolButtonCapFotoClick() { Run.TakeFrame = true; }

void CapturePage::ToolButtonCapStopClick() {
  if (!AskYesNo(TabSheetVideo->window(), kAttention,
                QStringLiteral("Построение панорамы будет завершено. Продолжить?")))
    return;
  WorkflowCommand command(shell_.CommandRunning);
  if (!command.Acquired()) return;
  Auto.End();
  SetRunControls(false);
  host_.CaptureRunEnded();
  if (shell_.Engine.Count() > 1) {
    // The live picture pauses while the engine searches on another thread.
    const bool live = TimerVideo->isActive();
    TimerVideo->stop();
    Run.OverlayFrame.reset();
    ProgressBarCapture->setValue(0);
    ProgressBarCapture->show();
    BarProgress progress(ProgressBarCapture);
    bool stitched = false;
    bool searchFailed = false;
    // The links still searched are awaited here; the end then reads them on its own thread.
    Run.Live.WaitAll();
    ending_ = true;
    std::optional<AllNeighbourPlaces> placed;
    // The run's table is its chain: the pairs come from the chain's places.
    RunWhilePainting([&] {
      stitched = Run.End(shell_.MontageTable, &progress, &searchFailed);
      if (stitched) placed = PlaceAsChosen(shell_.Engine, nullptr);
    });
    ending_ = false;
    ProgressBarCapture->hide();
    if (live) TimerVideo->start();
    if (stitched) {
      host_.ShowCapturedMosaic(placed ? &*placed : nullptr);
    } else if (searchFailed) {
      ShowState(
          QStringLiteral("Недостаточно памяти для поиска перекрытий. Кадры остаются в "
                         "проекте."));
    }
  } else {
    Run.End(shell_.MontageTable, nullptr);
  }
  Run.OverlayFrame.reset();
  ImageInd->hide();
}

void CapturePage::DirectionClick(int32_t code) {
  Run.PressSide(code);
  DrawLayoutIndicator(code);
}

void CapturePage::ToolButtonVPClick() {
  SetVideoZoom(ZoomIn(VideoZoom, LiveSize(), kLiveZoomMost));
}

void CapturePage::ToolButtonVMClick() {
  SetVideoZoom(ZoomOut(VideoZoom, LiveSize(), kLiveZoomLeast));
}

void CapturePage::SetVideoZoom(float zoom) {
  VideoZoom = zoom;
  FitVideoPicture(true);
  // A zoom button that would change nothing is shown so.
  const ViewSize live = LiveSize();
  ToolButtonVP->setEnabled(ZoomIn(VideoZoom, live, kLiveZoomMost) != VideoZoom);
  ToolButtonVM->setEnabled(ZoomOut(VideoZoom, live, kLiveZoomLeast) != VideoZoom);
  RenewOverlayFrame();
}

void CapturePage::RenewOverlayFrame() { Run.RenewOverlayFrame(); }

bool CapturePage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ScrollBoxVideoImage && event->type() == QEvent::Resize) FitVideoPicture(false);
  // The arrow keys move a simulated camera's view over its picture.
  if (watched == ScrollBoxVideoImage && event->type() == QEvent::KeyPress &&
      VideoGrabber->Source()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const int step = (key->modifiers() & Qt::ShiftModifier) ? 4 * kArrowStep : kArrowStep;
    int dx = 0;
    int dy = 0;
    switch (key->key()) {
      case Qt::Key_Left: dx = -step; break;
      case Qt::Key_Right: dx = step; break;
      case Qt::Key_Up: dy = -step; break;
      case Qt::Key_Down: dy = step; break;
      default: return QObject::eventFilter(watched, event);
    }
    if (VideoGrabber->Source()->MoveView(dx, dy)) return true;
  }
  return QObject::eventFilter(watched, event);
}
