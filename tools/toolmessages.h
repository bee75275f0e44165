#pragma once
// How the command-line tools speak: one line per message on a stream, in
// valid UTF-8, and nothing escapes main without a word.

#include <cstdio>
#include <functional>
#include <string>

// "TOOL: TEXT" (or "TOOL: warning: TEXT") on stream.
void PrintMessage(std::FILE* stream, const char* tool, const std::string& text);
void PrintWarning(const char* tool, const std::string& text);

// run's status; an exception that reaches here is told and gives status 1,
// after the stack has unwound, so no staged file is left behind.
int RunGuarded(const char* tool, const std::function<int()>& run);
