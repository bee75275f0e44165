#include "capture/scanner/scanwork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <chrono>
#include <future>

namespace {

ScannerWorkWatcher& Watcher() {
  static ScannerWorkWatcher watcher;
  return watcher;
}

}  // namespace

void SetScannerWorkWatcher(ScannerWorkWatcher watcher) { Watcher() = std::move(watcher); }

void RunScannerWork(QWidget* parent, const QString& text, std::atomic<bool>* cancel,
                    const std::function<void(const ScanProgress& progress)>& work) {
  QProgressDialog window(text, cancel != nullptr ? QStringLiteral("Отмена") : QString(), 0, 0,
                         parent);
  window.setObjectName(QStringLiteral("ScanProgress"));
  window.setWindowTitle(QStringLiteral("Сканер"));
  window.setWindowModality(Qt::ApplicationModal);
  window.setMinimumDuration(0);
  window.setAutoClose(false);
  window.setAutoReset(false);
  if (cancel == nullptr) {
    // Nothing to stop: the window only waits (a device list cannot be interrupted).
    window.setCancelButton(nullptr);
  } else {
    QObject::connect(&window, &QProgressDialog::canceled, [cancel] { *cancel = true; });
  }
  window.show();

  std::atomic<int> percent{-1};
  const ScanProgress progress = [&percent](int value) { percent = value; };
  std::future<void> done = std::async(std::launch::async, [&] { work(progress); });
  constexpr auto kSlice = std::chrono::milliseconds(20);
  bool watched = false;
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(kSlice.count()));
    const int value = percent;
    if (value >= 0 && window.maximum() == 0) window.setMaximum(100);
    if (value >= 0) window.setValue(value);
    if (!watched && Watcher()) {
      watched = true;
      Watcher()(&window);
    }
  } while (done.wait_for(kSlice) != std::future_status::ready);
  done.get();
}
