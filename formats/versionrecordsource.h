#pragma once
// Where the bytes of a program image come from: a file read piece by piece
// (program files can be large) or a buffer in memory. Plain C++.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// An operating-system failure while reading an existing file.
class VersionInfoOsError : public std::runtime_error {
 public:
  VersionInfoOsError(int code, const std::string& path);
  int Code() const { return code_; }  // errno

 private:
  int code_;
};

class ImageSource {
 public:
  virtual ~ImageSource() = default;
  // Up to `size` bytes from `offset`; fewer only where the image ends.
  virtual std::vector<uint8_t> Read(uint64_t offset, size_t size) = 0;
};

class MemoryImageSource : public ImageSource {
 public:
  explicit MemoryImageSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  std::vector<uint8_t> Read(uint64_t offset, size_t size) override;

 private:
  std::span<const uint8_t> bytes_;
};

// Throws VersionInfoOsError when the file cannot be opened or read.
class FileImageSource : public ImageSource {
 public:
  explicit FileImageSource(const std::string& path);
  ~FileImageSource() override;
  FileImageSource(const FileImageSource&) = delete;
  FileImageSource& operator=(const FileImageSource&) = delete;
  std::vector<uint8_t> Read(uint64_t offset, size_t size) override;

 private:
  std::string path_;
  int fd_ = -1;
};
