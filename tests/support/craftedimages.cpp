#include "support/craftedimages.h"

#include <algorithm>

namespace {

using namespace pe_layout;

constexpr uint32_t kHighBit = 0x80000000u;

size_t Align(size_t v, size_t to) { return (v + to - 1) / to * to; }

void PutU64(ImageBytes& b, size_t at, uint64_t v) {
  PutU32(b, at, static_cast<uint32_t>(v));
  PutU32(b, at + 4, static_cast<uint32_t>(v >> 32));
}

// Resource section: three one-entry directories (type, name, language), then
// the data entries and the records.
ImageBytes ResourceSection(const PeOptions& o) {
  const bool second = !o.SecondLanguageRecord.empty();
  const size_t secondRecord = Align(kRecord + o.Record.size(), 4);
  ImageBytes s(secondRecord + o.SecondLanguageRecord.size(), 0);
  PutU16(s, 14, 1);   // one id entry
  PutU32(s, 16, 16);  // RT_VERSION
  PutU32(s, 20, kHighBit | kNameDirectory);
  PutU16(s, kNameDirectory + 14, 1);
  PutU32(s, kNameDirectory + 16, 1);
  PutU32(s, kNameDirectory + 20, kHighBit | kLanguageDirectory);
  PutU16(s, kLanguageDirectory + 14, second ? 2 : 1);
  PutU32(s, kLanguageDirectory + 16, 0x0419);
  PutU32(s, kLanguageDirectory + 20, kDataEntry);
  PutU32(s, kLanguageDirectory + 24, 0x0409);
  PutU32(s, kLanguageDirectory + 28, kDataEntry + 16);
  PutU32(s, kDataEntry, static_cast<uint32_t>(kResourceRva + kRecord));
  PutU32(s, kDataEntry + 4, static_cast<uint32_t>(o.Record.size()));
  PutU32(s, kDataEntry + 16, static_cast<uint32_t>(kResourceRva + secondRecord));
  PutU32(s, kDataEntry + 20, static_cast<uint32_t>(o.SecondLanguageRecord.size()));
  std::copy(o.Record.begin(), o.Record.end(), s.begin() + kRecord);
  std::copy(o.SecondLanguageRecord.begin(), o.SecondLanguageRecord.end(),
            s.begin() + static_cast<ptrdiff_t>(secondRecord));
  return s;
}

ImageBytes Truncated(ImageBytes b, size_t size) {
  b.resize(std::min(size, b.size()));
  return b;
}

ImageBytes Patched32(ImageBytes b, size_t at, uint32_t v) {
  PutU32(b, at, v);
  return b;
}

ImageBytes Patched16(ImageBytes b, size_t at, uint32_t v) {
  PutU16(b, at, v);
  return b;
}

ImageBytes SampleRecord() { return WriteVersionRecord(SampleContent()); }

ImageBytes GuiImage(uint8_t major, uint8_t minor) {
  PeOptions o;
  o.SubsystemMajor = major;
  o.SubsystemMinor = minor;
  o.Record = SampleRecord();
  return BuildPeImage(o);
}

// The StringFileInfo block of the sample record: the root's 6-byte header,
// "VS_VERSION_INFO" with its zero (32 bytes), padding to 40, the fixed block.
constexpr size_t kStringFileInfo = 40 + kFixedFileInfoSize;

void AddPeCases(std::vector<CraftedImage>& out) {
  const ImageBytes good = GuiImage(4, 0);
  const size_t rec = kResourceFile + kRecord;
  out.push_back({"ok-pe32-gui-4.0", good, true});
  out.push_back({"ok-pe32-gui-3.5", GuiImage(3, 5), true});
  out.push_back({"ok-pe32-gui-48.0", GuiImage(48, 0), true});
  out.push_back({"bad-pe32-gui-3.0", GuiImage(3, 0), false});
  out.push_back({"bad-pe32-gui-6.0", GuiImage(6, 0), false});
  PeOptions console{.Plus = true, .Subsystem = 3, .SubsystemMajor = 6, .Record = SampleRecord()};
  out.push_back({"ok-pe32plus-console", BuildPeImage(console), true});
  PeOptions dll{.Dll = true, .Record = SampleRecord()};
  out.push_back({"bad-pe32-dll", BuildPeImage(dll), false});
  PeOptions native{.Subsystem = 1, .Record = SampleRecord()};
  out.push_back({"bad-pe32-native", BuildPeImage(native), false});
  PeOptions none{.Record = {}};
  out.push_back({"bad-pe32-no-resource", BuildPeImage(none), false});

  out.push_back({"bad-empty", {}, false});
  out.push_back({"bad-mz-only", {'M', 'Z'}, false});
  for (const size_t cut : {size_t{0x3C}, size_t{0x40}, size_t{0x58}, size_t{0x100}, size_t{0x200},
                           size_t{0x218}, size_t{0x260}, rec + 7}) {
    out.push_back({"bad-truncated-" + std::to_string(cut), Truncated(good, cut), false});
  }
  out.push_back({"bad-lfanew-huge", Patched32(good, 0x3C, 0xFFFFFFF0u), false});
  out.push_back({"bad-lfanew-past-end",
                 Patched32(good, 0x3C, static_cast<uint32_t>(good.size() - 8)), false});
  out.push_back({"bad-optional-size-zero", Patched16(good, kPeHeader + 20, 0), false});
  out.push_back({"bad-optional-magic", Patched16(good, kOptionalHeader, 0x107), false});
  out.push_back({"bad-section-count-huge", Patched16(good, kPeHeader + 6, 0xFFFF), false});
  out.push_back({"bad-section-raw-offset-huge",
                 Patched32(good, kOptionalHeader + 224 + 20, 0xFFFFFF00u), false});
  out.push_back(
      {"bad-resource-rva-outside", Patched32(good, kOptionalHeader + 96 + 16, 0x9000), false});
  // The type entry points back at the root directory.
  out.push_back({"bad-resource-loop", Patched32(good, kResourceFile + 20, kHighBit | 0), false});
  out.push_back(
      {"bad-language-is-directory",
       Patched32(good, kResourceFile + kLanguageDirectory + 20, kHighBit | kLanguageDirectory),
       false});
  out.push_back({"bad-name-is-data",
                 Patched32(good, kResourceFile + kNameDirectory + 20, kDataEntry), false});
  out.push_back({"bad-entry-count-huge", Patched16(good, kResourceFile + 14, 0xFFFF), false});
  out.push_back(
      {"bad-data-size-huge", Patched32(good, kResourceFile + kDataEntry + 4, 0xFFFFFFFFu), false});
  out.push_back(
      {"bad-data-rva-outside", Patched32(good, kResourceFile + kDataEntry, 0x7FFFFFF0u), false});
  out.push_back({"bad-record-zero-length", Patched16(good, rec, 0), false});
  out.push_back({"bad-record-length-huge", Patched16(good, rec, 0xFFFF), false});
  out.push_back({"bad-record-key", Patched16(good, rec + 6 + 14 * 2, 'X'), false});
  out.push_back({"bad-record-no-fixed", Patched16(good, rec + 2, 0), false});
  out.push_back({"bad-record-key-unterminated", Patched16(good, rec, 20), false});

  // Damage below the fixed block leaves the numbers readable.
  const size_t strings = rec + kStringFileInfo;
  out.push_back({"odd-stringfileinfo-zero-length", Patched16(good, strings, 0), true});
  out.push_back({"odd-stringfileinfo-length-huge", Patched16(good, strings, 0xFFF0), true});
  out.push_back({"odd-stringfileinfo-length-odd", Patched16(good, strings, 7), true});

  PeOptions twoLanguages{.Record = SampleRecord(), .SecondLanguageRecord = {1, 2, 3}};
  out.push_back({"ok-pe32-two-languages", BuildPeImage(twoLanguages), true});
  VersionRecordContent oddKeys = SampleContent();
  oddKeys.Tables[0].Strings = {{"A", "x"}, {"AB", "xy"}, {"ABC", ""}, {"ProductName", "Odd"}};
  PeOptions odd{.Record = WriteVersionRecord(oddKeys)};
  out.push_back({"ok-pe32-odd-key-lengths", BuildPeImage(odd), true});
}

void AddElfCases(std::vector<CraftedImage>& out) {
  const ImageBytes good = BuildElfImage(SampleRecord());
  out.push_back({"ok-elf64", good, true});
  out.push_back({"bad-elf-other-section", BuildElfImage(SampleRecord(), ".quiltor_versio"), false});
  out.push_back({"bad-elf-truncated-header", Truncated(good, 40), false});
  out.push_back({"bad-elf-truncated-table", Truncated(good, good.size() - 10), false});
  out.push_back({"bad-elf-class", Patched16(good, 4, 0x0105), false});
  out.push_back({"bad-elf-big-endian", Patched16(good, 4, 0x0202), false});
  out.push_back({"bad-elf-table-offset-huge",
                 Patched32(Patched32(good, 0x28, 0xFFFFFFF0u), 0x2C, 0xFFFFFFFFu), false});
  out.push_back({"bad-elf-entry-size-small", Patched16(good, 0x3A, 16), false});
  out.push_back({"bad-elf-names-index", Patched16(good, 0x3E, 9), false});
  out.push_back({"bad-elf-record-garbage", BuildElfImage(ImageBytes(100, 0x5A)), false});
  out.push_back({"bad-elf-record-empty", BuildElfImage({}), false});
}

}  // namespace

