// The common crop rectangle and the hand-over of the mosaic to a picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/panoram.h"
#include "support/testimages.h"

namespace {

// A picture that records what the engine hands it.
class FakePicture : public Picture {
 public:
  void Assign(const Bitmap& bitmap) override {
    held = bitmap;
    ++assigns;
  }
  bool Resize(int width, int height) override {
    ++resizes;
    if (refuseResize) return false;
    held = Bitmap(width, height);
    return true;
  }
  Bitmap& Canvas() override { return held; }

  Bitmap held;
  int assigns = 0;
  int resizes = 0;
  bool refuseResize = false;
};

struct Cell {
  int Column, Row;
};

// Places square images at absolute (left, top) via links and puts image i in cells[i].
void Layout(Panoram& p, MontageTable& table, int side, const std::vector<Point>& places,
            const std::vector<Cell>& cells) {
  for (size_t i = 0; i < places.size(); ++i) {
    p.AddImage(FlatBitmap(side, side, 9, 9, 9), 0, "f");
    if (i > 0) {
      p.SetLinkIn(static_cast<int>(i), 1, 1);
      p.SetLinkOut(static_cast<int>(i) - 1, 1 + places[i].X - places[i - 1].X,
                   1 + places[i].Y - places[i - 1].Y);
    }
    table.At(cells[i].Column, cells[i].Row) = static_cast<int32_t>(i);
  }
  p.PlaceChain();
}

struct CropCase {
  const char* Name;
  std::vector<Point> Places;
  std::vector<Cell> Cells;
  bool Crop;
  int Frame;
  Rect Expected;
};

class CommonRectTest : public ::testing::TestWithParam<CropCase> {};

TEST_P(CommonRectTest, LimitsEverySideWithoutANeighbour) {
  const CropCase& c = GetParam();
  Panoram p;
  p.ApplySettings({30, 15, static_cast<uint8_t>(c.Crop), {}, c.Frame, 0, 3});
  MontageTable table;
  Layout(p, table, 200, c.Places, c.Cells);
  ASSERT_TRUE(p.BuildCanvas());
  EXPECT_EQ(p.CommonRect(table), c.Expected);
}

const std::vector<Point> kRow{{0, 0}, {180, 4}, {360, -3}};
const std::vector<Cell> kRowCells{{0, 0}, {1, 0}, {2, 0}};
// The 2 x 2 grid in snake order: right, below, left.
const std::vector<Point> kGrid{{0, 0}, {180, 2}, {182, 191}, {1, 190}};
const std::vector<Cell> kGridCells{{0, 0}, {1, 0}, {1, 1}, {0, 1}};

INSTANTIATE_TEST_SUITE_P(
    Layouts, CommonRectTest,
    ::testing::Values(
        // Tops 0, 4, -3 become 3, 7, 0 on the canvas.
        CropCase{"RowOfThree", kRow, kRowCells, false, 5, {0, 7, 560, 200}},
        CropCase{"Grid2x2", kGrid, kGridCells, false, 5, {1, 2, 380, 390}},
        CropCase{"Grid2x2Frame5", kGrid, kGridCells, true, 5, {6, 7, 375, 385}},
        CropCase{"RowFrame5", kRow, kRowCells, true, 5, {5, 12, 555, 195}},
        // At the table's last column and row the image still limits those sides.
        CropCase{"TableCorner", {{0, 0}}, {{99, 99}}, false, 0, {0, 0, 200, 200}},
        // Frames from a settings file: the sides stop at the 32-bit limits
        // instead of wrapping (a huge frame empties the rectangle).
        CropCase{"FrameIntMax",
                 kGrid,
                 kGridCells,
                 true,
                 INT32_MAX,
                 {INT32_MAX, INT32_MAX, 380 - INT32_MAX, 390 - INT32_MAX}},
        CropCase{"FrameIntMin",
                 kGrid,
                 kGridCells,
                 true,
                 INT32_MIN,
                 {INT32_MIN + 1, INT32_MIN + 2, INT32_MAX, INT32_MAX}}),
    [](const auto& tc) { return std::string(tc.param.Name); });

TEST(CommonRect, EmptyTableStaysAtTheLimits) {
  Panoram p;
  p.ApplySettings({30, 15, 0, {}, 5, 0, 3});
  MontageTable table;
  EXPECT_EQ(p.CommonRect(table), (Rect{-30000, -30000, 30000, 30000}));
}

TEST(ClampCropRect, KeepsThePictureInsideTheCanvas) {
  EXPECT_EQ(ClampCropRect({10, 20, 30, 40}, 100, 50), (Rect{10, 20, 30, 40}));
  EXPECT_EQ(ClampCropRect({-10, -5, 300, 45}, 100, 50), (Rect{0, 0, 100, 45}));
  EXPECT_EQ(ClampCropRect({-30000, -30000, 30000, 30000}, 100, 50), (Rect{0, 0, 100, 50}));
  EXPECT_EQ(ClampCropRect({30000, 30000, -30000, -30000}, 100, 50), (Rect{0, 0, 100, 50}));
  EXPECT_EQ(ClampCropRect({60, 10, 40, 20}, 100, 50), (Rect{0, 0, 100, 50}));    // inverted
  EXPECT_EQ(ClampCropRect({200, 10, 300, 20}, 100, 50), (Rect{0, 0, 100, 50}));  // outside
}

class ShowOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    p.ApplySettings({30, 15, 0, {}, 0, 0, 3});
    p.AddImage(TexturedBitmap(120, 80, 5), 0, "t");
    ASSERT_TRUE(p.BuildCanvas());
    p.Compose(false);
  }
  Panoram p;
  FakePicture picture;
};

