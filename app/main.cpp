// The desktop program.
#include <cstdio>

#include "commandline.h"
#include "dialogs/about/versioninfocomponent.h"
#include "quiltorapplication.h"
#include "startup.h"

namespace {

std::vector<std::string> ArgumentsOf(int argc, char** argv) {
  return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

// Help and version, answered without a display; -1 when the run goes on.
int Answer(const ProgramCommandLine& line) {
  if (line.Action == CommandLineAction::Help) {
    std::fputs(ProgramHelpText().c_str(), stdout);
    return 0;
  }
  if (line.Action != CommandLineAction::Version) return -1;
  // The same record of the program's own file that the about box shows.
  TVersionInfo info;
  info.SetEnabled(true);
  if (info.ProductName().isEmpty() || info.FileVersion().isEmpty()) {
    std::fputs("quiltor: запись о версии в файле программы не найдена\n", stderr);
    return 1;
  }
  // "program (package) version", the form manual page generators read.
  std::printf("quiltor (%s) %s\n", info.ProductName().toUtf8().constData(),
              info.FileVersion().toUtf8().constData());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int early = Answer(ParseProgramCommandLine(ArgumentsOf(argc, argv)));
  if (early >= 0) return early;
  QuiltorApplication app(argc, argv);
  // The toolkit has taken its own options ("-platform ...") out of argv by now.
  const ProgramCommandLine line = ParseProgramCommandLine(ArgumentsOf(argc, argv));
  if (line.Action == CommandLineAction::Bad) {
    std::fprintf(stderr, "quiltor: %s\nСправка: quiltor --help\n", line.Problem.c_str());
    return 2;
  }
  StartupOptions options;
  options.Images = line.Images;
  return RunQuiltor(app, options);
}
