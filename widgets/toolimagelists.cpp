#include "widgets/toolimagelists.h"

#include <QImage>
#include <QPainter>

namespace {

QPixmap DrawnPicture(const QString& glyph) {
  QPixmap picture(kToolIconSide, kToolIconSide);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(40, 70, 120), 2));
  painter.setBrush(QColor(120, 160, 220));
  painter.drawRoundedRect(QRectF(4, 4, 40, 40), 8, 8);
  QFont font = painter.font();
  font.setPixelSize(22);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(4, 4, 40, 40), Qt::AlignCenter, glyph);
  return picture;
}

}  // namespace

QPixmap ThemePictureOrDrawn(const QString& themeName, const QString& glyph) {
  const QIcon icon = QIcon::fromTheme(themeName);
  if (!icon.isNull()) {
    QPixmap picture = icon.pixmap(kToolIconSide, kToolIconSide);
    if (!picture.isNull()) return picture;
  }
  return DrawnPicture(glyph);
}

QPixmap HotLook(const QPixmap& normal) {
  QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      // A quarter of the way to white keeps the picture recognisable.
      const auto lift = [](int c) { return c + (255 - c) / 4; };
      line[x] = qRgba(lift(qRed(p)), lift(qGreen(p)), lift(qBlue(p)), qAlpha(p));
    }
  }
  return QPixmap::fromImage(image);
}

QPixmap DisabledLook(const QPixmap& normal) {
  QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const int grey = 128 + qGray(p) / 3;
      line[x] = qRgba(grey, grey, grey, qAlpha(p) / 2);
    }
  }
  return QPixmap::fromImage(image);
}

int ToolImageLists::Add(const QString& themeName, const QString& glyph) {
  const QPixmap normal = ThemePictureOrDrawn(themeName, glyph);
  DefMainImageList.append(normal);
  ActiveMainImageList.append(HotLook(normal));
  DisMainImageList.append(DisabledLook(normal));
  return Count() - 1;
}

QIcon ToolImageLists::Icon(int index) const {
  QIcon icon;
  icon.addPixmap(DefMainImageList.value(index), QIcon::Normal);
  icon.addPixmap(ActiveMainImageList.value(index), QIcon::Active);
  icon.addPixmap(DisMainImageList.value(index), QIcon::Disabled);
  return icon;
}
