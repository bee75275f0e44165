// Weight maps and the five seam methods on small crafted regions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/composition/seams.h"
#include "engine/parallel.h"
#include "support/reference_assembly.h"

namespace {

Bitmap GreyRow(const std::vector<int>& values) {
  Bitmap b(static_cast<int>(values.size()), 1);
  for (size_t x = 0; x < values.size(); ++x) {
    uint8_t* p = b.Pixel(static_cast<int>(x), 0);
    p[0] = p[1] = p[2] = static_cast<uint8_t>(values[x]);
  }
  return b;
}

std::vector<int> GreyValues(const Bitmap& b) {
  std::vector<int> out;
  for (int x = 0; x < b.Width(); ++x) out.push_back(b.Pixel(x, 0)[0]);
  return out;
}

Bitmap OnePixel(uint8_t b, uint8_t g, uint8_t r) {
  Bitmap bm(1, 1);
  bm.Fill(b, g, r);
  return bm;
}

std::vector<uint8_t> Bytes(const Bitmap& b, int x, int y) {
  const uint8_t* p = b.Pixel(x, y);
  return {p[0], p[1], p[2]};
}

WeightMap Uniform(int w, int h, float v) {
  WeightMap m(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.At(x, y) = v;
  return m;
}

// A probe of a weight map: (x, y) and the value the rule gives there.
struct Probe {
  int X, Y;
  double Expected;
};

struct WeightCase {
  const char* Name;
  Rect A;  // place of the new image
  Rect C;  // overlap
  std::vector<Probe> Probes;
};

class SeamWeightsTest : public ::testing::TestWithParam<WeightCase> {};

TEST_P(SeamWeightsTest, MatchesTheRule) {
  const WeightCase& c = GetParam();
  const WeightMap v = SeamWeights(c.A, c.C);
  ASSERT_EQ(v.Width(), c.C.Width());
  ASSERT_EQ(v.Height(), c.C.Height());
  for (const Probe& p : c.Probes) {
    EXPECT_FLOAT_EQ(v.At(p.X, p.Y), static_cast<float>(p.Expected)) << "at " << p.X << "," << p.Y;
  }
}

std::vector<Probe> WorkedExampleProbes() {
  // Older image (0, 0, 200, 200), new one to its right: interior ramps as (100 - x) / 100.
  std::vector<Probe> probes = {{0, 0, 1},   {99, 0, 1},   {0, 199, 1}, {99, 199, 1},
                               {0, 100, 1}, {99, 100, 0}, {0, 57, 1}};
  for (int x : {1, 2, 49, 50, 51, 98}) {
    for (int y : {0, 1, 100, 198, 199}) probes.push_back({x, y, (100.0 - x) / 100.0});
  }
  return probes;
}

std::vector<Probe> BelowProbes() {
  // New image below an older one: the ramp runs down the rows, columns included.
  std::vector<Probe> probes = {{0, 0, 1}, {199, 0, 1}, {100, 0, 1}, {100, 99, 0}};
  for (int y : {1, 30, 50, 98}) {
    for (int x : {0, 1, 100, 199}) probes.push_back({x, y, (100.0 - y) / 100.0});
  }
  return probes;
}

std::vector<Probe> OneColumnProbes() {
  // A one-pixel-wide overlap has no interior: its column ramps from the top seed to the bottom one.
  std::vector<Probe> probes = {{0, 0, 1}, {0, 99, 0}};
  for (int y : {1, 25, 50, 98}) probes.push_back({0, y, (100.0 - y) / 100.0});
  return probes;
}

std::vector<Probe> EnclosedProbes() {
  // Overlap strictly inside the new image: no seam direction, interior 0.5, border 0.
  return {{1, 1, 0.5}, {25, 25, 0.5}, {48, 48, 0.5}, {0, 0, 0},  {49, 49, 0},
          {0, 25, 0},  {25, 0, 0},    {49, 25, 0},   {25, 49, 0}};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SeamWeightsTest,
    ::testing::Values(
        WeightCase{"WorkedExample", {100, 0, 300, 200}, {100, 0, 200, 200}, WorkedExampleProbes()},
        WeightCase{"NewImageBelow", {0, 100, 200, 300}, {0, 100, 200, 200}, BelowProbes()},
        WeightCase{"OnePixelWide", {0, 0, 200, 200}, {100, 0, 101, 100}, OneColumnProbes()},
        WeightCase{"EnclosedOverlap", {0, 0, 200, 200}, {50, 50, 100, 100}, EnclosedProbes()}),
    [](const auto& tc) { return std::string(tc.param.Name); });

TEST(SeamWeights, FrontTakesOverFromColumn51InTheWorkedExample) {
  const Rect a{100, 0, 300, 200};
  const Rect c{100, 0, 200, 200};
  const WeightMap v = SeamWeights(a, c);
  Bitmap r(100, 200);
  r.Fill(255, 255, 255);
  Bitmap n(100, 200);
  n.Fill(0, 0, 0);
  BlendFront(r, n, v);
  for (int y : {0, 1, 100, 199}) {
    EXPECT_EQ(r.Pixel(50, y)[0], 255) << y;
    EXPECT_EQ(r.Pixel(51, y)[0], 0) << y;
    EXPECT_EQ(r.Pixel(0, y)[0], 255) << y;
    // The last column keeps its seed: corners on the new image's ring stay canvas.
    EXPECT_EQ(r.Pixel(99, y)[0], (y == 0 || y == 199) ? 255 : 0) << y;
  }
}

TEST(IntersectRects, AreaAndPresence) {
  const Intersection a = IntersectRects({0, 0, 200, 200}, {140, 10, 340, 210});
  EXPECT_TRUE(a.Present);
  EXPECT_EQ(a.Area, (Rect{140, 10, 200, 200}));
  EXPECT_FALSE(IntersectRects({0, 0, 100, 100}, {100, 0, 200, 100}).Present);  // touching only
  EXPECT_FALSE(IntersectRects({0, 0, 100, 100}, {0, 100, 100, 200}).Present);
  EXPECT_TRUE(IntersectRects({0, 0, 100, 100}, {99, 99, 200, 200}).Present);
}

// One pixel per case: canvas bytes, new bytes, weight, expected canvas bytes.
struct PixelCase {
  const char* Name;
  int Mode;
  std::vector<uint8_t> R, N;
  float Weight;
  std::vector<uint8_t> Expected;
};

class SeamPixelTest : public ::testing::TestWithParam<PixelCase> {};

TEST_P(SeamPixelTest, AppliesTheRule) {
  const PixelCase& c = GetParam();
  Bitmap r = OnePixel(c.R[0], c.R[1], c.R[2]);
  const Bitmap n = OnePixel(c.N[0], c.N[1], c.N[2]);
  SeamMethodFor(c.Mode)(r, n, Uniform(1, 1, c.Weight));
  EXPECT_EQ(Bytes(r, 0, 0), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SeamPixelTest,
    ::testing::Values(
        PixelCase{"FrontBelowHalfTakesNew", 0, {1, 2, 3}, {7, 8, 9}, 0.49f, {7, 8, 9}},
        PixelCase{"FrontAtHalfKeepsCanvas", 0, {1, 2, 3}, {7, 8, 9}, 0.5f, {1, 2, 3}},
        PixelCase{"FrontOneKeepsCanvas", 0, {1, 2, 3}, {7, 8, 9}, 1.0f, {1, 2, 3}},
        PixelCase{"DiffusionZeroTakesNew", 1, {200, 10, 0}, {100, 20, 255}, 0.0f, {100, 20, 255}},
        PixelCase{"DiffusionOneKeepsCanvas", 1, {200, 10, 0}, {100, 20, 255}, 1.0f, {200, 10, 0}},
        PixelCase{"DiffusionQuarter", 1, {200, 0, 4}, {100, 200, 0}, 0.25f, {125, 150, 1}},
        PixelCase{"DiffusionTruncatesHalves", 1, {101, 0, 255}, {0, 1, 0}, 0.5f, {50, 0, 127}},
        PixelCase{"AverageWhiteBlackIsGrey", 2, {255, 255, 255}, {0, 0, 0}, 1.0f, {127, 127, 127}},
        PixelCase{"AverageIgnoresWeight", 2, {10, 11, 0}, {20, 20, 1}, 0.0f, {15, 15, 0}},
        PixelCase{"BrightnessBrighterNewWins", 3, {10, 20, 30}, {30, 20, 13}, 1.0f, {30, 20, 13}},
        PixelCase{"BrightnessTieKeepsCanvas", 3, {10, 20, 30}, {30, 20, 10}, 0.0f, {10, 20, 30}},
        PixelCase{"BrightnessTieAfterDivision", 3, {10, 20, 30}, {30, 20, 12}, 0.0f, {10, 20, 30}},
        PixelCase{"BrightnessDarkerNewLoses", 3, {10, 20, 30}, {0, 0, 0}, 0.0f, {10, 20, 30}},
        PixelCase{"SharpnessSinglePixelTieKeeps", 4, {1, 2, 3}, {200, 0, 9}, 0.0f, {1, 2, 3}}),
    [](const auto& tc) { return std::string(tc.param.Name); });

TEST(SeamMethodFor, OnlyModesZeroToFour) {
  EXPECT_EQ(SeamMethodFor(0), &BlendFront);
  EXPECT_EQ(SeamMethodFor(1), &BlendDiffusion);
  EXPECT_EQ(SeamMethodFor(2), &BlendAverage);
  EXPECT_EQ(SeamMethodFor(3), &BlendBrightness);
  EXPECT_EQ(SeamMethodFor(4), &BlendSharpness);
  EXPECT_EQ(SeamMethodFor(-1), nullptr);
  EXPECT_EQ(SeamMethodFor(5), nullptr);
}

TEST(BlendSharpness, WindowReachesTwoBeforeAndOneAfter) {
  // At x = 2 the window is columns 0..3 and never sees the bright column 4.
  Bitmap r = GreyRow({50, 50, 50, 50, 50});
  const Bitmap n = GreyRow({10, 10, 10, 10, 200});
  BlendSharpness(r, n, Uniform(5, 1, 0));
  EXPECT_EQ(GreyValues(r), (std::vector<int>{50, 50, 50, 10, 200}));
}

TEST(BlendSharpness, LaterWindowsSeeReplacedPixels) {
  // Columns 0 and 1 take the new image; that makes the canvas busier at
  // columns 2 and 3, which therefore keep the canvas.
  Bitmap r = GreyRow({50, 50, 20, 20});
  const Bitmap n = GreyRow({0, 100, 50, 50});
  BlendSharpness(r, n, Uniform(4, 1, 0));
  EXPECT_EQ(GreyValues(r), (std::vector<int>{0, 100, 20, 20}));
}

Bitmap Noise(std::mt19937& rng, int w, int h, int spread) {
  std::uniform_int_distribution<int> d(128 - spread, 127 + spread);
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int ch = 0; ch < 3; ++ch) b.Pixel(x, y)[ch] = static_cast<uint8_t>(d(rng));
  return b;
}

// Canvas and new regions that agree in part (as photographs of one scene do),
// with patches of flat colour so ties and still windows occur too.
std::pair<Bitmap, Bitmap> RegionPair(std::mt19937& rng, int w, int h) {
  Bitmap r = Noise(rng, w, h, 20 + static_cast<int>(rng() % 100));
  Bitmap n = Noise(rng, w, h, 20 + static_cast<int>(rng() % 100));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t pick = rng() % 8;
      if (pick == 0) std::memcpy(n.Pixel(x, y), r.Pixel(x, y), 3);
      if (pick == 1 && x > 0) std::memcpy(r.Pixel(x, y), r.Pixel(x - 1, y), 3);
      if (pick == 2 && y > 0) std::memcpy(n.Pixel(x, y), n.Pixel(x, y - 1), 3);
    }
  }
  return {std::move(r), std::move(n)};
}

