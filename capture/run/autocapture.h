#pragma once
// Automatic capture: a textured spot near the centre of the live picture is
// followed from live picture to live picture with the overlap search's
// correlation; each time it has twice travelled as far as from the centre to
// near an edge, the next frame is taken on the side the edge gives. It draws
// nothing: each step tells its caller what to draw.

#include <cstdint>
#include <optional>

#include "capture/run/capturerun.h"
#include "imagefiles/bitmap.h"

// What the next live picture does.
enum AutoStateCode : int32_t {
  kAutoIdle = 0,          // no automatic run, or one whose panorama is full
  kAutoAcquire = 1,       // choose a spot at the centre
  kAutoTrack = 2,         // follow it to an edge
  kAutoAcquireAgain = 3,  // choose a fresh spot at the centre
  kAutoTrackAgain = 4,    // follow it to an edge, then take
  kAutoTake = 5,          // take a frame, then choose a spot
};

// The spot is chosen in the centre zone of the live picture, in percent of its sides.
inline constexpr int kAutoZoneCode = 5;
inline constexpr int kAutoZoneHeightPct = 30;
inline constexpr int kAutoZoneWidthPct = 30;
// The spot is searched for within this many pixels of its last place.
inline constexpr int kTrackWindowHalfSize = 50;
// A spot closer than this many pixels to a side has reached that edge.
inline constexpr int kEdgeMargin = 100;

// The search window around spot, cut to a width x height picture.
Rect ClipWindow(Point spot, int width, int height);
// The side of the previous frame on which the next one lies, from the edge
// spot has reached (1 right, 2 below, 3 left, 4 above; the vertical edges win
// over the horizontal ones); 0 while spot is away from every edge.
int32_t EdgeDirection(Point spot, int width, int height);

// What one live picture came to, for the caller to draw and tell.
struct AutoStepResult {
  std::optional<Point> Marker;       // the spot, to mark on the live picture
  std::optional<int32_t> Indicator;  // redraw the layout indicator with this code
  std::optional<FrameTaken> Taken;   // the frame taken from this live picture
  bool Followed = false;             // the spot was found again
  // No spot could be chosen or followed; no frame is taken until one can.
  bool TooLittleTexture = false;  // a flat or blurred picture, or radius 0
  bool RadiusTooLarge = false;    // no room for the spot's square in the window or the zone
};

class AutoCapture {
 public:
  int32_t AutoState = kAutoIdle;
  Point TrackPoint;                     // live-picture pixels
  std::optional<Bitmap> TrackTemplate;  // cut around the spot when it was chosen

  // A run in automatic mode takes its first frame at the next live picture.
  void Begin() { AutoState = kAutoTake; }
  void End() { AutoState = kAutoIdle; }

  // One live picture; radius and step are the engine's Radius() and Step().
  AutoStepResult AutoFrameStep(CaptureRun& run, const Bitmap& live, int32_t radius, int32_t step);

 private:
  enum class TrackOutcome { Lost, Away, AtEdge };

  bool Acquire(const CaptureRun& run, const Bitmap& live, int32_t radius, AutoStepResult& result);
  TrackOutcome Track(CaptureRun& run, const Bitmap& live, int32_t step, AutoStepResult& result);
  void TrackStep(CaptureRun& run, const Bitmap& live, int32_t step, AutoStepResult& result);
  int32_t ArrivedSide(Point spot, int width, int height) const;

  Point chosen_;                   // where the spot was when it was chosen
  std::optional<Point> chosenAt_;  // the run's travel then
};
