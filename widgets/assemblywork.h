#pragma once
// Runs a long engine step off the window's thread while the window goes on
// painting. User input waits until the step is done, so no command can reach
// the engine meanwhile.

#include <functional>

// Returns when work has finished; an exception thrown by work is rethrown here.
void RunWhilePainting(const std::function<void()>& work);
