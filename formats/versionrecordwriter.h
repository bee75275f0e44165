#pragma once
// Builds a version record (VS_VERSIONINFO) byte for byte: the build embeds it
// in our own binaries, and tests craft program images with it. Plain C++.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/versionrecord.h"

struct VersionStringTable {
  std::string Translation;                                   // "041904E3"
  std::vector<std::pair<std::string, std::string>> Strings;  // key, value; UTF-8
};

struct VersionRecordContent {
  FixedFileInfo Fixed;
  std::vector<VersionStringTable> Tables;
  // Each language | code page << 16; no VarFileInfo block at all when absent.
  std::optional<std::vector<uint32_t>> Translations;
};

// Four version parts "a.b.c.d" into (most, least) significant words; parts
// past 65535 or missing parts give nothing.
std::optional<std::pair<uint32_t, uint32_t>> ParseFourPartVersion(const std::string& text);

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);

// The record; a block that would pass 65535 bytes makes this throw
// std::length_error, since its length field is 16 bits.
std::vector<uint8_t> WriteVersionRecord(const VersionRecordContent& content);
