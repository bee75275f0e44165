#pragma once
// The program's own splash window: the splash with a picture drawn in code.

#include <QImage>

#include "startform.h"

class TStartFormQuilt : public TStartForm {
  Q_OBJECT

 public:
  explicit TStartFormQuilt(QWidget* parent = nullptr);
};

// Overlapping photographs joined into one, with the program's name: 400 x 300.
QImage DrawSplashPicture();
