// Placement, canvas and composition of chains with exact links.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "support/reference_assembly.h"
#include "support/reference_images.h"
#include "support/testimages.h"

namespace {

// Links that put image i at offset (dx, dy) from image i - 1.
void LinkBy(Panoram& p, int i, int dx, int dy) {
  p.SetLinkIn(i, 100, 100);
  p.SetLinkOut(i - 1, 100 + dx, 100 + dy);
}

struct ChainStep {
  int Dx, Dy;
};

// Adds the bitmaps, links them by offsets from each predecessor and places them.
void Chain(Panoram& p, const std::vector<Bitmap>& images, const std::vector<ChainStep>& offsets) {
  for (const Bitmap& b : images) ASSERT_EQ(p.AddImage(b, 0, "x"), AddImageResult::Added);
  for (size_t i = 1; i < images.size(); ++i) {
    LinkBy(p, static_cast<int>(i), offsets[i - 1].Dx, offsets[i - 1].Dy);
  }
  p.PlaceChain();
}

std::vector<uint8_t> At(const Bitmap& b, int x, int y) {
  const uint8_t* px = b.Pixel(x, y);
  return {px[0], px[1], px[2]};
}

const std::vector<uint8_t> kWhite{255, 255, 255};

TEST(PlaceChain, LinksGivePlaceAndCanvas) {
  Panoram p;
  p.AddImage(FlatBitmap(200, 200, 1, 1, 1), 0, "a");
  p.AddImage(FlatBitmap(200, 200, 2, 2, 2), 1, "b");
  p.SetLinkOut(0, 150, 100);
  p.SetLinkIn(1, 10, 100);
  p.PlaceChain();
  EXPECT_EQ(p.Place(1), (Rect{140, 0, 340, 200}));
  ASSERT_TRUE(p.BuildCanvas());
  ASSERT_TRUE(p.Result());
  EXPECT_EQ(p.Result()->Width(), 340);
  EXPECT_EQ(p.Result()->Height(), 200);
  EXPECT_EQ(p.Bounds(), (Rect{0, 0, 340, 200}));
}

TEST(PlaceChain, ErrorsAddUpAlongTheChain) {
  Panoram p;
  Chain(p, {FlatBitmap(50, 40, 0, 0, 0), FlatBitmap(60, 30, 0, 0, 0), FlatBitmap(10, 10, 0, 0, 0)},
        {{45, 3}, {-7, 25}});
  EXPECT_EQ(p.Place(0), (Rect{0, 0, 50, 40}));
  EXPECT_EQ(p.Place(1), (Rect{45, 3, 105, 33}));
  EXPECT_EQ(p.Place(2), (Rect{38, 28, 48, 38}));
}

TEST(BuildCanvas, NegativePlacesMoveToTheOriginAndBoundsKeepTheMinimum) {
  Panoram p;
  // The second image lies above and to the left of the first.
  Chain(p, {FlatBitmap(200, 200, 0, 0, 0), FlatBitmap(200, 200, 0, 0, 0)}, {{-140, -110}});
  EXPECT_EQ(p.Place(1), (Rect{-140, -110, 60, 90}));
  ASSERT_TRUE(p.BuildCanvas());
  EXPECT_EQ(p.Place(0), (Rect{140, 110, 340, 310}));
  EXPECT_EQ(p.Place(1), (Rect{0, 0, 200, 200}));
  EXPECT_EQ(p.Bounds(), (Rect{-140, -110, 340, 310}));
  EXPECT_EQ(p.Result()->Width(), 340);
  EXPECT_EQ(p.Result()->Height(), 310);
}

TEST(BuildCanvas, AbsurdLayoutIsRefusedNotFatal) {
  Panoram p;
  Chain(p, {FlatBitmap(20, 20, 0, 0, 0), FlatBitmap(20, 20, 0, 0, 0)}, {{2000000, 5}});
  EXPECT_FALSE(p.BuildCanvas());
  EXPECT_FALSE(p.Result());
  p.Compose(true);  // nothing to draw on
  EXPECT_FALSE(p.Result());
}

TEST(BuildCanvas, ReplacesTheOldResultWithWhite) {
  Panoram p;
  p.ApplySettings({30, 15, 0, {}, 0, 0, 3});
  Chain(p, {FlatBitmap(20, 20, 0, 0, 0)}, {});
  ASSERT_TRUE(p.BuildCanvas());
  p.Compose(false);
  EXPECT_EQ(At(*p.Result(), 5, 5), (std::vector<uint8_t>{0, 0, 0}));
  ASSERT_TRUE(p.BuildCanvas());
  EXPECT_EQ(At(*p.Result(), 5, 5), kWhite);
}

TEST(Compose, WithoutResultDoesNothing) {
  Panoram p;
  p.AddImage(FlatBitmap(20, 20, 0, 0, 0), 0, "a");
  p.Compose(false);
  EXPECT_FALSE(p.Result());
}

// Two flat images, red then blue, overlapping by 60 columns; white below the second.
class TwoImages : public ::testing::Test {
 protected:
  void SetUp() override {
    Chain(p, {FlatBitmap(100, 80, 0, 0, 200), FlatBitmap(100, 60, 200, 0, 0)}, {{40, 0}});
    ASSERT_TRUE(p.BuildCanvas());
  }
  Panoram p;
  const std::vector<uint8_t> red{0, 0, 200}, blue{200, 0, 0};
};

class WithoutSmoothing : public TwoImages, public ::testing::WithParamInterface<int> {};

TEST_P(WithoutSmoothing, OverlapShowsTheLaterImageWhateverTheMode) {
  p.ApplySettings({30, 15, 0, {}, 5, GetParam(), 3});
  p.Compose(false);
  const Bitmap& r = *p.Result();
  EXPECT_EQ(At(r, 10, 10), red);
  EXPECT_EQ(At(r, 40, 10), blue);
  EXPECT_EQ(At(r, 99, 59), blue);
  EXPECT_EQ(At(r, 100, 59), blue);
  EXPECT_EQ(At(r, 120, 70), kWhite);  // no image there
  EXPECT_EQ(At(r, 60, 70), red);
}

INSTANTIATE_TEST_SUITE_P(Modes, WithoutSmoothing, ::testing::Values(0, 1, 2, 3, 4, 7));

TEST_F(TwoImages, ModeOutsideTheTableDrawsWithoutMixing) {
  p.ApplySettings({30, 15, 0, {}, 5, 7, 3});
  p.Compose(true);
  EXPECT_EQ(At(*p.Result(), 60, 30), blue);
}

TEST_F(TwoImages, CropFrameDrawsOnlyTheInnerRectangle) {
  p.ApplySettings({30, 15, 1, {}, 5, 0, 3});
  p.Compose(false);
  const Bitmap& r = *p.Result();
  EXPECT_EQ(At(r, 4, 10), kWhite);
  EXPECT_EQ(At(r, 5, 5), red);
  EXPECT_EQ(At(r, 5, 4), kWhite);
  EXPECT_EQ(At(r, 44, 5), red);  // the second image starts at 40 + 5
  EXPECT_EQ(At(r, 45, 5), blue);
  EXPECT_EQ(At(r, 134, 54), blue);  // its last inner pixel
  EXPECT_EQ(At(r, 135, 54), kWhite);
  EXPECT_EQ(At(r, 134, 55), kWhite);
}

TEST_F(TwoImages, AverageOfRedAndBlueInTheOverlap) {
  p.ApplySettings({30, 15, 0, {}, 5, 2, 3});
  p.Compose(true);
  const Bitmap& r = *p.Result();
  EXPECT_EQ(At(r, 60, 30), (std::vector<uint8_t>{100, 0, 100}));
  EXPECT_EQ(At(r, 120, 30), blue);
  EXPECT_EQ(At(r, 20, 30), red);
}

TEST(Compose, AverageOfWhiteOverBlackIsGrey127) {
  Panoram p;
  p.ApplySettings({30, 15, 0, {}, 0, 2, 3});
  Chain(p, {FlatBitmap(50, 50, 255, 255, 255), FlatBitmap(50, 50, 0, 0, 0)}, {{30, 0}});
  ASSERT_TRUE(p.BuildCanvas());
  p.Compose(true);
  EXPECT_EQ(At(*p.Result(), 40, 25), (std::vector<uint8_t>{127, 127, 127}));
  EXPECT_EQ(At(*p.Result(), 60, 25), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(Compose, SeveralEarlierImagesOverlapOneNewImage) {
  // 0 white and 1 grey side by side, 2 black below covering parts of both.
  Panoram p;
  p.ApplySettings({30, 15, 0, {}, 0, 2, 3});
  Chain(p,
        {FlatBitmap(100, 100, 255, 255, 255), FlatBitmap(100, 100, 100, 100, 100),
         FlatBitmap(100, 100, 0, 0, 0)},
        {{80, 0}, {-40, 60}});
  ASSERT_EQ(p.Place(2), (Rect{40, 60, 140, 160}));
  ASSERT_TRUE(p.BuildCanvas());
  p.Compose(true);
  const Bitmap& r = *p.Result();
  auto grey = [](int v) { return std::vector<uint8_t>(3, static_cast<uint8_t>(v)); };
  EXPECT_EQ(At(r, 10, 10), grey(255));    // image 0 alone
  EXPECT_EQ(At(r, 90, 10), grey(177));    // 1 mixed with 0
  EXPECT_EQ(At(r, 50, 80), grey(127));    // 2 mixed with 0
  EXPECT_EQ(At(r, 120, 80), grey(50));    // 2 mixed with 1
  EXPECT_EQ(At(r, 90, 80), grey(88));     // all three: 2 mixed with the mix of 0 and 1
  EXPECT_EQ(At(r, 60, 130), grey(0));     // image 2 alone
  EXPECT_EQ(At(r, 150, 130), grey(255));  // nothing: white
}

TEST(BlendOverlaps, FirstImageAndUnknownModeLeaveTheCopyAlone) {
  Panoram p;
  Chain(p, {FlatBitmap(50, 50, 255, 255, 255), FlatBitmap(50, 50, 0, 0, 0)}, {{30, 0}});
  ASSERT_TRUE(p.BuildCanvas());
  p.Compose(false);
  for (auto [index, method] : {std::pair{0, 2}, std::pair{1, 5}, std::pair{1, -1}}) {
    Bitmap copy = p.ImageBitmap(index);
    p.BlendOverlaps(index, method, copy, false);
    EXPECT_TRUE(copy == p.ImageBitmap(index)) << index << " " << method;
  }
  Bitmap copy = p.ImageBitmap(1);
  p.BlendOverlaps(1, 2, copy, false);
  EXPECT_EQ(At(copy, 0, 0)[0], 127);  // the overlap, in image 1's own coordinates
  EXPECT_EQ(At(copy, 20, 0)[0], 0);   // beyond it
}

// A 2 x 2 grid cut from one texture at known offsets: wherever the images
// agree, every seam method must give back the texture itself.
class GridFromOneTexture : public ::testing::TestWithParam<int> {
 protected:
  static constexpr int kW = 90, kH = 70;
  Bitmap source = TexturedBitmap(200, 160, 11);
  // Snake order: right, below, left.
  std::vector<Point> origins{{3, 2}, {70, 5}, {68, 60}, {1, 57}};
};

TEST_P(GridFromOneTexture, MosaicEqualsTheSource) {
  Panoram p;
  p.ApplySettings({30, 15, 0, {}, 0, GetParam(), 3});
  std::vector<Bitmap> fields;
  std::vector<ChainStep> offsets;
  for (size_t i = 0; i < origins.size(); ++i) {
    fields.push_back(CropBitmap(source, origins[i].X, origins[i].Y, kW, kH));
    if (i > 0)
      offsets.push_back({origins[i].X - origins[i - 1].X, origins[i].Y - origins[i - 1].Y});
  }
  Chain(p, fields, offsets);
  ASSERT_TRUE(p.BuildCanvas());
  EXPECT_EQ(p.Bounds(), (Rect{-2, 0, 159, 128}));
  p.Compose(true);
  const Bitmap& r = *p.Result();
  // Diffusion mixes equal bytes through floating point and may lose one.
  const int tolerance = GetParam() == 1 ? 1 : 0;
  int checked = 0;
  for (const Point& o : origins) {
    for (int y = 0; y < kH; y += 3) {
      for (int x = 0; x < kW; x += 3) {
        // Canvas = source shifted by the smallest origin (1, 2).
        const uint8_t* got = r.Pixel(o.X - 1 + x, o.Y - 2 + y);
        const uint8_t* want = source.Pixel(o.X + x, o.Y + y);
        for (int ch = 0; ch < 3; ++ch) {
          ASSERT_LE(std::abs(got[ch] - want[ch]), tolerance) << x << "," << y;
        }
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 2000);
}

INSTANTIATE_TEST_SUITE_P(Modes, GridFromOneTexture, ::testing::Values(0, 1, 2, 3, 4));

// Random chains of noisy images, composed by the engine and by the literal
// rules (whole working copies, pixel by pixel): the canvases must be equal.
struct ComposeCase {
  int Mode;
  bool Smoothing;
  bool Crop;
  int Threads;
};

class ComposeLiteralTest : public ::testing::TestWithParam<ComposeCase> {
 protected:
  void TearDown() override { SetEngineThreads(0); }
};

TEST_P(ComposeLiteralTest, SameCanvasAsTheLiteralRules) {
  const ComposeCase c = GetParam();
  SetEngineThreads(c.Threads);
  std::mt19937 rng(static_cast<uint32_t>(c.Mode * 8 + c.Smoothing * 4 + c.Crop * 2));
  for (int round = 0; round < 12; ++round) {
    Panoram p;
    // Frames from -2 (settings read from a file are taken as stored) to 3.
    p.ApplySettings({30,
                     15,
                     static_cast<uint8_t>(c.Crop ? 1 : 0),
                     {},
                     static_cast<int32_t>(rng() % 6) - 2,
                     c.Mode,
                     3});
    const int count = 2 + static_cast<int>(rng() % 5);
    std::vector<Bitmap> images;
    std::vector<ChainStep> offsets;
    for (int i = 0; i < count; ++i) {
      const int w = 8 + static_cast<int>(rng() % 40), h = 8 + static_cast<int>(rng() % 40);
      images.push_back(i % 2 ? NoiseBitmap(w, h, rng()) : TexturedBitmap(w, h, rng()));
      // Round 0 piles every image on the first, so the overlaps outgrow the image.
      if (i > 0) {
        offsets.push_back(round == 0 ? ChainStep{1, 1}
                                     : ChainStep{static_cast<int>(rng() % 50) - 25,
                                                 static_cast<int>(rng() % 50) - 25});
      }
    }
    Chain(p, images, offsets);
    ASSERT_TRUE(p.BuildCanvas());
    const Bitmap expected = ReferenceCompose(p, c.Smoothing);
    p.Compose(c.Smoothing);
    ASSERT_TRUE(*p.Result() == expected) << "round " << round;
  }
}

std::vector<ComposeCase> ComposeCases() {
  std::vector<ComposeCase> cases;
  for (int mode : {0, 1, 2, 3, 4, 9})
    for (bool crop : {false, true})
      for (int threads : {1, 3}) cases.push_back({mode, true, crop, threads});
  cases.push_back({1, false, false, 1});
  cases.push_back({1, false, true, 3});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, ComposeLiteralTest, ::testing::ValuesIn(ComposeCases()),
                         [](const auto& tc) {
                           const ComposeCase& c = tc.param;
                           return "Mode" + std::to_string(c.Mode) + (c.Smoothing ? "Smooth" : "") +
                                  (c.Crop ? "Crop" : "") + "Threads" + std::to_string(c.Threads);
                         });

}  // namespace
