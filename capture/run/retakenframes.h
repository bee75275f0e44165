#pragma once
// Frame files taken back during a run are kept, moved aside into a folder of
// the project's own, never deleted.

#include <string>

// The folder of retaken frames inside a project folder (which ends with '/').
std::string RetakenFolder(const std::string& projectDir);

// Moves frameFile into RetakenFolder(projectDir) under its own name, or with
// "-2", "-3", ... before the extension when that name is taken: nothing there
// is ever replaced. Returns the new path; empty, with error set, when the
// file stays where it is.
std::string MoveAsideRetaken(const std::string& frameFile, const std::string& projectDir,
                             std::string& error);
