#include "capture/run/layoutindicator.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "engine/panoram.h"
#include "imagefiles/bitmapview.h"

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kDarkGreen(0, 128, 0);
constexpr int kFramePen = 3;
constexpr int kDotRadius = 3;

struct Cell {
  int X = 0;
  int Y = 0;
};

// One step along the chain; codes outside 1..4 stay in place.
Cell Moved(Cell cell, int32_t code) {
  switch (code) {
    case 1: return {cell.X + 1, cell.Y};
    case 2: return {cell.X, cell.Y + 1};
    case 3: return {cell.X - 1, cell.Y};
    case 4: return {cell.X, cell.Y - 1};
    default: return cell;
  }
}

// The grid: the chain's bounding cells plus one empty cell on every side.
class Grid {
 public:
  Grid(const std::vector<int32_t>& directions, int width, int height) {
    Cell cell;
    for (size_t i = 1; i < directions.size(); ++i) {
      cell = Moved(cell, directions[i]);
      minX_ = std::min(minX_, cell.X);
      maxX_ = std::max(maxX_, cell.X);
      minY_ = std::min(minY_, cell.Y);
      maxY_ = std::max(maxY_, cell.Y);
    }
    cellWidth_ = width / (maxX_ - minX_ + 3);
    cellHeight_ = height / (maxY_ - minY_ + 3);
  }

  QPoint Centre(Cell cell) const {
    return {static_cast<int>((cell.X - minX_ + 1.5) * cellWidth_),
            static_cast<int>((cell.Y - minY_ + 1.5) * cellHeight_)};
  }
  // Left, top, right, bottom of the cell; right and bottom are exclusive.
  QRect Bounds(Cell cell) const {
    const int left = (cell.X - minX_ + 1) * cellWidth_;
    const int top = (cell.Y - minY_ + 1) * cellHeight_;
    const int right = (cell.X - minX_ + 2) * cellWidth_;
    const int bottom = (cell.Y - minY_ + 2) * cellHeight_;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
  }

 private:
  int minX_ = 0;
  int maxX_ = 0;
  int minY_ = 0;
  int maxY_ = 0;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
};

// A rectangle whose pixels run from bounds' left to its right (inclusive),
// outlined by a pen centred on that edge: with aliased drawing, a square cap
// and a miter join, a 3-pixel pen covers the columns left - 1 .. left + 1 and
// right - 1 .. right + 1 (and the same rows), corners filled; a 1-pixel pen
// covers the edge pixels alone. drawRect strokes the outline of a QRect one
// pixel wider and higher than the QRect itself, hence the adjusted size.
void Frame(QPainter& painter, const QRect& bounds, const QColor& color, int penWidth) {
  painter.setPen(QPen(color, penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawRect(bounds.adjusted(0, 0, -1, -1));
}

// A filled dot inside the square (x - r .. x + r - 1, y - r .. y + r - 1).
void Dot(QPainter& painter, QPoint centre) {
  painter.setPen(QPen(kRed, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.setBrush(kRed);
  painter.drawEllipse(QRect(centre - QPoint(kDotRadius, kDotRadius),
                            QSize(2 * kDotRadius - 1, 2 * kDotRadius - 1)));
}

void DrawChain(QPainter& painter, const Grid& grid, const std::vector<int32_t>& directions,
               Cell& cell) {
  for (size_t i = 0; i < directions.size(); ++i) {
    QPoint from;
    QPoint to;
    if (i > 0) {
      from = grid.Centre(cell);
      cell = Moved(cell, directions[i]);
      to = grid.Centre(cell);
    }
    painter.setBrush(kDarkGreen);
    Frame(painter, grid.Bounds(cell), kRed, kFramePen);
    if (i > 0) {
      painter.setPen(QPen(kRed, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      painter.drawLine(from, to);
      Dot(painter, from);
      Dot(painter, to);
    }
  }
}

}  // namespace

void DrawLayoutIndicator(Bitmap& picture, const std::vector<int32_t>& directions,
                         int32_t nextCode) {
  if (picture.Empty()) return;
  const int width = picture.Width();
  const int height = picture.Height();
  QImage view = WritableBitmapView(picture);
  QPainter painter(&view);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(0, 0, width, height, kWhite);
  painter.setBrush(Qt::NoBrush);
  if (directions.empty()) {
    const QRect middle(QPoint(width / 3, height / 3),
                       QPoint(2 * width / 3 - 1, 2 * height / 3 - 1));
    Frame(painter, middle, kBlue, kFramePen);
    return;
  }
  const Grid grid(directions, width, height);
  Cell cell;
  DrawChain(painter, grid, directions, cell);
  if (nextCode <= 0) return;
  painter.setBrush(Qt::NoBrush);
  Frame(painter, grid.Bounds(Moved(cell, nextCode)), kBlue, kFramePen);
}

void DrawLayoutIndicator(Bitmap& picture, const Panoram& engine, int32_t nextCode) {
  std::vector<int32_t> directions(static_cast<size_t>(engine.Count()));
  for (int i = 0; i < engine.Count(); ++i) directions[static_cast<size_t>(i)] = engine.Direction(i);
  DrawLayoutIndicator(picture, directions, nextCode);
}
