#include "connectioncell.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "imagefiles/bitmapview.h"
#include "imagefiles/imagefiles.h"
#include "mainwind/thumbcell.h"

namespace {

constexpr int kInset = 4;
constexpr int kThumbnailMode = 5;

QRect ToQRect(const Rect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// One half of a W x H preview into its place in the cell.
void CopyHalf(QPainter& painter, const Bitmap& preview, const Rect& source, const Rect& target) {
  if (preview.Empty() || source.IsEmpty() || target.IsEmpty()) return;
  painter.drawImage(ToQRect(target), BitmapView(preview), ToQRect(source));
}

}  // namespace

ConnectionCellLayout ConnectionLayout(int direction, int innerWidth, int innerHeight) {
  const int w = innerWidth;
  const int h = innerHeight;
  // The halves meet in the middle with one pixel between them; the "+ 5"
  // edges sit one past the "+ 4" ones for that gap.
  switch (direction) {
    case 1:
      return {true,
              {w / 2, 0, w, h},
              {4, 4, w / 2 + 4, h + 4},
              {0, 0, w / 2, h},
              {w / 2 + 5, 4, w + 5, h + 4},
              {w / 4, h / 2},
              {3 * w / 4, h / 2}};
    case 2:
      return {true,
              {0, h / 2, w, h},
              {4, 4, w + 4, h / 2 + 4},
              {0, 0, w, h / 2},
              {4, h / 2 + 5, w + 4, h + 5},
              {w / 2, h / 4},
              {w / 2, 3 * h / 4}};
    case 3:
      return {true,
              {0, 0, w / 2, h},
              {w / 2 + 5, 4, w + 5, h + 4},
              {w / 2, 0, w, h},
              {4, 4, w / 2 + 4, h + 4},
              {3 * w / 4, h / 2},
              {w / 4, h / 2}};
    case 4:
      return {true,
              {0, 0, w, h / 2},
              {4, h / 2 + 5, w + 4, h + 5},
              {0, h / 2, w, h},
              {4, 4, w + 4, h / 2 + 4},
              {w / 2, 3 * h / 4},
              {w / 2, h / 4}};
    default: return {};
  }
}

QString LinkOffsetText(Offset offset) {
  return QStringLiteral("(%1, %2) пикс.").arg(offset.X).arg(offset.Y);
}

QString LinkScoreText(double score) {
  return QString::number(score, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString ConnectionScoreText(const ConnectionCellStyle& style) {
  if (!style.LinkSet) return QStringLiteral("не задана");
  return LinkScoreText(style.Score) + QStringLiteral(" · ") + LinkOffsetText(style.LinkOffset);
}

QRect ConnectionScoreRect(int width, int height) {
  // Wide enough for the score and an offset, and clear of the halves' outer parts.
  const int w = std::min(width - 2 * kInset, 150);
  const int h = std::min(height - 2 * kInset, 18);
  return QRect((width - w) / 2, height - kInset - 2 - h, w, h);
}

// The score under the picture, on yellow for weak and unset links so that
// the eye finds them in a long list.
void PaintScore(QPainter& painter, int width, int height, const ConnectionCellStyle& style) {
  const QRect label = ConnectionScoreRect(width, height);
  if (label.isEmpty()) return;
  const bool marked = style.Weak || !style.LinkSet;
  painter.fillRect(label, marked ? kConnectionMarkColour : QColor(Qt::white));
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(label.adjusted(0, 0, -1, -1));
  // A long offset gets smaller letters rather than being cut off.
  int letters = label.height() - 4;
  QFont font = CellHeightFont(letters);
  font.setBold(marked);
  while (letters > 6 &&
         QFontMetrics(font).horizontalAdvance(ConnectionScoreText(style)) > label.width() - 4) {
    font = CellHeightFont(--letters);
    font.setBold(marked);
  }
  painter.setFont(font);
  painter.drawText(label, Qt::AlignCenter, ConnectionScoreText(style));
}

QImage RenderConnectionCell(int width, int height, const Bitmap& parentThumb,
                            const Bitmap& childThumb, const ConnectionCellStyle& style) {
  if (width <= 0 || height <= 0) return {};
  const QColor face =
      style.Face.isValid() ? style.Face : QGuiApplication::palette().color(QPalette::Button);
  const QColor fill = style.Selected ? QColor(255, 0, 0) : face;
  const QColor ink = style.Selected ? QColor(255, 0, 0) : QColor(0, 0, 255);

  QImage cell(width, height, QImage::Format_RGB888);
  cell.fill(Qt::black);  // the outline
  QPainter painter(&cell);
  painter.fillRect(1, 1, width - 2, height - 2, fill);

  const int innerW = width - 2 * kInset;
  const int innerH = height - 2 * kInset;
  const ConnectionCellLayout layout = ConnectionLayout(style.Direction, innerW, innerH);
  if (layout.Halves && innerW > 0 && innerH > 0) {
    if (!parentThumb.Empty())
      CopyHalf(painter, MakeThumbnail(parentThumb, innerW, innerH, kThumbnailMode),
               layout.ParentSource, layout.ParentTarget);
    if (!childThumb.Empty())
      CopyHalf(painter, MakeThumbnail(childThumb, innerW, innerH, kThumbnailMode),
               layout.ChildSource, layout.ChildTarget);
  }

  QFont font = CellHeightFont(kConnectionFontHeight);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(ink);
  const int ascent = QFontMetrics(font).ascent();
  painter.drawText(layout.ParentNumber.X, layout.ParentNumber.Y + ascent,
                   QString::number(style.Index + 1));
  painter.drawText(layout.ChildNumber.X, layout.ChildNumber.Y + ascent,
                   QString::number(style.Index + 2));

  if (style.LinkSet) {
    painter.setPen(Qt::black);
    painter.setBrush(QColor(255, 0, 0));
    // A painter's ellipse covers its rectangle plus the pen; one less keeps
    // the disc inside the exclusive bounds.
    const int d = 2 * kConnectionDiscRadius - 1;
    painter.drawEllipse(width / 2 - kConnectionDiscRadius, height / 2 - kConnectionDiscRadius, d,
                        d);
  }
  PaintScore(painter, width, height, style);
  return cell;
}

void DrawConnectionCell(QPainter& painter, const QRect& rect, const Bitmap& parentThumb,
                        const Bitmap& childThumb, const ConnectionCellStyle& style) {
  const QImage cell =
      RenderConnectionCell(rect.width(), rect.height(), parentThumb, childThumb, style);
  if (!cell.isNull()) painter.drawImage(rect.topLeft(), cell);
}
