#pragma once
// The main window: four pages, the workflow state machine, the settings
// buttons, start-up and exit. Split by concern over several sources:
// formmain.cpp (construction), formmain_pages.cpp (page layout),
// formmain_lifecycle.cpp (create, show, resize, close), formmain_state.cpp,
// formmain_setup.cpp, formmain_album.cpp, formmain_assembly.cpp,
// formmain_table.cpp, formmain_connect.cpp, formmain_scan.cpp.

#include <QMainWindow>
#include <QString>
#include <QPoint>
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/montagetable.h"
#include "engine/panoram.h"
#include "imagefiles/bitmap.h"
#include "mainwind/programpaths.h"
#include "mainwind/toolimagelists.h"
#include "mainwind/videodeviceport.h"

class DockPanel;
class DrawGrid;
class PanelStatusBar;
class PictureControl;
class ProgressIndicator;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPainter;
class QRect;
class QProgressBar;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class TAboutQuiltDlg;
class TFormSetup;
class TPrePrintQuiltDialog;
struct ViewSize;

// Workflow states; SetWorkflowState is the only way to change them.
enum WorkflowStateId : int {
  kStateNoImages = 0,
  kStateAlbumReady = 2,
  kStatePlacing = 3,
  kStateTablePlaced = 4,
  kStateAssembled = 7,
};

inline const QString kMainCaption = QStringLiteral("KORVEX Pictaro Quiltor");
inline const QString kQuestionCaption = QStringLiteral("KORVEX Pictaro QUILTOR");

class TFormMain : public QMainWindow {
  Q_OBJECT