TEST_F(ShowOutput, WholeCanvas) {
  p.ShowResult(picture);
  EXPECT_TRUE(picture.held == *p.Result());
}

TEST_F(ShowOutput, PartIsTheRectangleOfTheCanvas) {
  p.ShowResultPart(picture, {7, 11, 57, 31});
  ASSERT_EQ(picture.held.Width(), 50);
  ASSERT_EQ(picture.held.Height(), 20);
  EXPECT_TRUE(picture.held == CropBitmap(*p.Result(), 7, 11, 50, 20));
}

TEST_F(ShowOutput, PartReachingOutsideIsClamped) {
  p.ShowResultPart(picture, {100, -20, 500, 10});
  EXPECT_TRUE(picture.held == CropBitmap(*p.Result(), 100, 0, 20, 10));
}

TEST_F(ShowOutput, EmptyPartShowsTheWholeCanvas) {
  p.ShowResultPart(picture, {30000, 30000, -30000, -30000});
  EXPECT_TRUE(picture.held == *p.Result());
}

TEST_F(ShowOutput, TakenResultIsTheShownOneWithoutACopy) {
  p.ShowResult(picture);
  const uint8_t* canvasPixels = p.Result()->Data();
  const Bitmap whole = p.TakeResult();
  EXPECT_EQ(whole.Data(), canvasPixels);  // the same memory, handed over
  EXPECT_TRUE(whole == picture.held);
  EXPECT_FALSE(p.Result().has_value());
  EXPECT_TRUE(p.TakeResult().Empty());
}

TEST_F(ShowOutput, TakenPartIsTheShownPart) {
  for (const Rect r :
       {Rect{7, 11, 57, 31}, Rect{100, -20, 500, 10}, Rect{30000, 30000, -30000, -30000}}) {
    ASSERT_TRUE(p.BuildCanvas());
    p.Compose(false);
    p.ShowResultPart(picture, r);
    const Bitmap part = p.TakeResult(&r);
    EXPECT_TRUE(part == picture.held) << r.Left << "," << r.Top;
  }
}

TEST_F(ShowOutput, RefusedResizeLeavesThePicture) {
  picture.held = FlatBitmap(3, 3, 1, 2, 3);
  picture.refuseResize = true;
  p.ShowResultPart(picture, {0, 0, 10, 10});
  EXPECT_TRUE(picture.held == FlatBitmap(3, 3, 1, 2, 3));
}

TEST(ShowWithoutResult, LeavesThePictureUnchanged) {
  Panoram p;
  FakePicture picture;
  p.ShowResult(picture);
  p.ShowResultPart(picture, {0, 0, 10, 10});
  EXPECT_EQ(picture.assigns + picture.resizes, 0);
}

}  // namespace
