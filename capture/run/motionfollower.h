#pragma once
// The camera's travel since the last frame taken, measured on every live
// picture of a run, manual or automatic: a textured spot near the centre is
// followed as automatic capture follows its own, chosen again near the
// centre on the same picture before it could leave the search window's reach
// of a side, and the spot's moves add up across every choice.

#include <optional>

#include "imagefiles/bitmap.h"

class MotionFollower {
 public:
  // A run begins: nothing followed yet, no travel.
  void Reset();
  // A frame was taken from the last picture followed: travel counts from it.
  void FrameTaken();
  // The last frame was taken back: travel counts again from the frame
  // before it, which lay at back (the taken-back frame's origin in that
  // frame's pixels, if known).
  void FrameTakenBack(std::optional<Point> back);

  // One live picture; radius and step are the engine's Radius() and Step().
  // False when no spot could be followed on it.
  bool Follow(const Bitmap& live, int radius, int step);

  // The live picture's origin in the last frame's pixels: where the camera
  // went since (positive: right and down). None once a spot was lost since.
  std::optional<Point> Travel() const;

 private:
  bool Choose(const Bitmap& live, int radius);

  std::optional<Bitmap> template_;
  Point spot_;  // live-picture pixels
  Point travel_;
  bool known_ = true;
  bool fresh_ = true;  // no picture followed since Reset
};
