#pragma once
// Program images crafted byte by byte for the version reader's tests and for
// the fuzz corpus: well-formed PE32/PE32+/ELF images and damaged variants.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "formats/versionrecordwriter.h"

using ImageBytes = std::vector<uint8_t>;

// The record of a typical program: Russian translation, the usual strings.
VersionRecordContent SampleContent();

struct PeOptions {
  bool Plus = false;       // PE32+ (64-bit) rather than PE32
  uint16_t Subsystem = 2;  // 2 GUI, 3 console
  uint8_t SubsystemMajor = 4;
  uint8_t SubsystemMinor = 0;
  bool Dll = false;
  ImageBytes Record;                // the RT_VERSION resource; none if empty
  ImageBytes SecondLanguageRecord;  // a later language entry, never the one read
};

ImageBytes BuildPeImage(const PeOptions& options);

// A little-endian ELF64 file with one section named `sectionName`.
ImageBytes BuildElfImage(const ImageBytes& sectionData,
                         const std::string& sectionName = ".quiltor_version");

// Offsets inside images made by BuildPeImage, for damaging them on purpose.
namespace pe_layout {
inline constexpr size_t kPeHeader = 0x40;
inline constexpr size_t kOptionalHeader = kPeHeader + 24;
inline constexpr size_t kResourceFile = 0x200;  // the resource section in the file
inline constexpr uint32_t kResourceRva = 0x1000;
inline constexpr size_t kNameDirectory = 0x18;  // from the resource section start
inline constexpr size_t kLanguageDirectory = 0x30;
inline constexpr size_t kDataEntry = 0x50;
inline constexpr size_t kRecord = 0x70;
}  // namespace pe_layout

void PutU16(ImageBytes& b, size_t at, uint32_t v);
void PutU32(ImageBytes& b, size_t at, uint32_t v);

// One crafted case: its bytes and whether a record must come out of it.
struct CraftedImage {
  std::string Name;
  ImageBytes Bytes;
  bool HasRecord = false;
};

inline void PrintTo(const CraftedImage& image, std::ostream* os) { *os << image.Name; }

// Well-formed images and damaged ones: truncated headers, bad offsets,
// resource directories that point at themselves, huge counts and lengths,
// odd alignments, zero-length blocks.
std::vector<CraftedImage> CraftedImages();
