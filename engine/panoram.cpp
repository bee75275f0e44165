#include "panoram.h"

#include <algorithm>
#include <new>

#include "imagefiles/imagefiles.h"
#include "registration/linkconfidence.h"
#include "registration/linkscore.h"

namespace {
bool PointSet(const Point& p) { return p.X != 0 || p.Y != 0; }
}  // namespace

void Panoram::ClearRecord(PanImage& record) { record = PanImage{}; }

AddImageResult Panoram::AddImage(const ::Bitmap& bitmap, int32_t direction,
                                 const std::string& name) {
  if (count_ >= kCapacity) return AddImageResult::StoreFull;
  if (bitmap.Empty()) return AddImageResult::EmptyBitmap;
  try {
    ::Bitmap copy = bitmap;
    return AddImage(std::move(copy), direction, name);
  } catch (const std::bad_alloc&) {
    return AddImageResult::OutOfMemory;
  }
}

AddImageResult Panoram::AddImage(::Bitmap&& bitmap, int32_t direction, const std::string& name) {
  if (count_ >= kCapacity) return AddImageResult::StoreFull;
  if (bitmap.Empty()) return AddImageResult::EmptyBitmap;
  // Everything that allocates comes first, so a failure leaves the store as it was.
  PanImage record;
  try {
    record.Thumb = MakeThumbnail(bitmap, kThumbWidth, kThumbHeight, 3);
    record.Name = name;
  } catch (const std::bad_alloc&) {
    return AddImageResult::OutOfMemory;
  }
  record.Place = {0, 0, bitmap.Width(), bitmap.Height()};
  record.Direction = direction;
  record.Bitmap = std::move(bitmap);
  images_[count_] = std::move(record);
  ++count_;
  return AddImageResult::Added;
}

void Panoram::RemoveImage(int index) {
  if (index < 0 || index >= count_) return;
  for (int i = index; i < count_ - 1; ++i) images_[i] = std::move(images_[i + 1]);
  ClearRecord(images_[count_ - 1]);
  --count_;
}

void Panoram::MoveImage(int from, int to) {
  if (from < 0 || to < 0 || from >= count_ || to >= count_ || from == to) return;
  PanImage taken = std::move(images_[from]);
  if (from < to) {
    for (int i = from; i < to; ++i) images_[i] = std::move(images_[i + 1]);
  } else {
    for (int i = from; i > to; --i) images_[i] = std::move(images_[i - 1]);
  }
  images_[to] = std::move(taken);
}

void Panoram::ClearAll() {
  for (int i = 0; i < count_; ++i) ClearRecord(images_[i]);
  count_ = 0;
  result_.reset();
  bounds_ = {};
}

void Panoram::ResetPlaces() {
  bounds_ = {};
  for (int i = 0; i < count_; ++i) {
    const ::Bitmap& b = images_[i].Bitmap;
    images_[i].Place = {0, 0, b.Width(), b.Height()};
  }
}

bool Panoram::LinkDefined(int index) const {
  if (index < 0 || index + 1 >= count_) return false;
  return PointSet(images_[index].LinkOut) && PointSet(images_[index + 1].LinkIn);
}

void Panoram::UpdateLinkScore(int index) {
  if (index < 0 || index + 1 >= count_) return;
  images_[index + 1].Score =
      LinkDefined(index)
          ? LinkConfidence(images_[index].Bitmap, images_[index + 1].Bitmap,
                           OffsetOfLink(images_[index].LinkOut, images_[index + 1].LinkIn))
          : 0;
}

void Panoram::SetFoundLink(int index, Point out, Point in, double score) {
  if (index < 0 || index + 1 >= count_) return;
  images_[index].LinkOut = out;
  images_[index + 1].LinkIn = in;
  images_[index + 1].Score = score;
}

void Panoram::SetDirection(int index, int32_t direction) {
  if (index >= 0 && index < count_) images_[index].Direction = direction;
}

bool Panoram::LinkWeak(int index) const {
  return LinkDefined(index) && LinkScore(index) < kWeakLinkScore;
}

bool Panoram::AllLinksDefined() const {
  for (int i = 0; i + 1 < count_; ++i) {
    if (!LinkDefined(i)) return false;
  }
  return true;
}
