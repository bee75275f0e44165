#pragma once
// The capture page: the live picture of a video device, the capture run
// with frames taken by hand, the contact-zone overlay and the layout
// indicator. The run's logic is CaptureRun; this class owns the controls,
// the live-picture timer and the video component.

#include <QObject>
#include <memory>

#include "capture/run/autocapture.h"
#include "capture/run/capturerun.h"
#include "capture/video/videograbber.h"
#include "widgets/pagehost.h"

class PictureControl;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QScrollArea;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;
class QWidget;
class TFormProj;
class TfrmVideoQuality;
class ToolImageLists;
struct AllNeighbourPlaces;
struct ViewSize;

// What the capture page reaches of the shell besides what every page does.
class CaptureHost : public PageHost {
 public:
  // A new project: the engine is emptied, the album and table reset.
  virtual void StartNewProject() = 0;
  // The images page is out of reach during a run.
  virtual void ShowImagesTab(bool shown) = 0;
  // The run ended; the table's stitch command is offered again.
  virtual void CaptureRunEnded() = 0;
  // The run's frames were laid out, searched and placed: the connection list
  // gets its rows, the mosaic is built at zoom 1 and shown on the assembly page.
  // placed: what a placement over all neighbours did, when it ran.
  virtual void ShowCapturedMosaic(const AllNeighbourPlaces* placed) = 0;
};

class CapturePage : public QObject {
  Q_OBJECT

 public:
  CapturePage(CaptureHost& host, ShellState shell, std::unique_ptr<VideoProvider> devices,
              ToolImageLists& lists, QObject* parent);
  ~CapturePage() override;

  // Created at start-up; made on first use when start-up did not.
  TFormProj* FormProj = nullptr;

  float VideoZoom = 1.0f;  // 0.25, 0.5, 1.0 or 2.0
  CaptureRun Run;          // project, frames, overlay
  AutoCapture Auto;        // automatic capture's state, spot and template

  QWidget* TabSheetVideo = nullptr;
  QToolBar* ToolBarVideo = nullptr;
  QGroupBox* GroupBoxVid = nullptr;
  QComboBox* VideoDeviceComboBox = nullptr;
  QComboBox* VideoStandardComboBox = nullptr;
  QComboBox* CrossbarComboBox = nullptr;  // the V4L2 device's video input, not a crossbar
  QComboBox* VideoSizeComboBox = nullptr;
  QToolButton* ToolButtonCamSet = nullptr;
  QMenu* PopupMenuVideo = nullptr;
  QAction* MenuDevSetup = nullptr;
  QAction* MenuStreamSetup = nullptr;
  QAction* CrossDialog = nullptr;
  QToolButton* ToolButtonAuto = nullptr;
  QToolButton* ToolButtonCapStart = nullptr;
  QToolButton* ToolButtonCapFoto = nullptr;
  QToolButton* ToolButtonCapStop = nullptr;
  QToolButton* ToolButtonSet3 = nullptr;
  QToolButton* ToolButtonVP = nullptr;
  QToolButton* ToolButtonVM = nullptr;
  QToolButton* ToolButtonRetake = nullptr;  // "Переснять кадр"
  QToolBar* ToolBarContacts = nullptr;
  QToolButton* ToolButtonTop = nullptr;
  QToolButton* ToolButtonBottom = nullptr;
  QToolButton* ToolButtonLeft = nullptr;
  QToolButton* ToolButtonRight = nullptr;
  QCheckBox* CheckBoxOwerIage = nullptr;
  QCheckBox* CheckBoxInvert = nullptr;
  QSlider* TrackDens = nullptr;
  PictureControl* ImageInd = nullptr;
  QLabel* LabelCaptureState = nullptr;  // device and saving troubles, in words
  QProgressBar* ProgressBarCapture = nullptr;
  PictureControl* ImageLiveMosaic = nullptr;  // the frames so far at their found places
  QLabel* LabelLiveLink = nullptr;            // the newest link's confidence in words
  QLabel* LabelOverlap = nullptr;             // manual runs: the overlap with the last frame now
  QScrollArea* ScrollBoxVideoImage = nullptr;
  PictureControl* ImageVideo = nullptr;
  TVideoGrabber* VideoGrabber = nullptr;
  // The camera dialog, made at start-up (or at its first use).
  TfrmVideoQuality* VideoQuality = nullptr;
  QTimer* TimerVideo = nullptr;

  // True when a device is offered; without one the page has no tab.
  bool HasDevices() const;
  // Main window creation: the preview starts and the lists are filled.
  void StartVideo();
  // Main window close: the live picture stops, the capture bitmaps go.
  void StopVideo();
  // The page was shown or hidden.
  void TabSheetVideoShow();
  void TabSheetVideoHide();
  void FitVideoPicture(bool clear);
  // The overlay and the indicator as the run's state says.
  void DrawLayoutIndicator(int32_t code);
  OverlayOptions Look() const;

 public slots:
  void VideoGrabberVideoDeviceSelected();
  void VideoDeviceComboBoxChange(int index);
  void VideoStandardComboBoxChange(int index);
  void CrossbarComboBoxChange(int index);
  void VideoSizeComboBoxChange(int index);
  void MenuDevSetupClick();
  void MenuStreamSetupClick();
  void CrossDialogClick();
  void ToolButtonCamSetClick();
  void TimerVideoTimer();
  void VideoGrabberFrameCaptureCompleted(QObject* sender, const Bitmap& frameBitmap,
                                         int bitmapWidth, int bitmapHeight, quint32 frameNumber,
                                         qint64 frameTime, TFrameCaptureDest destType,
                                         const QString& fileName, bool success, int frameId);
  void VideoGrabberDeviceError(const QString& message);
  void ToolButtonCapStartClick();
  void ToolButtonCapFotoClick();
  void ToolButtonCapStopClick();
  void DirectionClick(int32_t code);
  void ToolButtonVPClick();
  void ToolButtonVMClick();
  void RenewOverlayFrame();
  void ToolButtonRetakeClick();
  // A live link search finished (queued from its thread).
  void LiveLinkReady();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(ToolImageLists& lists);
  QWidget* BuildSidePanel(ToolImageLists& lists);
  void Connect();
  void RestartPreview();
  // The device's frame size, before zoom.
  ViewSize LiveSize() const;
  // The live picture at zoom, the zoom buttons as far as it can go.
  void SetVideoZoom(float zoom);
  void SetRunControls(bool running);
  // The project's name, folder and first frame number; false when no run starts.
  bool AskProject();
  void TellFrame(const FrameTaken& taken);
  void ShowState(const QString& text);
  void ManualFrameStep(Bitmap& live);
  QWidget* BuildLivePanel();
  void RefreshLiveMosaic();
  void AutoFrameStep(Bitmap& live);

  CaptureHost& host_;
  ShellState shell_;
  bool saveErrorTold_ = false;
  bool textureTold_ = false;  // the page says the spot cannot be followed
  bool ending_ = false;       // the run's end reads the live links on another thread
};
