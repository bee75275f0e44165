#pragma once
// A widget that holds a full-resolution bitmap and shows it, either at its own
// size or stretched to the widget. The engine hands it the mosaic through the
// Picture interface.

#include <QWidget>

#include "engine/picture.h"
#include "imagefiles/bitmap.h"

class PictureControl : public QWidget, public Picture {
  Q_OBJECT
 public:
  explicit PictureControl(QWidget* parent = nullptr);

  // Picture
  void Assign(const Bitmap& bitmap) override;
  bool Resize(int width, int height) override;
  Bitmap& Canvas() override;

  const Bitmap& Held() const { return bitmap_; }

  // While on, the widget takes the size of its bitmap whenever that changes.
  void SetAutoSize(bool on);
  bool AutoSize() const { return autoSize_; }
  // While on, the bitmap is stretched to the widget; otherwise drawn at size.
  void SetStretch(bool on);

  // After the bitmap was written in place through Canvas().
  void BitmapChanged();

  QSize sizeHint() const override;

 signals:
  void MouseDown(QPoint position, Qt::MouseButton button);
  void MouseMove(QPoint position, Qt::MouseButtons buttons);
  void MouseUp(QPoint position, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Bitmap bitmap_;
  bool autoSize_ = true;
  bool stretch_ = false;
};
