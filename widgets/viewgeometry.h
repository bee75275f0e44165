#pragma once
// Geometry of the pages' views outside any widget: zoom steps, displayed
// size, panning, album cell size.

#include <cstdint>
#include <limits>

struct ViewSize {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const ViewSize&, const ViewSize&) = default;
};

// The largest side a widget may have (the toolkit's own limit); zooming in
// stops before the displayed picture would pass it.
constexpr int kMaxDisplaySide = (1 << 24) - 1;

constexpr float kZoomNormal = 1.0f;

// Picture size times zoom, whole parts; sides beyond kMaxDisplaySide are cut to it.
ViewSize DisplayedSize(ViewSize picture, float zoom);

// Halves the zoom unless the picture would shrink below one pixel on a side
// or the zoom below least.
float ZoomOut(float zoom, ViewSize picture, float least = 0.0f);
// Doubles the zoom unless the picture would grow past kMaxDisplaySide or the
// zoom past most.
float ZoomIn(float zoom, ViewSize picture, float most = std::numeric_limits<float>::infinity());
// The largest of zoom, zoom / 2, zoom / 4 ... that keeps the picture displayable.
float BoundZoom(float zoom, ViewSize picture);

// The zoom at which the whole picture fits in box (larger or smaller than
// 100 %), kept displayable; kZoomNormal for an empty picture or box.
float FitZoom(ViewSize picture, ViewSize box);

// Whole part of zoom x 100, as the status bar shows it.
int ZoomPercent(float zoom);

// New scroll position after the mouse moved from start to mouse (same axis,
// picture coordinates): the grabbed spot follows the mouse.
int PanScroll(int position, int start, int mouse);

// Album and table cell: the album's client width and three quarters of it.
ViewSize AlbumCellSize(int clientWidth);