// A new image's place and its overlap with an older one, both random.
std::pair<Rect, Rect> RandomOverlap(std::mt19937& rng) {
  auto coord = [&](int range) { return static_cast<int32_t>(rng() % range) - range / 2; };
  for (;;) {
    const Rect a{coord(40), coord(40), 0, 0};
    const Rect placeA{a.Left, a.Top, a.Left + 1 + static_cast<int32_t>(rng() % 40),
                      a.Top + 1 + static_cast<int32_t>(rng() % 40)};
    const Rect placeB{coord(60), coord(60), 0, 0};
    const Rect b{placeB.Left, placeB.Top, placeB.Left + 1 + static_cast<int32_t>(rng() % 50),
                 placeB.Top + 1 + static_cast<int32_t>(rng() % 50)};
    const Intersection c = IntersectRects(placeA, b);
    if (c.Present) return {placeA, c.Area};
  }
}

TEST(SeamWeights, SameAsTheLiteralRuleOnRandomOverlaps) {
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    const auto [a, c] = RandomOverlap(rng);
    const WeightMap fast = SeamWeights(a, c);
    const WeightMap literal = ReferenceSeamWeights(a, c);
    ASSERT_EQ(fast.Width(), literal.Width());
    ASSERT_EQ(fast.Height(), literal.Height());
    for (int y = 0; y < fast.Height(); ++y) {
      for (int x = 0; x < fast.Width(); ++x) {
        // Bitwise: the weights feed truncations, so even one ulp matters.
        ASSERT_EQ(fast.At(x, y), literal.At(x, y)) << "round " << round << " at " << x << "," << y;
      }
    }
  }
}

