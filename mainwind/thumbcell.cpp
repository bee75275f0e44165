#include "thumbcell.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cstdint>

#include "dialogs/print/printlayout.h"
#include "engine/panoram.h"
#include "imagefiles/bitmapview.h"
#include "imagefiles/imagefiles.h"

namespace {

constexpr int kInset = 4;    // thumbnail and text keep this far from the edges
constexpr int kTextGap = 2;  // between thumbnail and text
constexpr int kThumbnailMode = 5;

}  // namespace

QRect ThumbnailRect(const QRect& room, int imageWidth, int imageHeight) {
  if (imageWidth <= 0 || imageHeight <= 0 || room.isEmpty()) return room;
  // 64-bit cross products: the side that limits the scale keeps the room's length.
  const int64_t byWidth = int64_t{room.width()} * imageHeight;
  const int64_t byHeight = int64_t{room.height()} * imageWidth;
  int w = room.width();
  int h = room.height();
  if (byWidth <= byHeight) {
    h = static_cast<int>(std::max<int64_t>(1, byWidth / imageWidth));
  } else {
    w = static_cast<int>(std::max<int64_t>(1, byHeight / imageHeight));
  }
  return QRect(room.left() + (room.width() - w) / 2, room.top() + (room.height() - h) / 2, w, h);
}

QFont CellHeightFont(int cellHeight) {
  QFont font(QStringLiteral("Arial"));
  // Pixel size sets the em; the cell (ascent + descent) is a little taller.
  int size = std::max(1, cellHeight);
  font.setPixelSize(size);
  const int measured = QFontMetrics(font).height();
  if (measured > 0) size = std::max(1, cellHeight * size / measured);
  font.setPixelSize(size);
  while (size > 1 && QFontMetrics(font).height() > cellHeight) font.setPixelSize(--size);
  return font;
}

QImage RenderThumbCell(int width, int height, const Bitmap& thumb, const std::string& name,
                       const ThumbCellStyle& style) {
  if (width <= 0 || height <= 0) return {};
  QImage cell(width, height, QImage::Format_RGB888);
  const QColor face =
      style.Face.isValid() ? style.Face : QGuiApplication::palette().color(QPalette::Button);
  const QColor fill = style.Selected ? QColor(255, 0, 0) : face;
  const QColor ink = style.Selected ? QColor(Qt::white) : QColor(Qt::black);

  cell.fill(Qt::black);  // the outline; filled before a painter holds the image
  QPainter painter(&cell);
  const QFont font = CellHeightFont(style.FontHeight);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const QString text = QFile::decodeName(QByteArray::fromStdString(StripFolder(name)));
  const int tw = metrics.horizontalAdvance(text);
  const int th = metrics.height();

  painter.fillRect(1, 1, width - 2, height - 2, fill);

  const int thumbW = width - 2 * kInset;
  const int thumbH = height - 2 * kInset - th - kTextGap;
  if (thumbW > 0 && thumbH > 0 && !thumb.Empty()) {
    const QRect place =
        ThumbnailRect(QRect(kInset, kInset, thumbW, thumbH), style.ImageWidth, style.ImageHeight);
    const Bitmap small = MakeThumbnail(thumb, place.width(), place.height(), kThumbnailMode);
    painter.drawImage(place.topLeft(), BitmapView(small));
  }

  painter.setPen(ink);
  const int x = std::max(0, (width - tw) / 2);
  const int top = height - th - kInset;
  painter.drawText(x, top + metrics.ascent(), text);
  return cell;
}

void DrawThumbCell(QPainter& painter, const QRect& rect, const Bitmap& thumb,
                   const std::string& name, const ThumbCellStyle& style) {
  const QImage cell = RenderThumbCell(rect.width(), rect.height(), thumb, name, style);
  if (!cell.isNull()) painter.drawImage(rect.topLeft(), cell);
}

void DrawImageCell(QPainter& painter, const QRect& rect, const Panoram& engine, int index,
                   int fontHeight, bool selected) {
  ThumbCellStyle style;
  style.FontHeight = fontHeight;
  style.Selected = selected;
  style.ImageWidth = engine.ImageBitmap(index).Width();
  style.ImageHeight = engine.ImageBitmap(index).Height();
  DrawThumbCell(painter, rect, engine.Thumb(index), engine.Name(index), style);
}
