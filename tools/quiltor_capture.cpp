// Headless capture run: frames from a camera or the simulated camera into
// the mosaic engine, as the capture page takes them by hand.
#include <unistd.h>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <new>

#include "capturecli.h"
#include "capturejob.h"
#include "imagefiles/imagefiles.h"
#include "terminalprogress.h"

namespace {

int Run(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quiltor-capture %s\n", QUILTOR_VERSION);
    return 0;
  }
  QCoreApplication app(argc, argv);
  PixInit();
  const CaptureCliOutcome cli = ParseCaptureArgs(argc, argv);
  if (!cli.Run) {
    std::fprintf(cli.ExitCode == 0 ? stdout : stderr, "%s\n", cli.Message.c_str());
    return cli.ExitCode;
  }
  for (const std::string& warning : cli.Warnings) {
    std::fprintf(stderr, "quiltor-capture: warning: %s\n", warning.c_str());
  }
  const bool quiet = cli.Options.Stitch.Quiet;
  TerminalProgress bar(quiet ? nullptr : stderr, "search", isatty(STDERR_FILENO) != 0);
  const StitchResult result = RunCapture(cli.Options, &bar);
  bar.Finish();
  for (const std::string& warning : result.Warnings) {
    std::fprintf(stderr, "quiltor-capture: warning: %s\n", warning.c_str());
  }
  if (result.ExitCode != 0) {
    std::fprintf(stderr, "quiltor-capture: %s\n", result.Error.c_str());
    return result.ExitCode;
  }
  if (!quiet) {
    std::fprintf(stderr, "mosaic %d x %d written to %s\n", result.Output.Width(),
                 result.Output.Height(), cli.Options.Stitch.Output.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("quiltor-capture: not enough memory\n", stderr);
    return 1;
  }
}