void PutU16(ImageBytes& b, size_t at, uint32_t v) {
  b.at(at) = static_cast<uint8_t>(v);
  b.at(at + 1) = static_cast<uint8_t>(v >> 8);
}

void PutU32(ImageBytes& b, size_t at, uint32_t v) {
  PutU16(b, at, v & 0xFFFF);
  PutU16(b, at + 2, v >> 16);
}

VersionRecordContent SampleContent() {
  VersionRecordContent c;
  c.Fixed = {kFixedFileInfoSignature,
             0x10000,
             0x00040001,
             0x00000001,
             0x00040001,
             0x00000001,
             0x3F,
             0,
             4,
             1,
             0,
             0,
             0};
  c.Tables = {{"041904E3",
               {{"CompanyName", "KORVEX"},
                {"FileDescription", "Программа для склейки изображений"},
                {"FileVersion", "4.1.0.1"},
                {"ProductName", "Pictaro Quiltor"},
                {"ProductVersion", "4.1"}}}};
  c.Translations = std::vector<uint32_t>{0x04E30419};
  return c;
}

ImageBytes BuildPeImage(const PeOptions& o) {
  const ImageBytes resources = ResourceSection(o);
  const size_t optionalSize = o.Plus ? 240 : 224;
  const size_t rawSize = Align(resources.size(), 0x200);
  ImageBytes b(kResourceFile + rawSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  PutU32(b, 0x3C, kPeHeader);
  PutU32(b, kPeHeader, 0x00004550);
  PutU16(b, kPeHeader + 4, o.Plus ? 0x8664 : 0x14C);
  PutU16(b, kPeHeader + 6, 1);
  PutU16(b, kPeHeader + 20, static_cast<uint32_t>(optionalSize));
  PutU16(b, kPeHeader + 22, 0x0102 | (o.Dll ? 0x2000 : 0));
  const size_t opt = kOptionalHeader;
  PutU16(b, opt, o.Plus ? 0x20B : 0x10B);
  PutU16(b, opt + 48, o.SubsystemMajor);
  PutU16(b, opt + 50, o.SubsystemMinor);
  PutU16(b, opt + 68, o.Subsystem);
  const size_t dirs = opt + (o.Plus ? 112 : 96);
  PutU32(b, dirs - 4, 16);  // number of data directories
  if (!o.Record.empty()) {
    PutU32(b, dirs + 16, kResourceRva);
    PutU32(b, dirs + 20, static_cast<uint32_t>(resources.size()));
  }
  const size_t section = opt + optionalSize;
  const char name[8] = {'.', 'r', 's', 'r', 'c'};
  std::copy(name, name + 8, b.begin() + static_cast<ptrdiff_t>(section));
  PutU32(b, section + 8, static_cast<uint32_t>(resources.size()));
  PutU32(b, section + 12, kResourceRva);
  PutU32(b, section + 16, static_cast<uint32_t>(rawSize));
  PutU32(b, section + 20, kResourceFile);
  std::copy(resources.begin(), resources.end(), b.begin() + kResourceFile);
  return b;
}

ImageBytes BuildElfImage(const ImageBytes& data, const std::string& sectionName) {
  std::string names(1, '\0');
  const size_t dataName = names.size();
  names += sectionName + '\0';
  const size_t namesName = names.size();
  names += std::string(".shstrtab") + '\0';
  const size_t dataAt = 64;
  const size_t namesAt = dataAt + data.size();
  const size_t tableAt = Align(namesAt + names.size(), 8);
  ImageBytes b(tableAt + 3 * 64, 0);
  const uint8_t ident[] = {0x7F, 'E', 'L', 'F', 2, 1, 1};
  std::copy(std::begin(ident), std::end(ident), b.begin());
  PutU16(b, 16, 3);  // shared object
  PutU16(b, 18, 62);
  PutU32(b, 20, 1);
  PutU64(b, 0x28, tableAt);
  PutU16(b, 0x34, 64);
  PutU16(b, 0x3A, 64);
  PutU16(b, 0x3C, 3);
  PutU16(b, 0x3E, 2);
  std::copy(data.begin(), data.end(), b.begin() + dataAt);
  std::copy(names.begin(), names.end(), b.begin() + static_cast<ptrdiff_t>(namesAt));
  auto header = [&](size_t index, size_t name, uint32_t type, size_t offset, size_t size) {
    const size_t at = tableAt + 64 * index;
    PutU32(b, at, static_cast<uint32_t>(name));
    PutU32(b, at + 4, type);
    PutU64(b, at + 24, offset);
    PutU64(b, at + 32, size);
  };
  header(1, dataName, 1, dataAt, data.size());
  header(2, namesName, 3, namesAt, names.size());
  return b;
}

std::vector<CraftedImage> CraftedImages() {
  std::vector<CraftedImage> out;
  AddPeCases(out);
  AddElfCases(out);
  return out;
}
