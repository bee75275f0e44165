#include "dialogs/about/versioninfocomponent.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>

#include <algorithm>

#include "dialogs/about/versionrecordlanguage.h"
#include "formats/exeimage.h"

const QEvent::Type VersionInfoMessage::kEventType =
    static_cast<QEvent::Type>(QEvent::registerEventType());

VersionInfoMessage::VersionInfoMessage(uint32_t msg, QObject* sender)
    : QEvent(kEventType), msg_(msg), sender_(sender) {}

namespace {

// File times count 100-ns ticks from 1601-01-01 UTC.
constexpr qint64 kFileTimeTicksPerMs = 10000;
constexpr qint64 kMsFrom1601To1970 = 11644473600000LL;

QString OwnProgramPath() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
  return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

}  // namespace

TVersionInfo::TVersionInfo(QObject* owner) : QObject(owner) {}

TVersionInfo::~TVersionInfo() {
  attached_.clear();  // without notifying
  FreeVersionInfoMemory();
}

QList<QObject*> TVersionInfo::AttachedObjects() const {
  QList<QObject*> out;
  for (const QPointer<QObject>& object : attached_) {
    if (object) out.append(object.data());
  }
  return out;
}

uint16_t TVersionInfo::FileVersionMajor() const { return fixed_.FileVersionMS >> 16; }
uint16_t TVersionInfo::FileVersionMinor() const { return fixed_.FileVersionMS & 0xFFFF; }
uint16_t TVersionInfo::FileVersionRelease() const { return fixed_.FileVersionLS >> 16; }
uint16_t TVersionInfo::FileVersionBuild() const { return fixed_.FileVersionLS & 0xFFFF; }
uint16_t TVersionInfo::ProductVersionMajor() const { return fixed_.ProductVersionMS >> 16; }
uint16_t TVersionInfo::ProductVersionMinor() const { return fixed_.ProductVersionMS & 0xFFFF; }
uint16_t TVersionInfo::ProductVersionRelease() const { return fixed_.ProductVersionLS >> 16; }
uint16_t TVersionInfo::ProductVersionBuild() const { return fixed_.ProductVersionLS & 0xFFFF; }

// Flags are read as stored, not masked by the flags mask.
bool TVersionInfo::IsDebugBuild() const { return fixed_.Flags & 0x01; }
bool TVersionInfo::IsPreRelease() const { return fixed_.Flags & 0x02; }
bool TVersionInfo::IsPatched() const { return fixed_.Flags & 0x04; }
bool TVersionInfo::IsPrivateBuild() const { return fixed_.Flags & 0x08; }
bool TVersionInfo::IsSpecialBuild() const { return fixed_.Flags & 0x20; }
bool TVersionInfo::IsDll() const { return fixed_.FileType & 0x02; }

