#pragma once
// A Windows-style version record (VS_VERSIONINFO): UTF-16LE blocks of
// {length, value length, type, key, value, children}, each aligned to 4 bytes
// from the start of the record. Plain C++; every read is bounds-checked, and a
// malformed record simply yields nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The fixed file information block, 13 little-endian words in file order.
struct FixedFileInfo {
  uint32_t Signature = 0;  // 0xFEEF04BD in a well-formed record
  uint32_t StructVersion = 0;
  uint32_t FileVersionMS = 0;  // major << 16 | minor
  uint32_t FileVersionLS = 0;  // release << 16 | build
  uint32_t ProductVersionMS = 0;
  uint32_t ProductVersionLS = 0;
  uint32_t FlagsMask = 0;
  uint32_t Flags = 0;
  uint32_t OS = 0;
  uint32_t FileType = 0;  // 1 application, 2 library
  uint32_t FileSubtype = 0;
  uint32_t FileDateMS = 0;  // 100-ns ticks since 1601, high half
  uint32_t FileDateLS = 0;

  friend bool operator==(const FixedFileInfo&, const FixedFileInfo&) = default;
};

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileInfoSize = 13 * 4;

// The value found under a sub-block path.
struct VersionValue {
  std::span<const uint8_t> Bytes;  // points into the record
  bool Text = false;               // a UTF-16 string value
  // Length as the platform reports it: characters for text, bytes otherwise.
  uint32_t ReportedLength() const;
};

// Read-only view over the bytes of one record; the bytes must outlive it.
class VersionRecord {
 public:
  explicit VersionRecord(std::span<const uint8_t> bytes);

  // True when the root block is a VS_VERSION_INFO block with a whole fixed
  // file information value.
  bool IsValid() const;

  // Path segments separated by backslashes; "\" is the fixed information.
  // Keys compare case-insensitively (ASCII), as the platform does.
  std::optional<VersionValue> QueryValue(std::string_view path) const;

  std::optional<FixedFileInfo> Fixed() const;

  // The \VarFileInfo\Translation words, each language | code page << 16.
  std::vector<uint32_t> Translations() const;

  // A text value, cut at its first zero; nothing if absent or not text.
  std::optional<std::u16string> QueryString(std::string_view path) const;

 private:
  std::span<const uint8_t> bytes_;
};

// The text form of a translation word, "%.4X%.4X" of language and code page.
std::string TranslationText(uint32_t translation);
