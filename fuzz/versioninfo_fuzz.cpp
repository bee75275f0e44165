// Fuzz target: any bytes through the image locator and the record walker.
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/exeimage.h"
#include "formats/versionrecord.h"

namespace {

// Touches every part of a record the component reads.
void WalkRecord(std::span<const uint8_t> bytes) {
  const VersionRecord record(bytes);
  (void)record.Fixed();
  auto translations = record.Translations();
  translations.push_back(0x04B00000);
  for (const uint32_t t : translations) {
    const std::string base = "\\StringFileInfo\\" + TranslationText(t) + "\\";
    for (const char* key :
         {"ProductName", "FileVersion", "FileDescription", "CompanyName", "Comments"}) {
      (void)record.QueryString(base + key);
    }
  }
  for (const char* path :
       {"\\", "", "\\\\", "\\VarFileInfo", "\\StringFileInfo\\", "\\a\\b\\c\\d\\e"}) {
    (void)record.QueryValue(path);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  MemoryImageSource source(bytes);
  (void)PeExeType(source);
  if (const auto located = FindVersionRecord(source)) WalkRecord(located->Bytes);
  WalkRecord(bytes);  // the raw bytes as a record too
  return 0;
}
