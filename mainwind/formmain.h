#pragma once
// The main window is a shell: it owns the engine, the montage table, the
// folders, the workflow state table, the tab widget with the video and images
// tabs, the settings, about and exit commands and the wiring. Each page
// (album, montage table, correction, assembly, capture) is its own class, reached
// here and reaching back through PageHost (the capture page through CaptureHost,
// which extends it); buttons sit with the toolbar they are
// on, so the assembly page's about and exit buttons are wired to the shell. Sources: formmain.cpp
// (building and wiring), formmain_state.cpp (the state table and what crosses pages),
// formmain_lifecycle.cpp (create, show, resize, close), formmain_setup.cpp.

#include <QMainWindow>
#include <QString>
#include <memory>

#include "capture/capturepage.h"
#include "capture/video/videosource.h"
#include "engine/montagetable.h"
#include "engine/panoram.h"
#include "mainwind/programpaths.h"
#include "widgets/pagehost.h"

class AlbumPage;
class AssemblyPage;
class CorrectionPage;
class ProgressIndicator;
class QSplitter;
class ScanCommand;
class QTabWidget;
class QToolBar;
class QToolButton;
class TAboutQuiltDlg;
class TFormSetup;
class TablePage;
class ToolImageLists;

inline const QString kMainCaption = QStringLiteral("KORVEX Pictaro Quiltor");
inline const QString kQuestionCaption = QStringLiteral("KORVEX Pictaro QUILTOR");

class TFormMain : public QMainWindow, public CaptureHost {
  Q_OBJECT

 public:
  // startupProgress is the splash window's bar (may be null); devices are the
  // video devices offered (null: none, and the capture page has no tab).
  explicit TFormMain(const ProgramPaths& paths, ProgressIndicator* startupProgress = nullptr,
                     std::unique_ptr<VideoProvider> devices = nullptr, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Windows created after this one; start-up fills them in.
  TAboutQuiltDlg* AboutQuiltDlg = nullptr;
  TFormSetup* FormSetup = nullptr;

  // --- state record ---
  Panoram Engine;
  ::MontageTable MontageTable;
  QString ImageFolder;  // ends with '/'
  QString SaveFolder;   // the last save's folder, ends with '/'; empty: none yet
  QString ConfigPath;
  bool CommandRunning = false;  // a workflow command is under way (WorkflowCommand)

  int WorkflowState() const { return workflowState_; }

  // --- the shell's controls ---
  QTabWidget* PageControl = nullptr;
  QWidget* TabSheetVideo = nullptr;
  QWidget* TabSheetImages = nullptr;
  QToolBar* ToolBar2 = nullptr;    // the album's and the table's buttons, then the shared ones
  QSplitter* Splitter1 = nullptr;  // the album on the left, the montage table on the right
  QToolButton* ToolButtonSet1 = nullptr;
  QToolButton* ToolButtonAboutImage = nullptr;
  QToolButton* ToolButtonClose1 = nullptr;

  // --- the pages, children of this window ---
  CapturePage* Capture = nullptr;
  AlbumPage* Album = nullptr;
  TablePage* Table = nullptr;
  CorrectionPage* Correction = nullptr;
  AssemblyPage* Assembly = nullptr;
  ScanCommand* Scanning = nullptr;  // the images page's scan button and menu

  // --- operations ---
  void SetWorkflowState(int state) override;
  void ClearTable();

  // PageHost: effects that cross pages.
  bool RunSetupDialog() override;
  QProgressBar* ShowProgress(const QString& caption) override;
  void HideProgress() override;
  std::optional<int> AlbumDragRow(QObject* source) const override;
  void AlbumCellsSized(int width, int height) override;
  void ImagesAdded() override;
  void ShowFirstConnection() override;
  void ShowNewMosaic() override;
  void ShowStitchedMosaic() override;

  // CaptureHost: what the capture page reaches of the shell.
  void StartNewProject() override;
  void ShowImagesTab(bool shown) override;
  void CaptureRunEnded() override;
  void ShowCapturedMosaic(const AllNeighbourPlaces* placed) override;

 public slots:
  void FormCreate(ProgressIndicator* startupProgress);
  void FormShow();
  void FormResize();
  // canClose is true on entry; the handler clears it to keep the program running.
  void FormCloseQuery(bool& canClose);
  void FormClose();

  void ToolButtonCloseClick();
  void ToolButtonAboutClick();
  void ToolButtonSet1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow(std::unique_ptr<VideoProvider> devices);
  QWidget* BuildImagesPage(ToolImageLists& lists, const ShellState& shell);
  void ConnectHandlers();
  // Keyboard keys for the common commands (formmain_keys.cpp).
  void InstallKeys();
  void SetTabShown(QWidget* page, bool shown);
  // Hands the settings record to the engine.
  void ApplySetupToEngine();
  // Tells in the status bar when the settings file could not be written.
  void ReportUnsavedSetup();
  void ReportStatus(const QString& text);

  int workflowState_ = kStateNoImages;
  bool shownOnce_ = false;
};
