#include "programpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

QString WithSlash(const QString& folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The same folder once links and "..", if any, are resolved.
bool SameFolder(const QString& a, const QString& b) {
  const QString canonicalA = QFileInfo(a).canonicalFilePath();
  return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

}  // namespace

bool FolderWritable(const QString& folder) {
  if (!QFileInfo(folder).isDir()) return false;
  // Permission bits say nothing for a read-only mount or a privileged user.
  QTemporaryFile probe(WithSlash(folder) + QStringLiteral(".quiltor-probe-XXXXXX"));
  return probe.open();
}

ProgramPaths ResolveProgramPaths(const QString& programFile, const QString& userConfigFolder,
                                 const QString& userPicturesFolder,
                                 const QString& systemProgramFolder) {
  ProgramPaths paths;
  paths.ProgramFolder = WithSlash(QFileInfo(programFile).absolutePath());
  const bool system =
      !systemProgramFolder.isEmpty() && SameFolder(paths.ProgramFolder, systemProgramFolder);
  paths.InProgramFolder = !system && FolderWritable(paths.ProgramFolder);
  if (paths.InProgramFolder) {
    paths.ImageFolder = paths.ProgramFolder + QStringLiteral("Image/");
    paths.ConfigPath = paths.ProgramFolder + QStringLiteral("data.cfg");
  } else {
    paths.ImageFolder = WithSlash(userPicturesFolder) + QStringLiteral("Image/");
    paths.ConfigPath = WithSlash(userConfigFolder) + QStringLiteral("data.cfg");
  }
  return paths;
}

ProgramPaths CurrentProgramPaths() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
  return ResolveProgramPaths(
      QCoreApplication::applicationFilePath(),
      QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
      WithSlash(pictures.isEmpty() ? home : pictures) + QStringLiteral("Quiltor"),
      QStringLiteral(QUILTOR_SYSTEM_PROGRAM_FOLDER));
}

bool EnsureProgramFolders(const ProgramPaths& paths) {
  const bool images = QDir().mkpath(paths.ImageFolder);
  const bool config = QDir().mkpath(QFileInfo(paths.ConfigPath).absolutePath());
  return images && config;
}
