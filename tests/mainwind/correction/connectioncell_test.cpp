#include "mainwind/correction/connectioncell.h"

#include <gtest/gtest.h>
#include <QColor>

#include "support/testimages.h"

namespace {

// The list's cell: 208 x 158, so the previews are scaled to 200 x 150.
constexpr int kW = 208;
constexpr int kH = 158;
const QColor kFace(212, 208, 200);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// A 400 x 300 preview whose quadrants have the four given colours.
Bitmap Quadrants(QColor tl, QColor tr, QColor bl, QColor br) {
  Bitmap b(400, 300);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      const QColor& c = y < 150 ? (x < 200 ? tl : tr) : (x < 200 ? bl : br);
      uint8_t* p = b.Pixel(x, y);
      p[0] = static_cast<uint8_t>(c.blue());
      p[1] = static_cast<uint8_t>(c.green());
      p[2] = static_cast<uint8_t>(c.red());
    }
  }
  return b;
}

// Parent quadrants in greens and teals, child quadrants in yellows and purples:
// none is red, blue, black or the face, so every pixel says where it came from.
const QColor kPTL(0, 120, 0), kPTR(0, 200, 0), kPBL(0, 120, 120), kPBR(0, 200, 200);
const QColor kCTL(200, 200, 0), kCTR(120, 120, 0), kCBL(200, 0, 200), kCBR(120, 0, 120);
const Bitmap& ParentThumb() {
  static const Bitmap b = Quadrants(kPTL, kPTR, kPBL, kPBR);
  return b;
}
const Bitmap& ChildThumb() {
  static const Bitmap b = Quadrants(kCTL, kCTR, kCBL, kCBR);
  return b;
}

QImage Cell(int direction, bool selected = false, bool linkSet = false, int index = 0,
            double score = 0.9, bool weak = false) {
  ConnectionCellStyle style;
  style.Index = index;
  style.Direction = direction;
  style.Selected = selected;
  style.LinkSet = linkSet;
  style.Score = score;
  style.Weak = weak;
  style.Face = kFace;
  return RenderConnectionCell(kW, kH, ParentThumb(), ChildThumb(), style);
}

int Count(const QImage& image, QColor colour, QRect area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == colour;
  return n;
}

// What a direction puts into the four corners of the cell, and where the
// one-pixel gap between the halves runs.
struct LayoutCase {
  int Direction;
  QColor TopLeft, TopRight, BottomLeft, BottomRight;
  bool VerticalGap;  // the gap is column 104 (else row 79)
};

class ConnectionCellLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ConnectionCellLayoutTest, FacingHalvesMeetWhereTheImagesMeet) {
  const LayoutCase& c = GetParam();
  for (bool selected : {false, true}) {
    const QImage cell = Cell(c.Direction, selected);
    const QColor fill = selected ? kRed : kFace;
    ASSERT_EQ(cell.size(), QSize(kW, kH));
    EXPECT_EQ(cell.pixelColor(20, 20), c.TopLeft);
    EXPECT_EQ(cell.pixelColor(190, 20), c.TopRight);
    EXPECT_EQ(cell.pixelColor(20, 140), c.BottomLeft);
    EXPECT_EQ(cell.pixelColor(190, 140), c.BottomRight);
    // Halves are copied at 1:1 from a 200 x 150 preview, with one pixel between them.
    if (c.VerticalGap) {
      EXPECT_EQ(cell.pixelColor(103, 20), c.TopLeft);
      EXPECT_EQ(cell.pixelColor(104, 20), fill);
      EXPECT_EQ(cell.pixelColor(105, 20), c.TopRight);
      EXPECT_EQ(cell.pixelColor(204, 140), c.BottomRight);
    } else {
      EXPECT_EQ(cell.pixelColor(20, 78), c.TopLeft);
      EXPECT_EQ(cell.pixelColor(20, 79), fill);
      EXPECT_EQ(cell.pixelColor(20, 80), c.BottomLeft);
      EXPECT_EQ(cell.pixelColor(190, 154), c.BottomRight);
    }
    EXPECT_EQ(cell.pixelColor(4, 4), c.TopLeft);
    EXPECT_EQ(cell.pixelColor(3, 20), fill);
    EXPECT_EQ(cell.pixelColor(20, 3), fill);
    EXPECT_EQ(cell.pixelColor(206, 20), fill);
    EXPECT_EQ(cell.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(cell.pixelColor(kW - 1, kH - 1), QColor(Qt::black));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Directions, ConnectionCellLayoutTest,
    ::testing::Values(
        // Child right of the parent: parent's right half left, child's left half right.
        LayoutCase{1, kPTR, kCTL, kPBR, kCBL, true},
        // Child below: parent's bottom half on top, child's top half below.
        LayoutCase{2, kPBL, kPBR, kCTL, kCTR, false},
        // Child left: child's right half left, parent's left half right.
        LayoutCase{3, kCTR, kPTL, kCBR, kPBL, true},
        // Child above: child's bottom half on top, parent's top half below.
        LayoutCase{4, kCBL, kCBR, kPTL, kPTR, false}));

TEST(ConnectionCell, UnknownDirectionCopiesNothingAndPutsNumbersInTheCorner) {
  for (int direction : {0, 5, -1}) {
    const QImage cell = Cell(direction);
    const QRect inner(1, 1, kW - 2, kH - 2);
    for (const QColor& c : {kPTL, kPTR, kPBL, kPBR, kCTL, kCTR, kCBL, kCBR})
      EXPECT_EQ(Count(cell, c, inner), 0) << direction;
    EXPECT_GT(Count(cell, kBlue, QRect(0, 0, 30, 24)), 5);
    EXPECT_EQ(Count(cell, kBlue, QRect(30, 0, kW - 30, kH)), 0);
    EXPECT_EQ(Count(cell, kBlue, QRect(0, 24, kW, kH - 24)), 0);
  }
}

TEST(ConnectionCell, NumbersStandWhereTheirImagesAre) {
  // Direction 1: parent number at (W/4, H/2) = (50, 75), child at (150, 75).
  const QImage cell = Cell(1);
  EXPECT_GT(Count(cell, kBlue, QRect(50, 75, 30, 22)), 5);
  EXPECT_GT(Count(cell, kBlue, QRect(150, 75, 30, 22)), 5);
  EXPECT_EQ(Count(cell, kBlue, QRect(0, 0, kW, 75)), 0);
  EXPECT_EQ(Count(cell, kBlue, QRect(80, 0, 70, kH)), 0);
  // Direction 4: the parent below, at (100, 112); the child above, at (100, 37).
  const QImage up = Cell(4);
  EXPECT_GT(Count(up, kBlue, QRect(100, 112, 30, 22)), 5);
  EXPECT_GT(Count(up, kBlue, QRect(100, 37, 30, 22)), 5);
  EXPECT_EQ(Count(up, kBlue, QRect(0, 0, 100, kH)), 0);
}

// Columns holding ink of the given colour inside area.
int InkColumns(const QImage& image, QColor ink, QRect area) {
  int columns = 0;
  for (int x = area.left(); x <= area.right(); ++x)
    columns += Count(image, ink, QRect(x, area.top(), 1, area.height())) > 0;
  return columns;
}

TEST(ConnectionCell, ImagesAreNumberedFromOne) {
  // Connection 8 joins images 9 and 10: the child's number has two digits.
  const QRect child(150, 75, 40, 22);
  const QRect parent(50, 75, 40, 22);
  EXPECT_GT(InkColumns(Cell(1, false, false, 8), kBlue, child),
            InkColumns(Cell(1, false, false, 0), kBlue, child));
  EXPECT_NE(Cell(1, false, false, 0), Cell(1, false, false, 1));
  // "1" is narrower than "9".
  EXPECT_LT(InkColumns(Cell(1, false, false, 0), kBlue, parent),
            InkColumns(Cell(1, false, false, 8), kBlue, parent));
}

TEST(ConnectionCell, SelectedRowIsRedWithRedNumbers) {
  const QImage cell = Cell(1, true);
  EXPECT_EQ(cell.pixelColor(2, 2), kRed);
  EXPECT_EQ(Count(cell, kBlue, cell.rect()), 0);
  EXPECT_GT(Count(cell, kRed, QRect(50, 75, 30, 22)), 5);
  const QImage plain = Cell(1, false);
  EXPECT_EQ(plain.pixelColor(2, 2), kFace);
  EXPECT_EQ(Count(plain, kRed, plain.rect()), 0);
}

TEST(ConnectionCell, DiscMarksASetConnectionInsideItsBounds) {
  for (int direction : {1, 2}) {
    const QImage unset = Cell(direction, false, false);
    const QImage set = Cell(direction, false, true);
    const QRect bounds(kW / 2 - 10, kH / 2 - 10, 20,
                       20);  // (w/2 - 10, h/2 - 10, w/2 + 10, h/2 + 10)
    EXPECT_EQ(set.pixelColor(kW / 2, kH / 2), kRed);
    EXPECT_EQ(set.pixelColor(kW / 2 - 4, kH / 2 + 3), kRed);
    EXPECT_GT(Count(set, Qt::black, bounds), 20);
    EXPECT_EQ(Count(unset, Qt::black, bounds), 0);
    // Apart from the score's label, only the disc differs.
    const QRect label = ConnectionScoreRect(kW, kH);
    int outside = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        outside += !bounds.contains(x, y) && !label.contains(x, y) &&
                   set.pixelColor(x, y) != unset.pixelColor(x, y);
    EXPECT_EQ(outside, 0) << direction;
  }
}

TEST(ConnectionCell, WeakAndUnsetLinksAreLabelledInYellow) {
  const QImage strong = Cell(1, false, true, 0, 0.93, false);
  const QImage weak = Cell(1, false, true, 0, 0.31, true);
  const QImage unset = Cell(1, false, false);
  const QImage selectedWeak = Cell(1, true, true, 0, 0.31, true);
  const QRect label = ConnectionScoreRect(kW, kH);
  ASSERT_FALSE(label.isEmpty());
  const QRect inside = label.adjusted(2, 2, -2, -2);
  EXPECT_EQ(Count(strong, kConnectionMarkColour, strong.rect()), 0);
  EXPECT_EQ(strong.pixelColor(inside.topLeft()), QColor(Qt::white));
  // The score is written: plenty of the label is neither its fill nor its outline.
  EXPECT_GT(inside.width() * inside.height() - Count(strong, Qt::white, inside), 20);
  for (const QImage* marked : {&weak, &unset, &selectedWeak}) {
    EXPECT_EQ(marked->pixelColor(inside.topLeft()), kConnectionMarkColour);
    EXPECT_GT(inside.width() * inside.height() - Count(*marked, kConnectionMarkColour, inside), 20);
  }
  // The rest of the cell is as the spec's painting leaves it.
  EXPECT_EQ(selectedWeak.pixelColor(2, 2), kRed);
  EXPECT_EQ(weak.pixelColor(20, 140), strong.pixelColor(20, 140));
}

TEST(ConnectionCell, ScoreTextHasTwoDecimalsAndTheOffsetOrSaysUnset) {
  ConnectionCellStyle style;
  style.LinkSet = true;
  style.Score = 0.934;
  style.LinkOffset = {215, -5};
  EXPECT_EQ(ConnectionScoreText(style), QStringLiteral("0,93 · (215, -5) пикс."));
  style.Score = 1.0;
  style.LinkOffset = {0, 170};
  EXPECT_EQ(ConnectionScoreText(style), QStringLiteral("1,00 · (0, 170) пикс."));
  style.LinkSet = false;
  EXPECT_EQ(ConnectionScoreText(style), QStringLiteral("не задана"));
}

TEST(ConnectionCell, TinyOrEmptyCellsAndMissingPreviews) {
  ConnectionCellStyle style;
  style.Direction = 1;
  EXPECT_TRUE(RenderConnectionCell(0, 10, ParentThumb(), ChildThumb(), style).isNull());
  const QImage tiny = RenderConnectionCell(6, 6, ParentThumb(), ChildThumb(), style);
  EXPECT_EQ(tiny.size(), QSize(6, 6));
  style.Face = kFace;
  const QImage empty = RenderConnectionCell(kW, kH, Bitmap(), Bitmap(), style);
  EXPECT_EQ(empty.pixelColor(20, 20), kFace);
}

}  // namespace
