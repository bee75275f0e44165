// The matching primitives on hand-checked cases: zones, squares, copies,
// feature windows and the correlation search's sampling, ties and limits.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/registration/template/correlationtemplate.h"
#include "engine/registration/template/matching.h"
#include "engine/registration/template/templatematch.h"
#include "support/reference_images.h"
#include "support/testimages.h"

namespace {

struct ZoneCase {
  int W, H, Code, HeightPct, WidthPct;
  bool Shrink;
  Rect Expected;
};

class ZoneRectTable : public ::testing::TestWithParam<ZoneCase> {};

TEST_P(ZoneRectTable, GivesTheRectangle) {
  const ZoneCase& c = GetParam();
  const Bitmap b(c.W, c.H);
  EXPECT_EQ(ZoneRect(b, c.Code, c.HeightPct, c.WidthPct, c.Shrink), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, ZoneRectTable,
    ::testing::Values(
        // 640 x 480 at 30 %: r = 144 rows, f = 192 columns.
        ZoneCase{640, 480, 6, 30, 30, false, {448, 168, 640, 312}},
        ZoneCase{640, 480, 6, 30, 30, true, {512, 216, 576, 264}},
        ZoneCase{640, 480, 4, 30, 30, false, {0, 168, 192, 312}},
        ZoneCase{640, 480, 2, 30, 30, false, {224, 0, 416, 144}},
        ZoneCase{640, 480, 8, 30, 30, true, {288, 384, 352, 432}},
        ZoneCase{640, 480, 1, 30, 30, false, {0, 0, 192, 144}},
        ZoneCase{640, 480, 3, 30, 30, false, {448, 0, 640, 144}},
        ZoneCase{640, 480, 5, 30, 30, false, {224, 168, 416, 312}},
        ZoneCase{640, 480, 7, 30, 30, false, {0, 336, 192, 480}},
        ZoneCase{640, 480, 9, 30, 30, false, {448, 336, 640, 480}},
        // Odd sizes: halves truncate. r = 10 * 7 / 100 = 0... take 50 %: r = 3, f = 5.
        ZoneCase{11, 7, 5, 50, 50, false, {3, 2, 8, 5}},
        ZoneCase{11, 7, 5, 50, 50, true, {4, 3, 7, 4}},
        // Different height and width percentages.
        ZoneCase{200, 100, 6, 20, 10, false, {180, 40, 200, 60}},
        // Percentages outside 0..100 are limited to it.
        ZoneCase{640, 480, 6, 0, 0, false, {640, 240, 640, 240}},
        ZoneCase{640, 480, 6, -40, -5, true, {640, 240, 640, 240}},
        ZoneCase{640, 480, 4, 250, 100, false, {0, 0, 640, 480}},
        // A code outside 1..9 gives an empty rectangle.
        ZoneCase{640, 480, 0, 30, 30, false, {0, 0, 0, 0}},
        ZoneCase{640, 480, 10, 30, 30, true, {0, 0, 0, 0}}));

TEST(SquareAroundTest, IsTwiceTheHalfSizeWide) {
  EXPECT_EQ(SquareAround(40, 30, 15), (Rect{25, 15, 55, 45}));
  EXPECT_EQ(SquareAround(0, 0, 5), (Rect{-5, -5, 5, 5}));
  EXPECT_EQ(SquareAround(7, 8, 0), (Rect{7, 8, 7, 8}));
}

TEST(CopyRectBitmapTest, CopiesInsideAndReadsBlackOutside) {
  const Bitmap source = NoiseBitmap(20, 10, 3);
  const Bitmap inside = CopyRectBitmap(source, {4, 2, 12, 9});
  EXPECT_EQ(inside, CropBitmap(source, 4, 2, 8, 7));

  const Bitmap corner = CopyRectBitmap(source, SquareAround(0, 0, 3));
  ASSERT_EQ(corner.Width(), 6);
  ASSERT_EQ(corner.Height(), 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const uint8_t* p = corner.Pixel(x, y);
      if (x >= 3 && y >= 3) {
        const uint8_t* s = source.Pixel(x - 3, y - 3);
        EXPECT_TRUE(p[0] == s[0] && p[1] == s[1] && p[2] == s[2]) << x << "," << y;
      } else {
        EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0) << x << "," << y;
      }
    }
  }
  const Bitmap away = CopyRectBitmap(source, {100, 100, 104, 103});
  EXPECT_EQ(away, Bitmap(4, 3));
  EXPECT_TRUE(CopyRectBitmap(source, {5, 5, 5, 9}).Empty());
}

// --- feature point ---

