#include "dialogs/settings/setupwin.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <filesystem>

#include "dialogs/settings/preferences.h"
#include "dialogs/settings/spinfield.h"
#include "formats/setupfile.h"
#include "support/testimages.h"

namespace {

struct Shown {
  int Zone, FindR;
  bool Crop;
  int Frame;
  QString Smooth;  // caption of the checked radio button
  int Quality;
  friend bool operator==(const Shown&, const Shown&) = default;
};

void PrintTo(const Shown& s, std::ostream* os) {
  *os << s.Zone << "," << s.FindR << "," << s.Crop << "," << s.Frame << ","
      << s.Smooth.toStdString() << "," << s.Quality;
}

Shown ShownBy(const TFormSetup& form) {
  QString smooth;
  for (auto* button : {form.RadioButtonVector, form.RadioButtonDiffuz, form.RadioButtonMidl,
                       form.RadioButtonLight, form.RadioButtonUdel}) {
    if (button->isChecked()) smooth = button->text();
  }
  return {form.CSpinEditImageZone->value(),
          form.CSpinEditFindR->value(),
          form.CheckBoxCrop->isChecked(),
          form.CSpinEditCropFrame->value(),
          smooth,
          form.TrackBarQ->value()};
}

const Shown kInitial{30, 15, false, 5, QStringLiteral("Диффузия"), 3};

class SetupWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(MakeTempDir("setupwin"));
    QFile::remove(PreferencesFile());
  }
  void TearDown() override {
    QDir(dir_).removeRecursively();
    QFile::remove(PreferencesFile());
  }

  // Where the preferences must land: in the configuration folder the test
  // program set up for itself, never the user's.
  static QString PreferencesFile() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/KORVEX/Pictaro Quiltor.conf");
  }

  QString ConfigPath() const { return dir_ + QStringLiteral("/data.cfg"); }

  void WriteRecord(const SetupData& data, size_t length = kSetupFileSize) {
    const SetupBytes bytes = EncodeSetup(data);
    QFile file(ConfigPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(length));
  }

  QByteArray FileBytes() const {
    QFile file(ConfigPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QString dir_;
  TFormSetup form_;
};

TEST_F(SetupWinTest, StartsWithZeroRecordAndInitialControls) {
  EXPECT_EQ(form_.SetupData, SetupData{});
  EXPECT_EQ(ShownBy(form_), kInitial);
  EXPECT_EQ(form_.windowTitle(), QStringLiteral("Настройка"));
  EXPECT_EQ(form_.ButtonOk->text(), QStringLiteral("Применить"));
  EXPECT_EQ(form_.ButtonNo->text(), QStringLiteral("Отмена"));
}

// The documented bytes of the initial values: 30, 15, crop byte 0 and three
// reserved zeros, 5, 1, 3, all little-endian.
const QByteArray kInitialBytes("\x1e\0\0\0\x0f\0\0\0\0\0\0\0\x05\0\0\0\x01\0\0\0\x03\0\0\0", 24);

TEST_F(SetupWinTest, WithoutFileTheDefaultsAreInUseShownAndWritten) {
  form_.LoadSetup(ConfigPath());
  EXPECT_EQ(ShownBy(form_), kInitial);
  EXPECT_EQ(form_.SetupData.ImageZone, 30);
  EXPECT_EQ(form_.SetupData.FindR, 15);
  EXPECT_EQ(form_.SetupData.Crop, 0);
  EXPECT_EQ(form_.SetupData.CropFrame, 5);
  EXPECT_EQ(form_.SetupData.SmoothType, 1);
  EXPECT_EQ(form_.SetupData.Quality, 3);
  EXPECT_TRUE(form_.LastSaveSucceeded());
  EXPECT_EQ(FileBytes(), kInitialBytes);
  // Cancel shows the values in use, which are the ones shown already.
  form_.CSpinEditFindR->setValue(70);
  form_.ButtonNo->click();
  EXPECT_EQ(form_.result(), QDialog::Rejected);
  EXPECT_EQ(ShownBy(form_), kInitial);
}

TEST_F(SetupWinTest, FileThatExistsButCannotBeReadIsLeftAloneAndDefaultsAreUsed) {
  // A folder in the file's place: present, not readable as a file.
  ASSERT_TRUE(QDir(dir_).mkdir(QStringLiteral("data.cfg")));
  form_.LoadSetup(ConfigPath());
  EXPECT_EQ(form_.SetupData, DefaultSetupData());
  EXPECT_EQ(ShownBy(form_), kInitial);
  EXPECT_TRUE(QFileInfo(ConfigPath()).isDir());
}

TEST_F(SetupWinTest, DefaultsThatCannotBeWrittenAreStillInUse) {
  form_.LoadSetup(QStringLiteral("/proc/quiltor-test/data.cfg"));
  EXPECT_EQ(form_.SetupData, DefaultSetupData());
  EXPECT_FALSE(form_.LastSaveSucceeded());
}

TEST_F(SetupWinTest, RadiusNoteFollowsTheZoneAndTheAlbumsImages) {
  // 640 x 480 at 30 %: the shrunk zone is 64 x 48, so 23 is the last radius that fits.
  EXPECT_TRUE(form_.LabelFitR->text().contains(QStringLiteral(": 23")));
  EXPECT_TRUE(form_.LabelFitR->text().contains(QStringLiteral("640")));
  form_.CSpinEditImageZone->setValue(60);
  EXPECT_TRUE(form_.LabelFitR->text().contains(QStringLiteral(": 47")));
  form_.SetImageSizes({QSize(640, 480), QSize(200, 150)});
  EXPECT_TRUE(form_.LabelFitR->text().contains(QStringLiteral(": 14")));
  form_.CSpinEditImageZone->setValue(30);
  form_.CSpinEditFindR->setValue(15);
  EXPECT_TRUE(form_.LabelFitR->text().contains(QStringLiteral(": 6")));
  EXPECT_TRUE(form_.LabelFitR->text().contains(QString::fromUtf8("слишком велик")));
  form_.CSpinEditImageZone->setValue(0);
  EXPECT_TRUE(form_.LabelFitR->text().contains(QString::fromUtf8("не помещается")));
}

TEST_F(SetupWinTest, ApplyingInitialValuesWritesTheDocumentedBytes) {
  form_.LoadSetup(ConfigPath());
  ASSERT_TRUE(QFile::remove(ConfigPath()));
  form_.ButtonOk->click();
  EXPECT_EQ(form_.result(), QDialog::Accepted);
  EXPECT_TRUE(form_.LastSaveSucceeded());
  EXPECT_EQ(FileBytes(), kInitialBytes);
}

TEST_F(SetupWinTest, SearchMethodIsAppliedKeptInThePreferencesAndNotInTheFile) {
  ASSERT_TRUE(qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(QDir::tempPath()));
  form_.LoadSetup(ConfigPath());
  ASSERT_EQ(form_.ComboBoxMethod->count(), 3);
  EXPECT_EQ(form_.ComboBoxMethod->itemText(0), QStringLiteral("Шаблон"));
  EXPECT_EQ(form_.ComboBoxMethod->itemText(1), QStringLiteral("Фаза"));
  EXPECT_EQ(form_.ComboBoxMethod->itemText(2), QStringLiteral("Шаблон, затем фаза"));
  EXPECT_EQ(form_.ComboBoxMethod->currentText(), QStringLiteral("Шаблон"));
  EXPECT_EQ(form_.Method, SearchMethod::Template);
  // Cancel drops an edit of the method as of any other control.
  form_.ComboBoxMethod->setCurrentIndex(1);
  form_.ButtonNo->click();
  EXPECT_EQ(form_.ComboBoxMethod->currentText(), QStringLiteral("Шаблон"));
  EXPECT_FALSE(QFileInfo::exists(PreferencesFile()));

  form_.ComboBoxMethod->setCurrentIndex(2);
  form_.ButtonOk->click();
  EXPECT_EQ(form_.Method, SearchMethod::TemplatePhase);
  EXPECT_EQ(FileBytes(), kInitialBytes);  // the settings file keeps its 24 bytes
  QFile prefs(PreferencesFile());
  ASSERT_TRUE(prefs.open(QIODevice::ReadOnly));
  EXPECT_TRUE(prefs.readAll().contains("template-phase"));

  TFormSetup next;
  next.LoadSetup(ConfigPath());
  EXPECT_EQ(next.Method, SearchMethod::TemplatePhase);
  EXPECT_EQ(next.ComboBoxMethod->currentText(), QStringLiteral("Шаблон, затем фаза"));
}

TEST_F(SetupWinTest, PlacementIsTheChainUntilAppliedAndThenKeptInThePreferencesOnly) {
  form_.LoadSetup(ConfigPath());
  EXPECT_EQ(form_.ComboBoxPlacement->currentText(), QStringLiteral("Цепочка"));
  EXPECT_EQ(form_.Placement, PlacementMethod::Chain);
  form_.ComboBoxPlacement->setCurrentIndex(
      form_.ComboBoxPlacement->findText(QStringLiteral("Все соседи")));
  form_.ButtonOk->click();
  EXPECT_EQ(form_.Placement, PlacementMethod::Neighbours);
  EXPECT_EQ(FileBytes(), kInitialBytes);
  TFormSetup next;
  next.LoadSetup(ConfigPath());
  EXPECT_EQ(next.Placement, PlacementMethod::Neighbours);
  EXPECT_EQ(ReadSearchMethodPreference(), SearchMethod::Template);
}

TEST_F(SetupWinTest, UnknownStoredMethodReadsAsTheTemplate) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(PreferencesFile()).absolutePath()));
  QFile prefs(PreferencesFile());
  ASSERT_TRUE(prefs.open(QIODevice::WriteOnly));
  prefs.write("[search]\nmethod=wavelet\n");
  prefs.close();
  EXPECT_EQ(ReadSearchMethodPreference(), SearchMethod::Template);
  ASSERT_TRUE(WriteSearchMethodPreference(SearchMethod::Phase));
  EXPECT_EQ(ReadSearchMethodPreference(), SearchMethod::Phase);
}

