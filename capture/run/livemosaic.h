#pragma once
// The live mosaic: the frames taken so far drawn at their found places,
// scaled to fit a picture, the newest outlined by its link's confidence, and
// the place of the live picture as the travel puts it.

#include <optional>
#include <vector>

#include "capture/run/livecapture.h"
#include "imagefiles/bitmap.h"

enum class LiveConfidence {
  None,        // the run's first frame: nothing to link to
  Pending,     // still being searched
  Reliable,    // scores at least kWeakLinkScore
  Unreliable,  // weak or not found: the frame should be taken again
};
LiveConfidence ConfidenceOf(const LiveFrame& frame, bool first);

struct LiveMosaicTile {
  const Bitmap* Preview = nullptr;  // any size; drawn stretched over Place
  Rect Place;                       // in the first frame's pixels
};

// How places map into a picture: picture = origin + place * scale.
struct MosaicFit {
  double Scale = 1;
  double OriginX = 0, OriginY = 0;
  Rect Map(const Rect& place) const;
};
// The largest scale at which bounds fits a width x height picture, centred.
MosaicFit FitMosaic(const Rect& bounds, int width, int height);

// The tiles as places from the run's live frames (each the size of its
// frame) with previews from engine (its images are the frames).
std::vector<LiveMosaicTile> LiveTiles(const LiveCapture& live, const Panoram& engine);

// Draws into picture (its size is kept): a grey background, every tile at
// its place, the newest outlined by confidence, the live view outlined.
void DrawLiveMosaic(Bitmap& picture, const std::vector<LiveMosaicTile>& tiles,
                    LiveConfidence newest, std::optional<Rect> liveView);
