#pragma once
// TVersionInfo: a non-visual component that reads the version record of a
// program file (by default the running program) and offers its fields as
// properties, plus two ready-made texts for an about box. It notifies
// attached display objects when its data change.

#include <QDateTime>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "formats/versionrecord.h"
#include "formats/versionrecordsource.h"  // VersionInfoOsError, raised on read failures

// The component's message: a message number and the sending object. Delivered
// as a Qt event to attached objects, and to the component for attach/detach.
class VersionInfoMessage : public QEvent {
 public:
  static const QEvent::Type kEventType;
  VersionInfoMessage(uint32_t msg, QObject* sender);
  uint32_t Msg() const { return msg_; }
  QObject* Sender() const { return sender_; }

 private:
  uint32_t msg_;
  QObject* sender_;
};

class TVersionInfo : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(int LanguageCharsetIndex READ LanguageCharsetIndex WRITE SetLanguageCharsetIndex)
  Q_PROPERTY(QString ProductName READ ProductName)
  Q_PROPERTY(QString FileVersion READ FileVersion)
  Q_PROPERTY(QString FileDescription READ FileDescription)

 public:
  static constexpr uint32_t kMsgChanged = 0xF000;
  static constexpr uint32_t kMsgAttach = 0xF001;
  static constexpr uint32_t kMsgDetach = 0xF002;

  using ChangeEvent = std::function<void(QObject* sender)>;

  // One language/code-page pair, with its text form ("041904E3").
  struct Translation {
    QString Text;
    uint32_t Value = 0;  // language | code page << 16
  };

  // The file time as the platform keeps it: two 32-bit halves.
  struct RawFileTime {
    uint32_t Low = 0;
    uint32_t High = 0;
  };

  explicit TVersionInfo(QObject* owner = nullptr);
  ~TVersionInfo() override;

  QString FileName() const { return fileName_; }
  bool Enabled() const { return enabled_; }
  int LanguageCharsetIndex() const { return languageCharsetIndex_; }
  void SetLanguageCharsetIndex(int index) { languageCharsetIndex_ = index; }
  const ChangeEvent& OnChange() const { return onChange_; }
  void SetOnChange(ChangeEvent handler) { onChange_ = std::move(handler); }

  bool HasVersionInfo() const { return hasVersionInfo_; }
  const QList<Translation>& Translations() const { return translations_; }
  const FixedFileInfo& FixedInfo() const { return fixed_; }
  QList<QObject*> AttachedObjects() const;  // in attachment order

  uint16_t FileVersionMajor() const;
  uint16_t FileVersionMinor() const;
  uint16_t FileVersionRelease() const;
  uint16_t FileVersionBuild() const;
  uint16_t ProductVersionMajor() const;
  uint16_t ProductVersionMinor() const;
  uint16_t ProductVersionRelease() const;
  uint16_t ProductVersionBuild() const;

  bool IsDebugBuild() const;
  bool IsPreRelease() const;
  bool IsPatched() const;
  bool IsPrivateBuild() const;
  bool IsSpecialBuild() const;
  bool IsDll() const;
  QDateTime FileDate() const;  // UTC

  QString Comments() const;
  QString CompanyName() const;
  QString FileDescription() const;
  QString FileVersion() const;
  QString InternalName() const;
  QString LegalCopyright() const;
  QString LegalTrademarks() const;
  QString OriginalFileName() const;
  QString ProductName() const;
  QString ProductVersion() const;

  // Most significant word first.
  std::pair<uint32_t, uint32_t> GetRawFileVersion() const;
  std::pair<uint32_t, uint32_t> GetRawProductVersion() const;
  RawFileTime GetRawFileDate() const;

  // A pointer into the version data and its length (characters for text
  // values, bytes otherwise); false when there is no such sub-block.
  bool QueryValue(const QString& subBlock, const void** data, uint32_t* length) const;
  QString QueryStringValue(const QString& key) const;
  QString BuildStringFileInfo(const QString& key) const;

  // The name of a language identifier ("русский (Россия)"); empty if unknown.
  static QString TranslateVersionLanguageName(uint16_t languageId);
  // The full path of the executable or shared library holding this code.
  static QString GetCurrentModuleFileName();

  // The virtual operations, in slot order.
  virtual void ClearVersionInfoData();
  virtual void FreeVersionInfoMemory();
  virtual void ReadVersionInfoFromFile();
  virtual void SetFileName(const QString& fileName);
  virtual void SetEnabled(bool enabled);
  virtual void DoChanged();
  virtual QString GetAboutBoxString();
  virtual QString GetVersionString();
  virtual void ShowAboutBox();

 protected:
  bool event(QEvent* e) override;

 private:
  void BuildTranslationTable(const VersionRecord& record);
  QString StringProperty(const char* key) const;

  QString fileName_;
  bool enabled_ = false;
  ChangeEvent onChange_;
  std::vector<uint8_t> versionData_;   // the whole record; empty when freed
  QList<QPointer<QObject>> attached_;  // not owned; destroyed ones are skipped
  bool hasVersionInfo_ = false;
  QList<Translation> translations_;
  FixedFileInfo fixed_;
  int languageCharsetIndex_ = -1;
};
