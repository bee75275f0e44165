// The desktop program.
#include <QApplication>

#include "startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return RunQuiltor(app);
}
