#include "stitchsettings.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// Field offsets in the file; bytes 9..11 are reserved and not interpreted.
constexpr int kZoneAt = 0, kRadiusAt = 4, kCropAt = 8, kFrameAt = 12, kBlendAt = 16, kStepAt = 20;

using Record = std::array<uint8_t, kSettingsFileSize>;

void PutInt(Record& r, int at, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) r[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetInt(const Record& r, int at) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= uint32_t{r[at + i]} << (8 * i);
  return static_cast<int32_t>(u);
}

Record ToRecord(const StitchSettings& s) {
  Record r{};
  PutInt(r, kZoneAt, s.Zone);
  PutInt(r, kRadiusAt, s.Radius);
  r[kCropAt] = s.Crop;
  PutInt(r, kFrameAt, s.Frame);
  PutInt(r, kBlendAt, s.Blend);
  PutInt(r, kStepAt, s.Step);
  return r;
}

StitchSettings FromRecord(const Record& r) {
  return {GetInt(r, kZoneAt), GetInt(r, kRadiusAt), r[kCropAt],
          GetInt(r, kFrameAt), GetInt(r, kBlendAt), GetInt(r, kStepAt)};
}

}  // namespace

bool ReadSettingsFile(const std::string& path, StitchSettings& settings, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = "is a folder";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = std::strerror(errno);
    return false;
  }
  Record record = ToRecord(settings);
  // A short file fills the record from its start; a long one gives only its first 24 bytes.
  file.read(reinterpret_cast<char*>(record.data()), kSettingsFileSize);
  if (file.bad()) {
    error = "read error";
    return false;
  }
  settings = FromRecord(record);
  return true;
}

std::string SettingsFileBytes(const StitchSettings& settings) {
  const Record r = ToRecord(settings);
  return std::string(r.begin(), r.end());
}
