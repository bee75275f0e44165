#include "widgets/assemblywork.h"

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
  // Events run at least once, so a status text set just before shows even for quick work.
  do {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kSliceMs);
  } while (done.wait_for(std::chrono::milliseconds(kSliceMs)) != std::future_status::ready);
  done.get();
}
