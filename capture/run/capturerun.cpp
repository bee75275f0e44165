#include "capture/run/capturerun.h"

#include <cstdio>
#include <new>

#include "capture/run/projectnames.h"
#include "imagefiles/imagefiles.h"

void CaptureRun::Begin(int32_t firstNumber) {
  Project.FrameCount = firstNumber;
  running_ = true;
  framesThisRun_ = 0;
  saveFailed_ = false;
  TakeFrame = false;
  OverlayFrame.reset();
  // An automatic run leaves the side where its last tracking step put it,
  // often 0 while a button still shows another one.
  FrameDirection = PressedSide;
}

void CaptureRun::PressSide(int32_t code) {
  PressedSide = code;
  FrameDirection = code;
}

std::optional<FrameTaken> CaptureRun::ManualFrameStep(Bitmap& live, const OverlayOptions& look) {
  std::optional<FrameTaken> taken;
  if (TakeFrame && running_) {
    // Several presses between two live pictures take one frame.
    TakeFrame = false;
    taken = StoreFrame(live);
    if (*taken) OverlayFrame = LastFrame;
  }
  RefreshOverlay(live, look);
  return taken;
}

FrameTaken CaptureRun::StoreFrame(const Bitmap& live) {
  FrameTaken result;
  if (live.Empty()) return {FrameTaken::Empty};
  result.Name = FrameFileName(Project.Dir, Project.Name, Project.FrameCount);
  if (engine_.Count() >= Panoram::kCapacity) return {FrameTaken::EngineFull, result.Name};
  // The file first: its name is the frame's name, and another run may have
  // taken the intended one.
  if (Project.SaveFrames && !saveFailed_) {
    const std::string error = SaveFrameFile(live, result.Name);
    result.Saved = error.empty();
    if (!result.Saved) {
      // Told once; saving stops for the rest of the run, the frames stay in the album.
      saveFailed_ = true;
      result.SaveError = error;
    }
  }
  // The first frame of a run lies nowhere relative to anything before it.
  const int32_t direction = framesThisRun_ == 0 ? kDirNone : FrameDirection;
  const AddImageResult added = engine_.AddImage(live, direction, result.Name);
  if (added != AddImageResult::Added && result.Saved) {
    ::remove(result.Name.c_str());  // made by this run just now: no frame of the album has it
  }
  switch (added) {
    case AddImageResult::Added: break;
    case AddImageResult::StoreFull: return {FrameTaken::EngineFull, result.Name};
    case AddImageResult::OutOfMemory: return {FrameTaken::NoMemory, result.Name};
    case AddImageResult::EmptyBitmap: return {FrameTaken::Empty, result.Name};
  }
  try {
    LastFrame = engine_.LastBitmap();
  } catch (const std::bad_alloc&) {
    // The frame is in the engine; only the copy kept for the overlay is missing.
    LastFrame = Bitmap();
  }
  ++Project.FrameCount;
  ++framesThisRun_;
  return result;
}

std::string CaptureRun::SaveFrameFile(const Bitmap& live, std::string& name) {
  StagedFile pending;
  if (const PixStatus status = PixWriteImage(name, live, pending); !status)
    return status.Detail.empty() ? "write failed" : status.Detail;
  if (Project.OverwriteFrames) return pending.Commit();
  // Bounded: a folder filling with frames of other runs ends in a failure.
  constexpr int kTriesAfterClash = 1000;
  for (int tries = 0;; ++tries) {
    const std::string error = pending.CommitNew(name);
    if (error.empty() || !pending.Clashed() || tries == kTriesAfterClash) return error;
    name = FrameFileName(Project.Dir, Project.Name, ++Project.FrameCount);
  }
}

void CaptureRun::RefreshOverlay(Bitmap& live, const OverlayOptions& look) const {
  ::RefreshOverlay(live, OverlayFrame ? &*OverlayFrame : nullptr, LastFrame, look,
                   engine_.ZoneHeightPct(), PressedSide);
}

void CaptureRun::RenewOverlayFrame() {
  if (!OverlayFrame || engine_.Count() == 0) return;
  try {
    OverlayFrame = engine_.LastBitmap();
  } catch (const std::bad_alloc&) {
    OverlayFrame.reset();
  }
}

bool CaptureRun::End(MontageTable& table, ProgressIndicator* progress, bool* searchFailed,
                     StitchTimes* times) {
  running_ = false;
  TakeFrame = false;
  OverlayFrame.reset();
  if (searchFailed) *searchFailed = false;
  if (engine_.Count() < 2) return false;
  engine_.ChainToTable(table);
  if (!StitchAlongDirections(engine_, progress, times)) {
    if (searchFailed) *searchFailed = true;
    return false;
  }
  return true;
}
