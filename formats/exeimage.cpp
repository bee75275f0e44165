#include "formats/exeimage.h"

#include "formats/littleendian.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint16_t kFileIsDll = 0x2000;
constexpr uint16_t kSubsystemGui = 2;
constexpr uint16_t kSubsystemConsole = 3;
constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kMaxTableBytes = 4u << 20;  // bounds any header table we read

// Little-endian fields of a buffer; reads past its end give nothing.
class Bytes {
 public:
  explicit Bytes(std::vector<uint8_t> data) : data_(std::move(data)) {}
  size_t size() const { return data_.size(); }
  bool Has(uint64_t at, uint64_t n) const { return at <= data_.size() && n <= data_.size() - at; }
  uint64_t U(uint64_t at, int n) const {
    if (!Has(at, static_cast<uint64_t>(n))) return 0;
    return ReadLE(data_.data() + at, static_cast<size_t>(n));
  }
  uint16_t U16(uint64_t at) const { return static_cast<uint16_t>(U(at, 2)); }
  uint32_t U32(uint64_t at) const { return static_cast<uint32_t>(U(at, 4)); }
  uint64_t U64(uint64_t at) const { return U(at, 8); }
  const std::vector<uint8_t>& data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

// Reads exactly n bytes or nothing.
std::optional<Bytes> ReadExact(ImageSource& image, uint64_t offset, uint64_t n) {
  if (n > kMaxTableBytes) return std::nullopt;
  auto data = image.Read(offset, static_cast<size_t>(n));
  if (data.size() != n) return std::nullopt;
  return Bytes(std::move(data));
}

struct Section {
  uint32_t VirtualAddress = 0;
  uint32_t VirtualSize = 0;
  uint32_t RawSize = 0;
  uint32_t RawOffset = 0;
};

struct PeHeaders {
  uint32_t ExeType = 0;
  uint32_t ResourceRva = 0;
  uint32_t ResourceSize = 0;
  std::vector<Section> Sections;
};

std::optional<PeHeaders> ReadPeHeaders(ImageSource& image) {
  const auto dos = ReadExact(image, 0, 64);
  if (!dos || dos->U16(0) != 0x5A4D) return std::nullopt;  // "MZ"
  const uint64_t pe = dos->U32(0x3C);
  const auto coff = ReadExact(image, pe, 24);
  if (!coff || coff->U32(0) != kPeSignature) return std::nullopt;
  const uint16_t sectionCount = coff->U16(6);
  const uint16_t optionalSize = coff->U16(20);
  const uint16_t characteristics = coff->U16(22);
  const auto opt = ReadExact(image, pe + 24, optionalSize);
  if (!opt || opt->size() < 2) return std::nullopt;
  const uint16_t magic = opt->U16(0);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return std::nullopt;
  const bool plus = magic == kPe32PlusMagic;
  if (!opt->Has(0, 72)) return std::nullopt;  // through the subsystem fields

  PeHeaders h;
  const uint16_t subsystem = opt->U16(68);
  const uint32_t version = (opt->U16(48) & 0xFFu) << 8 | (opt->U16(50) & 0xFFu);
  if (!(characteristics & kFileIsDll)) {
    if (subsystem == kSubsystemConsole) h.ExeType = kPeSignature;
    if (subsystem == kSubsystemGui) h.ExeType = version << 16 | kPeSignature;
  }
  const uint64_t countAt = plus ? 108 : 92;
  const uint64_t dirAt = (plus ? 112 : 96) + 8 * kResourceDirectoryIndex;
  if (opt->U32(countAt) > kResourceDirectoryIndex && opt->Has(dirAt, 8)) {
    h.ResourceRva = opt->U32(dirAt);
    h.ResourceSize = opt->U32(dirAt + 4);
  }
  const auto table =
      ReadExact(image, pe + 24 + optionalSize, uint64_t{sectionCount} * kSectionHeaderSize);
  if (!table) return h;  // no sections: the type stands, the resource cannot be reached
  for (uint64_t at = 0; at < table->size(); at += kSectionHeaderSize) {
    h.Sections.push_back(
        {table->U32(at + 12), table->U32(at + 8), table->U32(at + 16), table->U32(at + 20)});
  }
  return h;
}

// Reads n bytes at a relative virtual address, only from within one section's raw data.
std::optional<Bytes> ReadAtRva(ImageSource& image, const PeHeaders& h, uint64_t rva, uint64_t n) {
  for (const Section& s : h.Sections) {
    const uint64_t span = s.VirtualSize ? std::min(s.VirtualSize, s.RawSize) : s.RawSize;
    if (rva < s.VirtualAddress || rva - s.VirtualAddress >= span) continue;
    const uint64_t inside = rva - s.VirtualAddress;
    if (n > span - inside) return std::nullopt;
    return ReadExact(image, uint64_t{s.RawOffset} + inside, n);
  }
  return std::nullopt;
}

// One entry of a resource directory: the id (or name) word and the offset word.
struct DirEntry {
  uint32_t Name = 0;
  uint32_t Offset = 0;
};

std::vector<DirEntry> ReadDirectory(ImageSource& image, const PeHeaders& h, uint64_t rva) {
  const auto head = ReadAtRva(image, h, rva, 16);
  if (!head) return {};
  const uint64_t count = uint64_t{head->U16(12)} + head->U16(14);
  const auto entries = ReadAtRva(image, h, rva + 16, count * 8);
  if (!entries) return {};
  std::vector<DirEntry> out;
  for (uint64_t at = 0; at < entries->size(); at += 8)
    out.push_back({entries->U32(at), entries->U32(at + 4)});
  return out;
}

// The three fixed levels (type, name, language) cannot loop, whatever the offsets say.
std::optional<std::vector<uint8_t>> FindPeVersionResource(ImageSource& image, const PeHeaders& h) {
  if (h.ResourceRva == 0) return std::nullopt;
  const auto types = ReadDirectory(image, h, h.ResourceRva);
  const auto type = std::find_if(types.begin(), types.end(), [](const DirEntry& e) {
    return !(e.Name & kHighBit) && e.Name == kResourceTypeVersion;
  });
  if (type == types.end() || !(type->Offset & kHighBit)) return std::nullopt;
  const auto names = ReadDirectory(image, h, uint64_t{h.ResourceRva} + (type->Offset & ~kHighBit));
  if (names.empty() || !(names[0].Offset & kHighBit)) return std::nullopt;
  const auto languages =
      ReadDirectory(image, h, uint64_t{h.ResourceRva} + (names[0].Offset & ~kHighBit));
  if (languages.empty() || (languages[0].Offset & kHighBit)) return std::nullopt;
  const auto entry = ReadAtRva(image, h, uint64_t{h.ResourceRva} + languages[0].Offset, 16);
  if (!entry) return std::nullopt;
  const uint32_t size = std::min<uint32_t>(entry->U32(4), kMaxRecordSize);
  const auto data = ReadAtRva(image, h, entry->U32(0), size);
  if (!data) return std::nullopt;
  return data->data();
}

std::optional<std::vector<uint8_t>> FindElfSection(ImageSource& image) {
  const auto head = ReadExact(image, 0, 64);
  if (!head || head->U32(0) != 0x464C457F) return std::nullopt;  // "\x7fELF"
  const uint8_t elfClass = head->data()[4];
  if (head->data()[5] != 1 || (elfClass != 1 && elfClass != 2))
    return std::nullopt;  // little-endian only
  const bool wide = elfClass == 2;
  const uint64_t tableAt = wide ? head->U64(0x28) : head->U32(0x20);
  const uint16_t entrySize = head->U16(wide ? 0x3A : 0x2E);
  const uint16_t count = head->U16(wide ? 0x3C : 0x30);
  const uint16_t namesIndex = head->U16(wide ? 0x3E : 0x32);
  if (entrySize < (wide ? 64 : 40) || namesIndex >= count) return std::nullopt;
  const auto table = ReadExact(image, tableAt, uint64_t{count} * entrySize);
  if (!table) return std::nullopt;

  struct Header {
    uint32_t Name, Type;
    uint64_t Offset, Size;
  };
  auto header = [&](uint64_t i) {
    const uint64_t at = i * entrySize;
    return wide ? Header{table->U32(at), table->U32(at + 4), table->U64(at + 24),
                         table->U64(at + 32)}
                : Header{table->U32(at), table->U32(at + 4), table->U32(at + 16),
                         table->U32(at + 20)};
  };
  const Header names = header(namesIndex);
  const auto strings =
      ReadExact(image, names.Offset, std::min<uint64_t>(names.Size, kMaxTableBytes));
  if (!strings) return std::nullopt;
  const std::string_view wanted(kVersionSectionName, sizeof kVersionSectionName);  // with its zero
  constexpr uint32_t kProgBits = 1;
  for (uint64_t i = 0; i < count; ++i) {
    const Header s = header(i);
    if (s.Type != kProgBits || !strings->Has(s.Name, wanted.size())) continue;
    if (std::memcmp(strings->data().data() + s.Name, wanted.data(), wanted.size()) != 0) continue;
    const auto data = ReadExact(image, s.Offset, std::min<uint64_t>(s.Size, kMaxRecordSize));
    if (!data) return std::nullopt;
    return data->data();
  }
  return std::nullopt;
}

}  // namespace

uint32_t PeExeType(ImageSource& image) {
  const auto h = ReadPeHeaders(image);
  return h ? h->ExeType : 0;
}

bool IsAcceptedExeType(uint32_t exeType) {
  if ((exeType & 0xFFFFu) != kPeSignature) return false;
  const uint32_t high = exeType >> 16;
  // 0x3000 as the platform's rule has it, not 0x0300.
  return high == 0 || high == 0x0400 || high == 0x0305 || high == 0x3000;
}

std::optional<LocatedRecord> FindVersionRecord(ImageSource& image) {
  if (const auto h = ReadPeHeaders(image)) {
    if (!IsAcceptedExeType(h->ExeType)) return std::nullopt;
    auto bytes = FindPeVersionResource(image, *h);
    if (!bytes) return std::nullopt;
    return LocatedRecord{ImageKind::Pe, std::move(*bytes)};
  }
  auto bytes = FindElfSection(image);
  if (!bytes) return std::nullopt;
  return LocatedRecord{ImageKind::Elf, std::move(*bytes)};
}
