#include "formats/setupfile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "formats/littleendian.h"
#include "formats/wholefile.h"

namespace {

constexpr size_t kOffImageZone = 0;
constexpr size_t kOffFindR = 4;
constexpr size_t kOffCrop = 8;
constexpr size_t kOffReserved = 9;
constexpr size_t kOffCropFrame = 12;
constexpr size_t kOffSmoothType = 16;
constexpr size_t kOffQuality = 20;

void PutInt(SetupBytes& bytes, size_t offset, int32_t value) {
  WriteLE32(bytes.data() + offset, static_cast<uint32_t>(value));
}

int32_t GetInt(const SetupBytes& bytes, size_t offset) {
  return static_cast<int32_t>(ReadLE32(bytes.data() + offset));
}

}  // namespace

SetupBytes EncodeSetup(const SetupData& data) {
  SetupBytes bytes{};
  PutInt(bytes, kOffImageZone, data.ImageZone);
  PutInt(bytes, kOffFindR, data.FindR);
  bytes[kOffCrop] = data.Crop;
  std::copy(data.Reserved.begin(), data.Reserved.end(), bytes.begin() + kOffReserved);
  PutInt(bytes, kOffCropFrame, data.CropFrame);
  PutInt(bytes, kOffSmoothType, data.SmoothType);
  PutInt(bytes, kOffQuality, data.Quality);
  return bytes;
}

SetupData DecodeSetup(const SetupBytes& bytes) {
  SetupData data;
  data.ImageZone = GetInt(bytes, kOffImageZone);
  data.FindR = GetInt(bytes, kOffFindR);
  data.Crop = bytes[kOffCrop];
  std::copy_n(bytes.begin() + kOffReserved, data.Reserved.size(), data.Reserved.begin());
  data.CropFrame = GetInt(bytes, kOffCropFrame);
  data.SmoothType = GetInt(bytes, kOffSmoothType);
  data.Quality = GetInt(bytes, kOffQuality);
  return data;
}

std::optional<size_t> ReadSetupFile(const std::string& path, SetupData& data) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  // A short file fills the record from its start; the rest keeps its bytes.
  SetupBytes bytes = EncodeSetup(data);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const auto count = static_cast<size_t>(file.gcount());
  data = DecodeSetup(bytes);
  return count;
}

bool WriteSetupFile(const std::string& path, const SetupData& data) {
  const SetupBytes bytes = EncodeSetup(data);
  return WriteFileWhole(path, std::string(bytes.begin(), bytes.end())).empty();
}
