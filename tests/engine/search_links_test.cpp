// The two link drivers: offsets recovered from pairs cut out of one scene,
// progress, direction ties, pairs without a match, and agreement with a chain
// of the plain primitives.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "engine/registration/template/matching.h"
#include "support/reference_images.h"
#include "support/reference_search.h"
#include "support/testimages.h"

namespace {

constexpr int kW = 300;
constexpr int kH = 240;

class Recorder : public ProgressIndicator {
 public:
  void SetPosition(int percent) override { Values.push_back(percent); }
  std::vector<int> Values;
};

// Where image i + 1 lies relative to image i, in scene pixels, per direction.
Point OffsetFor(int direction) {
  switch (direction) {
    case kDirRight: return {215, 5};
    case kDirBelow: return {6, 170};
    case kDirLeft: return {-215, -4};
    case kDirAbove: return {-6, -170};
  }
  return {};
}

// Images of kW x kH cut from one textured scene at the given top-left corners.
std::vector<Bitmap> CutChain(const std::vector<Point>& corners, uint32_t seed) {
  int right = 0, bottom = 0;
  for (const Point& c : corners) {
    right = std::max(right, c.X + kW);
    bottom = std::max(bottom, c.Y + kH);
  }
  const Bitmap scene = TexturedBitmap(right, bottom, seed);
  std::vector<Bitmap> images;
  for (const Point& c : corners) images.push_back(CropBitmap(scene, c.X, c.Y, kW, kH));
  return images;
}

// Corners of a chain that follows the directions, shifted to be non-negative.
std::vector<Point> Corners(const std::vector<int>& directions) {
  std::vector<Point> corners{{0, 0}};
  for (int d : directions) {
    const Point o = OffsetFor(d);
    corners.push_back({corners.back().X + o.X, corners.back().Y + o.Y});
  }
  int minX = 0, minY = 0;
  for (const Point& c : corners) {
    minX = std::min(minX, c.X);
    minY = std::min(minY, c.Y);
  }
  for (Point& c : corners) c = {c.X - minX, c.Y - minY};
  return corners;
}

void Load(Panoram& pan, const std::vector<Bitmap>& images, const std::vector<int>& directions) {
  pan.ApplySettings({30, 8, 0, {}, 5, 1, 2});
  for (size_t i = 0; i < images.size(); ++i) {
    pan.AddImage(images[i], i == 0 ? kDirNone : directions[i - 1], "image");
  }
}

void ExpectLinkMatchesScene(const Panoram& pan, int i, const Point& corner, const Point& next) {
  const Point out = pan.GetLinkOut(i);
  const Point in = pan.GetLinkIn(i + 1);
  ASSERT_TRUE(pan.LinkDefined(i)) << "link " << i;
  EXPECT_EQ(out.X + corner.X, in.X + next.X) << "link " << i;
  EXPECT_EQ(out.Y + corner.Y, in.Y + next.Y) << "link " << i;
}

class SearchLinksDirection : public ::testing::TestWithParam<int> {};

TEST_P(SearchLinksDirection, KnownDirectionRecoversTheOffset) {
  const int d = GetParam();
  const std::vector<Point> corners = Corners({d});
  const std::vector<Bitmap> images = CutChain(corners, 40u + d);
  Panoram pan;
  Load(pan, images, {d});
  pan.SearchLinks(nullptr);
  ExpectLinkMatchesScene(pan, 0, corners[0], corners[1]);
}

TEST_P(SearchLinksDirection, AutomaticSearchFindsDirectionAndOffset) {
  const int d = GetParam();
  const std::vector<Point> corners = Corners({d});
  const std::vector<Bitmap> images = CutChain(corners, 40u + d);
  Panoram pan;
  Load(pan, images, {kDirNone});
  pan.AutoSearchLinks(nullptr);
  EXPECT_EQ(pan.Direction(1), d);
  ExpectLinkMatchesScene(pan, 0, corners[0], corners[1]);
}

INSTANTIATE_TEST_SUITE_P(Directions, SearchLinksDirection,
                         ::testing::Values(kDirRight, kDirBelow, kDirLeft, kDirAbove));

TEST(SearchLinksChain, EveryLinkOfAWindingChain) {
  const std::vector<int> directions{kDirRight, kDirBelow, kDirLeft};
  const std::vector<Point> corners = Corners(directions);
  const std::vector<Bitmap> images = CutChain(corners, 77);
  for (int threads : {1, 0}) {
    SetEngineThreads(threads);
    Panoram known;
    Load(known, images, directions);
    known.SearchLinks(nullptr);
    Panoram automatic;
    Load(automatic, images, {kDirNone, kDirNone, kDirNone});
    automatic.AutoSearchLinks(nullptr);
    for (int i = 0; i < 3; ++i) {
      ExpectLinkMatchesScene(known, i, corners[i], corners[i + 1]);
      ExpectLinkMatchesScene(automatic, i, corners[i], corners[i + 1]);
      EXPECT_EQ(automatic.Direction(i + 1), directions[i]);
    }
  }
  SetEngineThreads(0);
}

TEST(SearchLinksProgress, KnownDirectionsReportPerPair) {
  const std::vector<Bitmap> images = CutChain(Corners({kDirRight, kDirRight}), 3);
  Panoram pan;
  Load(pan, images, {kDirRight, kDirRight});
  Recorder r;
  pan.SearchLinks(&r);
  EXPECT_EQ(r.Values, (std::vector<int>{50, 100}));
}

TEST(SearchLinksProgress, AutomaticSearchReportsPerDirection) {
  const std::vector<Bitmap> images = CutChain(Corners({kDirRight, kDirRight}), 3);
  Panoram pan;
  Load(pan, images, {0, 0});
  Recorder r;
  pan.AutoSearchLinks(&r);
  EXPECT_EQ(r.Values, (std::vector<int>{12, 25, 37, 50, 62, 75, 87, 100}));
}

TEST(SearchLinksProgress, OneImageReportsNothing) {
  Panoram pan;
  pan.AddImage(TexturedBitmap(50, 40, 1), kDirNone, "one");
  Recorder r;
  pan.SearchLinks(&r);
  pan.AutoSearchLinks(&r);
  pan.AutoSearchLinks(nullptr);
  EXPECT_TRUE(r.Values.empty());
}

// Right and left see exactly the same pixels when the scene repeats every
// 70 columns and the zones sit 140 columns apart: the lower code wins.
TEST(SearchLinksTies, RightBeatsAnEqualLeft) {
  constexpr int kWidth = 200;
  const Bitmap tile = TexturedBitmap(70, 150, 12);
  Bitmap image(kWidth, 150);
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) image.Pixel(x, y)[c] = tile.Pixel(x % 70, y)[c];
    }
  }
  // The tie is real: both directions score the same.
  auto score = [&](int sourceZone, int searchedZone) {
    const Point p = FindFeaturePoint(image, ZoneRect(image, sourceZone, 30, 30, true), 6);
    const Bitmap templ = CopyRectBitmap(image, SquareAround(p.X, p.Y, 6));
    Point q{};
    return CorrelationSearch(templ, image, ZoneRect(image, searchedZone, 30, 30, false), 2, q);
  };
  ASSERT_GT(score(6, 4), 0.99);
  ASSERT_EQ(score(6, 4), score(4, 6));

  Panoram pan;
  pan.ApplySettings({30, 6, 0, {}, 5, 1, 2});
  pan.AddImage(image, kDirNone, "a");
  pan.AddImage(image, kDirAbove, "b");
  pan.AutoSearchLinks(nullptr);
  EXPECT_EQ(pan.Direction(1), kDirRight);
  EXPECT_EQ(pan.GetLinkOut(0).X - pan.GetLinkIn(1).X, 140);
}

