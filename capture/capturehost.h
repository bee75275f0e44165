#pragma once
// What the capture page may reach of the main window: the shared state the
// run works on and the few effects that cross pages.

class Panoram;
struct MontageTable;

struct CaptureShell {
  Panoram& Engine;
  ::MontageTable& MontageTable;
  bool& CommandRunning;  // a workflow command is under way
};

class CaptureHost {
 public:
  virtual ~CaptureHost() = default;
  // A new project: the engine is emptied, the album and table reset.
  virtual void StartNewProject() = 0;
  // The images page is out of reach during a run.
  virtual void ShowImagesTab(bool shown) = 0;
  // The run ended; the table's stitch command is offered again.
  virtual void CaptureRunEnded() = 0;
  // The run's frames were laid out, searched and placed: the connection list
  // gets its rows, the mosaic is built at zoom 1 and shown on the assembly page.
  virtual void ShowCapturedMosaic() = 0;
  // Runs the settings dialog; true when it was applied to the engine.
  virtual bool RunSetupDialog() = 0;
};
