#include "templatematch.h"

#include "formats/setupdata.h"
#include "matching.h"

PairMatch TemplateMatchPair(const Bitmap& source, const Bitmap& searched, int direction,
                            int heightPct, int widthPct, int radius, int step) {
  return TemplateMatchZones(
      source, searched, ZoneRect(source, SourceZoneCode(direction), heightPct, widthPct, true),
      ZoneRect(searched, SearchedZoneCode(direction), heightPct, widthPct, false), radius, step);
}

namespace {

// The template around the source's most textured point of sourceZone, sought
// in the part of searched that where(point) gives.
template <typename Where>
PairMatch MatchFeature(const Bitmap& source, const Bitmap& searched, const Rect& sourceZone,
                       int radius, int step, const Where& where) {
  const int r = UsableRadius(radius);
  PairMatch m;
  const Point p = FindFeaturePoint(source, sourceZone, r);
  // No feature window fits the zone: a template cut around (0, 0) would only
  // match by chance, and the link could not be shown as set anyway.
  if (p == Point{}) return m;
  const Bitmap templ = CopyRectBitmap(source, SquareAround(p.X, p.Y, r));
  Point q{};
  const double score = CorrelationSearch(templ, searched, where(p, r), step, q);
  if (score > 0) m = {p, q, score};
  return m;
}

}  // namespace

PairMatch TemplateMatchZones(const Bitmap& source, const Bitmap& searched, const Rect& sourceZone,
                             const Rect& searchedZone, int radius, int step) {
  return MatchFeature(source, searched, sourceZone, radius, step,
                      [&](Point, int) { return searchedZone; });
}

PairMatch TemplateMatchAround(const Bitmap& source, const Bitmap& searched, const Rect& sourceZone,
                              Offset around, int reach, int radius, int step) {
  return MatchFeature(source, searched, sourceZone, radius, step, [&](Point p, int r) {
    // Room for the template's centre reach pixels either way of its expected place.
    return SquareAround(p.X - around.X, p.Y - around.Y, reach + r + 1);
  });
}
