// The desktop program.
#include "quiltorapplication.h"
#include "startup.h"

int main(int argc, char** argv) {
  QuiltorApplication app(argc, argv);
  return RunQuiltor(app);
}
