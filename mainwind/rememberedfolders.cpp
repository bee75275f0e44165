#include "mainwind/rememberedfolders.h"

#include <QDir>
#include <QSettings>

namespace {

constexpr char kOpenKey[] = "folders/open";
constexpr char kSaveKey[] = "folders/save";

QSettings Preferences() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVEX"),
                   QStringLiteral("Pictaro Quiltor"));
}

QString Read(const char* key) {
  QString folder = Preferences().value(QLatin1String(key)).toString();
  // A folder removed or unplugged since is no place to start a dialog in.
  if (folder.isEmpty() || !QDir(folder).exists()) return {};
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

void Write(const char* key, const QString& folder) {
  if (folder.isEmpty()) return;
  QSettings settings = Preferences();
  settings.setValue(QLatin1String(key), folder);
}

}  // namespace

QString RememberedOpenFolder() { return Read(kOpenKey); }
QString RememberedSaveFolder() { return Read(kSaveKey); }
void RememberOpenFolder(const QString& folder) { Write(kOpenKey, folder); }
void RememberSaveFolder(const QString& folder) { Write(kSaveKey, folder); }
