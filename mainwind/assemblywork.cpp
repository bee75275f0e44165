#include "assemblywork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <future>
#include <system_error>

void RunWhilePainting(const std::function<void()>& work) {
  std::future<void> done;
  try {
    done = std::async(std::launch::async, work);
  } catch (const std::system_error&) {
    work();  // no thread to be had (short memory): run here, without painting meanwhile
    return;
  }
  constexpr int kSliceMs = 20;
  while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kSliceMs);
    if (done.wait_for(std::chrono::milliseconds(kSliceMs)) == std::future_status::ready) break;
  }
  done.get();
}
