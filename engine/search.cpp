// The two drivers of the overlap search: along known directions, and trying
// all four directions for every pair.
#include <algorithm>
#include <new>
#include <vector>

#include "matching.h"
#include "panoram.h"

namespace {

// Zone codes per direction: the source zone in image i - 1 (shrunk) and the
// searched zone in image i.
constexpr int kSourceZone[5] = {0, 6, 8, 4, 2};
constexpr int kSearchedZone[5] = {0, 4, 2, 6, 8};

bool KnownDirection(int32_t d) { return d >= kDirRight && d <= kDirAbove; }

struct PairMatch {
  Point Out;         // in the source image
  Point In;          // in the searched image
  double Score = 0;  // 0: no match, both points unset
};

PairMatch MatchPair(const Bitmap& source, const Bitmap& searched, int direction, int heightPct,
                    int widthPct, int radius, int step) {
  const Rect sourceZone = ZoneRect(source, kSourceZone[direction], heightPct, widthPct, true);
  const Rect searchedZone =
      ZoneRect(searched, kSearchedZone[direction], heightPct, widthPct, false);
  const int r = UsableRadius(radius);
  PairMatch m;
  const Point p = FindFeaturePoint(source, sourceZone, r);
  // No feature window fits the zone: a template cut around (0, 0) would only
  // match by chance, and the link could not be shown as set anyway.
  if (p == Point{}) return m;
  const Bitmap templ = CopyRectBitmap(source, SquareAround(p.X, p.Y, r));
  Point q{};
  const double score = CorrelationSearch(templ, searched, searchedZone, step, q);
  if (score > 0) m = {p, q, score};
  return m;
}

void Report(ProgressIndicator* progress, int percent) {
  if (progress) progress->SetPosition(percent);
}

}  // namespace

// Runs a search that rewrites links and directions; when memory runs out
// midway, the earlier links come back so the user's work is not half replaced.
template <typename Search>
bool Panoram::SearchKeepingLinks(const Search& search) {
  struct Saved {
    Point LinkIn, LinkOut;
    int32_t Direction;
  };
  std::vector<Saved> saved;
  try {
    saved.reserve(static_cast<size_t>(count_));
    for (int i = 0; i < count_; ++i)
      saved.push_back({images_[i].LinkIn, images_[i].LinkOut, images_[i].Direction});
    search();
    return true;
  } catch (const std::bad_alloc&) {
    for (size_t i = 0; i < saved.size(); ++i) {
      images_[i].LinkIn = saved[i].LinkIn;
      images_[i].LinkOut = saved[i].LinkOut;
      images_[i].Direction = saved[i].Direction;
    }
    return false;
  }
}

bool Panoram::SearchLinks(ProgressIndicator* progress) {
  return SearchKeepingLinks([&] {
    for (int i = 1; i < count_; ++i) {
      const int32_t d = images_[i].Direction;
      PairMatch m;
      if (KnownDirection(d)) {
        m = MatchPair(images_[i - 1].Bitmap, images_[i].Bitmap, d, ZoneHeightPct(), ZoneWidthPct(),
                      Radius(), Step());
      }
      images_[i - 1].LinkOut = m.Out;
      images_[i].LinkIn = m.In;
      Report(progress, static_cast<int>(int64_t{i} * 100 / (count_ - 1)));
    }
  });
}

bool Panoram::AutoSearchLinks(ProgressIndicator* progress) {
  return SearchKeepingLinks([&] {
    const int64_t steps = int64_t{count_ - 1} * 4;
    for (int i = 0; i + 1 < count_; ++i) {
      PairMatch best;
      int32_t bestDirection = images_[i + 1].Direction;
      for (int j = kDirRight; j <= kDirAbove; ++j) {
        const PairMatch m = MatchPair(images_[i].Bitmap, images_[i + 1].Bitmap, j, ZoneHeightPct(),
                                      ZoneWidthPct(), Radius(), Step());
        // Only a strictly better score replaces the kept one: ties go to the lower code.
        if (m.Score > best.Score) {
          best = m;
          bestDirection = j;
        }
        Report(progress, static_cast<int>((int64_t{i} * 4 + j) * 100 / steps));
      }
      images_[i].LinkOut = best.Out;
      images_[i + 1].LinkIn = best.In;
      images_[i + 1].Direction = bestDirection;
    }
  });
}
