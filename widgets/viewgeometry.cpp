#include "viewgeometry.h"

#include <algorithm>

namespace {

int64_t Scaled(int side, float zoom) {
  return static_cast<int64_t>(side * static_cast<double>(zoom));
}

bool Displayable(ViewSize picture, float zoom) {
  return Scaled(picture.Width, zoom) <= kMaxDisplaySide &&
         Scaled(picture.Height, zoom) <= kMaxDisplaySide;
}

}  // namespace

ViewSize DisplayedSize(ViewSize picture, float zoom) {
  const auto cut = [zoom](int side) {
    return static_cast<int>(std::clamp<int64_t>(Scaled(side, zoom), 0, kMaxDisplaySide));
  };
  return {cut(picture.Width), cut(picture.Height)};
}

float ZoomOut(float zoom, ViewSize picture, float least) {
  const float next = zoom * 0.5f;
  const bool visible = Scaled(picture.Width, next) >= 1 && Scaled(picture.Height, next) >= 1;
  return visible && next >= least ? next : zoom;
}

float ZoomIn(float zoom, ViewSize picture, float most) {
  const float next = zoom * 2.0f;
  return Displayable(picture, next) && next <= most ? next : zoom;
}

float BoundZoom(float zoom, ViewSize picture) {
  while (zoom > 0.0f && !Displayable(picture, zoom)) zoom *= 0.5f;
  return zoom;
}

float FitZoom(ViewSize picture, ViewSize box) {
  if (picture.Width <= 0 || picture.Height <= 0 || box.Width <= 0 || box.Height <= 0) {
    return kZoomNormal;
  }
  const float zoom = std::min(static_cast<float>(box.Width) / static_cast<float>(picture.Width),
                              static_cast<float>(box.Height) / static_cast<float>(picture.Height));
  // At least a pixel a side, and never more than a widget can show.
  const float least = 1.0f / static_cast<float>(std::min(picture.Width, picture.Height));
  return BoundZoom(std::max(zoom, least), picture);
}

int ZoomPercent(float zoom) { return static_cast<int>(zoom * 100.0f); }

int PanScroll(int position, int start, int mouse) { return position + start - mouse; }

ViewSize AlbumCellSize(int clientWidth) {
  const int w = std::max(clientWidth, 0);
  return {w, w * 3 / 4};
}
