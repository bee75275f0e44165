#include "mainwind/thumbcell.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QPainter>

#include <cstdlib>
#include <utility>

#include "support/testimages.h"

namespace {

constexpr int kW = 250;
constexpr int kH = 187;
const QColor kFace(212, 208, 200);

QImage Cell(const std::string& name, bool selected, int font = kAlbumFontHeight,
            const Bitmap& thumb = FlatBitmap(400, 300, 0, 160, 0)) {
  return RenderThumbCell(kW, kH, thumb, name, {font, selected, kFace});
}

// Pixels of the given colour in the band of rows [top, bottom) and columns [left, right).
int Count(const QImage& image, QColor colour, int left, int right, int top, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += image.pixelColor(x, y) == colour;
  return n;
}

TEST(ThumbCell, SelectedCellIsRedWithWhiteText) {
  const QImage cell = Cell("/photos/a.bmp", true);
  ASSERT_EQ(cell.size(), QSize(kW, kH));
  EXPECT_EQ(cell.format(), QImage::Format_RGB888);
  EXPECT_EQ(cell.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(cell.pixelColor(kW - 1, kH - 1), QColor(Qt::black));
  EXPECT_EQ(cell.pixelColor(2, 2), QColor(255, 0, 0));
  EXPECT_EQ(cell.pixelColor(kW - 3, kH / 2), QColor(255, 0, 0));
  EXPECT_GT(Count(cell, Qt::white, 0, kW, kH - 30, kH), 20);
}

TEST(ThumbCell, PlainCellHasTheFaceAndBlackText) {
  const QImage cell = Cell("a.bmp", false);
  EXPECT_EQ(cell.pixelColor(2, 2), kFace);
  EXPECT_EQ(Count(cell, QColor(255, 0, 0), 0, kW, 0, kH), 0);
  EXPECT_GT(Count(cell, Qt::black, 2, kW - 2, kH - 30, kH - 2), 20);
}

TEST(ThumbCell, ThumbnailFillsTheInnerRectangleAboveTheText) {
  const QImage cell = Cell("a.bmp", true);
  const int th = QFontMetrics(CellHeightFont(kAlbumFontHeight)).height();
  const QColor green(0, 160, 0);
  // Thumbnail spans (4, 4) to (w - 4, h - 4 - th - 2).
  EXPECT_EQ(cell.pixelColor(4, 4), green);
  EXPECT_EQ(cell.pixelColor(kW - 5, kH - 4 - th - 3), green);
  EXPECT_NE(cell.pixelColor(3, 4), green);
  EXPECT_NE(cell.pixelColor(kW - 4, 10), green);
  EXPECT_NE(cell.pixelColor(10, kH - 4 - th - 2), green);
}

// The green span of a row or a column of the cell.
QRect GreenBox(const QImage& cell) {
  const QColor green(0, 160, 0);
  QRect box;
  for (int y = 0; y < cell.height(); ++y)
    for (int x = 0; x < cell.width(); ++x)
      if (cell.pixelColor(x, y) == green) box |= QRect(x, y, 1, 1);
  return box;
}

TEST(ThumbCell, PortraitAndPanoramaKeepTheirShapeCentredInTheRoom) {
  const int th = QFontMetrics(CellHeightFont(kAlbumFontHeight)).height();
  const QRect room(4, 4, kW - 8, kH - 8 - th - 2);
  // The engine's thumbnail is always 400 x 300; the image's own size gives the shape.
  for (auto [w, h] : {std::pair{1200, 1600}, std::pair{3000, 500}}) {
    ThumbCellStyle style{kAlbumFontHeight, false, kFace, w, h};
    const QRect box =
        GreenBox(RenderThumbCell(kW, kH, FlatBitmap(400, 300, 0, 160, 0), "a", style));
    // Whole pixels: the shape within 2 %.
    EXPECT_NEAR(double(box.width()) / box.height() / (double(w) / h), 1.0, 0.02) << w << "x" << h;
    EXPECT_TRUE(room.contains(box));
    EXPECT_TRUE(box.width() == room.width() || box.height() == room.height());
    EXPECT_LE(std::abs((box.left() - room.left()) - (room.right() - box.right())), 1);
    EXPECT_LE(std::abs((box.top() - room.top()) - (room.bottom() - box.bottom())), 1);
  }
}

TEST(ThumbnailRectTest, FitsTheLimitingSide) {
  EXPECT_EQ(ThumbnailRect(QRect(4, 4, 200, 100), 0, 0), QRect(4, 4, 200, 100));
  EXPECT_EQ(ThumbnailRect(QRect(4, 4, 200, 100), 400, 200), QRect(4, 4, 200, 100));
  EXPECT_EQ(ThumbnailRect(QRect(4, 4, 200, 100), 100, 100), QRect(54, 4, 100, 100));
  EXPECT_EQ(ThumbnailRect(QRect(0, 0, 200, 100), 4000, 100), QRect(0, 47, 200, 5));
  EXPECT_EQ(ThumbnailRect(QRect(0, 0, 200, 100), 100000, 1), QRect(0, 49, 200, 1));
}

TEST(ThumbCell, FolderIsNotDrawn) {
  EXPECT_EQ(Cell("/home/user/Pictures/x1.png", false), Cell("x1.png", false));
  EXPECT_EQ(Cell("C:\\Pictures\\x1.png", false), Cell("x1.png", false));
  EXPECT_NE(Cell("x1.png", false), Cell("x2.png", false));
}

TEST(ThumbCell, LongNameStartsAtTheLeftEdgeAndIsClipped) {
  const QImage shortName = Cell("a.bmp", true);
  const QImage longName = Cell(std::string(80, 'W') + ".bmp", true);
  // Text band: white ink only far from the edge for a short name, right at it for a long one.
  EXPECT_EQ(Count(shortName, Qt::white, 0, 40, kH - 30, kH), 0);
  EXPECT_GT(Count(longName, Qt::white, 1, 6, kH - 30, kH), 0);
  EXPECT_GT(Count(longName, Qt::white, kW - 6, kW - 1, kH - 30, kH), 0);
}

class CellFontTest : public ::testing::TestWithParam<int> {};

TEST_P(CellFontTest, LineFitsTheCellHeight) {
  const int f = GetParam();
  const int height = QFontMetrics(CellHeightFont(f)).height();
  EXPECT_LE(height, f);
  EXPECT_GE(height, f - 2);
}

INSTANTIATE_TEST_SUITE_P(Heights, CellFontTest, ::testing::Values(16, 18, 24));

TEST(ThumbCell, TinyCellsDoNotCrash) {
  EXPECT_TRUE(RenderThumbCell(0, 0, FlatBitmap(4, 3, 1, 2, 3), "a", {}).isNull());
  const QImage tiny = RenderThumbCell(8, 6, FlatBitmap(4, 3, 1, 2, 3), "a.bmp", {18, true, {}});
  EXPECT_EQ(tiny.size(), QSize(8, 6));
}

TEST(ThumbCell, DrawCopiesTheCellAtTheRectangle) {
  QImage target(300, 400, QImage::Format_RGB888);
  target.fill(Qt::blue);
  {
    QPainter painter(&target);
    DrawThumbCell(painter, QRect(20, 190, kW, kH), FlatBitmap(400, 300, 0, 160, 0), "a.bmp",
                  {kAlbumFontHeight, true, kFace});
  }
  EXPECT_EQ(target.copy(20, 190, kW, kH), Cell("a.bmp", true));
  EXPECT_EQ(target.pixelColor(19, 190), QColor(Qt::blue));
  EXPECT_EQ(target.pixelColor(20 + kW, 190 + kH), QColor(Qt::blue));
}

}  // namespace
