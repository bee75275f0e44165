// Window test entry: a QApplication with the program's fonts, icons and Russian texts.
#include <gtest/gtest.h>
#include <QApplication>

#include "imagefiles/imagefiles.h"
#include "mainwind/appearance.h"
#include "support/ownuserfolders.h"

int main(int argc, char** argv) {
  // Run directly, the tests still need no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const OwnUserFolders folders;
  QApplication app(argc, argv);
  RegisterProgramFonts();
  UseProgramIconTheme();
  InstallRussianTexts(app);
  PixInit();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
