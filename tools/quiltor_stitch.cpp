// Headless front end to the mosaic engine.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quiltor-stitch %s\n", QUILTOR_VERSION);
    return 0;
  }
  std::fprintf(stderr, "quiltor-stitch: not ready yet\n");
  return 2;
}
