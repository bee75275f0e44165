#pragma once
// The settings record's 24-byte little-endian file. Plain C++, so the
// headless stitcher reads the same file the desktop program writes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "formats/setupdata.h"

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
