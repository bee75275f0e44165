// Test entry running on the program's own application object.
#include <gtest/gtest.h>

#include "app/quiltorapplication.h"
#include "imagefiles/imagefiles.h"
#include "mainwind/appearance.h"
#include "support/ownuserfolders.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const OwnUserFolders folders;
  QuiltorApplication app(argc, argv);
  RegisterProgramFonts();
  UseProgramIconTheme();
  InstallRussianTexts(app);
  PixInit();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
