#pragma once
// Writing files so that each is either complete or untouched.

#include <cstdint>
#include <string>

#include "formats/filecommit.h"

// Writes bytes to a temporary file beside path and renames it over path, so a
// failed write never leaves a partial file. Returns "" or the system's reason.
std::string WriteFileWhole(const std::string& path, const std::string& bytes);

// A file written to a temporary beside its target, which replaces the target
// only at Commit; dropped before that, the temporary goes and the target stays.
// Several can all be written before any replaces its target. The first failure
// is kept: a writer that goes on after a failed write cannot hide it.
// The temporary has no name until Commit where the file system allows it, so
// a killed process leaves nothing; elsewhere it has a hidden name that a later
// save into that folder removes. A symbolic link is written through, the old
// file's mode (and owner, for root) is kept, and an existing device, FIFO or
// socket is written in place, never replaced.
class StagedFile {
 public:
  StagedFile() = default;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile();

  // Creates the temporary for path; "" or the system's reason.
  std::string Open(const std::string& path);
  // Each returns false once anything has failed; Reason() says what.
  bool Write(const char* data, size_t size);
  bool Seek(int64_t offset);  // from the start, in bytes
  int64_t Size() const;
  // Brings the data to the disk (a full disk shows here at the latest) and
  // closes the temporary; "" or the first failure's reason.
  std::string Finish();
  // Renames the finished temporary over the target; "" or the reason.
  std::string Commit();
  // Puts the finished temporary in place under name (in the target's folder;
  // empty: the target) only if nothing is there; Clashed() then tells.
  std::string CommitNew(const std::string& name = {});
  bool Clashed() const { return clashed_; }
  const std::string& Reason() const { return reason_; }

  // Open, Write and Finish at once.
  std::string Stage(const std::string& path, const std::string& bytes);

  // Tests try the named temporaries of file systems without unnamed ones.
  static void AllowUnnamedTemporaries(bool allow);

 private:
  bool Failed();  // records errno's reason once
  std::string OpenTemporary();
  std::string NameTemporary();
  void KeepOwnerAndMode();

  SaveTarget target_;
  std::string temp_;      // the named temporary, once there is one
  bool unnamed_ = false;  // the data sit in an unnamed file behind fd_
  bool finished_ = false;
  bool clashed_ = false;
  int fd_ = -1;
  std::string reason_;
};
