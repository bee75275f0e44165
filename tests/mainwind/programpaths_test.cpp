#include "mainwind/programpaths.h"

#include <QDir>
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

TEST_F(WindowTest, MissingProgramFolderIsNotWritable) {
  EXPECT_FALSE(FolderWritable(dir_ + QStringLiteral("/absent")));
  EXPECT_TRUE(FolderWritable(dir_));
  // The probe leaves nothing behind.
  EXPECT_TRUE(QDir(dir_).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
