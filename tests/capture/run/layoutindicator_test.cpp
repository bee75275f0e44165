#include "capture/run/layoutindicator.h"

#include <gtest/gtest.h>
#include <QPoint>

#include <string>
#include <vector>

#include "engine/panoram.h"
#include "support/testimages.h"

namespace {

constexpr int kWidth = 220;
constexpr int kHeight = 165;

struct Colour {
  int Red, Green, Blue;
  friend bool operator==(const Colour&, const Colour&) = default;
};

void PrintTo(const Colour& c, std::ostream* os) {
  *os << "(" << c.Red << "," << c.Green << "," << c.Blue << ")";
}

const Colour kWhite{255, 255, 255};
const Colour kBlue{0, 0, 255};
const Colour kRed{255, 0, 0};
const Colour kGreen{0, 128, 0};

Colour At(const Bitmap& picture, int x, int y) {
  const uint8_t* p = picture.Pixel(x, y);
  return {p[2], p[1], p[0]};
}

int CountOf(const Bitmap& picture, const Colour& colour) {
  int n = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) n += At(picture, x, y) == colour ? 1 : 0;
  }
  return n;
}

// The pixels a 3-pixel pen covers around the rectangle (left, top, right,
// bottom), right and bottom exclusive: the edge pixels and one either side.
bool OnThickOutline(int x, int y, int left, int top, int right, int bottom) {
  const bool inOuter = x >= left - 1 && x <= right && y >= top - 1 && y <= bottom;
  const bool inInner = x >= left + 2 && x <= right - 3 && y >= top + 2 && y <= bottom - 3;
  return inOuter && !inInner;
}

Bitmap Drawn(const std::vector<int32_t>& directions, int32_t code) {
  Bitmap picture(kWidth, kHeight, 77);  // anything but white: the fill must cover it
  DrawLayoutIndicator(picture, directions, code);
  return picture;
}

TEST(LayoutIndicator, WithoutImagesOnlyABlueSquareOutlinesTheMiddleThird) {
  const Bitmap picture = Drawn({}, 1);
  // (220 div 3, 165 div 3, 2 * 220 div 3, 2 * 165 div 3) = (73, 55, 146, 110)
  int blue = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool outline = OnThickOutline(x, y, 73, 55, 146, 110);
      ASSERT_EQ(At(picture, x, y), outline ? kBlue : kWhite) << x << "," << y;
      blue += outline ? 1 : 0;
    }
  }
  EXPECT_EQ(blue, 75 * 57 - 69 * 51);
}

TEST(LayoutIndicator, OneImageSitsInTheMiddleOfThreeByThreeWithTheNextCellBeside) {
  // cw = 220 div 3 = 73, ch = 165 div 3 = 55.
  // Per pressed code: the next cell, a pixel of the middle cell's border away
  // from it (red) and one of the edge they share (blue, drawn last).
  const struct {
    int32_t Code;
    int Column, Row;
    QPoint Away, Shared;
  } cases[] = {{1, 2, 1, {73, 82}, {146, 82}},
               {2, 1, 2, {110, 55}, {110, 110}},
               {3, 0, 1, {145, 82}, {73, 82}},
               {4, 1, 0, {110, 109}, {110, 55}}};
  for (const auto& c : cases) {
    const Bitmap picture = Drawn({0}, c.Code);
    EXPECT_EQ(At(picture, 110, 82), kGreen) << c.Code;  // centre of cell (1, 1)
    EXPECT_EQ(At(picture, c.Away.x(), c.Away.y()), kRed) << c.Code;
    EXPECT_EQ(At(picture, c.Shared.x(), c.Shared.y()), kBlue) << c.Code;
    const int left = c.Column * 73;
    const int top = c.Row * 55;
    const int midX = left + 36;
    const int midY = top + 27;
    // The outline's far edges, the last pixel inside the picture when at its border.
    const int farX = c.Column == 2 ? left + 72 : left;
    const int farY = c.Row == 2 ? top + 54 : top;
    if (c.Column != 1) {
      EXPECT_EQ(At(picture, farX, midY), kBlue) << c.Code;
    }
    if (c.Row != 1) {
      EXPECT_EQ(At(picture, midX, farY), kBlue) << c.Code;
    }
    EXPECT_EQ(At(picture, midX, midY), kWhite) << c.Code;  // clear brush
    EXPECT_EQ(CountOf(picture, kGreen) + CountOf(picture, kRed) + CountOf(picture, kBlue) +
                  CountOf(picture, kWhite),
              kWidth * kHeight);
  }
}