TEST(FindFeaturePointTest, WorkedExampleWindowRange) {
  const Bitmap image = TexturedBitmap(640, 480, 17);
  const Rect zone = ZoneRect(image, 6, 30, 30, true);
  const Point p = FindFeaturePoint(image, zone, 15);
  // Windows of side 29 start at x = 512..544 and y = 216..232.
  EXPECT_GE(p.X, 512 + 15);
  EXPECT_LE(p.X, 544 + 15);
  EXPECT_GE(p.Y, 216 + 15);
  EXPECT_LE(p.Y, 232 + 15);
}

TEST(FindFeaturePointTest, FindsAPlantedTexturedSpot) {
  Bitmap image = FlatBitmap(120, 90, 128, 128, 128);
  const Bitmap spot = NoiseBitmap(9, 9, 4);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      for (int c = 0; c < 3; ++c) image.Pixel(70 + x, 40 + y)[c] = spot.Pixel(x, y)[c];
    }
  }
  // Windows of side 9 (c = 5): the one holding the whole spot has the most texture,
  // its cells reaching one pixel past it on the right and below.
  const Point p = FindFeaturePoint(image, {0, 0, 120, 90}, 5);
  EXPECT_GE(p.X - 5, 62);
  EXPECT_LE(p.X - 5, 70);
  EXPECT_GE(p.Y - 5, 32);
  EXPECT_LE(p.Y - 5, 40);
}

TEST(FindFeaturePointTest, FlatImageTiesGoToTheFirstWindow) {
  const Bitmap image = FlatBitmap(100, 80, 10, 200, 30);
  EXPECT_EQ(FindFeaturePoint(image, {20, 10, 70, 60}, 6), (Point{26, 16}));
}

TEST(FindFeaturePointTest, RepeatedPatternTiesGoToTheTopLeftRepeat) {
  // Period 5 both ways; windows five apart have equal energy.
  const Bitmap image = PeriodicBitmap(90, 90, 5, 5, 8);
  const Point p = FindFeaturePoint(image, {0, 0, 90, 90}, 4);
  EXPECT_LT(p.X - 4, 5);
  EXPECT_LT(p.Y - 4, 5);
}

struct NoWindowCase {
  const char* Name;
  Rect Zone;
  int HalfSize;
};

class FindFeaturePointNoWindow : public ::testing::TestWithParam<NoWindowCase> {};

TEST_P(FindFeaturePointNoWindow, GivesOrigin) {
  const Bitmap image = TexturedBitmap(200, 150, 5);
  EXPECT_EQ(FindFeaturePoint(image, GetParam().Zone, GetParam().HalfSize), Point{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindFeaturePointNoWindow,
    ::testing::Values(NoWindowCase{"ZeroZone", {200, 75, 200, 75}, 15},
                      NoWindowCase{"ZeroRadius", {10, 10, 150, 120}, 0},
                      NoWindowCase{"NegativeRadius", {10, 10, 150, 120}, -3},
                      // 2c + 1 columns: one short of the 2c + 2 a window needs.
                      NoWindowCase{"NarrowZone", {10, 10, 10 + 31, 120}, 15},
                      NoWindowCase{"LowZone", {10, 10, 150, 10 + 31}, 15},
                      NoWindowCase{"OutsideBitmap", {300, 300, 400, 400}, 3}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.Name); });

TEST(FindFeaturePointTest, ZoneOfExactlyOneWindow) {
  const Bitmap image = TexturedBitmap(200, 150, 5);
  EXPECT_EQ(FindFeaturePoint(image, {10, 20, 10 + 32, 20 + 32}, 15), (Point{25, 35}));
}

// --- correlation search ---

Bitmap Textured(int w, int h) { return TexturedBitmap(w, h, 23); }

// The largest fitting radius is the last one at which the feature search still
// finds a window in every direction's source zone.
class LargestFittingRadiusTest : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(LargestFittingRadiusTest, IsTheFeatureSearchsOwnLimit) {
  const auto [width, height, pct] = GetParam();
  const Bitmap image = TexturedBitmap(width, height, 7);
  const int fitting = LargestFittingRadius(width, height, pct, pct);
  for (int zone : {2, 4, 6, 8}) {
    const Rect z = ZoneRect(image, zone, pct, pct, true);
    if (fitting > 0) {
      EXPECT_NE(FindFeaturePoint(image, z, fitting), Point{}) << zone;
    }
  }
  bool beyondFailsSomewhere = false;
  for (int zone : {2, 4, 6, 8}) {
    const Rect z = ZoneRect(image, zone, pct, pct, true);
    beyondFailsSomewhere |= FindFeaturePoint(image, z, fitting + 1) == Point{};
  }
  EXPECT_TRUE(beyondFailsSomewhere);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LargestFittingRadiusTest,
                         ::testing::Values(std::tuple{640, 480, 30}, std::tuple{200, 150, 30},
                                           std::tuple{640, 480, 100}, std::tuple{97, 61, 45},
                                           std::tuple{40, 30, 5}));

TEST(LargestFittingRadiusTest, SixFortyByFourEightyAtThirtyPercent) {
  // The shrunk zone is 64 x 48 pixels: a window of side 2c + 1 must leave a row.
  EXPECT_EQ(LargestFittingRadius(640, 480, 30, 30), 23);
  EXPECT_EQ(LargestFittingRadius(640, 480, 0, 0), 0);
}

TEST(CorrelationSearchTest, FindsTheTemplatesOwnPlace) {
  const Bitmap image = Textured(160, 120);
  const Bitmap templ = CropBitmap(image, 70, 40, 30, 30);
  Point q{};
  EXPECT_DOUBLE_EQ(CorrelationSearch(templ, image, {0, 0, 160, 120}, 3, q), 1.0);
  EXPECT_EQ(q, (Point{85, 55}));
}

TEST(CorrelationSearchTest, InvertedCopyScoresOne) {
  const Bitmap image = Textured(160, 120);
  const Bitmap templ = InvertedBitmap(CropBitmap(image, 33, 61, 20, 20));
  Point q{};
  EXPECT_NEAR(CorrelationSearch(templ, image, {0, 0, 160, 120}, 1, q), 1.0, 1e-12);
  EXPECT_EQ(q, (Point{43, 71}));
}

TEST(CorrelationSearchTest, OnlySampledTemplatePixelsMatter) {
  const Bitmap image = Textured(200, 150);
  Bitmap templ = CropBitmap(image, 50, 60, 30, 30);
  Point before{};
  const double score = CorrelationSearch(templ, image, {0, 0, 200, 150}, 3, before);
  // Pixels off the step-3 grid are never read...
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      if (x % 3 && y % 3) templ.Pixel(x, y)[1] = static_cast<uint8_t>(x * y);
    }
  }
  Point after{};
  EXPECT_EQ(CorrelationSearch(templ, image, {0, 0, 200, 150}, 3, after), score);
  EXPECT_EQ(after, before);
  // ...while a grid pixel changes the score.
  templ.Pixel(27, 27)[0] = static_cast<uint8_t>(templ.Pixel(27, 27)[0] ^ 0x80);
  Point changed{};
  EXPECT_NE(CorrelationSearch(templ, image, {0, 0, 200, 150}, 3, changed), score);
}

