#pragma once
// The confidence of links between one pair of images, each offset weighed
// once: a search reaches the same offset from several peaks and directions,
// and the polish weighs again the link the search has just weighed.

#include <utility>
#include <vector>

#include "imagefiles/bitmap.h"
#include "linkconfidence.h"

class LinkWeigher {
 public:
  // Both images must outlive the weigher and stay unchanged while it is used.
  LinkWeigher(const Bitmap& first, const Bitmap& second) : first_(first), second_(second) {}

  // WeighLink(first, second, offset), computed on the first call per offset.
  LinkEvidence Weigh(Offset offset);
  double Confidence(Offset offset) { return Weigh(offset).Score; }

  const Bitmap& First() const { return first_; }
  const Bitmap& Second() const { return second_; }

 private:
  const Bitmap& first_;
  const Bitmap& second_;
  // A search weighs a handful of offsets: a list is quicker than a map.
  std::vector<std::pair<Offset, LinkEvidence>> known_;
};
