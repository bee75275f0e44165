#pragma once
// The stitcher's command line.

#include <string>
#include <vector>

#include "stitchoptions.h"

struct CliOutcome {
  bool Run = false;     // options are complete: go on
  int ExitCode = 0;     // otherwise: exit with this
  std::string Message;  // for stdout when ExitCode is 0 (help), else stderr
  StitchOptions Options;
  std::vector<std::string> Warnings;  // the run goes on; each is printed once
};

// The same file by device and inode when both exist (links, "..", symbolic
// links); otherwise the same path once resolved as far as it exists.
bool SameFile(const std::string& a, const std::string& b);

// A file the run reads, with how messages call it ("the input", ...).
struct RunInput {
  std::string Path;
  std::string What;
};

// "" or why the mosaic or the report cannot be written: a name that is a
// folder or lies in a missing one (other than madeFolder, which the run
// makes), or one that is an input or the other output.
std::string CheckOutputs(const StitchOptions& options, const std::vector<RunInput>& inputs,
                         const std::string& madeFolder = {});

// "1,2,3": one direction code 1..4 per comma; false on anything else. Empty
// text gives no codes.
bool ParseDirections(const std::string& text, std::vector<int32_t>& codes);

// Exit status of a run refused for its arguments.
constexpr int kExitBadArguments = 2;

// Parses argv (argv[0] is the program). Checks everything that can be checked
// without reading images: counts, ranges, the settings file, the output format.
CliOutcome ParseStitchArgs(int argc, const char* const* argv);
