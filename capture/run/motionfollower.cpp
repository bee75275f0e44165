#include "capture/run/motionfollower.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "capture/run/autocapture.h"
#include "engine/registration/phase/phasesurface.h"
#include "engine/registration/template/matching.h"

namespace {

// Below this the best match may be another place of a repeating texture.
constexpr double kMinFollowScore = 0.7;
// A spot whose intensities spread less than this (standard deviation) is
// mostly sensor noise: its best match wanders off its place.
constexpr double kMinSpotContrast = 10;
// Below this share the spot is an edge, not a corner.
constexpr double kMinCornerness = 0.3;
// The whole-picture correlation reads at most this many pixels each way of the middle.
constexpr int kWholePictureSide = 1024;
// The shift stands out when its peak is this many times any other, read
// beyond kPeakGuard pixels of it.
constexpr double kPeakProminence = 2;
constexpr int kPeakGuard = 3;
// Pictures between two tries for a spot where none could be chosen.
constexpr int kChooseAgainAfter = 4;

double Contrast(const Bitmap& b) {
  double sum = 0, squares = 0;
  const double n = static_cast<double>(b.Width()) * b.Height();
  if (n == 0) return 0;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const double v = Intensity(b.Pixel(x, y));
      sum += v;
      squares += v * v;
    }
  }
  const double mean = sum / n;
  return std::sqrt(std::max(0.0, squares / n - mean * mean));
}

// The sensor noise of a patch, estimated from its second differences,
// which a smooth picture leaves to the noise alone.
double NoiseOf(const Bitmap& b) {
  double sum = 0;
  int n = 0;
  for (int y = 1; y + 1 < b.Height(); ++y) {
    for (int x = 1; x + 1 < b.Width(); ++x) {
      const auto at = [&](int dx, int dy) { return Intensity(b.Pixel(x + dx, y + dy)); };
      sum += std::abs(at(-1, -1) - 2 * at(0, -1) + at(1, -1) - 2 * at(-1, 0) + 4 * at(0, 0) -
                      2 * at(1, 0) + at(-1, 1) - 2 * at(0, 1) + at(1, 1));
      ++n;
    }
  }
  return n > 0 ? std::sqrt(M_PI / 2) * sum / (6.0 * n) : 0;
}

// The weaker of the spot's two principal gradient strengths over the
// stronger, the noise's share taken out of both: an edge or a ridge is
// strong one way only, and its best match slides along it.
double Cornerness(const Bitmap& b) {
  double xx = 0, yy = 0, xy = 0;
  int n = 0;
  for (int y = 1; y + 1 < b.Height(); ++y) {
    for (int x = 1; x + 1 < b.Width(); ++x) {
      const double gx = (Intensity(b.Pixel(x + 1, y)) - Intensity(b.Pixel(x - 1, y))) / 2.0;
      const double gy = (Intensity(b.Pixel(x, y + 1)) - Intensity(b.Pixel(x, y - 1))) / 2.0;
      xx += gx * gx;
      yy += gy * gy;
      xy += gx * gy;
      ++n;
    }
  }
  if (n == 0) return 0;
  // A central difference of noise sigma has variance sigma^2 / 2 each way.
  const double noise = NoiseOf(b);
  const double half = (xx + yy) / (2.0 * n) - noise * noise / 2;
  const double root = std::sqrt((xx - yy) * (xx - yy) / 4 + xy * xy) / n;
  return half + root > 0 ? (half - root) / (half + root) : 0;
}

}  // namespace

Rect WholePictureZone(int width, int height) {
  const int w = std::min(width, kWholePictureSide);
  const int h = std::min(height, kWholePictureSide);
  const int left = (width - w) / 2, top = (height - h) / 2;
  return {left, top, left + w, top + h};
}