TEST(SearchLinksNoMatch, FlatPairLeavesItsLinkUnsetAndDirectionAlone) {
  const std::vector<Bitmap> textured = CutChain(Corners({kDirRight}), 5);
  const Bitmap flat = FlatBitmap(kW, kH, 30, 60, 90);
  for (bool automatic : {false, true}) {
    Panoram pan;
    Load(pan, {textured[0], textured[1], flat}, {kDirRight, kDirBelow});
    // Links from an earlier search must not survive a pair that finds nothing.
    pan.SetLinkOut(1, 11, 12);
    pan.SetLinkIn(2, 13, 14);
    if (automatic) {
      pan.AutoSearchLinks(nullptr);
    } else {
      pan.SearchLinks(nullptr);
    }
    EXPECT_TRUE(pan.LinkDefined(0));
    EXPECT_EQ(pan.GetLinkOut(1), Point{});
    EXPECT_EQ(pan.GetLinkIn(2), Point{});
    EXPECT_EQ(pan.Direction(2), kDirBelow);
    EXPECT_FALSE(pan.AllLinksDefined());
  }
}

TEST(SearchLinksNoMatch, ZeroZoneFindsNothing) {
  const std::vector<Bitmap> images = CutChain(Corners({kDirRight}), 5);
  Panoram pan;
  Load(pan, images, {kDirRight});
  pan.ApplySettings({0, 8, 0, {}, 5, 1, 2});
  pan.SearchLinks(nullptr);
  EXPECT_FALSE(pan.LinkDefined(0));
  pan.AutoSearchLinks(nullptr);
  EXPECT_FALSE(pan.LinkDefined(0));
  EXPECT_EQ(pan.Direction(1), kDirRight);
}

