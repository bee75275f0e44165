#include "bitmapview.h"

#include <QImage>

QImage BitmapView(const Bitmap& bitmap) {
  return QImage(bitmap.Data(), bitmap.Width(), bitmap.Height(),
                static_cast<qsizetype>(bitmap.Stride()), QImage::Format_BGR888);
}

QImage WritableBitmapView(Bitmap& bitmap) {
  return QImage(bitmap.Data(), bitmap.Width(), bitmap.Height(),
                static_cast<qsizetype>(bitmap.Stride()), QImage::Format_BGR888);
}
