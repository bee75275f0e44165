#pragma once
// The splash window: a picture, a progress bar along its bottom edge and a
// fade-out on a 20 ms timer once the program's windows exist.

#include <QWidget>

#include "dialogs/about/fadestep.h"
#include "engine/progress.h"

class QLabel;
class QProgressBar;
class QTimer;

class TStartForm : public QWidget, public ProgressIndicator {
  Q_OBJECT

 public:
  explicit TStartForm(QWidget* parent = nullptr);

  // The bar moves and is painted at once: the event loop is not running yet.
  void SetPosition(int percent) override;
  void StartFadeOut();

  int32_t Alpha() const { return fade_.Alpha; }
  int32_t Step() const { return fade_.Step; }

  QLabel* Image1 = nullptr;
  QProgressBar* Progress = nullptr;
  QTimer* Timer = nullptr;

 public slots:
  void TimerTimer();

 protected:
  // Client area and picture size; the derived window changes them.
  void SetClientSize(int width, int height);
  void SetPicture(const QPixmap& picture);

 private:
  void PlaceControls();

  FadeState fade_;
};