TEST(LayoutIndicator, ChainRightRightDownOnFiveByFourCells) {
  // cw = 220 div 5 = 44, ch = 165 div 4 = 41; centres x 66, 110, 154, y 61, 102.
  const Bitmap picture = Drawn({0, 1, 1, 2}, 3);
  for (const auto& [x, y] : {std::pair{66, 61}, {110, 61}, {154, 61}, {154, 102}}) {
    EXPECT_EQ(At(picture, x, y), kRed) << x << "," << y;              // dot
    EXPECT_EQ(At(picture, x - 10, y - 10), kGreen) << x << "," << y;  // cell body
  }
  // Lines between the centres, away from the dots and borders.
  for (const int x : {78, 95, 125, 140}) EXPECT_EQ(At(picture, x, 61), kRed) << x;
  for (const int y : {70, 76, 92}) EXPECT_EQ(At(picture, 154, y), kRed) << y;
  EXPECT_EQ(At(picture, 78, 62), kGreen);
  // Cell borders of the first cell: (44, 41) to (88, 82).
  EXPECT_EQ(At(picture, 43, 50), kRed);
  EXPECT_EQ(At(picture, 45, 50), kRed);
  EXPECT_EQ(At(picture, 46, 50), kGreen);
  // The next cell, left of the last one: (88, 82) to (132, 123), outline only.
  EXPECT_EQ(At(picture, 110, 123), kBlue);
  EXPECT_EQ(At(picture, 110, 124), kWhite);
  EXPECT_EQ(At(picture, 87, 100), kBlue);
  EXPECT_EQ(At(picture, 131, 100), kBlue);
  EXPECT_EQ(At(picture, 110, 100), kWhite);
  // The empty margin cells stay white.
  for (const auto& [x, y] : {std::pair{20, 20}, {200, 20}, {20, 150}, {200, 150}}) {
    EXPECT_EQ(At(picture, x, y), kWhite) << x << "," << y;
  }
}

TEST(LayoutIndicator, CodeZeroDrawsNoOutlineAndCodesAboveFourStayOnTheLastCell) {
  const std::vector<int32_t> chain{0, 1, 1, 2};
  EXPECT_EQ(CountOf(Drawn(chain, 0), kBlue), 0);
  EXPECT_EQ(CountOf(Drawn(chain, -1), kBlue), 0);
  const Bitmap stay = Drawn(chain, 9);
  // The last cell (132, 82)-(176, 123) gets the blue outline over its border.
  EXPECT_EQ(At(stay, 154, 82), kBlue);
  EXPECT_EQ(At(stay, 175, 102), kBlue);
  EXPECT_EQ(At(stay, 154, 102), kRed);  // its dot stays
  EXPECT_NE(CountOf(Drawn(chain, 0), kGreen), 0);
}

TEST(LayoutIndicator, TheEngineOverloadReadsTheChainAndLongChainsDrawSafely) {
  Panoram engine;
  const Bitmap frame = FlatBitmap(8, 6, 1, 2, 3);
  for (const int32_t code : {0, 1, 1, 2}) {
    ASSERT_EQ(engine.AddImage(frame, code, "f"), AddImageResult::Added);
  }
  Bitmap fromEngine(kWidth, kHeight);
  DrawLayoutIndicator(fromEngine, engine, 3);
  EXPECT_EQ(fromEngine, Drawn({0, 1, 1, 2}, 3));

  // More cells than pixels: the cells shrink to nothing, nothing is written outside.
  const std::vector<int32_t> row(200, 1);
  const std::vector<int32_t> column(200, 2);
  EXPECT_EQ(Drawn(row, 1).Width(), kWidth);
  EXPECT_EQ(Drawn(column, 2).Height(), kHeight);
  Bitmap empty;
  DrawLayoutIndicator(empty, row, 1);
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
