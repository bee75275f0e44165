// The chain rule, and the engine's chain handed to it.
#include <algorithm>

#include "engine/panoram.h"
#include "placement.h"

Placement PlaceAlongChain(const std::vector<Rect>& places, const std::vector<ImageLink>& links) {
  Placement out{places, std::vector<LinkFit>(links.size()), {}};
  for (const ImageLink& link : links) {
    const Rect& prev = out.Places[link.From];
    Rect& cur = out.Places[link.To];
    const int32_t dx = ClampPlace(prev.Left + link.DX);
    const int32_t dy = ClampPlace(prev.Top + link.DY);
    // The size comes from the place before, which starts at the origin.
    cur.Right = ClampPlace(int64_t{cur.Right} + dx);
    cur.Bottom = ClampPlace(int64_t{cur.Bottom} + dy);
    cur.Left = dx;
    cur.Top = dy;
  }
  return out;
}

std::vector<ImageLink> Panoram::ChainLinks() const {
  std::vector<ImageLink> links;
  links.reserve(static_cast<size_t>(std::max(count_ - 1, 0)));
  for (int i = 1; i < count_; ++i) {
    const Point out = images_[i - 1].LinkOut;
    const Point in = images_[i].LinkIn;
    links.push_back({i - 1, i, int64_t{out.X} - in.X, int64_t{out.Y} - in.Y, images_[i].Score});
  }
  return links;
}

std::vector<Rect> Panoram::Places() const {
  std::vector<Rect> places(static_cast<size_t>(count_));
  for (int i = 0; i < count_; ++i) places[i] = images_[i].Place;
  return places;
}

void Panoram::SetPlaces(const std::vector<Rect>& places) {
  for (int i = 0; i < count_ && i < static_cast<int>(places.size()); ++i)
    images_[i].Place = places[i];
}

void Panoram::PlaceChain() { SetPlaces(PlaceAlongChain(Places(), ChainLinks()).Places); }
