#pragma once
// The confidence of links between one pair of images, each offset weighed
// once: a search reaches the same offset from several peaks and directions,
// and the polish weighs again the link the search has just weighed.

#include <vector>

#include "imagefiles/bitmap.h"
#include "linkconfidence.h"

class LinkWeigher {
 public:
  // Both images must outlive the weigher and stay unchanged while it is used.
  LinkWeigher(const Bitmap& first, const Bitmap& second) : first_(first), second_(second) {}

  // WeighLink(first, second, offset), computed on the first call per offset.
  LinkEvidence Weigh(Offset offset);
  // WeighLinkUnlessBeaten(first, second, offset), or what Weigh found.
  LinkEvidence WeighUnlessBeaten(Offset offset);
  // LinkConfidence(first, second, offset): the score alone.
  double Confidence(Offset offset);

  const Bitmap& First() const { return first_; }
  const Bitmap& Second() const { return second_; }

 private:
  const Bitmap& first_;
  const Bitmap& second_;
  // How much of an offset's evidence is known: the score alone; the score
  // and the other shift, another shift beating it; or all of it.
  enum class Read { Score, Beaten, Peak };
  // A search weighs a handful of offsets: a list is quicker than a map.
  struct Known {
    Offset At;
    LinkEvidence Evidence;
    Read Depth = Read::Score;
  };
  Known* Find(Offset offset);
  std::vector<Known> known_;
};