TEST_F(SetupWinTest, SmoothTypeOutsideTheGroupLeavesRadioButtonsAlone) {
  SetupData stored;
  stored.Quality = 2;
  stored.SmoothType = 7;
  WriteRecord(stored);
  form_.RadioButtonLight->setChecked(true);
  form_.LoadSetup(ConfigPath());
  EXPECT_EQ(form_.SetupData.SmoothType, 7);
  EXPECT_TRUE(form_.RadioButtonLight->isChecked());
  // Applying takes the button that is checked.
  form_.ButtonOk->click();
  EXPECT_EQ(form_.SetupData.SmoothType, 3);
}

TEST_F(SetupWinTest, ValuesOutsideRangesAreShownClampedAndKeptInTheRecord) {
  SetupData stored;
  stored.ImageZone = 250;
  stored.FindR = -5;
  stored.Crop = 1;
  stored.CropFrame = 80;
  stored.SmoothType = 4;
  stored.Quality = 9;
  WriteRecord(stored);
  form_.LoadSetup(ConfigPath());
  EXPECT_EQ(form_.SetupData, stored);
  EXPECT_EQ(ShownBy(form_), (Shown{100, 0, true, 50, QStringLiteral("Резкость"), 5}));
  form_.ButtonOk->click();
  EXPECT_EQ(form_.SetupData.ImageZone, 100);
  EXPECT_EQ(form_.SetupData.FindR, 0);
  EXPECT_EQ(form_.SetupData.CropFrame, 50);
  EXPECT_EQ(form_.SetupData.Quality, 5);
}

