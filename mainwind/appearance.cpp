#include "appearance.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

void RegisterProgramFonts() {
  // Without the real face "Tahoma" falls back to a much wider one.
  const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
  if (QFile::exists(tahoma)) QFontDatabase::addApplicationFont(tahoma);
}

void UseProgramIconTheme() {
  QStringList paths = QIcon::themeSearchPaths();
  const QString system = QStringLiteral("/usr/share/icons");
  if (!paths.contains(system)) paths.append(system);
  QIcon::setThemeSearchPaths(paths);
  QIcon::setThemeName(QStringLiteral("oxygen"));
}

bool InstallRussianTexts(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ru"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
