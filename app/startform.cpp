#include "startform.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kPictureWidth = 400;
constexpr int kPictureHeight = 300;
constexpr int kProgressHeight = 17;

}  // namespace

TStartForm::TStartForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("StartForm"));
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setScaledContents(true);
  Progress = new QProgressBar(this);
  Progress->setObjectName(QStringLiteral("Progress"));
  Progress->setRange(0, 100);
  Progress->setValue(0);
  Progress->setTextVisible(false);
  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setInterval(kFadeIntervalMs);
  connect(Timer, &QTimer::timeout, this, &TStartForm::TimerTimer);
  fade_ = {255, 0};
  setWindowOpacity(FadeOpacity(fade_.Alpha));
  SetClientSize(408, 316);
}

void TStartForm::SetClientSize(int width, int height) {
  setFixedSize(width, height);
  PlaceControls();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - rect().center());
  }
}

void TStartForm::SetPicture(const QPixmap& picture) { Image1->setPixmap(picture); }

void TStartForm::PlaceControls() {
  Image1->setGeometry(0, 0, kPictureWidth, kPictureHeight);
  Progress->setGeometry(0, height() - kProgressHeight, width(), kProgressHeight);
}

void TStartForm::SetPosition(int percent) {
  Progress->setValue(percent);
  Progress->repaint();
}

void TStartForm::StartFadeOut() {
  fade_ = {255, -10};
  Timer->start();
}

void TStartForm::TimerTimer() {
  const FadeOutcome outcome = FadeTick(fade_);
  if (outcome != FadeOutcome::Running) Timer->stop();
  if (outcome == FadeOutcome::Transparent) {
    hide();
    close();
  }
  setWindowOpacity(FadeOpacity(fade_.Alpha));
}