TEST(CorrelationSearchTest, SamplesEveryStepPixelsOfTheTemplate) {
  struct Case {
    int Width, Height, Step, CountU, CountV;
  };
  // 30 x 30 at step 3: 10 x 10 = 100 samples, as in the worked example.
  for (const Case c : {Case{30, 30, 3, 10, 10}, Case{30, 30, 1, 30, 30}, Case{31, 29, 5, 7, 6},
                       Case{1, 1, 4, 1, 1}, Case{0, 0, 3, 0, 0}, Case{8, 8, 0, 8, 8}}) {
    const SampledTemplate t = SampledTemplate::From(NoiseBitmap(c.Width, c.Height, 2), c.Step);
    EXPECT_EQ(t.CountU, c.CountU);
    EXPECT_EQ(t.CountV, c.CountV);
    EXPECT_EQ(t.N, int64_t{c.CountU} * c.CountV);
  }
}

// Worked example: zone 4 of a 640 x 480 image; candidate origins 0..161 and 168..281.
TEST(CorrelationSearchTest, WorkedExampleCandidateRange) {
  const Bitmap image = Textured(640, 480);
  const Rect zone = ZoneRect(image, 4, 30, 30, false);
  struct Case {
    int X0, Y0;
    bool Reachable;
  };
  for (const Case c : {Case{0, 168, true}, Case{161, 281, true}, Case{162, 200, false},
                       Case{100, 282, false}, Case{100, 167, false}}) {
    const Bitmap templ = CropBitmap(image, c.X0, c.Y0, 30, 30);
    Point q{};
    const double score = CorrelationSearch(templ, image, zone, 3, q);
    if (c.Reachable) {
      EXPECT_NEAR(score, 1.0, 1e-12) << c.X0 << "," << c.Y0;
      EXPECT_EQ(q, (Point{c.X0 + 15, c.Y0 + 15}));
    } else {
      EXPECT_LT(score, 1.0 - 1e-9) << c.X0 << "," << c.Y0;
      EXPECT_NE(q, (Point{c.X0 + 15, c.Y0 + 15}));
    }
  }
}

