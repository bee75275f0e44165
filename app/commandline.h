#pragma once
// The desktop program's command line: help and version are answered before
// any window (or display) is needed; other arguments are images to open.

#include <string>
#include <vector>

enum class CommandLineAction { Run, Help, Version, Bad };

struct ProgramCommandLine {
  CommandLineAction Action = CommandLineAction::Run;
  std::vector<std::string> Images;  // in the order given
  std::string Problem;              // for Bad: what was not understood, in Russian
};

// arguments: without the program's name, after the window toolkit took its own.
ProgramCommandLine ParseProgramCommandLine(const std::vector<std::string>& arguments);

// The text of "quiltor --help" (Russian, UTF-8); the manual page is made from it.
std::string ProgramHelpText();
