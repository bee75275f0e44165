// The two drivers of the overlap search: along known directions, and trying
// all four directions for every pair; each runs the chosen method's row of
// the registration table, which scores every link over its whole overlap.
#include <new>
#include <vector>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "engine/registration/registration.h"

namespace {

bool KnownDirection(int32_t d) { return d >= kDirRight && d <= kDirAbove; }

constexpr int kAllDirections[] = {kDirRight, kDirBelow, kDirLeft, kDirAbove};

// The pair of link `link` (images link and link + 1) with the engine's settings.
PairQuery Query(const Panoram& engine, int link, std::span<const int> directions) {
  return {engine.ImageBitmap(link),
          engine.ImageBitmap(link + 1),
          directions,
          engine.ZoneHeightPct(),
          engine.ZoneWidthPct(),
          engine.Radius(),
          engine.Step(),
          nullptr};
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
  const RegistrationMethod registration = RegistrationFor(method_);
  return SearchKeepingLinks([&] {
    for (int i = 1; i < count_; ++i) {
      const int d = images_[i].Direction;
      PairMatch m;
      LinkWeigher weigher(images_[i - 1].Bitmap, images_[i].Bitmap);
      if (KnownDirection(d)) {
        PairQuery q = Query(*this, i - 1, {&d, 1});
        q.Weigher = &weigher;
        m = registration(q).Match;
      }
      images_[i - 1].LinkOut = m.Out;
      images_[i].LinkIn = m.In;
      images_[i].Score = m.Score;
      Report(progress, static_cast<int>(int64_t{i} * 100 / (count_ - 1)));
    }
  });
}

void Panoram::ScoreAllLinks() {
  // One link per thread: a single overlap is too little work to split.
  ParallelFor(count_ - 1, 1, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) UpdateLinkScore(i);
  });
}

bool Panoram::AutoSearchLinks(ProgressIndicator* progress) {
  const RegistrationMethod registration = RegistrationFor(method_);
  return SearchKeepingLinks([&] {
    const int64_t steps = int64_t{count_ - 1} * 4;
    for (int i = 0; i + 1 < count_; ++i) {
      PairQuery q = Query(*this, i, kAllDirections);
      LinkWeigher weigher(images_[i].Bitmap, images_[i + 1].Bitmap);
      q.Weigher = &weigher;
      int tried = 0;
      q.Tried = [&] {
        ++tried;
        Report(progress, static_cast<int>((int64_t{i} * 4 + tried) * 100 / steps));
      };
      const PairLink best = registration(q);
      images_[i].LinkOut = best.Match.Out;
      images_[i + 1].LinkIn = best.Match.In;
      // Where no direction matched, the image keeps the direction it had.
      if (best.Direction != kDirNone) images_[i + 1].Direction = best.Direction;
      images_[i + 1].Score = best.Match.Score;
    }
  });
}
