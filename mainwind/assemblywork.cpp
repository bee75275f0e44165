#include "assemblywork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <future>

void RunWhilePainting(const std::function<void()>& work) {
  std::future<void> done = std::async(std::launch::async, work);
  constexpr int kSliceMs = 20;
  // Events run at least once, so a status text set just before shows even for quick work.
  do {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kSliceMs);
  } while (done.wait_for(std::chrono::milliseconds(kSliceMs)) != std::future_status::ready);
  done.get();
}