QDateTime TVersionInfo::FileDate() const {
  const quint64 ticks = quint64{fixed_.FileDateMS} << 32 | fixed_.FileDateLS;
  const qint64 ms = static_cast<qint64>(ticks / kFileTimeTicksPerMs) - kMsFrom1601To1970;
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QString TVersionInfo::Comments() const { return StringProperty("Comments"); }
QString TVersionInfo::CompanyName() const { return StringProperty("CompanyName"); }
QString TVersionInfo::FileDescription() const { return StringProperty("FileDescription"); }
QString TVersionInfo::FileVersion() const { return StringProperty("FileVersion"); }
QString TVersionInfo::InternalName() const { return StringProperty("InternalName"); }
QString TVersionInfo::LegalCopyright() const { return StringProperty("LegalCopyright"); }
QString TVersionInfo::LegalTrademarks() const { return StringProperty("LegalTrademarks"); }
QString TVersionInfo::OriginalFileName() const { return StringProperty("OriginalFileName"); }
QString TVersionInfo::ProductName() const { return StringProperty("ProductName"); }
QString TVersionInfo::ProductVersion() const { return StringProperty("ProductVersion"); }

QString TVersionInfo::StringProperty(const char* key) const {
  return QueryStringValue(QString::fromLatin1(key));
}

std::pair<uint32_t, uint32_t> TVersionInfo::GetRawFileVersion() const {
  return {fixed_.FileVersionMS, fixed_.FileVersionLS};
}

std::pair<uint32_t, uint32_t> TVersionInfo::GetRawProductVersion() const {
  return {fixed_.ProductVersionMS, fixed_.ProductVersionLS};
}

TVersionInfo::RawFileTime TVersionInfo::GetRawFileDate() const {
  return {fixed_.FileDateLS, fixed_.FileDateMS};
}

bool TVersionInfo::QueryValue(const QString& subBlock, const void** data, uint32_t* length) const {
  // The buffer outlives a clear or a failed read; its old contents are not this file's data.
  if (!hasVersionInfo_ || versionData_.empty()) return false;
  const auto value = VersionRecord(versionData_).QueryValue(subBlock.toStdString());
  if (!value) return false;
  if (data) *data = value->Bytes.data();
  if (length) *length = value->ReportedLength();
  return true;
}

QString TVersionInfo::QueryStringValue(const QString& key) const {
  if (!enabled_ || !hasVersionInfo_) return {};
  if (languageCharsetIndex_ < 0 || languageCharsetIndex_ >= translations_.size()) return {};
  const auto text = VersionRecord(versionData_).QueryString(BuildStringFileInfo(key).toStdString());
  return text ? QString::fromStdU16String(*text) : QString();
}

QString TVersionInfo::BuildStringFileInfo(const QString& key) const {
  const bool valid = languageCharsetIndex_ >= 0 && languageCharsetIndex_ < translations_.size();
  const QString translation = valid ? translations_[languageCharsetIndex_].Text : QString();
  return QStringLiteral("\\StringFileInfo\\") + translation + QLatin1Char('\\') + key;
}

QString TVersionInfo::TranslateVersionLanguageName(uint16_t languageId) {
  return VersionLanguageName(languageId);
}

QString TVersionInfo::GetCurrentModuleFileName() {
  Dl_info info{};
  link_map* map = nullptr;
  const void* here = reinterpret_cast<const void*>(&TVersionInfo::GetCurrentModuleFileName);
  if (!dladdr1(here, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return {};
  // The main program's entry has an empty name.
  const QString name = QString::fromLocal8Bit(map->l_name);
  if (name.isEmpty()) return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  return QFileInfo(name).absoluteFilePath();
}

void TVersionInfo::ClearVersionInfoData() {
  hasVersionInfo_ = false;
  languageCharsetIndex_ = -1;
  translations_.clear();
  fixed_ = FixedFileInfo{};
}

void TVersionInfo::FreeVersionInfoMemory() {
  versionData_.clear();
  versionData_.shrink_to_fit();
}

void TVersionInfo::ReadVersionInfoFromFile() {
  QString path = fileName_;
  if (path.isEmpty()) path = OwnProgramPath();
  if (path.isEmpty()) path = GetCurrentModuleFileName();
  hasVersionInfo_ = false;
  ClearVersionInfoData();
  // A directory is not a file here, as with the platform's existence check.
  if (!QFileInfo(path).isFile()) return;

  FileImageSource source(QFile::encodeName(path).toStdString());  // throws on I/O failure
  auto located = FindVersionRecord(source);
  if (!located) return;
  const VersionRecord record(located->Bytes);
  const auto fixed = record.Fixed();
  if (!fixed) return;  // malformed: no data, not an error
  FreeVersionInfoMemory();
  versionData_ = std::move(located->Bytes);
  fixed_ = *fixed;
  BuildTranslationTable(VersionRecord(versionData_));
  hasVersionInfo_ = true;
}

void TVersionInfo::BuildTranslationTable(const VersionRecord& record) {
  for (const uint32_t value : record.Translations()) {
    translations_.append({QString::fromLatin1(TranslationText(value)), value});
  }
  if (translations_.isEmpty()) {
    constexpr uint32_t kNeutralUnicode = 0x04B0u << 16;  // language 0, code page 1200
    translations_.append({QString::fromLatin1(TranslationText(kNeutralUnicode)), kNeutralUnicode});
  }
  languageCharsetIndex_ = 0;
}

void TVersionInfo::SetFileName(const QString& fileName) {
  fileName_ = fileName.trimmed();
  if (enabled_) ReadVersionInfoFromFile();
  DoChanged();
}

void TVersionInfo::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled_) {
    ReadVersionInfoFromFile();
  } else {
    ClearVersionInfoData();
  }
  DoChanged();
}

void TVersionInfo::DoChanged() {
  // A copy: a receiver may detach itself while being told.
  const QList<QPointer<QObject>> receivers = attached_;
  for (const QPointer<QObject>& receiver : receivers) {
    if (!receiver) continue;  // destroyed without detaching
    VersionInfoMessage message(kMsgChanged, this);
    QCoreApplication::sendEvent(receiver, &message);
  }
  if (onChange_) onChange_(this);
}

QString TVersionInfo::GetAboutBoxString() {
  QString text = FileDescription();
  for (const QString& line : {CompanyName(), LegalCopyright(), LegalTrademarks(), Comments()}) {
    if (!line.isEmpty()) text += QLatin1Char('\n') + line;
  }
  return text;
}

QString TVersionInfo::GetVersionString() {
  QString text = ProductName();
  if (!text.isEmpty()) text += QLatin1Char(' ');
  const QString version = FileVersion();
  if (!version.isEmpty()) text += version;
  return text;
}

void TVersionInfo::ShowAboutBox() {
  QMessageBox::information(nullptr, QString(), GetAboutBoxString(), QMessageBox::Ok);
}

bool TVersionInfo::event(QEvent* e) {
  if (e->type() != VersionInfoMessage::kEventType) return QObject::event(e);
  const auto* message = static_cast<VersionInfoMessage*>(e);
  QObject* sender = message->Sender();
  attached_.removeAll(QPointer<QObject>());  // forget destroyed objects
  const bool known = std::any_of(attached_.begin(), attached_.end(),
                                 [&](const QPointer<QObject>& o) { return o.data() == sender; });
  if (message->Msg() == kMsgAttach && sender && !known) attached_.append(sender);
  if (message->Msg() == kMsgDetach) {
    attached_.removeIf([&](const QPointer<QObject>& o) { return o.data() == sender; });
  }
  return true;
}
