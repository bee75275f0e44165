// The engine's feature and correlation searches against the plain literal
// versions: same points, bit-identical scores, on many kinds of images, with
// and without threads.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/matching.h"
#include "engine/parallel.h"
#include "support/reference_images.h"
#include "support/reference_search.h"
#include "support/testimages.h"

namespace {

enum class Kind { Textured, Noise, Periodic, FewLevels, Flat, Inverted };

const char* KindName(Kind k) {
  switch (k) {
    case Kind::Textured: return "Textured";
    case Kind::Noise: return "Noise";
    case Kind::Periodic: return "Periodic";
    case Kind::FewLevels: return "FewLevels";
    case Kind::Flat: return "Flat";
    case Kind::Inverted: return "Inverted";
  }
  return "";
}

// The source image and an image to search that overlaps it by a known shift.
struct ImagePair {
  Bitmap Source;
  Bitmap Searched;
};

ImagePair MakePair(Kind kind, int w, int h, uint32_t seed) {
  const int dx = w / 2;
  Bitmap wide;
  switch (kind) {
    case Kind::Textured: wide = TexturedBitmap(w + dx, h, seed); break;
    case Kind::Noise: wide = NoiseBitmap(w + dx, h, seed); break;
    case Kind::Periodic: wide = PeriodicBitmap(w + dx, h, 3 + seed % 5, 2 + seed % 7, seed); break;
    case Kind::FewLevels: wide = FewLevelsBitmap(w + dx, h, 2, seed); break;
    case Kind::Flat: wide = FlatBitmap(w + dx, h, 90, 120, 150); break;
    case Kind::Inverted: wide = TexturedBitmap(w + dx, h, seed); break;
  }
  ImagePair p{CropBitmap(wide, 0, 0, w, h), CropBitmap(wide, dx, 0, w, h)};
  if (kind == Kind::Inverted) p.Searched = InvertedBitmap(p.Searched);
  return p;
}

struct Outcome {
  Point Feature;
  Point Match;
  double Score = 0;
};

Outcome RunEngine(const ImagePair& p, int zone, int radius, int step) {
  Outcome o;
  o.Feature = FindFeaturePoint(p.Source, ZoneRect(p.Source, 6, zone, zone, true), radius);
  const Bitmap templ = CopyRectBitmap(p.Source, SquareAround(o.Feature.X, o.Feature.Y, radius));
  o.Match = {-7, -7};
  o.Score = CorrelationSearch(templ, p.Searched, ZoneRect(p.Searched, 4, zone, zone, false), step,
                              o.Match);
  return o;
}

Outcome RunReference(const ImagePair& p, int zone, int radius, int step) {
  Outcome o;
  o.Feature = ReferenceFindFeaturePoint(p.Source, ZoneRect(p.Source, 6, zone, zone, true), radius);
  const Bitmap templ = CopyRectBitmap(p.Source, SquareAround(o.Feature.X, o.Feature.Y, radius));
  o.Match = {-7, -7};
  o.Score = ReferenceCorrelationSearch(templ, p.Searched,
                                       ZoneRect(p.Searched, 4, zone, zone, false), step, o.Match);
  return o;
}

class ThreadsGuard {
 public:
  explicit ThreadsGuard(int n) { SetEngineThreads(n); }
  ~ThreadsGuard() { SetEngineThreads(0); }
};

class SearchAgreement : public ::testing::TestWithParam<Kind> {};

TEST_P(SearchAgreement, StepsRadiiAndZones) {
  const Kind kind = GetParam();
  std::mt19937 rng(1234 + static_cast<int>(kind));
  for (int trial = 0; trial < 24; ++trial) {
    const int w = 60 + static_cast<int>(rng() % 200);
    const int h = 50 + static_cast<int>(rng() % 150);
    const int step = 1 + trial % 5;
    const int zone = trial % 6 == 0 ? static_cast<int>(rng() % 101) : 30 + static_cast<int>(rng() % 40);
    const int radius = static_cast<int>(rng() % 16);
    const ImagePair p = MakePair(kind, w, h, static_cast<uint32_t>(rng()));
    const Outcome expected = RunReference(p, zone, radius, step);
    for (int threads : {1, 0, 3}) {
      ThreadsGuard guard(threads);
      const Outcome got = RunEngine(p, zone, radius, step);
      SCOPED_TRACE(std::string(KindName(kind)) + " " + std::to_string(w) + "x" +
                   std::to_string(h) + " zone " + std::to_string(zone) + " radius " +
                   std::to_string(radius) + " step " + std::to_string(step) + " threads " +
                   std::to_string(threads));
      EXPECT_EQ(got.Feature, expected.Feature);
      EXPECT_EQ(got.Match, expected.Match);
      EXPECT_EQ(got.Score, expected.Score);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SearchAgreement,
                         ::testing::Values(Kind::Textured, Kind::Noise, Kind::Periodic,
                                           Kind::FewLevels, Kind::Flat, Kind::Inverted),
                         [](const auto& kindInfo) { return std::string(KindName(kindInfo.param)); });

}  // namespace
