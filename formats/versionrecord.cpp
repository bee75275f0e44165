#include "formats/versionrecord.h"

#include "formats/littleendian.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

// One block of the record: [begin, end) within the record's bytes.
struct Block {
  size_t Begin = 0;
  size_t End = 0;
  size_t KeyBegin = 0;  // first UTF-16 unit of the key
  size_t KeyUnits = 0;  // without the terminating zero
  size_t ValueBegin = 0;
  size_t ValueEnd = 0;
  size_t ChildrenBegin = 0;
  bool Text = false;
};

constexpr size_t kHeaderSize = 6;  // length, value length, type

size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

uint16_t Word(std::span<const uint8_t> b, size_t at) { return ReadLE16(b.data() + at); }

uint32_t DWord(std::span<const uint8_t> b, size_t at) { return ReadLE32(b.data() + at); }

// Reads the block at `at`, which must lie within [at, limit). Offsets in the
// record are aligned relative to its first byte, as the platform aligns them.
std::optional<Block> ReadBlock(std::span<const uint8_t> b, size_t at, size_t limit) {
  if (limit > b.size() || at > limit || limit - at < kHeaderSize) return std::nullopt;
  const size_t length = Word(b, at);
  if (length < kHeaderSize || length > limit - at) return std::nullopt;
  Block block;
  block.Begin = at;
  block.End = at + length;
  const size_t valueLength = Word(b, at + 2);
  const uint16_t type = Word(b, at + 4);
  block.Text = type == 1;
  block.KeyBegin = at + kHeaderSize;
  size_t p = block.KeyBegin;
  while (p + 2 <= block.End && Word(b, p) != 0) p += 2;
  if (p + 2 > block.End) return std::nullopt;  // key without its zero
  block.KeyUnits = (p - block.KeyBegin) / 2;
  block.ValueBegin = std::min(Align4(p + 2), block.End);
  // Text values count UTF-16 units, binary values bytes.
  const size_t valueBytes = block.Text ? valueLength * 2 : valueLength;
  block.ValueEnd = std::min(block.ValueBegin + valueBytes, block.End);
  block.ChildrenBegin = std::min(Align4(block.ValueEnd), block.End);
  return block;
}

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c; }

bool KeyEquals(std::span<const uint8_t> b, const Block& block, std::string_view key) {
  if (block.KeyUnits != key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    const char16_t unit = Word(b, block.KeyBegin + 2 * i);
    if (FoldAscii(unit) != FoldAscii(static_cast<unsigned char>(key[i]))) return false;
  }
  return true;
}

// The child of `parent` with the given key, scanning siblings in order.
std::optional<Block> FindChild(std::span<const uint8_t> b, const Block& parent,
                               std::string_view key) {
  size_t at = parent.ChildrenBegin;
  while (at < parent.End) {
    const auto child = ReadBlock(b, at, parent.End);
    if (!child) return std::nullopt;
    if (KeyEquals(b, *child, key)) return child;
    at = Align4(child->End);  // always moves forward: a block is at least 6 bytes
  }
  return std::nullopt;
}

std::optional<Block> Root(std::span<const uint8_t> b) {
  auto root = ReadBlock(b, 0, b.size());
  if (!root || !KeyEquals(b, *root, "VS_VERSION_INFO")) return std::nullopt;
  return root;
}

}  // namespace

uint32_t VersionValue::ReportedLength() const {
  return static_cast<uint32_t>(Text ? Bytes.size() / 2 : Bytes.size());
}

VersionRecord::VersionRecord(std::span<const uint8_t> bytes) : bytes_(bytes) {}

bool VersionRecord::IsValid() const { return Fixed().has_value(); }

std::optional<VersionValue> VersionRecord::QueryValue(std::string_view path) const {
  auto block = Root(bytes_);
  if (!block) return std::nullopt;
  size_t pos = 0;
  while (pos < path.size()) {
    if (path[pos] == '\\') {
      ++pos;
      continue;
    }
    const size_t end = std::min(path.find('\\', pos), path.size());
    block = FindChild(bytes_, *block, path.substr(pos, end - pos));
    if (!block) return std::nullopt;
    pos = end;
  }
  VersionValue value;
  value.Bytes = bytes_.subspan(block->ValueBegin, block->ValueEnd - block->ValueBegin);
  value.Text = block->Text;
  return value;
}

std::optional<FixedFileInfo> VersionRecord::Fixed() const {
  const auto value = QueryValue("\\");
  if (!value || value->Bytes.size() < kFixedFileInfoSize) return std::nullopt;
  const auto b = value->Bytes;
  FixedFileInfo f;
  uint32_t* fields[] = {&f.Signature,
                        &f.StructVersion,
                        &f.FileVersionMS,
                        &f.FileVersionLS,
                        &f.ProductVersionMS,
                        &f.ProductVersionLS,
                        &f.FlagsMask,
                        &f.Flags,
                        &f.OS,
                        &f.FileType,
                        &f.FileSubtype,
                        &f.FileDateMS,
                        &f.FileDateLS};
  for (size_t i = 0; i < std::size(fields); ++i) *fields[i] = DWord(b, 4 * i);
  return f;
}

std::vector<uint32_t> VersionRecord::Translations() const {
  std::vector<uint32_t> out;
  const auto value = QueryValue("\\VarFileInfo\\Translation");
  if (!value) return out;
  for (size_t at = 0; at + 4 <= value->Bytes.size(); at += 4)
    out.push_back(DWord(value->Bytes, at));
  return out;
}

std::optional<std::u16string> VersionRecord::QueryString(std::string_view path) const {
  const auto value = QueryValue(path);
  if (!value || !value->Text) return std::nullopt;
  std::u16string text;
  for (size_t at = 0; at + 2 <= value->Bytes.size(); at += 2) {
    const char16_t unit = Word(value->Bytes, at);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

std::string TranslationText(uint32_t translation) {
  char text[9];
  std::snprintf(text, sizeof text, "%.4X%.4X", translation & 0xFFFFu, translation >> 16);
  return text;
}
