#include "assemblywork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <future>

void RunWhilePainting(const std::function<void()>& work) {
  std::future<void> done = std::async(std::launch::async, work);
  constexpr int kSliceMs = 20;
  while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kSliceMs);
    if (done.wait_for(std::chrono::milliseconds(kSliceMs)) == std::future_status::ready) break;
  }
  done.get();
}