 public:
  // startupProgress is the splash window's bar (may be null); video is the
  // capture component (null: a machine without video devices).
  explicit TFormMain(const ProgramPaths& paths, ProgressIndicator* startupProgress = nullptr,
                     std::unique_ptr<VideoDevicePort> video = nullptr, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Windows created after this one; start-up fills them in.
  TAboutQuiltDlg* AboutQuiltDlg = nullptr;
  TFormSetup* FormSetup = nullptr;
  TPrePrintQuiltDialog* PrePrintQuiltDialog = nullptr;

  // --- state record ---
  Panoram Engine;
  ::MontageTable MontageTable;
  int32_t PlacedCount = 0;
  float MosaicZoom = 1.0f;
  bool PanDragging = false;
  Point PanStart;
  QString ProgramFolder;  // ends with '/'
  QString ImageFolder;    // ends with '/'
  QString ConfigPath;
  int32_t AlbumCellWidth = 0;
  int32_t AlbumCellHeight = 0;
  bool CommandRunning = false;  // a workflow command is under way (WorkflowCommand)

  // capture and scanner state
  QString TwainLibraryPath;
  QString ScanFile;
  QString ProjectBaseDir;
  float VideoZoom = 1.0f;
  int32_t FrameDirection = 1;
  int32_t AutoState = 0;
  int32_t ScanCounter = 0;
  int32_t FrameCount = 0;
  Point TrackPoint;
  std::optional<::Bitmap> LastFrame;
  std::optional<::Bitmap> OverlayFrame;
  std::optional<::Bitmap> TrackTemplate;

  int WorkflowState() const { return workflowState_; }
  VideoDevicePort& Video() { return *video_; }

  // --- controls ---
  QTabWidget* PageControl = nullptr;
  QWidget* TabSheetVideo = nullptr;
  QWidget* TabSheetImages = nullptr;
  QWidget* TabSheetCor = nullptr;
  QWidget* TabSheetQuilt = nullptr;

  ToolImageLists ImageLists;  // DefMainImageList, ActiveMainImageList, DisMainImageList

  // images page
  QToolBar* ToolBar2 = nullptr;
  QToolButton* ToolButtonImageOpen = nullptr;
  QToolButton* ToolButtonScan = nullptr;
  QMenu* ScanMenu = nullptr;
  QToolButton* ToolButtonImageClose = nullptr;
  QToolButton* ToolButtonImageCloseAll = nullptr;
  QToolButton* ToolButtonAutoPoz = nullptr;
  QToolButton* ToolButtonDelImTab = nullptr;
  QToolButton* ToolButtonClearTab = nullptr;
  QToolButton* ToolButtonCalkConnect = nullptr;
  QToolButton* ToolButtonSet1 = nullptr;
  QToolButton* ToolButtonAboutImage = nullptr;
  QToolButton* ToolButtonClose1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QFrame* PanelImages = nullptr;
  DrawGrid* DrawGridAlbum = nullptr;
  QFrame* Panel2 = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* LabelProcTxt = nullptr;
  QProgressBar* ProgressBar = nullptr;
  DrawGrid* DrawGridTab = nullptr;

  // correction page
  QFrame* Panel3 = nullptr;
  DrawGrid* DrawGridEditConnect = nullptr;
  DockPanel* PanelCont = nullptr;
  QScrollArea* ScrollBoxPar = nullptr;
  PictureControl* ImagePar = nullptr;
  QScrollArea* ScrollBoxCh = nullptr;
  PictureControl* ImageCh = nullptr;

  // assembly page
  QToolBar* ToolBar1 = nullptr;
  QToolButton* ToolButtonFineFront = nullptr;
  QToolButton* ToolButtonCrop = nullptr;
  QToolButton* ToolButtonMinus = nullptr;
  QToolButton* ToolButtonNormal = nullptr;
  QToolButton* ToolButtonPlus = nullptr;
  QToolButton* ToolButtonSave = nullptr;
  QToolButton* ToolButtonPrint = nullptr;
  QToolButton* ToolButtonSet2 = nullptr;
  QToolButton* ToolButtonAbout = nullptr;
  QToolButton* ToolButtonClose = nullptr;
  QScrollArea* ImageBox = nullptr;
  PictureControl* ImageQuilt = nullptr;
  PanelStatusBar* StatusBar = nullptr;

  // capture page (filled in by the capture work)
  QGroupBox* GroupBoxVid = nullptr;
  QComboBox* VideoDeviceComboBox = nullptr;
  QToolButton* ToolButtonSet3 = nullptr;
  QScrollArea* ScrollBoxVideoImage = nullptr;
  PictureControl* ImageVideo = nullptr;
  QTimer* TimerVideo = nullptr;

  // --- operations ---
  void SetWorkflowState(int state);
  // Places picture in box: centred when smaller, scrolled to its middle when larger.
  static void CenterInBox(QScrollArea* box, QWidget* picture);
  void ClearTable();
  void LayoutAlbum();
  void ShowMosaic();
  void ShowStatus();
  void ShowConnection();

 public slots:
  void FormCreate();
  void FormShow();
  void FormResize();
  // canClose is true on entry; the handler clears it to keep the program running.
  void FormCloseQuery(bool& canClose);
  void FormClose();

  void ToolButtonCloseClick();
  void ToolButtonAboutClick();
  void ToolButtonSet1Click();
  void ToolButtonSet2Click();

  // album (Part of the album work)
  void ToolButtonImageOpenClick();
  void ToolButtonImageCloseClick();
  void ToolButtonImageCloseAllClick();
  void PanelImagesResize();
  void DrawGridAlbumDrawCell(QPainter& painter, int row, const QRect& rect);
  void DrawGridAlbumMouseDown(QPoint position, Qt::MouseButton button);
  void DrawGridAlbumMouseMove(QPoint position, Qt::MouseButtons buttons);
  // source is the widget the drag started from; only the album's own drags move images.
  void DrawGridAlbumDragDrop(QPoint position, QObject* source);

  // montage table and stitching
  void DrawGridTabDrawCell(QPainter& painter, int col, int row, const QRect& rect);
  // source is the widget the drag started from; only album drags are accepted.
  bool DrawGridTabDragOver(QPoint position, QObject* source);
  void DrawGridTabDragDrop(QPoint position, QObject* source);
  void ToolButtonAutoPozClick();
  void ToolButtonDelImTabClick();
  void ToolButtonClearTabClick();
  void ToolButtonCalkConnectClick();

  // scanner
  void ToolButtonScanClick();

  // connection correction page
  void TabSheetCorShow();
  void DrawGridEditConnectClick();
  void DrawGridEditConnectDrawCell(QPainter& painter, int row, const QRect& rect);
  // Positions in the picture's own pixels (both pictures are shown at 1:1).
  void ImageParMouseDown(QPoint position);
  void ImageChMouseDown(QPoint position);

  // assembly view
  void ToolButtonFineFrontClick();
  void ToolButtonCropClick();
  void ToolButtonMinusClick();
  void ToolButtonNormalClick();
  void ToolButtonPlusClick();
  void ToolButtonSaveClick();
  void ToolButtonPrintClick();
  // Positions in ImageQuilt's coordinates.
  void ImageQuiltMouseDown(QPoint position);
  void ImageQuiltMouseMove(QPoint position);
  void ImageQuiltMouseUp();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  QWidget* BuildVideoPage();
  QWidget* BuildImagesPage();
  QWidget* BuildCorrectionPage();
  QWidget* BuildQuiltPage();
  QToolButton* AddToolButton(QToolBar* bar, QToolButton*& button, const char* name,
                             const QString& hint, const QString& iconName, const QString& glyph,
                             QSize size);
  void ConnectHandlers();
  void SetTabShown(QWidget* page, bool shown);
  // Each concern wires its own controls (grid hooks, mouse handlers).
  void SetupAlbum();
  void SetupAssembly();
  void SetupTable();
  void SetupConnect();
  // Moves the parent (LinkOut) or child (LinkIn) point of the current connection.
  void MoveMatchPoint(bool parentPoint, QPoint position);
  // Album and table cells for an album client width.
  void SizeGridCells(int clientWidth);
  // Hands the settings record to the engine.
  void ApplySetupToEngine();
  // Tells in the status bar when the settings file could not be written.
  void ReportUnsavedSetup();
  // Runs the settings dialog; true when it was applied.
  bool RunSetupDialog();
  void ReportStatus(const QString& text);
  // Assembly view: the held picture's size, and ImageQuilt sized to it times the zoom.
  ViewSize QuiltPictureSize() const;
  void SizeImageQuilt();
  void ApplyZoom(float zoom);

  std::unique_ptr<VideoDevicePort> video_;
  ProgressIndicator* startupProgress_ = nullptr;
  int workflowState_ = kStateNoImages;
  bool shownOnce_ = false;
  bool albumDragArmed_ = false;  // left button down on the album, drag not yet started
  QPoint albumDragStart_;
};
