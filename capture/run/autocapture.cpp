#include "capture/run/autocapture.h"

#include "capture/run/livelink.h"
#include "engine/registration/template/matching.h"

Rect ClipWindow(Point spot, int width, int height) {
  const int h = kTrackWindowHalfSize;
  return {spot.X - h > 0 ? spot.X - h : 0, spot.Y - h > 0 ? spot.Y - h : 0,
          spot.X + h < width ? spot.X + h : width, spot.Y + h < height ? spot.Y + h : height};
}

namespace {

int32_t SideReached(Point spot, int width, int height, int margin) {
  // In this order: a later edge overrides an earlier one.
  int32_t direction = kDirNone;
  if (width - margin < spot.X) direction = kDirLeft;  // the scene moved right
  if (spot.X < margin) direction = kDirRight;
  if (height - margin < spot.Y) direction = kDirAbove;
  if (spot.Y < margin) direction = kDirBelow;
  return direction;
}

}  // namespace

int32_t EdgeDirection(Point spot, int width, int height) {
  return SideReached(spot, width, height, kEdgeMargin);
}

AutoStepResult AutoCapture::AutoFrameStep(CaptureRun& run, const Bitmap& live, int32_t radius,
                                          int32_t step) {
  AutoStepResult result;
  // The travel is followed on every picture of the run, the one taken too.
  if (AutoState >= kAutoAcquire && AutoState <= kAutoTake && run.Running())
    run.Live.Follow(live, radius, step);
  switch (AutoState) {
    case kAutoAcquire:
    case kAutoAcquireAgain:
      // A spot that cannot be chosen is tried again at the next live picture.
      if (Acquire(run, live, radius, result)) ++AutoState;
      break;
    case kAutoTrack:
    case kAutoTrackAgain: TrackStep(run, live, step, result); break;
    case kAutoTake:
      // The frame lies on the side the camera went, not the side a spot reached.
      if (const std::optional<Point> travel = run.Live.Travel();
          travel && DirectionOfTravel(*travel, live.Width(), live.Height()) != kDirNone)
        run.FrameDirection = DirectionOfTravel(*travel, live.Width(), live.Height());
      // The frame is the live picture as delivered; the marker comes after.
      result.Taken = run.StoreFrame(live);
      if (result.Taken->Kind == FrameTaken::EngineFull) {
        // Told once: no further frame falls due in this run.
        AutoState = kAutoIdle;
        break;
      }
      AutoState = Acquire(run, live, radius, result) ? kAutoTrack : kAutoAcquire;
      break;
    default: break;  // no automatic run
  }
  return result;
}

void AutoCapture::TrackStep(CaptureRun& run, const Bitmap& live, int32_t step,
                            AutoStepResult& result) {
  const bool second = AutoState == kAutoTrackAgain;
  switch (Track(run, live, step, result)) {
    case TrackOutcome::Lost:
      // Counting a lost spot as an edge would take frames of nothing on a
      // made-up side; a fresh spot is chosen and no frame is due until it is followed.
      AutoState = second ? kAutoAcquireAgain : kAutoAcquire;
      break;
    case TrackOutcome::Away:
      // Off both axes the edges can come too late for the overlap the search needs.
      if (const std::optional<Point> travel = run.Live.Travel();
          travel && FrameDueByOverlap(*travel, live.Width(), live.Height(), run.ZonePct()))
        AutoState = kAutoTake;
      break;
    case TrackOutcome::AtEdge:
      if (!second) result.Indicator = run.FrameDirection;
      AutoState = second ? kAutoTake : kAutoAcquireAgain;
      break;
  }
}

bool AutoCapture::Acquire(const CaptureRun& run, const Bitmap& live, int32_t radius,
                          AutoStepResult& result) {
  TrackTemplate.reset();
  chosenAt_ = run.Live.Travel();
  const Rect zone = ZoneRect(live, kAutoZoneCode, kAutoZoneHeightPct, kAutoZoneWidthPct, false);
  if (radius < 1) {
    result.TooLittleTexture = true;  // an empty template matches nothing
    return false;
  }
  // Without a window of this half-size in the zone the feature search gives
  // (0, 0), and a template cut at the picture's corner follows nothing there;
  // a square as wide as the search window has no room to move in it.
  if (radius >= kTrackWindowHalfSize ||
      radius > LargestFeatureHalfSize(zone, live.Width(), live.Height())) {
    result.RadiusTooLarge = true;
    return false;
  }
  TrackPoint = FindFeaturePoint(live, zone, radius);
  chosen_ = TrackPoint;
  TrackTemplate = CopyRectBitmap(live, SquareAround(TrackPoint.X, TrackPoint.Y, radius));
  result.Marker = TrackPoint;
  return true;
}

AutoCapture::TrackOutcome AutoCapture::Track(CaptureRun& run, const Bitmap& live, int32_t step,
                                             AutoStepResult& result) {
  Point found;
  const Rect window = ClipWindow(TrackPoint, live.Width(), live.Height());
  // No score above 0: a template without contrast, or no room to move it in the window.
  if (!TrackTemplate || CorrelationSearch(*TrackTemplate, live, window, step, found) <= 0) {
    result.TooLittleTexture = true;
    return TrackOutcome::Lost;
  }
  TrackPoint = found;
  result.Marker = found;
  result.Followed = true;
  // Where the camera's travel since the choice puts the spot: the same place
  // on a textured scene, and still the true one where the spot's own match
  // wanders over a flat or blurred stretch.
  Point judged = found;
  if (const std::optional<Point> travel = run.Live.Travel(); travel && chosenAt_)
    judged = {chosen_.X - (travel->X - chosenAt_->X), chosen_.Y - (travel->Y - chosenAt_->Y)};
  run.FrameDirection = ArrivedSide(judged, live.Width(), live.Height());
  return run.FrameDirection == kDirNone ? TrackOutcome::Away : TrackOutcome::AtEdge;
}

int32_t AutoCapture::ArrivedSide(Point spot, int width, int height) const {
  // The edge rule is applied to the spot's travel since it was chosen, as if
  // it had been chosen at the centre: the texture may put it anywhere in the
  // centre zone, and judged where it lies, frames came up to a whole frame
  // apart, too far for the overlap search. A spot that nears the picture's
  // side before that has arrived too, while it can still be found.
  const Point travel{width / 2 + spot.X - chosen_.X, height / 2 + spot.Y - chosen_.Y};
  const int32_t side = EdgeDirection(travel, width, height);
  return side != kDirNone ? side : SideReached(spot, width, height, kTrackWindowHalfSize);
}
