#include "capture/motionfollower.h"

#include "capture/autocapture.h"
#include "engine/matching.h"

namespace {

// Below this the best match may be another place of a repeating texture.
constexpr double kMinFollowScore = 0.7;

}  // namespace

void MotionFollower::Reset() {
  template_.reset();
  travel_ = {};
  known_ = true;
  fresh_ = true;
}

void MotionFollower::FrameTaken() {
  travel_ = {};
  known_ = true;
}

void MotionFollower::FrameTakenBack(std::optional<Point> back) {
  if (!back) {
    known_ = false;
    return;
  }
  travel_ = {travel_.X + back->X, travel_.Y + back->Y};
}

std::optional<Point> MotionFollower::Travel() const {
  if (!known_) return std::nullopt;
  return travel_;
}

bool MotionFollower::Choose(const Bitmap& live, int radius) {
  template_.reset();
  const Rect zone = ZoneRect(live, kAutoZoneCode, kAutoZoneHeightPct, kAutoZoneWidthPct, false);
  if (radius < 1 || radius >= kTrackWindowHalfSize ||
      radius > LargestFeatureHalfSize(zone, live.Width(), live.Height()))
    return false;
  spot_ = FindFeaturePoint(live, zone, radius);
  template_ = CopyRectBitmap(live, SquareAround(spot_.X, spot_.Y, radius));
  return true;
}

bool MotionFollower::Follow(const Bitmap& live, int radius, int step) {
  if (!template_) {
    // Nothing to compare with: the move since the last picture is unknown,
    // unless this is the run's first.
    if (!fresh_) known_ = false;
    fresh_ = false;
    return Choose(live, radius);
  }
  Point found;
  const Rect window = ClipWindow(spot_, live.Width(), live.Height());
  const double score = CorrelationSearch(*template_, live, window, step, found);
  if (score < kMinFollowScore) {
    known_ = false;
    Choose(live, radius);
    return false;
  }
  // The scene moves against the camera: a spot that went left means the camera went right.
  travel_ = {travel_.X + spot_.X - found.X, travel_.Y + spot_.Y - found.Y};
  spot_ = found;
  // Chosen again on this very picture, so no picture's move goes unmeasured.
  if (EdgeDirection(spot_, live.Width(), live.Height()) != 0) Choose(live, radius);
  return true;
}
