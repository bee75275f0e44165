// Headless front end to the mosaic engine.
#include <unistd.h>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "formats/utf8text.h"
#include "imagefiles/imagefiles.h"
#include "stitchcli.h"
#include "stitchjob.h"
#include "terminalprogress.h"
#include "toolmessages.h"

namespace {

constexpr const char* kTool = "quiltor-stitch";

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
    std::fputs(ValidUtf8(cli.Message + "\n").c_str(), cli.ExitCode == 0 ? stdout : stderr);
    return cli.ExitCode;
  }
  for (const std::string& warning : cli.Warnings) PrintWarning(kTool, warning);
  TerminalProgress bar(cli.Options.Quiet ? nullptr : stderr, "search", isatty(STDERR_FILENO) != 0);
  const StitchResult result = RunStitch(cli.Options, &bar);
  bar.Finish();
  for (const std::string& warning : result.Warnings) PrintWarning(kTool, warning);
  if (result.ExitCode != 0) {
    PrintMessage(stderr, kTool, result.Error);
    return result.ExitCode;
  }
  if (!cli.Options.Quiet) {
    std::fprintf(stderr, "mosaic %d x %d written to %s\n", result.Output.Width(),
                 result.Output.Height(), ValidUtf8(cli.Options.Output).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunGuarded(kTool, [&] { return Run(argc, argv); });
}
