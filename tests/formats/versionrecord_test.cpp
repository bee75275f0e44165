// Writing a version record and walking it back.
#include <gtest/gtest.h>

#include "formats/versionrecord.h"
#include "formats/versionrecordwriter.h"
#include "support/craftedimages.h"

namespace {

uint16_t WordAt(const ImageBytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// Visits every block under [begin, end), checking the layout rules on the way.
void CheckBlocks(const ImageBytes& b, size_t begin, size_t end, int& blocks) {
  for (size_t at = begin; at < end;) {
    SCOPED_TRACE(at);
    ASSERT_EQ(at % 4, 0u) << "blocks start on 4-byte boundaries";
    const size_t length = WordAt(b, at);
    ASSERT_GE(length, 6u);
    ASSERT_LE(at + length, end) << "a child stays inside its parent";
    ++blocks;
    size_t p = at + 6;
    while (WordAt(b, p) != 0) p += 2;
    const size_t value = (p + 2 + 3) & ~size_t{3};
    const bool text = WordAt(b, at + 4) == 1;
    const size_t valueEnd = value + WordAt(b, at + 2) * (text ? 2u : 1u);
    ASSERT_LE(valueEnd, at + length);
    CheckBlocks(b, (valueEnd + 3) & ~size_t{3}, at + length, blocks);
    at = (at + length + 3) & ~size_t{3};
  }
}

TEST(VersionRecordWriter, LayoutFollowsTheAlignmentRules) {
  VersionRecordContent content = SampleContent();
  content.Tables[0].Strings.push_back({"A", "odd"});
  content.Tables[0].Strings.push_back({"Comments", ""});
  const ImageBytes record = WriteVersionRecord(content);
  int blocks = 0;
  CheckBlocks(record, 0, record.size(), blocks);
  // Root, StringFileInfo, one table, seven strings, VarFileInfo, Translation.
  EXPECT_EQ(blocks, 1 + 1 + 1 + 7 + 1 + 1);
  EXPECT_EQ(WordAt(record, 0), record.size());
  EXPECT_EQ(WordAt(record, 2), kFixedFileInfoSize);
}

TEST(VersionRecordWriter, FieldsComeBackAsWritten) {
  VersionRecordContent content = SampleContent();
  content.Fixed.FileDateMS = 0x01D9ABCD;
  content.Fixed.FileDateLS = 0x12345678;
  content.Tables[0].Strings.push_back({"Comments", "Ёлка 🎄 x"});
  content.Translations = std::vector<uint32_t>{0x04E30419, 0x04B00409};
  const ImageBytes bytes = WriteVersionRecord(content);
  const VersionRecord record(bytes);
  ASSERT_TRUE(record.IsValid());
  EXPECT_EQ(record.Fixed(), content.Fixed);
  EXPECT_EQ(record.Translations(), (std::vector<uint32_t>{0x04E30419, 0x04B00409}));
  EXPECT_EQ(record.QueryString("\\StringFileInfo\\041904E3\\ProductName"), u"Pictaro Quiltor");
  EXPECT_EQ(record.QueryString("\\StringFileInfo\\041904E3\\FileDescription"),
            u"Программа для склейки изображений");
  EXPECT_EQ(record.QueryString("\\StringFileInfo\\041904E3\\Comments"), u"Ёлка \U0001F384 x");
  // Keys compare without regard to ASCII case; the platform's path matching does the same.
  EXPECT_EQ(record.QueryString("\\stringfileinfo\\041904e3\\productNAME"), u"Pictaro Quiltor");
  EXPECT_FALSE(record.QueryString("\\StringFileInfo\\040904B0\\ProductName"));
  EXPECT_FALSE(record.QueryString("\\StringFileInfo\\041904E3\\ProductNam"));
  EXPECT_FALSE(record.QueryString("\\VarFileInfo\\Translation")) << "a binary value is not text";
}

TEST(VersionRecordWriter, ValueLengthsAsThePlatformReportsThem) {
  const ImageBytes bytes = WriteVersionRecord(SampleContent());
  const VersionRecord record(bytes);
  const auto fixed = record.QueryValue("\\");
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->ReportedLength(), kFixedFileInfoSize);
  const auto name = record.QueryValue("\\StringFileInfo\\041904E3\\ProductVersion");
  ASSERT_TRUE(name);
  EXPECT_TRUE(name->Text);
  EXPECT_EQ(name->ReportedLength(), 4u) << "\"4.1\" and its zero, in characters";
  const auto translation = record.QueryValue("\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation);
  EXPECT_EQ(translation->ReportedLength(), 4u);
}

TEST(VersionRecordWriter, NoVarFileInfoMeansNoTranslations) {
  VersionRecordContent content = SampleContent();
  content.Translations.reset();
  const ImageBytes bytes = WriteVersionRecord(content);
  EXPECT_TRUE(VersionRecord(bytes).Translations().empty());
  EXPECT_FALSE(VersionRecord(bytes).QueryValue("\\VarFileInfo"));
}

TEST(VersionRecordWriter, RefusesBlocksPastTheLengthField) {
  VersionRecordContent content = SampleContent();
  content.Tables[0].Strings.push_back({"Comments", std::string(40000, 'x')});
  EXPECT_THROW(WriteVersionRecord(content), std::length_error);
}

struct VersionTextCase {
  const char* text;
  bool valid;
  uint32_t ms, ls;
};

class FourPartVersion : public ::testing::TestWithParam<VersionTextCase> {};

TEST_P(FourPartVersion, Parses) {
  const auto parsed = ParseFourPartVersion(GetParam().text);
  ASSERT_EQ(parsed.has_value(), GetParam().valid);
  if (parsed) {
    EXPECT_EQ(*parsed, std::pair(GetParam().ms, GetParam().ls));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FourPartVersion,
    ::testing::Values(VersionTextCase{"4.1.0.1", true, 0x00040001, 0x00000001},
                      VersionTextCase{"65535.0.1.65535", true, 0xFFFF0000, 0x0001FFFF},
                      VersionTextCase{"1.0.0", false, 0, 0},
                      VersionTextCase{"1.0.0.0.0", false, 0, 0},
                      VersionTextCase{"65536.0.0.0", false, 0, 0},
                      VersionTextCase{"1.-1.0.0", false, 0, 0},
                      VersionTextCase{"1..0.0", false, 0, 0}, VersionTextCase{"", false, 0, 0}));

TEST(Utf8ToUtf16, ConvertsAndReplacesBrokenSequences) {
  EXPECT_EQ(Utf8ToUtf16("Да ©"), u"Да ©");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x8E\x84"), u"\U0001F384");
  EXPECT_EQ(Utf8ToUtf16("a\xD0"), u"a\uFFFD") << "cut sequence at the end";
  EXPECT_EQ(Utf8ToUtf16("\xFF"
                        "b"),
            u"\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "no surrogates from UTF-8";
}

// Damaged records: every query gives nothing or a value inside the buffer.
struct DamageCase {
  const char* name;
  size_t at;  // offset of the word to overwrite
  uint16_t value;
  bool valid;  // fixed information still readable
};

class DamagedRecord : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedRecord, QueriesStayInside) {
  ImageBytes bytes = WriteVersionRecord(SampleContent());
  PutU16(bytes, GetParam().at, GetParam().value);
  const VersionRecord record(bytes);
  EXPECT_EQ(record.IsValid(), GetParam().valid);
  for (const char* path :
       {"\\", "\\StringFileInfo\\041904E3\\ProductName", "\\VarFileInfo\\Translation",
        "\\StringFileInfo\\041904E3\\ProductVersion"}) {
    if (const auto value = record.QueryValue(path)) {
      EXPECT_GE(value->Bytes.data(), bytes.data());
      EXPECT_LE(value->Bytes.data() + value->Bytes.size(), bytes.data() + bytes.size());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedRecord,
                         ::testing::Values(DamageCase{"RootLengthZero", 0, 0, false},
                                           DamageCase{"RootLengthHuge", 0, 0xFFFF, false},
                                           DamageCase{"RootLengthTooShortForKey", 0, 10, false},
                                           DamageCase{"FixedValueShort", 2, 51, false},
                                           DamageCase{"FixedValueHuge", 2, 0xFFFF,
                                                      true},  // cut at the block's end
                                           DamageCase{"StringsZeroLength", 92, 0, true},
                                           DamageCase{"StringsOddLength", 92, 9, true},
                                           DamageCase{"StringsHuge", 92, 0xFFFF, true},
                                           DamageCase{"StringsValueHuge", 94, 0xFFFF, true},
                                           DamageCase{"StringsTypeBinary", 96, 0, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(VersionRecordReader, EmptyAndTinyBuffers) {
  for (size_t size = 0; size < 8; ++size) {
    const ImageBytes bytes(size, 0x06);
    EXPECT_FALSE(VersionRecord(bytes).IsValid()) << size;
    EXPECT_TRUE(VersionRecord(bytes).Translations().empty());
  }
}

TEST(TranslationText, LanguageThenCodePage) {
  EXPECT_EQ(TranslationText(0x04E30419), "041904E3");
  EXPECT_EQ(TranslationText(0x04B00000), "000004B0");
  EXPECT_EQ(TranslationText(0xFFFFFFFF), "FFFFFFFF");
}

}  // namespace
