#include "startwin2007.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace {

// A small landscape: sky, hills and a sun, offset so that neighbouring
// frames show the same scene shifted, as the tiles of a mosaic do.
void DrawScene(QPainter& painter, const QRectF& frame, qreal shift) {
  painter.save();
  painter.setClipRect(frame);
  QLinearGradient sky(frame.topLeft(), frame.bottomLeft());
  sky.setColorAt(0, QColor(90, 150, 215));
  sky.setColorAt(1, QColor(200, 225, 245));
  painter.fillRect(frame, sky);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(250, 210, 80));
  painter.drawEllipse(QPointF(240 - shift, frame.top() + 30), 16, 16);
  painter.setBrush(QColor(70, 130, 70));
  QPolygonF hills;
  hills << QPointF(frame.left(), frame.bottom());
  for (int x = 0; x <= 16; ++x) {
    const qreal px = frame.left() + x * frame.width() / 16;
    const qreal wave = ((static_cast<int>(px + shift) / 23) % 3) * 9;
    hills << QPointF(px, frame.bottom() - 28 - wave);
  }
  hills << QPointF(frame.right(), frame.bottom());
  painter.drawPolygon(hills);
  painter.restore();
}

}  // namespace

QImage DrawSplashPicture() {
  QImage image(400, 300, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 0, 0, 300);
  back.setColorAt(0, QColor(30, 45, 80));
  back.setColorAt(1, QColor(10, 15, 30));
  painter.fillRect(image.rect(), back);

  const QRectF frames[] = {{30, 40, 130, 100}, {135, 55, 130, 100}, {240, 40, 130, 100}};
  for (int i = 0; i < 3; ++i) {
    DrawScene(painter, frames[i], -frames[i].left());
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frames[i]);
  }

  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(34);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 180, 400, 44), Qt::AlignCenter, QStringLiteral("Pictaro Quiltor"));
  QFont line(QStringLiteral("Arial"));
  line.setPixelSize(14);
  painter.setFont(line);
  painter.setPen(QColor(190, 205, 230));
  painter.drawText(QRect(0, 228, 400, 24), Qt::AlignCenter,
                   QStringLiteral("Программа для склейки изображений"));
  painter.drawText(QRect(0, 256, 400, 20), Qt::AlignCenter, QStringLiteral("KORVEX"));
  return image;
}

TStartFormQuilt::TStartFormQuilt(QWidget* parent) : TStartForm(parent) {
  setObjectName(QStringLiteral("StartFormQuilt"));
  SetClientSize(400, 316);
  SetPicture(QPixmap::fromImage(DrawSplashPicture()));
}