// Every method against its literal reading, on random regions and on the
// weights of random overlaps, with one thread and with several.
class MethodLiteralTest : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  void TearDown() override { SetEngineThreads(0); }
};

TEST_P(MethodLiteralTest, SameBytesAsTheLiteralRule) {
  const auto [mode, threads] = GetParam();
  SetEngineThreads(threads);
  std::mt19937 rng(100 + mode);
  for (int round = 0; round < 120; ++round) {
    const auto [a, c] = RandomOverlap(rng);
    WeightMap weights = SeamWeights(a, c);
    if (round % 3 == 0) {
      // Arbitrary weights too, halves and near-halves included.
      for (int y = 0; y < weights.Height(); ++y)
        for (int x = 0; x < weights.Width(); ++x)
          weights.At(x, y) = (rng() % 4 == 0) ? 0.5f : static_cast<float>(rng() % 1001) / 1000.0f;
    }
    auto [r, n] = RegionPair(rng, c.Width(), c.Height());
    Bitmap expected = r;
    ReferenceBlend(mode, expected, n, weights);
    SeamMethodFor(mode)(r, n, weights);
    ASSERT_TRUE(r == expected) << "round " << round << " size " << c.Width() << "x" << c.Height();
  }
}

TEST_P(MethodLiteralTest, SameBytesOnALargeRegion) {
  // Large enough that the rows are shared out among threads.
  const auto [mode, threads] = GetParam();
  SetEngineThreads(threads);
  std::mt19937 rng(900 + mode);
  const Rect a{0, 0, 700, 400};
  const Rect c{0, 0, 300, 400};
  const WeightMap weights = SeamWeights(a, c);
  auto [r, n] = RegionPair(rng, c.Width(), c.Height());
  Bitmap expected = r;
  ReferenceBlend(mode, expected, n, weights);
  SeamMethodFor(mode)(r, n, weights);
  EXPECT_TRUE(r == expected);
}

INSTANTIATE_TEST_SUITE_P(Methods, MethodLiteralTest,
                         ::testing::Combine(::testing::Range(0, kBlendModeCount),
                                            ::testing::Values(1, 4)));

TEST(BlendSharpness, EdgeWindowsOfEveryThinShape) {
  // Regions one to five pixels across have only cut windows, or a mix of both kinds.
  std::mt19937 rng(55);
  for (int w = 1; w <= 6; ++w) {
    for (int h = 1; h <= 6; ++h) {
      for (int round = 0; round < 20; ++round) {
        auto [r, n] = RegionPair(rng, w, h);
        Bitmap expected = r;
        ReferenceBlend(4, expected, n, Uniform(w, h, 0));
        BlendSharpness(r, n, Uniform(w, h, 0));
        ASSERT_TRUE(r == expected) << w << "x" << h << " round " << round;
      }
    }
  }
}

}  // namespace
