#include "linkcheck.h"

#include <algorithm>

#include "panoram.h"
#include "placement/placement.h"
#include "registration/template/matching.h"

namespace {

bool MadeGood(const Placement* placed, int link) {
  if (placed == nullptr) return false;
  const std::vector<int>& alone = placed->Unanchored;
  return std::find(alone.begin(), alone.end(), link) == alone.end() &&
         std::find(alone.begin(), alone.end(), link + 1) == alone.end();
}

}  // namespace

UnsetLinks FindUnsetLinks(const Panoram& engine, const Placement* placed) {
  UnsetLinks result;
  result.Radius = engine.Radius();
  result.ZonePct = engine.ZoneHeightPct();
  bool first = true;
  for (int i = 0; i + 1 < engine.Count(); ++i) {
    if (engine.LinkDefined(i) && !engine.LinkWeak(i)) continue;
    if (MadeGood(placed, i)) {
      result.MadeGood.push_back(i);
      continue;
    }
    if (engine.LinkWeak(i)) {
      result.Weak.push_back(i);
      continue;
    }
    result.Links.push_back(i);
    const Bitmap& source = engine.ImageBitmap(i);
    const int fitting = LargestFittingRadius(source.Width(), source.Height(),
                                             engine.ZoneHeightPct(), engine.ZoneWidthPct());
    result.FittingRadius = first ? fitting : std::min(result.FittingRadius, fitting);
    first = false;
  }
  return result;
}
