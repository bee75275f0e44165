#include "capture/run/capturerun.h"

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
  // The first frame of a run lies nowhere relative to anything before it.
  const int32_t direction = framesThisRun_ == 0 ? kDirNone : FrameDirection;
  switch (engine_.AddImage(live, direction, result.Name)) {
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
  if (Project.SaveFrames && !saveFailed_) {
    const PixStatus status = PixSaveImage(result.Name, engine_.LastBitmap());
    if (!status) {
      // Told once; saving stops for the rest of the run, the frames stay in the album.
      saveFailed_ = true;
      result.SaveError = status.Detail.empty() ? "write failed" : status.Detail;
    }
  }
  ++Project.FrameCount;
  ++framesThisRun_;
  return result;
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
