// The two drivers of the overlap search: along known directions, and trying
// all four directions for every pair; each with the method chosen, and each
// link scored over the whole overlap.
#include <algorithm>
#include <new>
#include <vector>

#include "linkscore.h"
#include "matching.h"
#include "pairmatch.h"
#include "panoram.h"
#include "parallel.h"

namespace {

bool KnownDirection(int32_t d) { return d >= kDirRight && d <= kDirAbove; }

// The template search; its Score is the template's correlation.
PairMatch TemplateMatchPair(const Bitmap& source, const Bitmap& searched, int direction,
                            int heightPct, int widthPct, int radius, int step) {
  const Rect sourceZone = ZoneRect(source, SourceZoneCode(direction), heightPct, widthPct, true);
  const Rect searchedZone =
      ZoneRect(searched, SearchedZoneCode(direction), heightPct, widthPct, false);
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

// The same match with its Score replaced by the overlap score.
PairMatch Rescored(const Bitmap& source, const Bitmap& searched, PairMatch m) {
  if (m.Found()) m.Score = OverlapScore(source, searched, OffsetOfLink(m.Out, m.In));
  return m;
}

// The link moved to the best-scoring place within a pixel or two: the
// template's sampled search can land there on blurred detail.
PairMatch Polished(const Bitmap& source, const Bitmap& searched, PairMatch m) {
  if (!m.Found()) return m;
  const Offset o = PolishOffset(source, searched, OffsetOfLink(m.Out, m.In), m.Score);
  m.In = {m.Out.X - o.X, m.Out.Y - o.Y};
  // Moving the searched point could land it on (0, 0), which reads as unset.
  if (m.In == Point{}) {
    ++m.Out.X;
    ++m.In.X;
  }
  return m;
}

// One pair along a known direction by the chosen method; Score is the
// overlap score, except for the template search alone, whose links are
// scored together afterwards.
PairMatch MatchAlong(const Bitmap& source, const Bitmap& searched, int direction,
                     const Panoram& engine) {
  const int zoneH = engine.ZoneHeightPct();
  const int zoneW = engine.ZoneWidthPct();
  if (engine.Method() == SearchMethod::Phase)
    return PhaseMatchPair(source, searched, direction, zoneH, zoneW);
  const PairMatch found =
      TemplateMatchPair(source, searched, direction, zoneH, zoneW, engine.Radius(), engine.Step());
  if (engine.Method() == SearchMethod::Template) return found;
  const PairMatch t = Rescored(source, searched, found);
  const PairMatch p = t.Score >= kWeakLinkScore
                          ? PairMatch{}
                          : PhaseMatchPair(source, searched, direction, zoneH, zoneW);
  return Polished(source, searched, p.Score > t.Score ? p : t);
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
    double Score;
  };
  std::vector<Saved> saved;
  try {
    saved.reserve(static_cast<size_t>(count_));
    for (int i = 0; i < count_; ++i) {
      saved.push_back(
          {images_[i].LinkIn, images_[i].LinkOut, images_[i].Direction, images_[i].Score});
    }
    search();
    return true;
  } catch (const std::bad_alloc&) {
    for (size_t i = 0; i < saved.size(); ++i) {
      images_[i].LinkIn = saved[i].LinkIn;
      images_[i].LinkOut = saved[i].LinkOut;
      images_[i].Direction = saved[i].Direction;
      images_[i].Score = saved[i].Score;
    }
    return false;
  }
}

bool Panoram::SearchLinks(ProgressIndicator* progress) {
  return SearchKeepingLinks([&] {
    for (int i = 1; i < count_; ++i) {
      const int32_t d = images_[i].Direction;
      PairMatch m;
      if (KnownDirection(d)) m = MatchAlong(images_[i - 1].Bitmap, images_[i].Bitmap, d, *this);
      images_[i - 1].LinkOut = m.Out;
      images_[i].LinkIn = m.In;
      images_[i].Score = m.Score;
      Report(progress, static_cast<int>(int64_t{i} * 100 / (count_ - 1)));
    }
    if (method_ == SearchMethod::Template) ScoreAllLinks();
  });
}

void Panoram::ScoreAllLinks() {
  // One link per thread: a single overlap is too little work to split.
  ParallelFor(count_ - 1, 1, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) UpdateLinkScore(i);
  });
}

bool Panoram::AutoSearchLinks(ProgressIndicator* progress) {
  return SearchKeepingLinks([&] {
    const int64_t steps = int64_t{count_ - 1} * 4;
    for (int i = 0; i + 1 < count_; ++i) {
      const Bitmap& source = images_[i].Bitmap;
      const Bitmap& searched = images_[i + 1].Bitmap;
      PairMatch best;
      int32_t bestDirection = images_[i + 1].Direction;
      // Only a strictly better score replaces the kept one: ties go to the lower code.
      auto keepBetter = [&](const PairMatch& m, int direction) {
        if (m.Score > best.Score) {
          best = m;
          bestDirection = direction;
        }
      };
      const bool phaseOnly = method_ == SearchMethod::Phase;
      if (!phaseOnly) {
        // The template's own correlation picks the direction, as the settings describe.
        for (int j = kDirRight; j <= kDirAbove; ++j) {
          keepBetter(TemplateMatchPair(source, searched, j, ZoneHeightPct(), ZoneWidthPct(),
                                       Radius(), Step()),
                     j);
          Report(progress, static_cast<int>((int64_t{i} * 4 + j) * 100 / steps));
        }
        if (method_ == SearchMethod::TemplatePhase) best = Rescored(source, searched, best);
      }
      if (phaseOnly || (method_ == SearchMethod::TemplatePhase && best.Score < kWeakLinkScore)) {
        for (int j = kDirRight; j <= kDirAbove; ++j) {
          keepBetter(PhaseMatchPair(source, searched, j, ZoneHeightPct(), ZoneWidthPct()), j);
          if (phaseOnly) Report(progress, static_cast<int>((int64_t{i} * 4 + j) * 100 / steps));
        }
      }
      if (method_ == SearchMethod::TemplatePhase) best = Polished(source, searched, best);
      images_[i].LinkOut = best.Out;
      images_[i + 1].LinkIn = best.In;
      images_[i + 1].Direction = bestDirection;
      images_[i + 1].Score = best.Score;
    }
    if (method_ == SearchMethod::Template) ScoreAllLinks();
  });
}
