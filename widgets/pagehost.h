#pragma once
// What a page of the main window may reach of the shell: the shared state the
// workflow runs on, and the few effects that cross pages. Pages never reach
// one another; the shell forwards.

#include <QString>
#include <optional>

struct MontageTable;
class Panoram;
class QObject;
class QProgressBar;

// Workflow states; the shell's SetWorkflowState is the only way to change them.
enum WorkflowStateId : int {
  kStateNoImages = 0,
  kStateAlbumReady = 2,
  kStatePlacing = 3,
  kStateTablePlaced = 4,
  kStateAssembled = 7,
};

// The shell's state that every page works on, held by the shell.
struct ShellState {
  Panoram& Engine;
  ::MontageTable& MontageTable;
  bool& CommandRunning;  // a workflow command is under way (WorkflowCommand)
  QString& ImageFolder;  // offered by the open and save dialogs; ends with '/'
  QString& SaveFolder;   // where the last mosaic was saved; empty: ImageFolder
};

class PageHost {
 public:
  virtual ~PageHost() = default;

  // The workflow state table (WorkflowStateId) decides buttons, tabs and panels.
  virtual void SetWorkflowState(int state) = 0;
  // Runs the settings dialog; true when it was applied to the engine.
  virtual bool RunSetupDialog() = 0;
  // The progress panel below the album, shown with caption and an empty bar.
  virtual QProgressBar* ShowProgress(const QString& caption) = 0;
  virtual void HideProgress() = 0;
  // The album row a drag from source carries; none when it did not start on the album.
  virtual std::optional<int> AlbumDragRow(QObject* source) const = 0;
  // The album's cells got this size in pixels; the montage table takes it too.
  virtual void AlbumCellsSized(int width, int height) = 0;
  // Images joined the engine: the connection list grows to the new chain.
  virtual void ImagesAdded() = 0;
  // The table holds every image: the first connection is shown for correction.
  virtual void ShowFirstConnection() = 0;
  // The places changed: the mosaic is rebuilt at zoom 1 and the workflow is Assembled.
  virtual void ShowNewMosaic() = 0;
  // After a stitching command: the new mosaic on the assembly page, the connection shown.
  virtual void ShowStitchedMosaic() = 0;
};
