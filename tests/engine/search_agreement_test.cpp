// The engine's feature and correlation searches against the plain literal
// versions: same points, bit-identical scores, on many kinds of images, with
// and without threads.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/parallel.h"
#include "engine/registration/template/correlationkernel.h"
#include "engine/registration/template/matching.h"
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

// One way of running the engine: a kernel and a thread count.
struct Mode {
  CorrelationKernel Kernel;
  int Threads;
};

std::vector<Mode> AllModes() {
  std::vector<Mode> modes;
  for (CorrelationKernel k :
       {CorrelationKernel::Scalar, CorrelationKernel::Sse2, CorrelationKernel::Avx2}) {
    if (!CorrelationKernelAvailable(k)) continue;
    for (int threads : {1, 3}) modes.push_back({k, threads});
  }
  return modes;
}

std::string ModeName(const Mode& m) {
  const char* k = m.Kernel == CorrelationKernel::Scalar ? "scalar"
                  : m.Kernel == CorrelationKernel::Sse2 ? "sse2"
                                                        : "avx2";
  return std::string(k) + " threads " + std::to_string(m.Threads);
}

class ModeGuard {
 public:
  explicit ModeGuard(const Mode& m) {
    SetCorrelationKernel(m.Kernel);
    SetEngineThreads(m.Threads);
  }
  ~ModeGuard() {
    SetCorrelationKernel(CorrelationKernel::Auto);
    SetEngineThreads(0);
  }
};

void ExpectSame(const Outcome& got, const Outcome& expected) {
  EXPECT_EQ(got.Feature, expected.Feature);
  EXPECT_EQ(got.Match, expected.Match);
  EXPECT_EQ(got.Score, expected.Score);
}

class SearchAgreement : public ::testing::TestWithParam<Kind> {};

