#pragma once
// The camera's travel since the last frame taken, measured on every live
// picture of a run, manual or automatic: a textured spot near the centre is
// followed as automatic capture follows its own, chosen again before it
// could leave the search window's reach of a side, and the spot's moves add
// up across every choice. Where no spot with texture enough to follow is
// left (a blurred or flat stretch of the scene), the move since the last
// picture comes from a phase correlation of the two whole pictures instead.

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
  // False when its move since the last picture could not be measured.
  bool Follow(const Bitmap& live, int radius, int step);

  // The live picture's origin in the last frame's pixels: where the camera
  // went since (positive: right and down). None once a move went unmeasured.
  std::optional<Point> Travel() const;

 private:
  bool Choose(const Bitmap& live, int radius);
  bool FollowSpot(const Bitmap& live, int step);
  void KeepPicture(const Bitmap& live);

  std::optional<Bitmap> template_;
  Point spot_;  // live-picture pixels
  // The middle of the last picture, for the whole-picture correlation.
  std::optional<Bitmap> previous_;
  Rect previousAt_;  // where it was cut, in that picture's pixels
  Point travel_;
  bool known_ = true;
  bool fresh_ = true;  // no picture followed since Reset
  int chooseIn_ = 0;   // pictures until the next try for a spot
};

// The move from earlier to later (later's origin in earlier's pixels) by
// phase correlation of their middles, none when no shift stands out.
// earlier is cut from a picture at earlierAt; later is the whole picture.
std::optional<Point> WholePictureShift(const Bitmap& earlier, const Rect& earlierAt,
                                       const Bitmap& later);

// The middle of a width x height picture the whole-picture correlation reads.
Rect WholePictureZone(int width, int height);
