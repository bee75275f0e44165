#pragma once
// The placement stage: links between images to the images' places. Every
// placement rule has the same signature: the places before (which give each
// image's size, and the place an image keeps when no link reaches it) and
// the links, to the places after.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/registration/linkscore.h"
#include "imagefiles/bitmap.h"

// Places beyond this are absurd; keeping sums inside it keeps int32 arithmetic safe.
constexpr int64_t kPlaceLimit = int64_t{1} << 30;

inline int32_t ClampPlace(int64_t value) {
  return static_cast<int32_t>(std::clamp(value, -kPlaceLimit, kPlaceLimit));
}

// One link between two images: image To's origin lies DX, DY pixels right of
// and below image From's origin.
struct ImageLink {
  int From = 0;
  int To = 0;
  int64_t DX = 0;
  int64_t DY = 0;
  double Score = 0;  // the link's confidence, 0..1 (linkscore.h)
  // Added to the offset where the overlap agrees best between whole pixels
  // (registration/subpixel.h): only the fit over all neighbours reads it,
  // so that rounded links do not add up there.
  double SubX = 0;
  double SubY = 0;
};

// How one link sits in the places a rule chose.
struct LinkFit {
  double Residual = 0;  // pixels between the link and the places
  bool Used = true;     // false: dropped, or too weak to count
};

struct Placement {
  std::vector<Rect> Places;     // one per image, canvas pixels
  std::vector<LinkFit> Fits;    // one per link, in the order given
  std::vector<int> Unanchored;  // images no confident link reaches, keeping their place
  // Per image, the lowest image of those the used links join it to; empty
  // where a rule places every image from the first.
  std::vector<int> Groups;
};

using PlacementRule = Placement (*)(const std::vector<Rect>& places,
                                    const std::vector<ImageLink>& links);

// The chain: each link, in the order given, places its To image from its
// From image's place; errors add up along the chain. Every link counts.
Placement PlaceAlongChain(const std::vector<Rect>& places, const std::vector<ImageLink>& links);

// A link further than this from the fitted places is dropped, the worst first.
constexpr double kMaxLinkResidual = 2.0;

// All neighbours: a spanning tree over the most confident links, then a
// weighted least-squares fit over every confident link, dropping in turn the
// worst link more than kMaxLinkResidual px off the fit. Each group of images
// joined by confident links keeps its lowest image at its place before;
// images outside image 0's group keep their places and are named Unanchored.
// Places are whole pixels.
Placement PlaceOverNeighbours(const std::vector<Rect>& places, const std::vector<ImageLink>& links);
