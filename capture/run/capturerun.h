#pragma once
// A capture run without its window: the project's frame names and files, the
// frames taken from live pictures into the engine, the overlay drawn into
// the live picture, and the end of the run that lays the chain out, searches
// and places it. The capture page and the headless capture runner drive it.

#include <cstdint>
#include <optional>
#include <string>

#include "capture/run/contactoverlay.h"
#include "capture/run/livecapture.h"
#include "engine/montagetable.h"
#include "engine/panoram.h"
#include "engine/progress.h"
#include "engine/stitchflow.h"
#include "imagefiles/bitmap.h"

// The project a run belongs to.
struct CaptureProject {
  std::string BaseDir;  // ProjectBaseDir, ends with '/'
  std::string Name;     // ProjectName
  std::string Dir;      // ProjectDir, ends with '/'
  int32_t FrameCount = 0;
  bool SaveFrames = false;  // every frame is also written as a bitmap file
  // Frame files replace files of those names; otherwise each is made anew,
  // on the next free number when another run took the name meanwhile.
  bool OverwriteFrames = false;
};

// What taking one frame came to.
struct FrameTaken {
  enum Outcome { Taken, EngineFull, NoMemory, Empty } Kind = Taken;
  std::string Name;       // the frame's name in the album
  std::string SaveError;  // set once per run when its file could not be written
  bool Saved = false;     // its file was written, under Name
  explicit operator bool() const { return Kind == Taken; }
};

// What taking a frame back came to.
struct FrameRetaken {
  std::string Name;       // the frame's name
  std::string MovedTo;    // its file's new place; empty when it had none
  std::string MoveError;  // set when its file could not be moved aside
};

class CaptureRun {
 public:
  explicit CaptureRun(Panoram& engine) : engine_(engine) {}

  CaptureProject Project;
  Bitmap LastFrame;                    // the last frame taken
  std::optional<Bitmap> OverlayFrame;  // present: the contact zone is drawn
  // Side given to the next frame, 1..4; automatic capture rewrites it at
  // every tracking step, 0 while the spot is away from every edge.
  int32_t FrameDirection = kDirRight;
  int32_t PressedSide = kDirRight;  // the direction button that is down, 1..4
  bool TakeFrame = false;           // "Сделать кадр" waits for the next live picture
  LiveCapture Live;                 // the travel and the links while frames are taken

  // A run begins with its frames numbered from firstNumber (0, or after the
  // frames of an earlier run of the same project that the user keeps), and
  // its next frame on the pressed side.
  void Begin(int32_t firstNumber);
  // A direction button was pressed: the next frame lies on that side.
  void PressSide(int32_t code);
  bool Running() const { return running_; }
  int32_t ZonePct() const { return engine_.ZoneHeightPct(); }
  int FramesThisRun() const { return framesThisRun_; }

  // Every live picture of a manual run (and outside any run): takes it when
  // asked, then draws the contact zone into it.
  std::optional<FrameTaken> ManualFrameStep(Bitmap& live, const OverlayOptions& look);
  // Takes live as the next frame of the project.
  FrameTaken StoreFrame(const Bitmap& live);
  // Takes the last frame of this run back out of the engine, the overlay and
  // the live links; its file, if saved, goes aside (retakenframes.h) and the
  // next frame takes its number. False when this run has no frame, or when
  // the file could not be moved (MoveError tells why; nothing changed then).
  bool RetakeLastFrame(FrameRetaken* retaken = nullptr);
  // The contact zone of the last frame into live, when the overlay is on,
  // on the pressed side.
  void RefreshOverlay(Bitmap& live, const OverlayOptions& look) const;
  // The overlay follows the engine's last image again (after a look change).
  void RenewOverlayFrame();

  // Ends the run. With two or more frames the chain goes into table and is
  // searched and placed; true then. False when there was nothing to stitch
  // or memory ran out for the search (searchFailed tells which).
  bool End(MontageTable& table, ProgressIndicator* progress, bool* searchFailed = nullptr,
           StitchTimes* times = nullptr);

 private:
  Panoram& engine_;
  bool running_ = false;
  int framesThisRun_ = 0;
  bool saveFailed_ = false;

  // Writes live as the frame file for Project.FrameCount (moved on past
  // names taken meanwhile); "" or why not. Name gets the name written.
  std::string SaveFrameFile(const Bitmap& live, std::string& name);
};
