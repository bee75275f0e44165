#include "formats/versionrecordwriter.h"

#include "formats/littleendian.h"

#include <charconv>
#include <stdexcept>

namespace {

// Blocks are written with their length word patched once the children exist.
class RecordBuilder {
 public:
  size_t Begin(std::string_view key, uint16_t valueLength, bool text) {
    Pad();
    const size_t at = out_.size();
    PutWord(0);
    PutWord(valueLength);
    PutWord(text ? 1 : 0);
    for (const char16_t unit : Utf8ToUtf16(std::string(key))) PutWord(unit);
    PutWord(0);
    Pad();
    return at;
  }
  void End(size_t at) {
    const size_t length = out_.size() - at;
    if (length > 0xFFFF) throw std::length_error("version record block too long");
    WriteLE16(out_.data() + at, static_cast<uint16_t>(length));
  }
  void PutWord(uint32_t w) { Put(w, 2); }
  void PutDWord(uint32_t d) { Put(d, 4); }
  void Put(uint32_t value, size_t bytes) {
    out_.resize(out_.size() + bytes);
    WriteLE(out_.data() + out_.size() - bytes, value, bytes);
  }
  // Alignment counts from the record's first byte.
  void Pad() {
    while (out_.size() % 4) out_.push_back(0);
  }
  std::vector<uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

void WriteFixed(RecordBuilder& b, const FixedFileInfo& f) {
  for (const uint32_t word : {f.Signature, f.StructVersion, f.FileVersionMS, f.FileVersionLS,
                              f.ProductVersionMS, f.ProductVersionLS, f.FlagsMask, f.Flags, f.OS,
                              f.FileType, f.FileSubtype, f.FileDateMS, f.FileDateLS}) {
    b.PutDWord(word);
  }
}

void WriteString(RecordBuilder& b, const std::string& key, const std::string& value) {
  std::u16string text = Utf8ToUtf16(value);
  text.push_back(0);  // the value length counts the terminating zero
  if (text.size() > 0xFFFF) throw std::length_error("version string too long");
  const size_t at = b.Begin(key, static_cast<uint16_t>(text.size()), true);
  for (const char16_t unit : text) b.PutWord(unit);
  b.End(at);
}

void WriteStringFileInfo(RecordBuilder& b, const std::vector<VersionStringTable>& tables) {
  const size_t info = b.Begin("StringFileInfo", 0, true);
  for (const VersionStringTable& table : tables) {
    const size_t at = b.Begin(table.Translation, 0, true);
    for (const auto& [key, value] : table.Strings) WriteString(b, key, value);
    b.End(at);
  }
  b.End(info);
}

void WriteVarFileInfo(RecordBuilder& b, const std::vector<uint32_t>& translations) {
  const size_t info = b.Begin("VarFileInfo", 0, true);
  const size_t var = b.Begin("Translation", static_cast<uint16_t>(translations.size() * 4), false);
  for (const uint32_t t : translations) b.PutDWord(t);
  b.End(var);
  b.End(info);
}

}  // namespace

std::optional<std::pair<uint32_t, uint32_t>> ParseFourPartVersion(const std::string& text) {
  uint32_t parts[4] = {};
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 4; ++i) {
    const auto [next, ec] = std::from_chars(p, end, parts[i]);
    if (ec != std::errc() || parts[i] > 0xFFFF) return std::nullopt;
    p = next;
    if (i < 3) {
      if (p == end || *p != '.') return std::nullopt;
      ++p;
    }
  }
  if (p != end) return std::nullopt;
  return std::pair{parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]};
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t extra = 4;  // an invalid lead byte unless one of these
    uint32_t cp = 0;
    if (lead < 0x80)
      extra = 0, cp = lead;
    else if ((lead >> 5) == 0x6)
      extra = 1, cp = lead & 0x1F;
    else if ((lead >> 4) == 0xE)
      extra = 2, cp = lead & 0x0F;
    else if ((lead >> 3) == 0x1E)
      extra = 3, cp = lead & 0x07;
    bool ok = extra <= 3 && extra < text.size() - i;
    for (size_t k = 1; ok && k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      ok = (c >> 6) == 0x2;
      cp = cp << 6 | (c & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

std::vector<uint8_t> WriteVersionRecord(const VersionRecordContent& content) {
  RecordBuilder b;
  const size_t root = b.Begin("VS_VERSION_INFO", static_cast<uint16_t>(kFixedFileInfoSize), false);
  WriteFixed(b, content.Fixed);
  if (!content.Tables.empty()) WriteStringFileInfo(b, content.Tables);
  if (content.Translations) WriteVarFileInfo(b, *content.Translations);
  b.End(root);
  return b.Take();
}
