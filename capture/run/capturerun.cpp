#include "capture/run/capturerun.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "capture/run/projectnames.h"
#include "capture/run/retakenframes.h"
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
  Live.Begin();
}

void CaptureRun::PressSide(int32_t code) {
  PressedSide = code;
  FrameDirection = code;
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
  try {
    Live.FrameTaken(Live.PictureFor(engine_.LastBitmap()), direction, LiveLinkSettingsOf(engine_));
  } catch (const std::bad_alloc&) {
    // Without its live link the frame is searched at the end like any other.
    Live.Begin();
  }
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
    std::string error = pending.CommitNew(name);
    if (error.empty() || !pending.Clashed() || tries == kTriesAfterClash) return error;
    name = FrameFileName(Project.Dir, Project.Name, ++Project.FrameCount);
  }
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
    if (engine_.Count() > 0) last = Live.PictureFor(LastFrame);
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
