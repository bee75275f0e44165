// TVersionInfo over crafted images and over our own built binaries.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>

#include "dialogs/about/versioninfocomponent.h"
#include "support/craftedimages.h"

namespace {

class VersionInfoTest : public ::testing::Test {
 protected:
  QString Write(const QString& name, const ImageBytes& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
  }
  QString WriteRecord(const VersionRecordContent& content,
                      const QString& name = QStringLiteral("p.exe")) {
    return Write(name, BuildPeImage({.Record = WriteVersionRecord(content)}));
  }
  QTemporaryDir dir_;
};

TEST_F(VersionInfoTest, DisabledReadsEmptyEvenWithAFileName) {
  TVersionInfo info;
  info.SetFileName(WriteRecord(SampleContent()));
  EXPECT_FALSE(info.Enabled());
  EXPECT_FALSE(info.HasVersionInfo());
  EXPECT_EQ(info.ProductName(), QString());
  EXPECT_EQ(info.GetVersionString(), QString());
  EXPECT_EQ(info.FileVersionMajor(), 0);

  info.SetEnabled(true);
  EXPECT_EQ(info.ProductName(), QStringLiteral("Pictaro Quiltor"));
  info.SetEnabled(false);
  EXPECT_EQ(info.ProductName(), QString());
  EXPECT_EQ(info.FileVersionMajor(), 0) << "disabling zeroes the fixed information";
  EXPECT_EQ(info.LanguageCharsetIndex(), -1);
}

TEST_F(VersionInfoTest, RussianTranslationPath) {
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(SampleContent()));
  ASSERT_TRUE(info.HasVersionInfo());
  ASSERT_EQ(info.Translations().size(), 1);
  EXPECT_EQ(info.Translations()[0].Text, QStringLiteral("041904E3"));
  EXPECT_EQ(info.Translations()[0].Value, 0x04E30419u);
  EXPECT_EQ(info.LanguageCharsetIndex(), 0);
  EXPECT_EQ(info.BuildStringFileInfo(QStringLiteral("ProductName")),
            QStringLiteral("\\StringFileInfo\\041904E3\\ProductName"));
  EXPECT_EQ(info.FileDescription(), QStringLiteral("Программа для склейки изображений"));
  EXPECT_EQ(info.QueryStringValue(QStringLiteral("NoSuchKey")), QString());
}

TEST_F(VersionInfoTest, DefaultTranslationWhenNoneIsListed) {
  VersionRecordContent content = SampleContent();
  content.Translations.reset();
  content.Tables[0].Translation = "000004B0";
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(content));
  ASSERT_EQ(info.Translations().size(), 1);
  EXPECT_EQ(info.Translations()[0].Text, QStringLiteral("000004B0"));
  EXPECT_EQ(info.Translations()[0].Value, 0x04B00000u);
  EXPECT_EQ(info.ProductName(), QStringLiteral("Pictaro Quiltor"));
}

TEST_F(VersionInfoTest, LaterTranslationsChosenByIndex) {
  VersionRecordContent content = SampleContent();
  content.Tables.push_back({"040904B0", {{"ProductName", "Pictaro Quiltor (en)"}}});
  content.Translations = std::vector<uint32_t>{0x04E30419, 0x04B00409};
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(content));
  ASSERT_EQ(info.Translations().size(), 2);
  info.SetLanguageCharsetIndex(1);
  EXPECT_EQ(info.ProductName(), QStringLiteral("Pictaro Quiltor (en)"));
  EXPECT_EQ(info.FileVersion(), QString()) << "absent from that table";
  info.SetLanguageCharsetIndex(7);  // out of the list: nothing rather than a fault
  EXPECT_EQ(info.ProductName(), QString());
}

struct VersionStringCase {
  const char* name;
  const char* product;  // nullptr: no such string
  const char* version;
  const char* expected;
};

class VersionString : public VersionInfoTest,
                      public ::testing::WithParamInterface<VersionStringCase> {};