TEST_F(SetupWinTest, TenByteFileKeepsTheRestOfTheRecord) {
  SetupData first;
  first.CropFrame = 11;
  first.SmoothType = 2;
  first.Quality = 4;
  WriteRecord(first);
  form_.LoadSetup(ConfigPath());
  SetupData shorter;
  shorter.ImageZone = 40;
  shorter.FindR = 25;
  shorter.Crop = 1;
  shorter.Reserved = {0x5A, 0, 0};
  WriteRecord(shorter, 10);
  form_.LoadSetup(ConfigPath());
  EXPECT_EQ(form_.SetupData.ImageZone, 40);
  EXPECT_EQ(form_.SetupData.FindR, 25);
  EXPECT_EQ(form_.SetupData.Crop, 1);
  EXPECT_EQ(form_.SetupData.Reserved[0], 0x5A);
  EXPECT_EQ(form_.SetupData.CropFrame, 11);
  EXPECT_EQ(form_.SetupData.SmoothType, 2);
  EXPECT_EQ(form_.SetupData.Quality, 4);
}

TEST_F(SetupWinTest, TitleBarCloseKeepsUnappliedEdits) {
  form_.LoadSetup(ConfigPath());
  form_.show();
  form_.CSpinEditFindR->setValue(77);
  form_.RadioButtonMidl->setChecked(true);
  form_.close();
  EXPECT_EQ(form_.result(), QDialog::Rejected);
  EXPECT_EQ(form_.SetupData, DefaultSetupData());
  EXPECT_EQ(form_.CSpinEditFindR->value(), 77);
  EXPECT_TRUE(form_.RadioButtonMidl->isChecked());
  EXPECT_EQ(FileBytes(), kInitialBytes);
}

