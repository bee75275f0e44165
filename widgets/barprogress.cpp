#include "widgets/barprogress.h"

#include <QMetaObject>
#include <QProgressBar>
#include <QThread>

void BarProgress::SetPosition(int percent) {
  if (last_.exchange(percent) == percent) return;
  if (QThread::currentThread() == bar_->thread()) {
    bar_->setValue(percent);
    return;
  }
  // Posted to the bar's thread; dropped if the bar is gone by then.
  QProgressBar* bar = bar_;
  QMetaObject::invokeMethod(
      bar, [bar, percent] { bar->setValue(percent); }, Qt::QueuedConnection);
}