TEST_P(SearchAgreement, StepsRadiiAndZones) {
  const Kind kind = GetParam();
  std::mt19937 rng(1234 + static_cast<int>(kind));
  for (int trial = 0; trial < 20; ++trial) {
    const int w = 60 + static_cast<int>(rng() % 200);
    const int h = 50 + static_cast<int>(rng() % 150);
    const int step = 1 + trial % 5;
    const int zone =
        trial % 6 == 0 ? static_cast<int>(rng() % 101) : 30 + static_cast<int>(rng() % 40);
    const int radius = static_cast<int>(rng() % 16);
    const ImagePair p = MakePair(kind, w, h, static_cast<uint32_t>(rng()));
    const Outcome expected = RunReference(p, zone, radius, step);
    for (const Mode& mode : AllModes()) {
      ModeGuard guard(mode);
      SCOPED_TRACE(std::string(KindName(kind)) + " " + std::to_string(w) + "x" + std::to_string(h) +
                   " zone " + std::to_string(zone) + " radius " + std::to_string(radius) +
                   " step " + std::to_string(step) + " " + ModeName(mode));
      ExpectSame(RunEngine(p, zone, radius, step), expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SearchAgreement,
                         ::testing::Values(Kind::Textured, Kind::Noise, Kind::Periodic,
                                           Kind::FewLevels, Kind::Flat, Kind::Inverted),
                         [](const auto& kindInfo) {
                           return std::string(KindName(kindInfo.param));
                         });

// Large templates, up to radius 100, on a bright image whose sums of
// products pass 2^31; the searched rectangle is kept small so the plain
// search stays cheap.
TEST(SearchAgreementLarge, RadiiUpTo100) {
  struct Case {
    int Radius;
    int Step;
  };
  const Case cases[] = {{100, 1}, {100, 4}, {75, 2}, {50, 3}, {50, 5}, {33, 1}};
  for (const Case& c : cases) {
    const int side = 2 * c.Radius + 16;
    // Intensities 230..255: n * 255^2-sized sums of products.
    Bitmap scene = TexturedBitmap(side, side, 11u + c.Step);
    for (int y = 0; y < scene.Height(); ++y) {
      for (int x = 0; x < 3 * scene.Width(); ++x) {
        uint8_t& b = scene.Row(y)[x];
        b = static_cast<uint8_t>(230 + b % 26);
      }
    }
    const Rect featureRect{5, 3, 5 + 2 * c.Radius + 8, 3 + 2 * c.Radius + 6};
    Outcome expected;
    expected.Feature = ReferenceFindFeaturePoint(scene, featureRect, c.Radius);
    const Bitmap templ =
        CopyRectBitmap(scene, SquareAround(expected.Feature.X, expected.Feature.Y, c.Radius));
    // Around the feature's own place: candidate origins 4..12 and 2..8.
    const Rect searchRect{4, 2, 4 + 2 * c.Radius + 9, 2 + 2 * c.Radius + 7};
    expected.Score = ReferenceCorrelationSearch(templ, scene, searchRect, c.Step, expected.Match);
    ASSERT_GT(expected.Score, 0.99);
    for (const Mode& mode : AllModes()) {
      ModeGuard guard(mode);
      SCOPED_TRACE("radius " + std::to_string(c.Radius) + " step " + std::to_string(c.Step) + " " +
                   ModeName(mode));
      Outcome got;
      got.Feature = FindFeaturePoint(scene, featureRect, c.Radius);
      got.Score = CorrelationSearch(templ, scene, searchRect, c.Step, got.Match);
      ExpectSame(got, expected);
    }
  }
}

// A camera-sized image with narrow zones (the plain search stays cheap).
TEST(SearchAgreementLarge, HugeImageNarrowZones) {
  const Bitmap wide = NoiseBitmap(2600 + 1800, 1950, 21);
  const ImagePair p{CropBitmap(wide, 0, 0, 2600, 1950), CropBitmap(wide, 1800, 0, 2600, 1950)};
  struct Case {
    int Zone, Radius, Step;
  };
  for (const Case c : {Case{4, 12, 1}, Case{5, 15, 3}, Case{3, 10, 5}, Case{6, 6, 2}}) {
    const Outcome expected = RunReference(p, c.Zone, c.Radius, c.Step);
    for (const Mode& mode : AllModes()) {
      ModeGuard guard(mode);
      SCOPED_TRACE("zone " + std::to_string(c.Zone) + " " + ModeName(mode));
      ExpectSame(RunEngine(p, c.Zone, c.Radius, c.Step), expected);
    }
  }
}

// Tiny images, odd rectangles reaching outside the bitmap, steps below 1,
// negative radii: same results as the reference (which limits the rectangle
// to the bitmap the same way), and nothing read outside (sanitizer build).
TEST(SearchAgreementUnsafe, TinyImagesAndRectanglesOutside) {
  std::mt19937 rng(99);
  for (int trial = 0; trial < 300; ++trial) {
    const int w = 1 + static_cast<int>(rng() % 24);
    const int h = 1 + static_cast<int>(rng() % 24);
    const Bitmap image = trial % 3 ? NoiseBitmap(w, h, trial) : PeriodicBitmap(w, h, 2, 3, trial);
    auto coord = [&](int size) { return static_cast<int>(rng() % (size + 20)) - 10; };
    const Rect rect{coord(w), coord(h), coord(w) + 10, coord(h) + 10};
    const int radius = static_cast<int>(rng() % 8) - 2;
    const int step = static_cast<int>(rng() % 7) - 1;
    const Bitmap templ = CopyRectBitmap(image, {coord(w), coord(h), coord(w), coord(h)});
    Point expectedPoint{3, 4};
    const double expectedScore =
        ReferenceCorrelationSearch(templ, image, rect, step, expectedPoint);
    const Point expectedFeature = ReferenceFindFeaturePoint(image, rect, radius);
    for (const Mode& mode : AllModes()) {
      ModeGuard guard(mode);
      SCOPED_TRACE("trial " + std::to_string(trial) + " " + ModeName(mode));
      Point point{3, 4};
      EXPECT_EQ(CorrelationSearch(templ, image, rect, step, point), expectedScore);
      EXPECT_EQ(point, expectedPoint);
      EXPECT_EQ(FindFeaturePoint(image, rect, radius), expectedFeature);
    }
  }
}

// Candidates that tie exactly (the same pattern again, brightened or
// inverted) are scored by the plain formula with different rounding, so the
// plain loop may prefer the later one. The engine must pick what the plain
// loop picks, every time.
TEST(SearchAgreementTies, ExactTiesFollowThePlainFormula) {
  std::mt19937 rng(5);
  int laterWins = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const int tw = 6 + static_cast<int>(rng() % 10);
    const int step = 1 + trial % 3;
    Bitmap scene = FlatBitmap(4 * tw, 3 * tw, 10, 10, 10);
    const Bitmap pattern = NoiseBitmap(tw, tw, 1000 + trial);
    const int offset = 1 + static_cast<int>(rng() % 60);
    const bool invert = trial % 2;
    for (int y = 0; y < tw; ++y) {
      for (int x = 0; x < tw; ++x) {
        for (int c = 0; c < 3; ++c) {
          const int v = pattern.Pixel(x, y)[c] * 3 / 4;  // 0..191
          scene.Pixel(x + 1, y + 1)[c] = static_cast<uint8_t>(v);
          const int copy = invert ? 191 - v + offset : v + offset;
          scene.Pixel(x + 2 * tw + 3, y + tw + 2)[c] = static_cast<uint8_t>(copy);
        }
      }
    }
    const Bitmap templ = CropBitmap(scene, 1, 1, tw, tw);
    const Rect all{0, 0, scene.Width(), scene.Height()};
    Point expected{};
    const double expectedScore = ReferenceCorrelationSearch(templ, scene, all, step, expected);
    if (expected != Point{1 + tw / 2, 1 + tw / 2}) ++laterWins;
    for (const Mode& mode : AllModes()) {
      ModeGuard guard(mode);
      SCOPED_TRACE("trial " + std::to_string(trial) + " " + ModeName(mode));
      Point point{};
      EXPECT_EQ(CorrelationSearch(templ, scene, all, step, point), expectedScore);
      EXPECT_EQ(point, expected);
    }
  }
  // The cases above only test the tie handling if rounding sometimes favours the copy.
  EXPECT_GT(laterWins, 0);
}

}  // namespace

// The feature search sums many rows of windows side by side: rows that fill
// no whole batch, or one more than a batch, are found as the plain loop finds
// them, under every way of running.
TEST(SearchAgreementFeature, WindowRowsAroundABatch) {
  const Bitmap scene = NoiseBitmap(120, 190, 31);
  constexpr int kRadius = 7;
  for (const int rows : {1, 7, 31, 32, 33, 64, 65, 97, 160}) {
    // Window origins run while y < bottom - 2 * radius - 1.
    const Rect zone{3, 2, 3 + 90, 2 + rows + 2 * kRadius + 1};
    const Point expected = ReferenceFindFeaturePoint(scene, zone, kRadius);
    for (const int threads : {1, 2}) {
      SetEngineThreads(threads);
      EXPECT_EQ(FindFeaturePoint(scene, zone, kRadius), expected)
          << rows << " rows, " << threads << " threads";
    }
  }
  SetEngineThreads(0);
}