TEST(CorrelationSearchTest, TiesGoUpThenLeft) {
  // The same patch three times: at (60, 50), at (20, 50) on the same row, and
  // at (90, 10) higher up.
  Bitmap image = FlatBitmap(140, 100, 0, 0, 0);
  const Bitmap patch = NoiseBitmap(12, 12, 9);
  auto plant = [&](int px, int py) {
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 12; ++x) {
        for (int c = 0; c < 3; ++c) image.Pixel(px + x, py + y)[c] = patch.Pixel(x, y)[c];
      }
    }
  };
  plant(60, 50);
  plant(20, 50);
  Point q{};
  EXPECT_NEAR(CorrelationSearch(patch, image, {0, 0, 140, 100}, 1, q), 1.0, 1e-12);
  EXPECT_EQ(q, (Point{26, 56}));
  plant(90, 10);
  EXPECT_NEAR(CorrelationSearch(patch, image, {0, 0, 140, 100}, 1, q), 1.0, 1e-12);
  EXPECT_EQ(q, (Point{96, 16}));
}

struct NoScoreCase {
  const char* Name;
  Bitmap Template;
  Rect Zone;
};

TEST(CorrelationSearchTest, NoCandidateKeepsThePoint) {
  const Bitmap image = Textured(160, 120);
  const NoScoreCase cases[] = {
      {"FlatTemplate", FlatBitmap(20, 20, 40, 50, 60), {0, 0, 160, 120}},
      {"EmptyTemplate", Bitmap(), {0, 0, 160, 120}},
      {"ZeroZone", CropBitmap(image, 10, 10, 20, 20), {80, 60, 80, 60}},
      {"ZoneNarrowerThanTemplate", CropBitmap(image, 10, 10, 20, 20), {0, 0, 20, 120}},
      {"ZoneOutsideImage", CropBitmap(image, 10, 10, 20, 20), {500, 500, 900, 900}},
  };
  for (const NoScoreCase& c : cases) {
    Point q{7, 9};
    EXPECT_EQ(CorrelationSearch(c.Template, image, c.Zone, 2, q), 0.0) << c.Name;
    EXPECT_EQ(q, (Point{7, 9})) << c.Name;
  }
}

TEST(CorrelationSearchTest, FlatSearchedAreaIsSkipped) {
  const Bitmap image = FlatBitmap(100, 100, 77, 77, 77);
  const Bitmap templ = NoiseBitmap(10, 10, 1);
  Point q{1, 2};
  EXPECT_EQ(CorrelationSearch(templ, image, {0, 0, 100, 100}, 1, q), 0.0);
  EXPECT_EQ(q, (Point{1, 2}));
}

TEST(CorrelationSearchTest, StepBelowOneWorksAsOne) {
  const Bitmap image = Textured(120, 90);
  const Bitmap templ = InvertedBitmap(CropBitmap(image, 30, 20, 16, 16));
  Point one{}, zero{}, negative{};
  const double s1 = CorrelationSearch(templ, image, {0, 0, 120, 90}, 1, one);
  EXPECT_EQ(CorrelationSearch(templ, image, {0, 0, 120, 90}, 0, zero), s1);
  EXPECT_EQ(CorrelationSearch(templ, image, {0, 0, 120, 90}, -4, negative), s1);
  EXPECT_EQ(zero, one);
  EXPECT_EQ(negative, one);
}

TEST(CorrelationSearchTest, HugeStepSamplesOnlyTheCorner) {
  const Bitmap image = Textured(60, 50);
  const Bitmap templ = CropBitmap(image, 5, 5, 10, 10);
  Point q{3, 3};
  // One sample per candidate: every candidate is uniform, nothing scores.
  EXPECT_EQ(CorrelationSearch(templ, image, {0, 0, 60, 50}, 1 << 30, q), 0.0);
  EXPECT_EQ(q, (Point{3, 3}));
}

}  // namespace

namespace {

TEST(TemplateMatchAroundTest, FindsTheLinkOnlyWithinReachOfThePrediction) {
  // Two fields of one texture, the second 150 px right of and 4 px below the first.
  const Bitmap scene = TexturedBitmap(400, 220, 19);
  const Bitmap a = CropBitmap(scene, 0, 0, 240, 180);
  const Bitmap b = CropBitmap(scene, 150, 4, 240, 180);
  const Rect overlap{150, 4, 240, 180};
  const PairMatch near = TemplateMatchAround(a, b, overlap, {156, 0}, 10, 8, 1);
  ASSERT_TRUE(near.Found());
  EXPECT_EQ(OffsetOfLink(near.Out, near.In), (Offset{150, 4}));
  // Predicted 30 px off with a reach of 10: the true place is not looked at.
  const PairMatch far = TemplateMatchAround(a, b, overlap, {180, 4}, 10, 8, 1);
  EXPECT_FALSE(far.Found() && OffsetOfLink(far.Out, far.In) == (Offset{150, 4}));
}

}  // namespace
