#pragma once
// The settings dialog: edits a copy of the six engine parameters in its
// controls and commits them to SetupData and the settings file on apply.

#include <QDialog>
#include <QString>

#include "setupfile.h"

class QButtonGroup;
class QCheckBox;
class QPushButton;
class QRadioButton;
class QSlider;
class SpinField;

class TFormSetup : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSetup(QWidget* parent = nullptr);

  // Remembers path and, when a file exists there, reads it over the record and shows it.
  void LoadSetup(const QString& path);
  // Writes the record to path; false when the file could not be written.
  bool SaveSetup(const QString& path);
  void CollectControls();
  void ShowSetupData();

  // Whether the last "Применить" stored the file.
  bool LastSaveSucceeded() const { return lastSaveOk_; }
  const QString& ConfigPath() const { return configPath_; }

  ::SetupData SetupData;  // all zero until a file is read or the dialog applied

  SpinField* CSpinEditImageZone = nullptr;
  SpinField* CSpinEditFindR = nullptr;
  QCheckBox* CheckBoxCrop = nullptr;
  SpinField* CSpinEditCropFrame = nullptr;
  QRadioButton* RadioButtonVector = nullptr;
  QRadioButton* RadioButtonDiffuz = nullptr;
  QRadioButton* RadioButtonMidl = nullptr;
  QRadioButton* RadioButtonLight = nullptr;
  QRadioButton* RadioButtonUdel = nullptr;
  QSlider* TrackBarQ = nullptr;
  QPushButton* ButtonOk = nullptr;
  QPushButton* ButtonNo = nullptr;

 public slots:
  void ButtonOkClick();
  void ButtonNoClick();

 private:
  QWidget* BuildSpinRow(SpinField* field, const QString& label, const QString& unit);
  QWidget* BuildSmoothGroup();
  QWidget* BuildQualityRow();
  // The radio buttons in SmoothType order 0..4.
  QRadioButton* SmoothButton(int type) const;

  QButtonGroup* smoothGroup_ = nullptr;
  QString configPath_;
  bool lastSaveOk_ = true;
};
