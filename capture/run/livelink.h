#pragma once
// The link of a frame just taken to an earlier frame, searched around the
// camera's travel between them over the whole overlap the travel gives, and
// the rules a run draws from the travel: the side a frame lies on, how much
// of it still overlaps the last frame, and when automatic capture is due.

#include <cstdint>
#include <optional>

#include "engine/registration/linkscore.h"
#include "engine/registration/pairmatch.h"
#include "engine/registration/searchmethod.h"
#include "imagefiles/bitmap.h"

class Panoram;

// The engine's values a live link is searched with; a link searched with
// others is searched again at the end of the run.
struct LiveLinkSettings {
  int Radius = 0;
  int Step = 1;
  int ZonePct = 0;
  SearchMethod Method = SearchMethod::Template;
  bool operator==(const LiveLinkSettings&) const = default;
};
LiveLinkSettings LiveLinkSettingsOf(const Panoram& engine);

struct LiveLink {
  Offset At;             // the new frame's origin in the earlier frame's pixels
  double Agreement = 0;  // the overlap's correlation at At; 0: not found
  double Score = 0;      // the link's confidence, as every stitched link's
  bool Found() const { return Agreement > 0; }
};

// Pixels each way the search reaches beyond the travel: the travel adds a
// pixel of error at most at each choice of the followed spot.
inline constexpr int kLiveLinkSlack = 12;

// The link of next to earlier. With a travel (next's origin in earlier's
// pixels, as measured) the search is made around it; without one, or when
// that finds a link short of near-perfect, the facing zones along direction
// (1..4; for 0 the travel's side, or every side) are correlated too and the
// better link kept.
LiveLink SearchLiveLink(const Bitmap& earlier, const Bitmap& next, std::optional<Point> travel,
                        int32_t direction, const LiveLinkSettings& settings);

// The link as the engine keeps it: a point of earlier (Out) and the same
// scene point in next (In), both set (neither is (0, 0)).
PairMatch LinkPoints(const Bitmap& earlier, const Bitmap& next, const LiveLink& link);

// The side the travel went (1 right, 2 below, 3 left, 4 above): the axis
// moved furthest along in frame sizes, the horizontal one on a tie; 0 when
// the camera did not move.
int32_t DirectionOfTravel(Point travel, int width, int height);

// How much of a width x height frame still overlaps the last one, percent of its area.
int OverlapPercent(Point travel, int width, int height);

// A travel within this many pixels of one axis is a straight walk: its
// frames are the edge rule's alone.
inline constexpr int kStraightWalkTolerance = 50;

// Whether a frame is due because the overlap left by a travel off both axes
// (a turn, a diagonal) fell below the zone's share of a frame.
bool FrameDueByOverlap(Point travel, int width, int height, int zonePct);
