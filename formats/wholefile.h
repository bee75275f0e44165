#pragma once
// Writing files so that each is either complete or untouched.

#include <cstdint>
#include <string>

// Writes bytes to a temporary file beside path and renames it over path, so a
// failed write never leaves a partial file. Returns "" or the system's reason.
std::string WriteFileWhole(const std::string& path, const std::string& bytes);

// A file written to a temporary beside its target, which replaces the target
// only at Commit; dropped before that, the temporary goes and the target stays.
// Several can all be written before any replaces its target. The first failure
// is kept: a writer that goes on after a failed write cannot hide it.
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
  const std::string& Reason() const { return reason_; }

  // Open, Write and Finish at once.
  std::string Stage(const std::string& path, const std::string& bytes);

 private:
  bool Failed();  // records errno's reason once

  std::string path_;
  std::string temp_;
  int fd_ = -1;
  std::string reason_;
};