TEST_F(SetupWinTest, FailedWriteStillUpdatesTheRecord) {
  form_.LoadSetup(dir_ + QStringLiteral("/missing/data.cfg"));
  form_.CSpinEditImageZone->setValue(44);
  form_.ButtonOk->click();
  EXPECT_FALSE(form_.LastSaveSucceeded());
  EXPECT_EQ(form_.SetupData.ImageZone, 44);
}

struct EmptiedCase {
  const char* Field;
  QString Text;
};

class SpinTextTest : public SetupWinTest, public ::testing::WithParamInterface<EmptiedCase> {};

TEST_P(SpinTextTest, TextThatIsNoNumberStoresZeroAndShowsZero) {
  form_.LoadSetup(ConfigPath());
  form_.show();
  auto* field = form_.findChild<SpinField*>(QString::fromLatin1(GetParam().Field));
  ASSERT_NE(field, nullptr);
  auto* edit = field->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  if (!GetParam().Text.isEmpty()) QTest::keyClicks(edit, GetParam().Text);
  EXPECT_EQ(edit->text(), GetParam().Text);
  form_.ButtonOk->click();
  const SetupData& data = form_.SetupData;
  const int stored = field == form_.CSpinEditImageZone ? data.ImageZone
                     : field == form_.CSpinEditFindR   ? data.FindR
                                                       : data.CropFrame;
  EXPECT_EQ(stored, 0);
  EXPECT_EQ(edit->text(), QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(Fields, SpinTextTest,
                         ::testing::Values(EmptiedCase{"CSpinEditImageZone", QString()},
                                           EmptiedCase{"CSpinEditFindR", QStringLiteral("-")},
                                           EmptiedCase{"CSpinEditCropFrame", QString()}));

struct TypedCase {
  const char* Field;
  QString Text;
  int Stored;
};

class SpinRangeTest : public SetupWinTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(SpinRangeTest, TypedValueIsPulledIntoTheRangeOnApply) {
  form_.show();
  auto* field = form_.findChild<SpinField*>(QString::fromLatin1(GetParam().Field));
  ASSERT_NE(field, nullptr);
  auto* edit = field->findChild<QLineEdit*>();
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, GetParam().Text);
  EXPECT_EQ(edit->text(), GetParam().Text);
  // Leaving the field pulls the value into its range.
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(field, &leave);
  EXPECT_EQ(edit->text(), QString::number(GetParam().Stored));
  EXPECT_EQ(field->FieldValue(), GetParam().Stored);
  EXPECT_EQ(edit->text(), QString::number(GetParam().Stored));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SpinRangeTest,
    ::testing::Values(TypedCase{"CSpinEditImageZone", QStringLiteral("250"), 100},
                      TypedCase{"CSpinEditCropFrame", QStringLiteral("75"), 50},
                      TypedCase{"CSpinEditFindR", QStringLiteral("-7"), 0},
                      TypedCase{"CSpinEditFindR", QStringLiteral("42"), 42}));

}  // namespace