TEST_P(VersionString, ProductBlankVersion) {
  VersionRecordContent content = SampleContent();
  auto& strings = content.Tables[0].Strings;
  strings.clear();
  if (GetParam().product) strings.push_back({"ProductName", GetParam().product});
  if (GetParam().version) strings.push_back({"FileVersion", GetParam().version});
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(content));
  EXPECT_EQ(info.GetVersionString(), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, VersionString,
    ::testing::Values(
        VersionStringCase{"Both", "Pictaro Quiltor", "4.1.0.1", "Pictaro Quiltor 4.1.0.1"},
        VersionStringCase{"EmptyProduct", "", "4.1.0.1", "4.1.0.1"},
        VersionStringCase{"NoProduct", nullptr, "4.1.0.1", "4.1.0.1"},
        VersionStringCase{"NoVersion", "Pictaro Quiltor", nullptr, "Pictaro Quiltor "},
        VersionStringCase{"Neither", nullptr, nullptr, ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(VersionInfoTest, AboutBoxStringSkipsEmptyLines) {
  VersionRecordContent content = SampleContent();
  content.Tables[0].Strings = {
      {"CompanyName", "KORVEX"}, {"LegalTrademarks", ""}, {"Comments", "c"}};
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(content));
  EXPECT_EQ(info.GetAboutBoxString(), QStringLiteral("\nKORVEX\nc"))
      << "no description: starts with a line feed";
}

TEST_F(VersionInfoTest, FixedFieldsFlagsAndDate) {
  VersionRecordContent content = SampleContent();
  content.Fixed.FileVersionMS = 0x00040001;
  content.Fixed.FileVersionLS = 0x00020003;
  content.Fixed.ProductVersionMS = 0x00050006;
  content.Fixed.ProductVersionLS = 0x00070008;
  content.Fixed.Flags = 0x01 | 0x04 | 0x20;
  content.Fixed.FlagsMask = 0;  // flags are read unmasked
  content.Fixed.FileType = 2;
  // 2000-01-01 00:00:00 UTC in 100-ns ticks since 1601.
  const uint64_t ticks = 125911584000000000ULL;
  content.Fixed.FileDateMS = static_cast<uint32_t>(ticks >> 32);
  content.Fixed.FileDateLS = static_cast<uint32_t>(ticks);
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(content));
  EXPECT_EQ(std::tuple(info.FileVersionMajor(), info.FileVersionMinor(), info.FileVersionRelease(),
                       info.FileVersionBuild()),
            std::tuple(4, 1, 2, 3));
  EXPECT_EQ(std::tuple(info.ProductVersionMajor(), info.ProductVersionMinor(),
                       info.ProductVersionRelease(), info.ProductVersionBuild()),
            std::tuple(5, 6, 7, 8));
  EXPECT_EQ(info.GetRawFileVersion(), std::pair(0x00040001u, 0x00020003u));
  EXPECT_EQ(info.GetRawProductVersion(), std::pair(0x00050006u, 0x00070008u));
  EXPECT_TRUE(info.IsDebugBuild());
  EXPECT_FALSE(info.IsPreRelease());
  EXPECT_TRUE(info.IsPatched());
  EXPECT_FALSE(info.IsPrivateBuild());
  EXPECT_TRUE(info.IsSpecialBuild());
  EXPECT_TRUE(info.IsDll());
  EXPECT_EQ(info.GetRawFileDate().High, content.Fixed.FileDateMS);
  EXPECT_EQ(info.GetRawFileDate().Low, content.Fixed.FileDateLS);
  EXPECT_EQ(info.FileDate(), QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC));
}

TEST_F(VersionInfoTest, QueryValueGivesPointerAndLength) {
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(SampleContent()));
  const void* data = nullptr;
  uint32_t length = 0;
  ASSERT_TRUE(info.QueryValue(QStringLiteral("\\VarFileInfo\\Translation"), &data, &length));
  ASSERT_EQ(length, 4u);
  const auto* bytes = static_cast<const uint8_t*>(data);
  EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24, 0x04E30419);
  ASSERT_TRUE(
      info.QueryValue(QStringLiteral("\\StringFileInfo\\041904E3\\ProductName"), &data, &length));
  EXPECT_EQ(length, 16u) << "characters with the zero";
  EXPECT_FALSE(info.QueryValue(QStringLiteral("\\Nothing"), &data, &length));
}

