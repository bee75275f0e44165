#pragma once
// Engine progress shown on a window's progress bar. The engine may report
// from a worker thread; the bar is only ever touched on its own thread.

#include <atomic>

#include "engine/progress.h"

class QProgressBar;

class BarProgress : public ProgressIndicator {
 public:
  // bar must outlive this object.
  explicit BarProgress(QProgressBar* bar) : bar_(bar) {}
  // Safe from any thread; from another thread the bar moves once the
  // window's thread handles its events.
  void SetPosition(int percent) override;

 private:
  QProgressBar* bar_;
  std::atomic<int> last_{-1};  // skips repeats so the event queue is not flooded
};
