#pragma once
// Which links a search left unset, and whether the zone was simply too small
// for the search window: a mosaic with unset links must not pass unnoticed.

#include <vector>

class Panoram;

struct UnsetLinks {
  std::vector<int> Links;  // link i joins image i and image i + 1 (from 0)
  int Radius = 0;          // the search radius in use
  int ZonePct = 0;         // the overlap zone in use, percent
  // The largest radius whose window fits the source zones of every image that
  // starts an unset link; below Radius the zone explains the failure.
  int FittingRadius = 0;

  bool ZoneTooSmall() const { return !Links.empty() && Radius > FittingRadius; }
};

UnsetLinks FindUnsetLinks(const Panoram& engine);
