#include "dialogs/settings/preferences.h"

#include <QSettings>
#include <QString>

namespace {

const char* const kMethodKey = "search/method";

// Named explicitly, so that the place does not hang on the application's names.
QSettings Preferences() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KORVEX"),
                   QStringLiteral("Pictaro Quiltor"));
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
