// Headless front end to the mosaic engine.
#include <unistd.h>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <new>

#include "imagefiles/imagefiles.h"
#include "stitchcli.h"
#include "stitchjob.h"
#include "terminalprogress.h"

namespace {

int Run(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quiltor-stitch %s\n", QUILTOR_VERSION);
    return 0;
  }
  // Image plugins are found through the application object.
  QCoreApplication app(argc, argv);
  PixInit();
  const CliOutcome cli = ParseStitchArgs(argc, argv);
  if (!cli.Run) {
    std::fprintf(cli.ExitCode == 0 ? stdout : stderr, "%s\n", cli.Message.c_str());
    return cli.ExitCode;
  }
  for (const std::string& warning : cli.Warnings) {
    std::fprintf(stderr, "quiltor-stitch: warning: %s\n", warning.c_str());
  }
  TerminalProgress bar(cli.Options.Quiet ? nullptr : stderr, "search", isatty(STDERR_FILENO) != 0);
  const StitchResult result = RunStitch(cli.Options, &bar);
  bar.Finish();
  for (const std::string& warning : result.Warnings) {
    std::fprintf(stderr, "quiltor-stitch: warning: %s\n", warning.c_str());
  }
  if (result.ExitCode != 0) {
    std::fprintf(stderr, "quiltor-stitch: %s\n", result.Error.c_str());
    return result.ExitCode;
  }
  if (!cli.Options.Quiet) {
    std::fprintf(stderr, "mosaic %d x %d written to %s\n", result.Output.Width(),
                 result.Output.Height(), cli.Options.Output.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    // Short memory before or after the stitch itself (start-up, arguments).
    std::fputs("quiltor-stitch: not enough memory\n", stderr);
    return 1;
  }
}
