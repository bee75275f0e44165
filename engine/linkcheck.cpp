#include "linkcheck.h"

#include <algorithm>

#include "panoram.h"
#include "registration/template/matching.h"

UnsetLinks FindUnsetLinks(const Panoram& engine) {
  UnsetLinks result;
  result.Radius = engine.Radius();
  result.ZonePct = engine.ZoneHeightPct();
  bool first = true;
  for (int i = 0; i + 1 < engine.Count(); ++i) {
    if (engine.LinkDefined(i)) continue;
    result.Links.push_back(i);
    const Bitmap& source = engine.ImageBitmap(i);
    const int fitting = LargestFittingRadius(source.Width(), source.Height(),
                                             engine.ZoneHeightPct(), engine.ZoneWidthPct());
    result.FittingRadius = first ? fitting : std::min(result.FittingRadius, fitting);
    first = false;
  }
  result.Weak = FindWeakLinks(engine);
  return result;
}

std::vector<int> FindWeakLinks(const Panoram& engine) {
  std::vector<int> weak;
  for (int i = 0; i + 1 < engine.Count(); ++i) {
    if (engine.LinkWeak(i)) weak.push_back(i);
  }
  return weak;
}
