#include "ownuserfolders.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

OwnUserFolders::OwnUserFolders() : dir_(QDir::tempPath() + QStringLiteral("/quiltor-home-XXXXXX")) {
  if (!dir_.isValid()) {
    // Running on with the real folders would write into them: stop instead.
    std::fprintf(stderr, "cannot create a private home folder for the tests\n");
    std::exit(2);
  }
  const QByteArray home = QFile::encodeName(dir_.path());
  QDir(dir_.path()).mkpath(QStringLiteral(".config"));
  QDir(dir_.path()).mkpath(QStringLiteral(".local/share"));
  QDir(dir_.path()).mkpath(QStringLiteral(".cache"));
  qputenv("HOME", home);
  qputenv("XDG_CONFIG_HOME", home + "/.config");
  qputenv("XDG_DATA_HOME", home + "/.local/share");
  qputenv("XDG_CACHE_HOME", home + "/.cache");
}
