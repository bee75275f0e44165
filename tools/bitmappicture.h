#pragma once
// A picture that only holds its bitmap: what the stitcher saves.

#include "engine/picture.h"

class BitmapPicture : public Picture {
 public:
  void Assign(const Bitmap& bitmap) override { bitmap_ = bitmap; }
  bool Resize(int width, int height) override {
    auto created = Bitmap::TryCreate(width, height);
    if (!created) return false;
    bitmap_ = std::move(*created);
    return true;
  }
  Bitmap& Canvas() override { return bitmap_; }
  const Bitmap& Held() const { return bitmap_; }

 private:
  Bitmap bitmap_;
};
