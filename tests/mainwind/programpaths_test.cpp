#include "mainwind/programpaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include "support/windowfixture.h"

namespace {

TEST_F(WindowTest, WritableProgramFolderHoldsSettingsAndImages) {
  EXPECT_TRUE(paths_.InProgramFolder);
  EXPECT_EQ(paths_.ProgramFolder, dir_ + QStringLiteral("/"));
  EXPECT_EQ(paths_.ConfigPath, dir_ + QStringLiteral("/data.cfg"));
  EXPECT_EQ(paths_.ImageFolder, dir_ + QStringLiteral("/Image/"));
  auto w = MakeWindow();
  EXPECT_TRUE(QFileInfo(paths_.ImageFolder).isDir());
  EXPECT_EQ(w->ImageFolder, paths_.ImageFolder);
  EXPECT_EQ(w->ConfigPath, paths_.ConfigPath);
}

TEST_F(WindowTest, UnwritableProgramFolderUsesTheUsersFolders) {
  // Nothing can be created in /proc, even with every privilege.
  const ProgramPaths paths =
      ResolveProgramPaths(QStringLiteral("/proc/quiltor"), dir_ + QStringLiteral("/cfg"),
                          dir_ + QStringLiteral("/pic"));
  EXPECT_FALSE(paths.InProgramFolder);
  EXPECT_EQ(paths.ProgramFolder, QStringLiteral("/proc/"));
  EXPECT_EQ(paths.ConfigPath, dir_ + QStringLiteral("/cfg/data.cfg"));
  EXPECT_EQ(paths.ImageFolder, dir_ + QStringLiteral("/pic/Image/"));

  paths_ = paths;
  auto w = MakeWindow();
  EXPECT_TRUE(QFileInfo(paths.ImageFolder).isDir());
  EXPECT_TRUE(QFileInfo(dir_ + QStringLiteral("/cfg")).isDir());
  // The settings are saved where the next start will read them.
  w->FormSetup->LoadSetup(w->ConfigPath);
  w->FormSetup->ButtonOk->click();
  EXPECT_TRUE(w->FormSetup->LastSaveSucceeded());
  EXPECT_TRUE(QFileInfo::exists(dir_ + QStringLiteral("/cfg/data.cfg")));
}

TEST_F(WindowTest, SystemProgramFolderUsesTheUsersFoldersEvenWhenWritable) {
  // A package's program folder can be written by root: it still holds no settings.
  const QString bin = dir_ + QStringLiteral("/usr/bin");
  const QString bin2 = dir_ + QStringLiteral("/usr/bin2");
  ASSERT_TRUE(QDir().mkpath(bin));
  ASSERT_TRUE(QDir().mkpath(bin2));
  ASSERT_TRUE(QDir().mkpath(dir_ + QStringLiteral("/usr/lib")));
  ASSERT_TRUE(QFile::link(bin, dir_ + QStringLiteral("/linked")));
  const QString cfg = dir_ + QStringLiteral("/cfg");
  const QString pic = dir_ + QStringLiteral("/pic");

  for (const QString& program :
       {bin + QStringLiteral("/quiltor"), dir_ + QStringLiteral("/linked/quiltor"),
        dir_ + QStringLiteral("/usr/lib/../bin/quiltor")}) {
    const ProgramPaths paths = ResolveProgramPaths(program, cfg, pic, bin + QStringLiteral("/"));
    EXPECT_FALSE(paths.InProgramFolder) << program.toStdString();
    EXPECT_EQ(paths.ConfigPath, cfg + QStringLiteral("/data.cfg")) << program.toStdString();
    EXPECT_EQ(paths.ImageFolder, pic + QStringLiteral("/Image/")) << program.toStdString();
  }
  // A folder whose name merely begins with the system folder's is the program's own.
  const ProgramPaths beside = ResolveProgramPaths(bin2 + QStringLiteral("/quiltor"), cfg, pic, bin);
  EXPECT_TRUE(beside.InProgramFolder);
  EXPECT_EQ(beside.ConfigPath, bin2 + QStringLiteral("/data.cfg"));
  // Nothing was probed or made in the system folder.
  EXPECT_TRUE(
      QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(WindowTest, MissingProgramFolderIsNotWritable) {
  EXPECT_FALSE(FolderWritable(dir_ + QStringLiteral("/absent")));
  EXPECT_TRUE(FolderWritable(dir_));
  // The probe leaves nothing behind.
  EXPECT_TRUE(QDir(dir_).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
