#include "dialogs/settings/preferences.h"

#include <QDir>
#include <QSettings>
#include <QString>
#include <string_view>

namespace {

const char* const kMethodKey = "search/method";
constexpr char kPlacementKey[] = "placement/method";
constexpr char kOpenKey[] = "folders/open";
constexpr char kSaveKey[] = "folders/save";
constexpr char kJpegKey[] = "save/jpeg-quality";
constexpr char kTiffKey[] = "save/tiff-compression";

// Named explicitly, so that the place does not hang on the application's names.
QSettings Preferences() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVEX"),
                   QStringLiteral("Pictaro Quiltor"));
}

QString ReadKey(const char* key) { return Preferences().value(QLatin1String(key)).toString(); }

bool WriteKey(const char* key, std::string_view value) {
  QSettings settings = Preferences();
  settings.setValue(QLatin1String(key),
                    QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())));
  settings.sync();
  return settings.status() == QSettings::NoError;
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
  return SearchMethodFromKey(ReadKey(kMethodKey).toStdString()).value_or(SearchMethod::Template);
}

bool WriteSearchMethodPreference(SearchMethod method) {
  return WriteKey(kMethodKey, SearchMethodKey(method));
}

PlacementMethod ReadPlacementMethodPreference() {
  return PlacementMethodFromKey(ReadKey(kPlacementKey).toStdString())
      .value_or(PlacementMethod::Chain);
}

bool WritePlacementMethodPreference(PlacementMethod method) {
  return WriteKey(kPlacementKey, PlacementMethodKey(method));
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
