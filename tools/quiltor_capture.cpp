// Headless capture run: frames from a camera or the simulated camera into
// the mosaic engine, as the capture page takes them by hand.
#include <unistd.h>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "capturecli.h"
#include "capturejob.h"
#include "formats/utf8text.h"
#include "imagefiles/imagefiles.h"
#include "terminalprogress.h"
#include "toolmessages.h"

namespace {

constexpr const char* kTool = "quiltor-capture";

int Run(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quiltor-capture %s\n", QUILTOR_VERSION);
    return 0;
  }
  QCoreApplication app(argc, argv);
  PixInit();
  const CaptureCliOutcome cli = ParseCaptureArgs(argc, argv);
  if (!cli.Run) {
    std::fputs(ValidUtf8(cli.Message + "\n").c_str(), cli.ExitCode == 0 ? stdout : stderr);
    return cli.ExitCode;
  }
  for (const std::string& warning : cli.Warnings) PrintWarning(kTool, warning);
  const bool quiet = cli.Options.Stitch.Quiet;
  TerminalProgress bar(quiet ? nullptr : stderr, "search", isatty(STDERR_FILENO) != 0);
  const StitchResult result = RunCapture(cli.Options, &bar);
  bar.Finish();
  for (const std::string& warning : result.Warnings) PrintWarning(kTool, warning);
  if (result.ExitCode != 0) {
    PrintMessage(stderr, kTool, result.Error);
    return result.ExitCode;
  }
  if (!quiet) {
    std::fprintf(stderr, "mosaic %d x %d written to %s\n", result.Output.Width(),
                 result.Output.Height(), ValidUtf8(cli.Options.Stitch.Output).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunGuarded(kTool, [&] { return Run(argc, argv); });
}