TEST(SearchLinksNoMatch, UnknownDirectionSkipsOnlyThatPair) {
  const std::vector<Point> corners = Corners({kDirRight, kDirRight, kDirRight});
  const std::vector<Bitmap> images = CutChain(corners, 8);
  Panoram pan;
  Load(pan, images, {7, kDirRight, -1});
  pan.SetLinkOut(0, 1, 1);
  pan.SetLinkIn(1, 1, 1);
  pan.SearchLinks(nullptr);
  EXPECT_EQ(pan.GetLinkOut(0), Point{});
  EXPECT_EQ(pan.GetLinkIn(1), Point{});
  ExpectLinkMatchesScene(pan, 1, corners[1], corners[2]);
  EXPECT_FALSE(pan.LinkDefined(2));
}

TEST(SearchLinksNoMatch, UnsafeSettingsStillSearchSafely) {
  const std::vector<Point> corners = Corners({kDirBelow});
  const std::vector<Bitmap> images = CutChain(corners, 9);
  Panoram pan;
  Load(pan, images, {kDirBelow});
  pan.ApplySettings({30, 8, 0, {}, 5, 1, 0});  // step 0 works as 1
  pan.SearchLinks(nullptr);
  ExpectLinkMatchesScene(pan, 0, corners[0], corners[1]);
  pan.ApplySettings({300, -4, 0, {}, 5, 1, -2});  // zone limited to 100 %, radius 0
  pan.SearchLinks(nullptr);
  EXPECT_FALSE(pan.LinkDefined(0));
}

// The drivers wire the primitives exactly as a plain chain of them would:
// zones per direction, shrink flags, the template square, the step.
struct PlainMatch {
  Point Out, In;
  double Score = 0;
};

PlainMatch PlainPair(const Bitmap& a, const Bitmap& b, int d, int zone, int radius, int step) {
  static const int kSource[5] = {0, 6, 8, 4, 2};
  static const int kSearched[5] = {0, 4, 2, 6, 8};
  PlainMatch m;
  const Point p = ReferenceFindFeaturePoint(a, ZoneRect(a, kSource[d], zone, zone, true), radius);
  if (p == Point{}) return m;
  const Bitmap templ = CopyRectBitmap(a, SquareAround(p.X, p.Y, radius));
  Point q{};
  const double s =
      ReferenceCorrelationSearch(templ, b, ZoneRect(b, kSearched[d], zone, zone, false), step, q);
  if (s > 0) m = {p, q, s};
  return m;
}

TEST(SearchLinksPlainChain, BothDriversAgreeWithThePrimitives) {
  std::mt19937 rng(31);
  int found = 0;
  for (int trial = 0; trial < 3; ++trial) {
    const int zone = 30 + static_cast<int>(rng() % 15);
    const int radius = 3 + static_cast<int>(rng() % 6);
    const int step = 1 + static_cast<int>(rng() % 4);
    std::vector<Bitmap> images;
    for (int i = 0; i < 3; ++i) images.push_back(TexturedBitmap(200, 150, rng()));
    std::vector<int> directions{1 + static_cast<int>(rng() % 4), 1 + static_cast<int>(rng() % 4)};

    Panoram pan;
    pan.ApplySettings({zone, radius, 0, {}, 5, 1, step});
    for (int i = 0; i < 3; ++i) pan.AddImage(images[i], i ? directions[i - 1] : 0, "x");
    pan.SearchLinks(nullptr);
    for (int i = 0; i < 2; ++i) {
      const PlainMatch m = PlainPair(images[i], images[i + 1], directions[i], zone, radius, step);
      EXPECT_EQ(pan.GetLinkOut(i), m.Out) << trial << " link " << i;
      EXPECT_EQ(pan.GetLinkIn(i + 1), m.In) << trial << " link " << i;
    }

    pan.AutoSearchLinks(nullptr);
    for (int i = 0; i < 2; ++i) {
      PlainMatch best;
      int bestDirection = directions[i];
      for (int d = 1; d <= 4; ++d) {
        const PlainMatch m = PlainPair(images[i], images[i + 1], d, zone, radius, step);
        if (m.Score > best.Score) {
          best = m;
          bestDirection = d;
        }
      }
      EXPECT_EQ(pan.Direction(i + 1), bestDirection) << trial << " link " << i;
      EXPECT_EQ(pan.GetLinkOut(i), best.Out) << trial << " link " << i;
      EXPECT_EQ(pan.GetLinkIn(i + 1), best.In) << trial << " link " << i;
      found += pan.LinkDefined(i);
    }
  }
  EXPECT_GE(found, 3);  // most pairs find a match: the comparison is not between empty links
}

}  // namespace