TEST_F(VersionInfoTest, FileNameTrimmedAndEveryChangeAnnounced) {
  const QString path = WriteRecord(SampleContent());
  TVersionInfo info;
  int changes = 0;
  info.SetOnChange([&](QObject* sender) {
    EXPECT_EQ(sender, &info);
    ++changes;
  });
  info.SetFileName(QStringLiteral("  ") + path + QStringLiteral(" \t"));
  EXPECT_EQ(info.FileName(), path);
  EXPECT_EQ(changes, 1) << "a file name change is announced even while disabled";
  info.SetEnabled(true);
  EXPECT_EQ(changes, 2);
  info.SetEnabled(true);
  EXPECT_EQ(changes, 2) << "an unchanged value does nothing";
  info.SetFileName(path);
  EXPECT_EQ(changes, 3) << "the same name again is still a change";
  EXPECT_TRUE(info.HasVersionInfo());
}

// An attached display object records the messages it gets.
class Listener : public QObject {
 public:
  explicit Listener(std::vector<QString>* log, QString name) : log_(log), name_(std::move(name)) {}
  bool event(QEvent* e) override {
    if (e->type() != VersionInfoMessage::kEventType) return QObject::event(e);
    const auto* m = static_cast<VersionInfoMessage*>(e);
    log_->push_back(name_ + QString::number(m->Msg(), 16) +
                    (m->Sender() ? QString() : QStringLiteral("?")));
    return true;
  }

 private:
  std::vector<QString>* log_;
  QString name_;
};

void Send(TVersionInfo& to, uint32_t msg, QObject* sender) {
  VersionInfoMessage message(msg, sender);
  QCoreApplication::sendEvent(&to, &message);
}

TEST(VersionInfoAttachment, NotifiesInOrderThenOnChange) {
  std::vector<QString> log;
  TVersionInfo info;
  Listener a(&log, QStringLiteral("a")), b(&log, QStringLiteral("b"));
  info.SetOnChange([&](QObject*) { log.push_back(QStringLiteral("change")); });
  Send(info, TVersionInfo::kMsgAttach, &b);
  Send(info, TVersionInfo::kMsgAttach, &a);
  Send(info, TVersionInfo::kMsgAttach, &b);       // added once
  Send(info, TVersionInfo::kMsgAttach, nullptr);  // ignored
  EXPECT_EQ(info.AttachedObjects(), (QList<QObject*>{&b, &a}));
  info.DoChanged();
  EXPECT_EQ(log, (std::vector<QString>{"bf000", "af000", "change"}));

  log.clear();
  Send(info, TVersionInfo::kMsgDetach, &b);
  info.DoChanged();
  EXPECT_EQ(log, (std::vector<QString>{"af000", "change"}));
}

TEST(VersionInfoAttachment, DestroyedObjectsAreSkipped) {
  std::vector<QString> log;
  TVersionInfo info;
  Listener kept(&log, QStringLiteral("k"));
  {
    Listener gone(&log, QStringLiteral("g"));
    Send(info, TVersionInfo::kMsgAttach, &gone);
    Send(info, TVersionInfo::kMsgAttach, &kept);
  }
  info.DoChanged();
  EXPECT_EQ(log, (std::vector<QString>{"kf000"}));
  EXPECT_EQ(info.AttachedObjects(), (QList<QObject*>{&kept}));
}

TEST_F(VersionInfoTest, MalformedImagesGiveNoDataAndNoError) {
  for (const CraftedImage& image : CraftedImages()) {
    SCOPED_TRACE(image.Name);
    TVersionInfo info;
    info.SetEnabled(true);
    ASSERT_NO_THROW(info.SetFileName(Write(QString::fromStdString(image.Name), image.Bytes)));
    EXPECT_EQ(info.HasVersionInfo(), image.HasRecord);
    if (!image.HasRecord) {
      EXPECT_EQ(info.FileVersionMajor(), 0);
      EXPECT_EQ(info.GetAboutBoxString(), QString());
      EXPECT_EQ(info.LanguageCharsetIndex(), -1);
    }
  }
}

TEST_F(VersionInfoTest, MissingFileAndFolderGiveNoData) {
  TVersionInfo info;
  info.SetEnabled(true);
  EXPECT_NO_THROW(info.SetFileName(dir_.filePath(QStringLiteral("absent.exe"))));
  EXPECT_FALSE(info.HasVersionInfo());
  EXPECT_NO_THROW(info.SetFileName(dir_.path()));
  EXPECT_FALSE(info.HasVersionInfo());
}

