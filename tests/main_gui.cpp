// Test entry: a QGuiApplication so that image plugins and fonts are found.
#include <gtest/gtest.h>
#include <QGuiApplication>

#include "imagefiles/imagefiles.h"
#include "support/ownuserfolders.h"

int main(int argc, char** argv) {
  // Listing and running tests never needs a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const OwnUserFolders folders;
  QGuiApplication app(argc, argv);
  PixInit();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
