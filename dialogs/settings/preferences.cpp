#include "dialogs/settings/preferences.h"

#include <QDir>
#include <QSettings>
#include <QString>

namespace {

const char* const kMethodKey = "search/method";
constexpr char kOpenKey[] = "folders/open";
constexpr char kSaveKey[] = "folders/save";
constexpr char kJpegKey[] = "save/jpeg-quality";
constexpr char kTiffKey[] = "save/tiff-compression";

// Named explicitly, so that the place does not hang on the application's names.
QSettings Preferences() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVEX"),
                   QStringLiteral("Pictaro Quiltor"));
}

QString ReadFolder(const char* key) {
  QString folder = Preferences().value(QLatin1String(key)).toString();
  // A folder removed or unplugged since is no place to start a dialog in.
  if (folder.isEmpty() || !QDir(folder).exists()) return {};
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

void WriteFolder(const char* key, const QString& folder) {
  if (folder.isEmpty()) return;
  QSettings settings = Preferences();
  settings.setValue(QLatin1String(key), folder);
}

}  // namespace

SearchMethod ReadSearchMethodPreference() {
  const QString key = Preferences().value(QLatin1String(kMethodKey)).toString();
  return SearchMethodFromKey(key.toStdString()).value_or(SearchMethod::Template);
}

bool WriteSearchMethodPreference(SearchMethod method) {
  QSettings settings = Preferences();
  const std::string_view key = SearchMethodKey(method);
  settings.setValue(QLatin1String(kMethodKey),
                    QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

QString RememberedOpenFolder() { return ReadFolder(kOpenKey); }
QString RememberedSaveFolder() { return ReadFolder(kSaveKey); }
void RememberOpenFolder(const QString& folder) { WriteFolder(kOpenKey, folder); }
void RememberSaveFolder(const QString& folder) { WriteFolder(kSaveKey, folder); }

PixSaveOptions RememberedSaveOptions() {
  PixSaveOptions options;
  const QSettings settings = Preferences();
  bool ok = false;
  // Values from a hand-edited or older file fall back to the defaults.
  const int quality = settings.value(QLatin1String(kJpegKey)).toInt(&ok);
  if (ok && quality >= 1 && quality <= 100) options.JpegQuality = quality;
  const int tiff = settings.value(QLatin1String(kTiffKey)).toInt(&ok);
  if (ok && tiff >= 0 && tiff <= static_cast<int>(PixTiffCompression::Deflate)) {
    options.Tiff = static_cast<PixTiffCompression>(tiff);
  }
  return options;
}

void RememberSaveOptions(const PixSaveOptions& options) {
  QSettings settings = Preferences();
  settings.setValue(QLatin1String(kJpegKey), options.JpegQuality);
  settings.setValue(QLatin1String(kTiffKey), static_cast<int>(options.Tiff));
}
