#include "capture/capturerun.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <new>

#include "capture/projectnames.h"
#include "capture/retakenframes.h"
#include "imagefiles/imagefiles.h"

void CaptureRun::Begin(int32_t firstNumber) {
  Project.FrameCount = firstNumber;
  running_ = true;
  framesThisRun_ = 0;
  saveFailed_ = false;
  TakeFrame = false;
  OverlayFrame.reset();
  Live.Begin();
}

std::optional<FrameTaken> CaptureRun::ManualFrameStep(Bitmap& live, const OverlayOptions& look) {
  std::optional<FrameTaken> taken;
  // The motion is followed on the picture as delivered, before any overlay.
  if (running_) Live.Follow(live, engine_.Radius(), engine_.Step());
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
  try {
    Live.FrameTaken(std::make_shared<const Bitmap>(engine_.LastBitmap()), direction,
                    LiveLinkSettingsOf(engine_));
  } catch (const std::bad_alloc&) {
    // Without its live link the frame is searched at the end like any other.
    Live.Begin();
  }
  return result;
}

bool CaptureRun::RetakeLastFrame(FrameRetaken* retaken) {
  if (!running_ || framesThisRun_ == 0 || engine_.Count() == 0) return false;
  FrameRetaken result;
  result.Name = engine_.Name(engine_.Count() - 1);
  // The file goes aside first: one that cannot would be written over by the next frame.
  std::error_code ec;
  if (Project.SaveFrames && std::filesystem::exists(result.Name, ec)) {
    result.MovedTo = MoveAsideRetaken(result.Name, Project.Dir, result.MoveError);
    if (result.MovedTo.empty()) {
      if (retaken) *retaken = result;
      return false;
    }
  }
  engine_.RemoveImage(engine_.Count() - 1);
  --Project.FrameCount;
  --framesThisRun_;
  std::shared_ptr<const Bitmap> last;
  try {
    LastFrame = engine_.Count() > 0 ? engine_.LastBitmap() : Bitmap();
    if (engine_.Count() > 0) last = std::make_shared<const Bitmap>(LastFrame);
  } catch (const std::bad_alloc&) {
    LastFrame = Bitmap();
  }
  Live.FrameTakenBack(last);
  if (OverlayFrame) {
    if (framesThisRun_ > 0 && !LastFrame.Empty()) {
      OverlayFrame = LastFrame;
    } else {
      OverlayFrame.reset();
    }
  }
  if (retaken) *retaken = result;
  return true;
}

void CaptureRun::RefreshOverlay(Bitmap& live, const OverlayOptions& look) const {
  ::RefreshOverlay(live, OverlayFrame ? &*OverlayFrame : nullptr, LastFrame, look,
                   engine_.ZoneHeightPct(), FrameDirection);
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
  // The links found while the frames were taken serve, where they are complete.
  try {
    const auto start = std::chrono::steady_clock::now();
    const bool placed = framesThisRun_ == engine_.Count() && Live.PlaceInto(engine_);
    if (times)
      times->Search +=
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
    if (placed) return true;
  } catch (const std::bad_alloc&) {
    if (searchFailed) *searchFailed = true;
    return false;
  }
  if (!StitchAlongDirections(engine_, progress, times)) {
    if (searchFailed) *searchFailed = true;
    return false;
  }
  return true;
}
