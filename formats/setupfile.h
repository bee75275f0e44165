#pragma once
// The settings record and its 24-byte little-endian file. Plain C++, so the
// headless stitcher reads the same file the desktop program writes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The six engine parameters, in the order of the file and of Panoram::ApplySettings.
struct SetupData {
  int32_t ImageZone = 0;               // overlap zone, percent of the image side
  int32_t FindR = 0;                   // search radius, pixels
  uint8_t Crop = 0;                    // 0 off, 1 on
  std::array<uint8_t, 3> Reserved{};   // bytes 9..11, written back as read
  int32_t CropFrame = 0;               // crop frame width, pixels
  int32_t SmoothType = 0;              // seam method 0..4
  int32_t Quality = 0;                 // search step, 1 quality .. 5 speed

  friend bool operator==(const SetupData&, const SetupData&) = default;
};

// The dialog's initial values: what a program without a settings file works with.
constexpr SetupData DefaultSetupData() {
  SetupData data;
  data.ImageZone = 30;
  data.FindR = 15;
  data.CropFrame = 5;
  data.SmoothType = 1;
  data.Quality = 3;
  return data;
}

constexpr size_t kSetupFileSize = 24;
using SetupBytes = std::array<uint8_t, kSetupFileSize>;

SetupBytes EncodeSetup(const SetupData& data);
SetupData DecodeSetup(const SetupBytes& bytes);

// Reads up to 24 bytes from the start of the file over the record; bytes the
// file lacks keep their value. Returns how many bytes were read, or nothing
// when the file is missing or cannot be opened (the record is then untouched).
std::optional<size_t> ReadSetupFile(const std::string& path, SetupData& data);

// Writes the 24 bytes through a temporary file beside the target, so a failed
// write never leaves a short file behind. Returns false when nothing was stored.
bool WriteSetupFile(const std::string& path, const SetupData& data);
