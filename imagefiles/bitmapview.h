#pragma once
// The bitmap as Qt sees it, for code that paints, scales or encodes it. The
// header names QImage without including Qt, so the Qt-free layers may sit
// beside it; callers include <QImage> themselves.

#include "bitmap.h"

class QImage;

// A zero-copy 24-bit view of the bitmap's rows (blue, green, red); valid while
// the bitmap lives and keeps its size.
QImage BitmapView(const Bitmap& bitmap);

// The same view for painting: a QPainter on it draws straight into the
// bitmap's rows (a view of const rows would copy them on the first write).
QImage WritableBitmapView(Bitmap& bitmap);
