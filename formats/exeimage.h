#pragma once
// Finds the raw version record in a program image: the version resource of a
// Windows image (PE32 or PE32+), or the record our build places in a section
// of an ELF file. Every offset taken from the image is checked before use; a
// malformed image gives no record rather than an error.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "formats/versionrecordsource.h"

enum class ImageKind { Pe, Elf };

struct LocatedRecord {
  ImageKind Kind = ImageKind::Pe;
  std::vector<uint8_t> Bytes;
};

// The ELF section that carries our own record.
inline constexpr char kVersionSectionName[] = ".quiltor_version";

// A record's length field is 16 bits, so nothing past this can belong to it.
inline constexpr size_t kMaxRecordSize = 0x10000;

// The executable type as the platform reports it for a Windows image: "PE"
// (0x4550) in the low word; in the high word 0 for a console program or the
// subsystem version (major << 8 | minor) for a GUI program. 0 for anything
// else, libraries included.
uint32_t PeExeType(ImageSource& image);

// Console programs, and GUI programs whose subsystem version word is 0x0400,
// 0x0305 or 0x3000.
bool IsAcceptedExeType(uint32_t exeType);

// The first-name, first-language RT_VERSION resource of an accepted Windows
// image, or the version section of an ELF file. Throws VersionInfoOsError only
// when the source itself fails.
std::optional<LocatedRecord> FindVersionRecord(ImageSource& image);
