#pragma once
// Which links a search left unset or weak, and whether the zone was simply too
// small for the search window: a mosaic with such links must not pass unnoticed.

#include <vector>

class Panoram;
struct Placement;

struct UnsetLinks {
  std::vector<int> Links;  // link i joins image i and image i + 1 (from 0)
  std::vector<int> Weak;   // links that are set but score below kWeakLinkScore
  int Radius = 0;          // the search radius in use
  int ZonePct = 0;         // the overlap zone in use, percent
  // The largest radius whose window fits the source zones of every image that
  // starts an unset link; below Radius the zone explains the failure.
  int FittingRadius = 0;
  // Unset or weak links, in neither list above, whose two images a placement
  // over all neighbours placed from confident links of theirs: the link's
  // own lack put neither image where it is.
  std::vector<int> MadeGood;

  bool ZoneTooSmall() const { return !Links.empty() && Radius > FittingRadius; }
};

// With placed, the placement over all neighbours that placed the images.
UnsetLinks FindUnsetLinks(const Panoram& engine, const Placement* placed = nullptr);