std::optional<Point> WholePictureShift(const Bitmap& earlier, const Rect& earlierAt,
                                       const Bitmap& later) {
  if (earlier.Empty() || earlierAt.Width() != earlier.Width() ||
      earlierAt.Height() != earlier.Height() || earlierAt.Left < 0 || earlierAt.Top < 0 ||
      earlierAt.Right > later.Width() || earlierAt.Bottom > later.Height())
    return std::nullopt;
  PhaseSurface s;
  try {
    CorrelatePhases(earlier, {0, 0, earlier.Width(), earlier.Height()}, later, earlierAt, 1, s);
  } catch (const std::bad_alloc&) {
    return std::nullopt;  // the move goes unmeasured; the run goes on
  }
  size_t peak = 0;
  for (size_t i = 1; i < s.Values.size(); ++i) {
    if (s.Values[i] > s.Values[peak]) peak = i;
  }
  const int px = static_cast<int>(peak % static_cast<size_t>(s.Width));
  const int py = static_cast<int>(peak / static_cast<size_t>(s.Width));
  float other = 0;
  for (int y = 0; y < s.Height; ++y) {
    const int dy = std::abs(y - py);
    const bool nearY = std::min(dy, s.Height - dy) <= kPeakGuard;
    for (int x = 0; x < s.Width; ++x) {
      const int dx = std::abs(x - px);
      if (nearY && std::min(dx, s.Width - dx) <= kPeakGuard) continue;
      other = std::max(other, s.Values[static_cast<size_t>(y) * s.Width + x]);
    }
  }
  // A flat picture gives a surface of zeros; noise gives peaks of a kind.
  const float best = s.Values[peak];
  if (!(best > 0) || best < kPeakProminence * other) return std::nullopt;
  const Point shift{px <= s.Width / 2 ? px : px - s.Width, py <= s.Height / 2 ? py : py - s.Height};
  // More than half the middle away, the two share too little to tell.
  if (2 * std::abs(shift.X) >= earlier.Width() || 2 * std::abs(shift.Y) >= earlier.Height())
    return std::nullopt;
  return shift;
}

void MotionFollower::Reset() {
  template_.reset();
  previous_.reset();
  chooseIn_ = 0;
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
  if (radius < 1 || radius >= kTrackWindowHalfSize) return false;
  // The centre first, as automatic capture chooses; where that is flat, the
  // rest of the picture away from its edges.
  const Rect centre = ZoneRect(live, kAutoZoneCode, kAutoZoneHeightPct, kAutoZoneWidthPct, false);
  const Rect inner{kEdgeMargin, kEdgeMargin, live.Width() - kEdgeMargin,
                   live.Height() - kEdgeMargin};
  for (const Rect& zone : {centre, inner}) {
    if (zone.IsEmpty() || radius > LargestFeatureHalfSize(zone, live.Width(), live.Height()))
      continue;
    const Point spot = FindFeaturePoint(live, zone, radius);
    Bitmap cut = CopyRectBitmap(live, SquareAround(spot.X, spot.Y, radius));
    if (Contrast(cut) < kMinSpotContrast || Cornerness(cut) < kMinCornerness) continue;
    spot_ = spot;
    template_ = std::move(cut);
    return true;
  }
  return false;
}

bool MotionFollower::FollowSpot(const Bitmap& live, int step) {
  if (!template_) return false;
  Point found;
  const Rect window = ClipWindow(spot_, live.Width(), live.Height());
  if (CorrelationSearch(*template_, live, window, step, found) < kMinFollowScore) {
    template_.reset();
    return false;
  }
  // The scene moves against the camera: a spot that went left means the camera went right.
  travel_ = {travel_.X + spot_.X - found.X, travel_.Y + spot_.Y - found.Y};
  spot_ = found;
  return true;
}

void MotionFollower::KeepPicture(const Bitmap& live) {
  previousAt_ = WholePictureZone(live.Width(), live.Height());
  const Rect& r = previousAt_;
  // Into the last picture's storage when it fits: a live rate of fresh
  // allocations this large costs more than the copy.
  if (previous_ && previous_->Width() == r.Width() && previous_->Height() == r.Height()) {
    const size_t bytes = static_cast<size_t>(r.Width()) * Bitmap::kBytesPerPixel;
    for (int y = r.Top; y < r.Bottom; ++y)
      std::memcpy(previous_->Pixel(0, y - r.Top), live.Pixel(r.Left, y), bytes);
    return;
  }
  try {
    previous_ = CopyRectBitmap(live, r);
  } catch (const std::bad_alloc&) {
    previous_.reset();
  }
}

bool MotionFollower::Follow(const Bitmap& live, int radius, int step) {
  // The run's first picture has nothing to have moved from.
  bool measured = fresh_;
  if (!fresh_) {
    measured = FollowSpot(live, step);
    if (!measured && previous_) {
      if (const std::optional<Point> shift = WholePictureShift(*previous_, previousAt_, live)) {
        travel_ = {travel_.X + shift->X, travel_.Y + shift->Y};
        measured = true;
      }
    }
    if (!measured) known_ = false;
  }
  fresh_ = false;
  // Chosen again on this very picture, so no picture's move goes unmeasured;
  // over a stretch without a spot to follow, only every few pictures.
  if (template_ && EdgeDirection(spot_, live.Width(), live.Height()) != 0) {
    Choose(live, radius);
  } else if (!template_ && --chooseIn_ <= 0) {
    chooseIn_ = Choose(live, radius) ? 0 : kChooseAgainAfter;
  }
  KeepPicture(live);
  return measured;
}
