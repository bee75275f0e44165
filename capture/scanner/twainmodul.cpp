#include "capture/scanner/twainmodul.h"

#include <QInputDialog>
#include <QStringList>
#include <memory>

#include "capture/scanner/scandialog.h"
#include "capture/scanner/scanwork.h"

namespace {

constexpr char kNoScanner[] =
    "Сканер не найден. Проверьте, что он подключён и включён и что система его видит "
    "(команда scanimage -L).";

// Nobody pressed "Отмена": the device stopped by itself (a cover opened, a jam).
constexpr char kCancelledByDevice[] =
    "Сканер сам прервал сканирование. Изображение не получено; проверьте сканер и повторите.";

std::unique_ptr<ScannerBackend> Load(TwainSettings& settings, std::string& error) {
  std::unique_ptr<ScannerBackend> backend;
  if (settings.Loader) backend = settings.Loader(settings.TwainLibraryPath, error);
  if (!backend && error.empty()) error = "Библиотека сканеров не загружается.";
  return backend;
}

// The devices, listed off the window's thread: a library may probe for seconds.
std::vector<ScannerDevice> ListDevices(QWidget* parent, ScannerBackend& backend) {
  std::vector<ScannerDevice> devices;
  RunScannerWork(parent, QStringLiteral("Поиск сканеров..."), nullptr,
                 [&](const ScanProgress&) { devices = backend.Devices(); });
  return devices;
}

std::unique_ptr<ScannerSession> OpenDevice(QWidget* parent, ScannerBackend& backend,
                                           const std::string& name, std::string& error) {
  std::unique_ptr<ScannerSession> session;
  RunScannerWork(parent, QStringLiteral("Подключение к сканеру..."), nullptr,
                 [&](const ScanProgress&) { session = backend.Open(name, error); });
  return session;
}

std::string ChosenDevice(const std::vector<ScannerDevice>& devices, const std::string& source) {
  for (const ScannerDevice& device : devices) {
    if (device.Name == source) return source;
  }
  return devices.front().Name;
}

// The dialog stands in for the device's own; false when the user cancelled.
bool RunDialog(QWidget* parent, TwainSettings& settings, ScannerBackend& backend,
               const std::vector<ScannerDevice>& devices,
               std::unique_ptr<ScannerSession>& session) {
  std::string device = ChosenDevice(devices, settings.Source);
  TScanDialog dialog(parent, devices, device, session.get(),
                     [&](const std::string& name, std::string& error) -> ScannerSession* {
                       session.reset();  // one device open at a time
                       session = OpenDevice(parent, backend, name, error);
                       return session.get();
                     });
  dialog.ShowOptions(settings.LastChoices);
  if (dialog.exec() != QDialog::Accepted || session == nullptr) return false;
  settings.Source = dialog.Device();
  settings.LastChoices = dialog.Choices();
  return true;
}

}  // namespace

TwainResult TwainAcquire(QWidget* parent, TwainSettings& settings, const std::string& fileName) {
  TwainResult result;
  std::unique_ptr<ScannerBackend> backend = Load(settings, result.Error);
  if (!backend) return result;
  const std::vector<ScannerDevice> devices = ListDevices(parent, *backend);
  if (devices.empty()) {
    result.Error = kNoScanner;
    return result;
  }
  std::unique_ptr<ScannerSession> session =
      OpenDevice(parent, *backend, ChosenDevice(devices, settings.Source), result.Error);
  if (!session) return result;
  if (settings.HideScannerUI == 0) {
    if (!RunDialog(parent, settings, *backend, devices, session)) return result;
  }
  const std::string refused = ApplyScanChoices(*session, settings.LastChoices);
  if (!refused.empty()) {
    result.Error = "Сканер не принял настройки: " + refused;
    return result;
  }
  std::atomic<bool> cancel{false};
  ScanOutcome outcome;
  RunScannerWork(parent, QStringLiteral("Сканирование..."), &cancel,
                 [&](const ScanProgress& progress) { outcome = session->Scan(progress, cancel); });
  if (outcome.Result == ScanOutcome::Kind::Cancelled && !cancel) {
    result.Error = kCancelledByDevice;
    return result;
  }
  if (outcome.Result != ScanOutcome::Kind::Done) {
    result.Error = outcome.Error;
    return result;
  }
  result.Acquired = true;
  result.Image = std::move(outcome.Image);
  result.Saved = PixSaveImage(fileName, result.Image);
  return result;
}

std::string TwainSelectSource(QWidget* parent, TwainSettings& settings) {
  std::string error;
  std::unique_ptr<ScannerBackend> backend = Load(settings, error);
  if (!backend) return error;
  const std::vector<ScannerDevice> devices = ListDevices(parent, *backend);
  if (devices.empty()) return kNoScanner;
  QStringList labels;
  int current = 0;
  for (const ScannerDevice& device : devices) {
    if (device.Name == settings.Source) current = static_cast<int>(labels.size());
    labels << QString::fromStdString(device.Vendor + " " + device.Model + " (" + device.Name + ")");
  }
  bool chosen = false;
  const QString label =
      QInputDialog::getItem(parent, QStringLiteral("Выбор сканера"), QStringLiteral("Сканер"),
                            labels, current, false, &chosen);
  if (chosen) settings.Source = devices[static_cast<size_t>(labels.indexOf(label))].Name;
  return {};
}
