#pragma once
// Where the engine hands the mosaic for display: the window's picture control
// and the headless stitcher both implement it.

#include "imagefiles/bitmap.h"

class Picture {
 public:
  virtual ~Picture() = default;
  // The picture takes its own copy of bitmap.
  virtual void Assign(const Bitmap& bitmap) = 0;
  // The picture's bitmap becomes width x height; returns false when it cannot.
  virtual bool Resize(int width, int height) = 0;
  // The picture's current bitmap, written in place by ShowResultPart.
  virtual Bitmap& Canvas() = 0;
};