TEST_F(VersionInfoTest, ReadFailureOfAnExistingFileRaises) {
  // The process's own memory file exists, and reading its address 0 fails.
  TVersionInfo info;
  info.SetEnabled(true);
  try {
    info.SetFileName(QStringLiteral("/proc/self/mem"));
    FAIL() << "no error";
  } catch (const VersionInfoOsError& e) {
    EXPECT_EQ(e.Code(), EIO);
  }
  EXPECT_FALSE(info.HasVersionInfo());
}

TEST_F(VersionInfoTest, NewReadReplacesOldData) {
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(WriteRecord(SampleContent()));
  ASSERT_TRUE(info.HasVersionInfo());
  info.SetFileName(Write(QStringLiteral("junk"), ImageBytes(300, 7)));
  EXPECT_FALSE(info.HasVersionInfo());
  EXPECT_EQ(info.ProductName(), QString());
  const void* data = nullptr;
  uint32_t length = 0;
  EXPECT_FALSE(info.QueryValue(QStringLiteral("\\"), &data, &length))
      << "nothing of the previous file";
  info.SetFileName(WriteRecord(SampleContent(), QStringLiteral("again.exe")));
  EXPECT_TRUE(info.QueryValue(QStringLiteral("\\"), &data, &length));
  info.SetEnabled(false);
  EXPECT_FALSE(info.QueryValue(QStringLiteral("\\"), &data, &length)) << "nor after a clear";
}

TEST(VersionInfoPlatform, LanguageNames) {
  EXPECT_EQ(TVersionInfo::TranslateVersionLanguageName(0x0419), QStringLiteral("русский (Россия)"));
  EXPECT_EQ(TVersionInfo::TranslateVersionLanguageName(0x0409),
            QStringLiteral("American English (United States)"));
  EXPECT_EQ(TVersionInfo::TranslateVersionLanguageName(0x0819), QStringLiteral("русский"))
      << "sub-language unknown";
  EXPECT_EQ(TVersionInfo::TranslateVersionLanguageName(0x0000), QString());
  EXPECT_EQ(TVersionInfo::TranslateVersionLanguageName(0x03FF), QString());
}

TEST(VersionInfoPlatform, ModuleOfTheComponentIsThisProgram) {
  const QString module = TVersionInfo::GetCurrentModuleFileName();
  EXPECT_EQ(module, QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
  EXPECT_TRUE(QFileInfo(module).isAbsolute());
}

#ifdef QUILTOR_PROGRAM
TEST(VersionInfoBuilt, TheProgramCarriesItsRecord) {
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(QStringLiteral(QUILTOR_PROGRAM));
  ASSERT_TRUE(info.HasVersionInfo());
  EXPECT_EQ(info.GetVersionString(), QStringLiteral("Pictaro Quiltor 4.1.0.1"));
  EXPECT_EQ(info.FileDescription(), QStringLiteral("Программа для склейки изображений"));
  EXPECT_EQ(info.ProductVersion(), QStringLiteral("4.1"));
  EXPECT_EQ(info.Translations()[0].Text, QStringLiteral("041904E3"));
  EXPECT_EQ(std::tuple(info.ProductVersionMajor(), info.ProductVersionMinor(),
                       info.ProductVersionRelease(), info.ProductVersionBuild()),
            std::tuple(4, 1, 0, 1));
  EXPECT_FALSE(info.IsDll());
  EXPECT_TRUE(info.GetAboutBoxString().startsWith(
      QStringLiteral("Программа для склейки изображений\nKORVEX\n")));
}
#endif

TEST(VersionInfoBuilt, TheLibraryCarriesItsRecord) {
  TVersionInfo info;
  info.SetEnabled(true);
  info.SetFileName(QStringLiteral(GAUGIX_LIBRARY));
  ASSERT_TRUE(info.HasVersionInfo());
  EXPECT_EQ(info.FileDescription(), QStringLiteral("Библиотека метрологических функций"));
  EXPECT_EQ(info.FileVersion(), QStringLiteral("1.0.0.0"));
  EXPECT_EQ(info.GetRawFileVersion(), std::pair(0x00010000u, 0u));
  EXPECT_TRUE(info.IsDll());
}

TEST(VersionInfoBuilt, ThisTestProgramHasNoRecord) {
  TVersionInfo info;
  info.SetEnabled(true);  // empty file name: the running program
  EXPECT_FALSE(info.HasVersionInfo());
}

}  // namespace
