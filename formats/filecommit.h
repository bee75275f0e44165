#pragma once
// Where a save lands and how it replaces what is there: the pieces of a
// staged save that StagedFile puts together. Names are the system's bytes.

#include <sys/types.h>

#include <string>

// The folder part of a path: "." for a bare name, "/" for the root.
std::string ContainingFolder(const std::string& path);

// The file a save writes, once the name given has been looked at.
struct SaveTarget {
  // Replace: staged beside the file and renamed over it (or linked in when
  // new). InPlace: an existing device, FIFO or socket, written as it is.
  enum class Way { Replace, InPlace } How = Way::Replace;
  std::string Path;  // a symbolic link's final target when the name is one
  bool Exists = false;
  mode_t Mode = 0;  // permission bits of the existing file
  uid_t Owner = 0;
  gid_t Group = 0;
};

// Looks at path: "" and the target, or the system's reason why nothing can
// be saved there (a folder, a missing folder, a loop of links).
std::string ResolveSaveTarget(const std::string& path, SaveTarget& target);

// ResolveSaveTarget and also whether the folder takes a new file: for checks
// made before any work, so that a save cannot fail late on its name.
std::string CheckSaveTarget(const std::string& path);

// The run reads this file: no save of this process may replace it.
void ProtectFromReplacement(const std::string& path);
// "" or why a save to the target must not happen (it is a protected input).
std::string ProtectedTargetProblem(const SaveTarget& target);
void ClearProtectedFiles();  // for tests

// A hidden name beside target for a temporary file owned by this process:
// ".NAME.quiltor-PID-N.part". Only where an unnamed temporary cannot be made.
std::string HiddenTempName(const std::string& target);
// Removes from folder the hidden temporaries of processes that are gone and
// were owned by this user; returns how many. Each folder once per process
// unless again is set.
int RemoveAbandonedTemps(const std::string& folder, bool again = false);
